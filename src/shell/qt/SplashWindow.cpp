#include "shell/qt/SplashWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cmath>

#include "adapter/TarvoAPI.h"
#include "common/qt/Placement.h"
#include "common/qt/Scaling.h"

namespace tarvo::qt {
namespace {

const QColor kBlue(0x00, 0x57, 0xA6);
const QColor kGreen(0x84, 0xC2, 0x25);
const QColor kOrange(0xFF, 0xA0, 0x00);

QLabel* Label(const QString& text, const char* name, const QString& family, int pixels, const QColor& colour,
              QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont font(family);
  font.setPixelSize(pixels);
  label->setFont(font);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
  label->adjustSize();
  return label;
}

void SetColour(QLabel* label, const QColor& colour) {
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
}

void SetPointSize(QLabel* label, int points) {
  QFont font = label->font();
  font.setPointSize(points);
  label->setFont(font);
  label->adjustSize();
}

}  // namespace

SplashWindow::SplashWindow(double s, QWidget* mainWindow)
    // A window that is never activated: the keys go on reaching the main
    // window while the information splash shows.
    : QDialog(mainWindow, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      scaling_(s),
      mainWindow_(mainWindow) {
  setObjectName("Form3");
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(Scaled(292), Scaled(266));
  setCursor(Qt::PointingHandCursor);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, kBlue);
  setPalette(p);

  labelTarvo_ = Label("Tarvo", "LabelTarvo", "Lucida Sans Unicode", Scaled(56), Qt::white, this);
  labelTarvo_->move(Scaled(7), 0);
  labelType_ = Label("ISO", "LabelType", "Lucida Sans Unicode", Scaled(56), Qt::green, this);
  labelType_->move(Scaled(195), 0);
  labelSN_ = Label("S/N ????", "LabelSN", "Arial", Scaled(32), Qt::white, this);
  labelSN_->move(Scaled(79), Scaled(80));
  // The maker's name in two colours.
  Label("Quor", "Label1", "Arial", Scaled(48), kGreen, this)->move(Scaled(49), Scaled(203));
  Label("bel", "Label2", "Arial", Scaled(48), Qt::white, this)->move(Scaled(116), Scaled(203));

  deviceChoice_ = new QComboBox(this);
  deviceChoice_->setObjectName("ComboBox1");
  deviceChoice_->setPlaceholderText("Select a device...");
  deviceChoice_->setGeometry(Scaled(71), Scaled(129), Scaled(150), deviceChoice_->sizeHint().height());
  deviceChoice_->hide();
  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("Button1");
  okButton_->move(Scaled(109), Scaled(168));
  okButton_->hide();
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  closeTimer_ = new QTimer(this);
  closeTimer_->setObjectName("Timer1");
  closeTimer_->setSingleShot(true);
  closeTimer_->setInterval(2000);
  connect(closeTimer_, &QTimer::timeout, this, [this] {
    hide();
    deleteLater();
  });
}

int SplashWindow::Scaled(int px) const { return ScaledPixels(px, scaling_); }

void SplashWindow::CentreOverMainWindow() { qt::CentreOver(*this, *mainWindow_); }

void SplashWindow::ShowInformation(int32_t hardwareType, const std::string& serialText) {
  CentreOverMainWindow();
  if (hardwareType == HW_TARVO_ISO) {
    SetPointSize(labelTarvo_, 42);
    labelTarvo_->move(Scaled(7), 0);
    SetColour(labelType_, kGreen);
  } else if (hardwareType == HW_TARVO_AUTO) {
    SetPointSize(labelTarvo_, 34);
    labelTarvo_->move(Scaled(1), 0);
    SetPointSize(labelType_, 34);
    labelType_->setText("AUTO");
    labelType_->adjustSize();
    labelType_->move(Scaled(164), 0);
    SetColour(labelType_, kOrange);
  } else {
    SetPointSize(labelTarvo_, 48);
    labelTarvo_->move(Scaled(40), 0);
    labelType_->hide();
  }
  labelSN_->setText(QString::fromStdString(serialText));
  labelSN_->adjustSize();
  show();
}

void SplashWindow::SetTimerEnabled(bool enable) {
  if (enable) closeTimer_->start();
  else closeTimer_->stop();
}

int SplashWindow::Choose(const std::vector<std::string>& lines) {
  CentreOverMainWindow();
  SetPointSize(labelTarvo_, 48);
  labelTarvo_->move(40, 0);
  labelType_->hide();
  labelSN_->setText("   S/N ?");
  labelSN_->adjustSize();
  deviceChoice_->clear();
  for (const std::string& line : lines) deviceChoice_->addItem(QString::fromStdString(line));
  deviceChoice_->setCurrentIndex(-1);
  deviceChoice_->show();
  okButton_->show();
  // The chooser is a modal window that takes the keyboard, unlike the
  // information splash.
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_ShowWithoutActivating, false);
  setWindowModality(Qt::ApplicationModal);
  okButton_->setFocus();
  exec();
  return deviceChoice_->currentIndex();
}

}  // namespace tarvo::qt
