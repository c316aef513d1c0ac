#include "shell/qt/DeviceOptionsDialog.h"

#include <algorithm>

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/qt/Placement.h"
#include "common/qt/Scaling.h"

namespace tarvo::qt {

DeviceOptionsDialog::DeviceOptionsDialog(double s, QWidget* parent) : QDialog(parent) {
  setObjectName("Form6");
  setWindowTitle("Device Options");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(ScaledPixels(486, s), ScaledPixels(215, s));
  QFont f("Tahoma");
  f.setPointSize(font().pointSize());
  setFont(f);

  auto* layout = new QVBoxLayout(this);
  auto* startUp = new QGroupBox(" Start Up Select ", this);
  auto* groups = new QHBoxLayout(startUp);
  auto* hardware = new QGroupBox(" Hardware Type ", startUp);
  auto* hardwareLayout = new QVBoxLayout(hardware);
  const char* hardwareCaptions[4] = {"Any", "Tarvo", "TarvoISO", "Tarvo AUTO"};
  for (int i = 0; i < 4; ++i) {
    hardware_[size_t(i)] = new QRadioButton(hardwareCaptions[i], hardware);
    hardware_[size_t(i)]->setObjectName(QString("RadioButton%1").arg(i + 1));
    hardwareLayout->addWidget(hardware_[size_t(i)]);
  }
  auto* serial = new QGroupBox(" Serial Number ", startUp);
  auto* serialLayout = new QVBoxLayout(serial);
  for (int i = 0; i < 4; ++i) {
    serial_[size_t(i)] = new QRadioButton(i == 0 ? "Any" : "", serial);
    serial_[size_t(i)]->setObjectName(QString("RadioButton%1").arg(i + 5));
    serialLayout->addWidget(serial_[size_t(i)]);
    if (i > 0) {
      serial_[size_t(i)]->hide();
      // One handler for the three serial-number choices.
      connect(serial_[size_t(i)], &QRadioButton::clicked, this, [this, i] {
        if (serialClicked_) serialClicked_(i + 5);
      });
    }
  }
  serialLayout->addStretch(1);
  groups->addWidget(hardware);
  groups->addWidget(serial);
  layout->addWidget(startUp);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Button1");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Button2");
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DeviceOptionsDialog::ShowForm(const TDeviceOptionsForm& f) {
  hardware_[size_t(std::clamp(f.HardwareButton, 1, 4) - 1)]->setChecked(true);
  for (int i = 0; i < 3; ++i) {
    QRadioButton* b = serial_[size_t(i + 1)];
    b->setText(QString::fromStdString(f.SerialCaption[size_t(i)]));
    b->setVisible(f.SerialVisible[size_t(i)]);
  }
  serial_[size_t(std::clamp(f.SerialButton, 5, 8) - 5)]->setChecked(true);
}

TDeviceOptionsForm DeviceOptionsDialog::Read() const {
  TDeviceOptionsForm f;
  for (int i = 0; i < 4; ++i) {
    if (hardware_[size_t(i)]->isChecked()) f.HardwareButton = i + 1;
    if (serial_[size_t(i)]->isChecked()) f.SerialButton = i + 5;
  }
  for (int i = 0; i < 3; ++i) {
    f.SerialVisible[size_t(i)] = !serial_[size_t(i + 1)]->isHidden();
    f.SerialCaption[size_t(i)] = serial_[size_t(i + 1)]->text().toStdString();
  }
  return f;
}

bool DeviceOptionsDialog::Execute(TDeviceOptionsForm& form,
                                  const std::function<void(TDeviceOptionsForm&, int)>& chooseSerial) {
  ShowForm(form);
  serialClicked_ = [this, &chooseSerial](int button) {
    TDeviceOptionsForm now = Read();
    chooseSerial(now, button);
    ShowForm(now);
  };
  if (const QWidget* main = parentWidget()) qt::CentreOver(*this, *main);
  const bool ok = exec() == QDialog::Accepted;
  serialClicked_ = nullptr;
  if (ok) form = Read();
  return ok;
}

}  // namespace tarvo::qt
