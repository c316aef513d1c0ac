#include "view/qt/BalloonHint.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tarvo {

BalloonHint::BalloonHint(QWidget* parent)
    : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint),
      title_(new QLabel(this)),
      text_(new QLabel(this)) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setBackgroundRole(QPalette::ToolTipBase);
  setForegroundRole(QPalette::ToolTipText);
  setAutoFillBackground(true);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  // The conversion text lines numbers up with runs of spaces.
  text_->setTextFormat(Qt::PlainText);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->addWidget(title_);
  layout->addWidget(text_);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &BalloonHint::HideBalloon);
}

void BalloonHint::ShowBalloon(const QPoint& globalPos, const QString& title, const QString& text, int timeoutMs) {
  title_->setText(title);
  text_->setText(text);
  text_->setVisible(!text.isEmpty());
  adjustSize();
  move(globalPos);
  show();
  raise();
  timer_.start(timeoutMs);
}

void BalloonHint::HideBalloon() {
  timer_.stop();
  hide();
}

QString BalloonHint::Title() const { return title_->text(); }
QString BalloonHint::Text() const { return text_->text(); }

void BalloonHint::mousePressEvent(QMouseEvent*) { HideBalloon(); }

}  // namespace tarvo
