#pragma once
// A balloon hint: a small frameless popup with a bold title and a text,
// shown at a screen position and hidden after a time-out, by a call to
// HideBalloon, or when clicked. It never takes the focus.
#include <QFrame>
#include <QPoint>
#include <QString>
#include <QTimer>

class QLabel;

namespace tarvo {

class BalloonHint : public QFrame {
  Q_OBJECT
 public:
  explicit BalloonHint(QWidget* parent = nullptr);

  // Shows (or replaces) the balloon with its top-left corner at globalPos.
  // An empty text shows the title alone.
  void ShowBalloon(const QPoint& globalPos, const QString& title, const QString& text, int timeoutMs);
  void HideBalloon();

  QString Title() const;
  QString Text() const;
  int TimeoutMs() const { return timer_.interval(); }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* title_;
  QLabel* text_;
  QTimer timer_;
};

}  // namespace tarvo
