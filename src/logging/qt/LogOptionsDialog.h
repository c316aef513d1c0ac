#pragma once
// The Log Options dialog (objectName "Form4", caption "Log Options"): the
// log file, its format and overwrite policy, the recorded event kinds and
// the replay options. Created once and reused; the controls carry their
// component names (FilePath, Button3, RadioButton1..8, CheckBox1..7, Button1,
// Button2). The logic lives in logging/LogOptions.
#include <QDialog>

#include <functional>

#include "logging/LogOptions.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvo::qt {

class LogOptionsDialog : public QDialog {
 public:
  // busLoadSupported is asked each time the dialog is shown.
  LogOptionsDialog(TLog& log, UserDialogs& dialogs, std::function<bool()> busLoadSupported,
                   double scalingFactor, QWidget* parent);

  // Shows the dialog modally; saveFlag makes Browse a save dialog.
  void ShowLogOptions(bool saveFlag);

  // The buttons' handlers. OK: takes the controls' options when they are
  // valid and closes, else warns and stays open. Cancel: closes, keeping the
  // options as they were. Browse: picks the log file.
  void Accept();
  void Cancel();
  void Browse();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls(double scalingFactor);
  void FillFromLog();
  void TypeClicked(TLogFileType type);
  void ShowForm();  // form_ -> controls
  void ReadForm();  // controls -> form_

  TLog& log_;
  UserDialogs& dialogs_;
  std::function<bool()> busLoadSupported_;
  TLogOptionsForm form_;
  QLineEdit* logPath_ = nullptr;
  QRadioButton* type_[3] = {};
  QRadioButton* overwrite_[3] = {};
  QCheckBox* record_[RecordTypeCount] = {};
  QRadioButton* single_ = nullptr;
  QRadioButton* continuous_ = nullptr;
  QCheckBox* replay_[ReplayTypeCount] = {};
};

}  // namespace tarvo::qt
