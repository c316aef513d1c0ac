#include "view/qt/BalloonHint.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tarvo {

BalloonHint::BalloonHint(QWidget* parent)
    : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint),
      m_title(new QLabel(this)),
      m_text(new QLabel(this)) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setBackgroundRole(QPalette::ToolTipBase);
  setForegroundRole(QPalette::ToolTipText);
  setAutoFillBackground(true);
  QFont bold = m_title->font();
  bold.setBold(true);
  m_title->setFont(bold);
  // The conversion text lines numbers up with runs of spaces.
  m_text->setTextFormat(Qt::PlainText);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->addWidget(m_title);
  layout->addWidget(m_text);
  m_timer.setSingleShot(true);
  connect(&m_timer, &QTimer::timeout, this, &BalloonHint::HideBalloon);
}

void BalloonHint::ShowBalloon(const QPoint& globalPos, const QString& title, const QString& text, int timeoutMs) {
  m_title->setText(title);
  m_text->setText(text);
  m_text->setVisible(!text.isEmpty());
  adjustSize();
  move(globalPos);
  show();
  raise();
  m_timer.start(timeoutMs);
}

void BalloonHint::HideBalloon() {
  m_timer.stop();
  hide();
}

QString BalloonHint::Title() const { return m_title->text(); }
QString BalloonHint::Text() const { return m_text->text(); }

void BalloonHint::mousePressEvent(QMouseEvent*) { HideBalloon(); }

}  // namespace tarvo
