#include "support/ModalWatch.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

namespace tarvo::test {

std::string DescribeWindow(const QWidget* window) {
  if (!window) return "(none)";
  std::string text = std::string(window->metaObject()->className()) + " \"" +
                     window->objectName().toStdString() + "\" titled \"" + window->windowTitle().toStdString() + "\"";
  if (auto* box = qobject_cast<const QMessageBox*>(window)) text += " saying \"" + box->text().toStdString() + "\"";
  return text;
}

ModalWatch& ModalWatch::Start() {
  static ModalWatch* watch = new ModalWatch;  // lives as long as the program
  return *watch;
}

ModalWatch::ModalWatch() {
  clock_.start();
  LookSoon();
}

int ModalWatch::Add(Answerer answerer) {
  answerers_.push_back({nextId_, std::move(answerer)});
  return nextId_++;
}

void ModalWatch::Remove(int id) {
  answerers_.erase(std::remove_if(answerers_.begin(), answerers_.end(), [id](const Entry& e) { return e.Id == id; }),
                   answerers_.end());
}

// A new single-shot timer for every look: a timer does not fire again while
// its own handler runs, and an answer may open a nested modal window that
// must be watched too.
void ModalWatch::LookSoon() { QTimer::singleShot(kLookIntervalMs, this, [this] { Look(); }); }

void ModalWatch::Look() {
  LookSoon();
  open_.erase(std::remove_if(open_.begin(), open_.end(),
                             [](const Open& o) { return o.Window.isNull() || !o.Window->isVisible(); }),
              open_.end());
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return;
  auto open = std::find_if(open_.begin(), open_.end(), [modal](const Open& o) { return o.Window == modal; });
  if (open == open_.end()) {
    if (Offer(modal)) return;
    ADD_FAILURE() << "A modal window nobody answers: " << DescribeWindow(modal);
    CloseUnanswered(modal);
    return;
  }
  if (clock_.elapsed() - open->Since < kCloseLimitMs) return;
  if (!open->Forced) {
    ADD_FAILURE() << "A modal window still open " << kCloseLimitMs / 1000 << " s after it was answered: "
                  << DescribeWindow(modal);
    open_.erase(open);
    CloseUnanswered(modal);
  } else {
    modal->hide();  // it refused to close: hiding ends its modal loop
  }
}

bool ModalWatch::Offer(QWidget* modal) {
  // Newest first; the list may change while an answer runs.
  const std::vector<Entry> answerers = answerers_;
  const QPointer<QWidget> window = modal;
  // Noted before the answer runs: an answer that waits in an event loop must
  // not be offered its own window again.
  open_.push_back({window, clock_.elapsed(), false});
  window->installEventFilter(this);
  for (auto it = answerers.rbegin(); it != answerers.rend(); ++it)
    if (it->Answer(modal)) return true;
  open_.erase(std::remove_if(open_.begin(), open_.end(), [&](const Open& o) { return o.Window == window; }),
              open_.end());
  if (window) window->removeEventFilter(this);
  return false;
}

void ModalWatch::CloseUnanswered(QWidget* modal) {
  open_.push_back({modal, clock_.elapsed(), true});
  modal->installEventFilter(this);
  if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  else modal->close();
}

// A window that hides is done with; when it shows again it is a new question.
bool ModalWatch::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Hide) {
    open_.erase(std::remove_if(open_.begin(), open_.end(),
                               [watched](const Open& o) { return o.Window.isNull() || o.Window == watched; }),
                open_.end());
    watched->removeEventFilter(this);
  }
  return false;
}

}  // namespace tarvo::test
