#include "shell/qt/AboutDialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QShowEvent>
#include <QVBoxLayout>

#include "common/qt/Scaling.h"

namespace tarvo::qt {
namespace {

const QColor kProductColour(0, 87, 166);
constexpr int kClientWidth = 237;
constexpr int kClientHeight = 211;
constexpr int kPictureSize = 72;

// The adapter: a USB plug on the left, the housing, a 9-pin bus connector on the right.
QPixmap AdapterPicture(int size, qreal dpr) {
  QPixmap pm(QSize(size, size) * dpr);
  pm.setDevicePixelRatio(dpr);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 72.0, size / 72.0);
  p.setPen(QPen(QColor(60, 70, 80), 1.2));
  p.setBrush(QColor(200, 205, 212));
  p.drawRect(QRectF(2, 30, 12, 12));  // USB plug
  p.setBrush(QColor(80, 86, 94));
  p.drawRect(QRectF(14, 26, 6, 20));
  QLinearGradient body(0, 14, 0, 58);
  body.setColorAt(0, kProductColour.lighter(150));
  body.setColorAt(1, kProductColour);
  p.setBrush(body);
  p.drawRoundedRect(QRectF(20, 16, 34, 40), 6, 6);
  p.setBrush(QColor(170, 176, 184));
  QPainterPath dsub;
  dsub.moveTo(54, 22);
  dsub.lineTo(68, 26);
  dsub.lineTo(68, 46);
  dsub.lineTo(54, 50);
  dsub.closeSubpath();
  p.drawPath(dsub);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 70, 80));
  for (int i = 0; i < 5; ++i) p.drawEllipse(QPointF(62, 27.5 + i * 4.2), 1.2, 1.2);
  p.setBrush(QColor(120, 230, 120));
  p.drawEllipse(QPointF(28, 24), 2, 2);  // power lamp
  p.setPen(QColor(255, 255, 255));
  QFont f("DejaVu Sans");
  f.setPixelSize(9);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRectF(20, 30, 34, 20), Qt::AlignCenter, "CAN");
  return pm;
}

}  // namespace

AboutDialog::AboutDialog(double scalingFactor, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      scaling_(scalingFactor) {
  setObjectName("Form2");
  setWindowTitle("About");
  setFixedSize(ScaledPixels(kClientWidth, scaling_), ScaledPixels(kClientHeight, scaling_));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(8, 8, 8, 8);
  auto* frame = new QFrame(this);
  frame->setObjectName("Panel1");
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Sunken);
  panel_ = frame;
  outer->addWidget(frame);

  auto* grid = new QGridLayout(frame);
  auto* picture = new QLabel(frame);
  picture->setObjectName("Image1");
  picture->setPixmap(AdapterPicture(ScaledPixels(kPictureSize, scaling_), devicePixelRatioF()));
  picture->setCursor(Qt::PointingHandCursor);
  picture->installEventFilter(this);
  grid->addWidget(picture, 0, 0, 4, 1, Qt::AlignCenter);
  grid->addWidget(AddLabel("Tarvo", 21, true, "ProductName"), 0, 1);
  // The design text loses "0.0" on show and gets the real version.
  version_ = AddLabel("Application v0.0", 13, true, "Version");
  grid->addWidget(version_, 1, 1);
  grid->addWidget(AddLabel("USB <> CAN", 12, false, "Comments"), 2, 1);
  grid->addWidget(AddLabel("Bus Interface", 12, false, "Comments2"), 3, 1);
  auto* notice = AddLabel("Quorbel USB-to-CAN bus tool", 10, false, "Copyright");
  grid->addWidget(notice, 4, 0, 1, 2, Qt::AlignHCenter | Qt::AlignBottom);
  grid->setRowStretch(4, 1);
}

QLabel* AboutDialog::AddLabel(const QString& text, int pixelSize, bool productColour,
                              const char* name) {
  auto* label = new QLabel(text, panel_);
  label->setObjectName(name);
  QFont f = label->font();
  f.setPixelSize(ScaledPixels(pixelSize, scaling_));
  if (productColour) f.setBold(true);
  label->setFont(f);
  if (productColour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, kProductColour);
    label->setPalette(p);
  }
  label->installEventFilter(this);
  return label;
}

void AboutDialog::showEvent(QShowEvent* event) {
  QString text = version_->text();
  text.chop(3);
  version_->setText(text + kApplicationVersion);
  QDialog::showEvent(event);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonDblClick) {
    accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tarvo::qt
