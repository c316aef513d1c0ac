#pragma once
// Every modal window a widget test meets is answered or fails the test within
// seconds, naming the window, instead of waiting for the test runner's limit.
//
// The watch looks at the top modal window every few milliseconds and offers
// it to the answerers the test set up, newest first. A window no answerer
// takes fails the test at once; a window that was answered but is still open
// some seconds later fails it too. Either way the watch then closes the
// window, so the program under test goes on and the test reaches its end.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace tarvo::test {

// Class, object name, title and, for a message box, the text of a window.
std::string DescribeWindow(const QWidget* window);

class ModalWatch : public QObject {
 public:
  // Looks at the top modal window; true when it answered it.
  using Answerer = std::function<bool(QWidget*)>;
  static constexpr int kCloseLimitMs = 5000;
  static constexpr int kLookIntervalMs = 10;

  // The watch of this program, started with the first call (once the
  // application object exists) and running until the program ends.
  static ModalWatch& Start();

  int Add(Answerer answerer);
  void Remove(int id);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ModalWatch();
  void LookSoon();
  void Look();
  bool Offer(QWidget* modal);
  void CloseUnanswered(QWidget* modal);

  struct Entry {
    int Id;
    Answerer Answer;
  };
  struct Open {
    QPointer<QWidget> Window;
    qint64 Since;
    bool Forced;
  };
  std::vector<Entry> answerers_;
  std::vector<Open> open_;  // answered or force-closed, not yet hidden
  int nextId_ = 1;
  QElapsedTimer clock_;
};

// An answerer registered for the life of this object.
class ModalAnswerer {
 public:
  explicit ModalAnswerer(ModalWatch::Answerer answerer) : id_(ModalWatch::Start().Add(std::move(answerer))) {}
  ~ModalAnswerer() { ModalWatch::Start().Remove(id_); }
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;

 private:
  int id_;
};

}  // namespace tarvo::test
