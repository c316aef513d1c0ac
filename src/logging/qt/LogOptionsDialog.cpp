#include "logging/qt/LogOptionsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/qt/Placement.h"
#include "common/qt/Scaling.h"

namespace tarvo::qt {

namespace {

constexpr int kClientWidth = 584;  // at 96 DPI
constexpr int kClientHeight = 525;
constexpr int kHelpContext = 140;

QRadioButton* Radio(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QRadioButton(caption, parent);
  b->setObjectName(name);
  return b;
}

QCheckBox* Check(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QCheckBox(caption, parent);
  b->setObjectName(name);
  return b;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

LogOptionsDialog::LogOptionsDialog(TLog& log, UserDialogs& dialogs, std::function<bool()> busLoadSupported,
                                   double scalingFactor, QWidget* parent)
    : QDialog(parent), log_(log), dialogs_(dialogs), busLoadSupported_(std::move(busLoadSupported)) {
  setObjectName("Form4");
  setWindowTitle("Log Options");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setProperty("HelpContext", kHelpContext);
  BuildControls(scalingFactor);
  SetFixedSizeFittingLayout(*this, QSize(ScaledPixels(kClientWidth, scalingFactor), ScaledPixels(kClientHeight, scalingFactor)));
  // Created with SaveDialogFlag clear and "Text" selected.
  form_.SaveDialogFlag = false;
  ShowForm();
}

void LogOptionsDialog::BuildControls(double scalingFactor) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  outer->addWidget(panel);
  auto* layout = new QVBoxLayout(panel);

  auto* file = new QGroupBox(" File Name && Type ", panel);
  file->setObjectName("GroupBox1");
  auto* fileLayout = new QVBoxLayout(file);
  auto* pathRow = new QHBoxLayout;
  logPath_ = new QLineEdit(file);
  logPath_->setObjectName("Edit1");
  auto* browse = Button("Button3", "Browse...", file);
  pathRow->addWidget(logPath_, 1);
  pathRow->addWidget(browse);
  fileLayout->addLayout(pathRow);
  auto* choiceRow = new QHBoxLayout;
  auto* typeBox = new QGroupBox(" Type ", file);
  typeBox->setObjectName("GroupBox2");
  auto* typeLayout = new QVBoxLayout(typeBox);
  const char* typeNames[3][2] = {{"RadioButton1", "Text"}, {"RadioButton2", "CSV"}, {"RadioButton3", "ASC"}};
  for (int i = 0; i < 3; ++i) {
    type_[i] = Radio(typeNames[i][0], typeNames[i][1], typeBox);
    typeLayout->addWidget(type_[i]);
    connect(type_[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) TypeClicked(TLogFileType(i));
    });
  }
  auto* overwriteBox = new QGroupBox(" Overwrite ", file);
  overwriteBox->setObjectName("GroupBox3");
  auto* overwriteLayout = new QVBoxLayout(overwriteBox);
  const char* overwriteNames[3][2] = {{"RadioButton4", "Prompt On Overwrite"},
                                      {"RadioButton5", "Automatically Overwrite"},
                                      {"RadioButton6", "Automatically Rename"}};
  for (int i = 0; i < 3; ++i) {
    overwrite_[i] = Radio(overwriteNames[i][0], overwriteNames[i][1], overwriteBox);
    overwriteLayout->addWidget(overwrite_[i]);
  }
  choiceRow->addWidget(typeBox);
  choiceRow->addWidget(overwriteBox);
  fileLayout->addLayout(choiceRow);
  layout->addWidget(file);

  auto* recordBox = new QGroupBox(" Record Message Types ", panel);
  recordBox->setObjectName("GroupBox4");
  auto* recordLayout = new QVBoxLayout(recordBox);
  const char* recordNames[RecordTypeCount][2] = {{"CheckBox1", "Receive Messages"},
                                                 {"CheckBox2", "Transmit Messages"},
                                                 {"CheckBox3", "Error Messages"},
                                                 {"CheckBox4", "Error Count Messages"},
                                                 {"CheckBox5", "Bus Load Messages"}};
  for (int i = 0; i < RecordTypeCount; ++i) {
    record_[i] = Check(recordNames[i][0], recordNames[i][1], recordBox);
    recordLayout->addWidget(record_[i]);
  }
  layout->addWidget(recordBox);

  auto* replayRow = new QHBoxLayout;
  auto* replayTypeBox = new QGroupBox(" Replay Type ", panel);
  replayTypeBox->setObjectName("GroupBox5");
  auto* replayTypeLayout = new QVBoxLayout(replayTypeBox);
  single_ = Radio("RadioButton7", "Single", replayTypeBox);
  continuous_ = Radio("RadioButton8", "Continuous", replayTypeBox);
  replayTypeLayout->addWidget(single_);
  replayTypeLayout->addWidget(continuous_);
  auto* replayBox = new QGroupBox(" Replay Message Types ", panel);
  replayBox->setObjectName("GroupBox6");
  auto* replayLayout = new QVBoxLayout(replayBox);
  replay_[REPLAY_RX] = Check("CheckBox6", "Receive Messages", replayBox);
  replay_[REPLAY_TX] = Check("CheckBox7", "Transmit Messages", replayBox);
  replayLayout->addWidget(replay_[REPLAY_RX]);
  replayLayout->addWidget(replay_[REPLAY_TX]);
  replayRow->addWidget(replayTypeBox);
  replayRow->addWidget(replayBox);
  layout->addLayout(replayRow);
  layout->addStretch(1);

  auto* buttons = new QHBoxLayout;
  auto* ok = Button("Button1", "OK", panel);
  auto* cancel = Button("Button2", "Cancel", panel);
  ok->setDefault(true);
  const int width = ScaledPixels(75, scalingFactor);
  ok->setFixedWidth(width);
  cancel->setFixedWidth(width);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  layout->addLayout(buttons);

  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  connect(ok, &QPushButton::clicked, this, [this] { Accept(); });
  connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });
}

void LogOptionsDialog::ShowLogOptions(bool saveFlag) {
  form_.SaveDialogFlag = saveFlag;
  exec();
}

// Centred over the main window each time it shows, then filled from TLog.
void LogOptionsDialog::showEvent(QShowEvent* event) {
  if (const QWidget* main = parentWidget()) qt::CentreOver(*this, *main);
  FillFromLog();
  QDialog::showEvent(event);
}

void LogOptionsDialog::FillFromLog() {
  ReadForm();
  FillLogOptionsForm(form_, log_, busLoadSupported_ && busLoadSupported_());
  ShowForm();
}

void LogOptionsDialog::TypeClicked(TLogFileType type) {
  ReadForm();
  SelectLogFileType(form_, type, log_);
  ShowForm();
}

void LogOptionsDialog::Browse() {
  ReadForm();
  LogOptionsBrowse(form_, log_, dialogs_);
  ShowForm();
}

void LogOptionsDialog::Accept() {
  ReadForm();
  const bool valid = ValidateLogOptions(form_, log_);
  ShowForm();
  if (valid) {
    accept();
    return;
  }
  dialogs_.ShowMessage(LogOptionsInvalidText, TDialogType::Warning, TDialogButtons::OK);
}

void LogOptionsDialog::Cancel() { reject(); }

void LogOptionsDialog::ReadForm() {
  form_.FilePath = logPath_->text().toStdString();
  for (int i = 0; i < 3; ++i) {
    if (type_[i]->isChecked()) form_.Type = TLogFileType(i);
    if (overwrite_[i]->isChecked()) form_.Overwrite = TLogFileOverwriteType(i);
  }
  for (int i = 0; i < RecordTypeCount; ++i) form_.Record[size_t(i)] = record_[i]->isChecked();
  form_.Continuous = continuous_->isChecked();
  for (int i = 0; i < ReplayTypeCount; ++i) form_.Replay[size_t(i)] = replay_[i]->isChecked();
}

// The type buttons are set without running their handlers: the logic has
// already done what selecting them does.
void LogOptionsDialog::ShowForm() {
  logPath_->setText(QString::fromStdString(form_.FilePath));
  for (int i = 0; i < 3; ++i) {
    const QSignalBlocker block(type_[i]);
    type_[i]->setChecked(int(form_.Type) == i);
  }
  overwrite_[form_.Overwrite]->setChecked(true);
  for (int i = 0; i < RecordTypeCount; ++i) {
    record_[i]->setChecked(form_.Record[size_t(i)]);
    record_[i]->setEnabled(form_.RecordEnabled[size_t(i)]);
  }
  record_[RECORD_ERROR_COUNTERS]->setVisible(form_.ErrorCountBoxesVisible);
  record_[RECORD_BUS_LOAD]->setVisible(form_.ErrorCountBoxesVisible);
  (form_.Continuous ? continuous_ : single_)->setChecked(true);
  for (int i = 0; i < ReplayTypeCount; ++i) replay_[i]->setChecked(form_.Replay[size_t(i)]);
}

}  // namespace tarvo::qt
