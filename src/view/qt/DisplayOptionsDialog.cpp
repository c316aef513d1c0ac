#include "view/qt/DisplayOptionsDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

#include "common/qt/Placement.h"
#include "common/qt/Scaling.h"
#include "common/qt/WidgetNames.h"

namespace tarvo {
namespace {

QGroupBox* Group(const char* title, QWidget* parent) { return new QGroupBox(title, parent); }

}  // namespace

DisplayOptionsDialog::DisplayOptionsDialog(double s, QWidget* parent) : QDialog(parent) {
  setObjectName("Form5");
  setWindowTitle("Display Options");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);

  QGroupBox* base = Group(" Numeric Base ", this);
  auto* baseLayout = new QHBoxLayout(base);
  decimal_ = Named(new QRadioButton("Decimal", base), "RadioButton1");
  hexadecimal_ = Named(new QRadioButton("Hexadecimal", base), "RadioButton2");
  baseLayout->addWidget(decimal_);
  baseLayout->addWidget(hexadecimal_);
  layout->addWidget(base);

  QGroupBox* transmit = Group(" CAN Transmit ", this);
  auto* transmitLayout = new QVBoxLayout(transmit);
  onCANViewPage_ = Named(new QCheckBox("Display On 'CAN View' Page", transmit), "CheckBox1");
  transmitLayout->addWidget(onCANViewPage_);
  layout->addWidget(transmit);

  QGroupBox* view = Group(" CAN View ", this);
  auto* viewLayout = new QVBoxLayout(view);
  ascii_ = Named(new QCheckBox("Display ASCII Decoded Data", view), "CheckBox2");
  count_ = Named(new QCheckBox("Display Message Count", view), "CheckBox3");
  period_ = Named(new QCheckBox("Display Message Period", view), "CheckBox4");
  errorCounters_ = Named(new QCheckBox("Display CAN Error Counters On Error", view), "CheckBox5");
  errorCounters_->setEnabled(false);
  // The names of a loaded database, in a column after the described ones;
  // beside the first check box, as the dialog has no height to spare.
  messageName_ = Named(new QCheckBox("Display Message Name", view), "CheckBox6");
  for (QCheckBox* box : {ascii_, count_, period_, errorCounters_, messageName_}) {
    if (box == count_) {
      auto* row = new QHBoxLayout;
      row->addWidget(count_);
      row->addWidget(messageName_);
      viewLayout->addLayout(row);
    } else if (box != messageName_) {
      viewLayout->addWidget(box);
    }
    // A column switched on or off: the columns are rebuilt after the dialog closes.
    connect(box, &QCheckBox::clicked, this, [this] { canViewModified_ = true; });
  }
  QGroupBox* interval = Group(" Update Interval ", view);
  auto* intervalLayout = new QHBoxLayout(interval);
  const char* intervalCaptions[3] = {"Minimum", "100ms", "1000ms"};
  const char* intervalNames[3] = {"RadioButton3", "RadioButton4", "RadioButton5"};
  for (int i = 0; i < 3; ++i) {
    interval_[i] = Named(new QRadioButton(intervalCaptions[i], interval), intervalNames[i]);
    intervalLayout->addWidget(interval_[i]);
  }
  viewLayout->addWidget(interval);
  // The third button stands for one million entries, whatever its caption says.
  QGroupBox* size = Group(" Cyclic Buffer Size ", view);
  auto* sizeLayout = new QHBoxLayout(size);
  const char* sizeCaptions[3] = {"1000", "50000", "10000000"};
  const char* sizeNames[3] = {"RadioButton6", "RadioButton7", "RadioButton8"};
  for (int i = 0; i < 3; ++i) {
    size_[i] = Named(new QRadioButton(sizeCaptions[i], size), sizeNames[i]);
    sizeLayout->addWidget(size_[i]);
  }
  viewLayout->addWidget(size);
  layout->addWidget(view);
  layout->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = Named(new QPushButton("OK", this), "Button1");
  auto* cancel = Named(new QPushButton("Cancel", this), "Button2");
  ok->setDefault(true);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  qt::SetFixedSizeFittingLayout(*this, QSize(int(std::lround(390 * s)), int(std::lround(457 * s))));
}

void DisplayOptionsDialog::ShowForm(const TDisplayOptionsForm& f) {
  (f.Hexadecimal ? hexadecimal_ : decimal_)->setChecked(true);
  onCANViewPage_->setChecked(f.CANTxOnCANViewPage);
  ascii_->setChecked(f.ASCIIDecode);
  count_->setChecked(f.MessageCount);
  period_->setChecked(f.MessagePeriod);
  errorCounters_->setChecked(f.CANErrorCounters);
  messageName_->setChecked(f.MessageName);
  // Enabled once an adapter that reports error counters was found; never disabled again.
  if (f.CANErrorCountersEnabled) errorCounters_->setEnabled(true);
  interval_[f.UpdateIntervalChoice]->setChecked(true);
  size_[f.CyclicBufferSizeChoice]->setChecked(true);
  canViewModified_ = false;
}

TDisplayOptionsForm DisplayOptionsDialog::Read() const {
  TDisplayOptionsForm f;
  f.Hexadecimal = hexadecimal_->isChecked();
  f.CANTxOnCANViewPage = onCANViewPage_->isChecked();
  f.ASCIIDecode = ascii_->isChecked();
  f.MessageCount = count_->isChecked();
  f.MessagePeriod = period_->isChecked();
  f.CANErrorCounters = errorCounters_->isChecked();
  f.MessageName = messageName_->isChecked();
  f.CANErrorCountersEnabled = errorCounters_->isEnabled();
  for (int i = 0; i < 3; ++i) {
    if (interval_[i]->isChecked()) f.UpdateIntervalChoice = i;
    if (size_[i]->isChecked()) f.CyclicBufferSizeChoice = i;
  }
  f.CANViewModifiedFlag = canViewModified_;
  return f;
}

bool DisplayOptionsDialog::Execute(TDisplayOptionsForm& form) {
  ShowForm(form);
  if (const QWidget* main = parentWidget()) qt::CentreOver(*this, *main);
  const bool ok = exec() == QDialog::Accepted;
  if (ok) form = Read();
  form.CANViewModifiedFlag = canViewModified_;
  return ok;
}

}  // namespace tarvo
