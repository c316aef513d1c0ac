#pragma once
// The Display Options dialog (objectName "Form5", caption "Display Options"):
// numeric base, the place of the transmit list, the CAN View's optional
// columns and error-counter entries, its update interval and cyclic buffer
// size. It shows and edits a TDisplayOptionsForm; the rules are in
// view/DisplayOptions.
#include <QDialog>

#include "view/DisplayOptions.h"

class QAbstractButton;
class QCheckBox;
class QRadioButton;

namespace tarvo {

class DisplayOptionsDialog : public QDialog {
 public:
  explicit DisplayOptionsDialog(double scalingFactor, QWidget* parent = nullptr);

  // Shows the dialog modally with the controls from form; true on OK, and
  // form then holds the controls. CANViewModifiedFlag is reported either way.
  bool Execute(TDisplayOptionsForm& form);

  // The controls from form, as the dialog opens with it.
  void ShowForm(const TDisplayOptionsForm& form);

 private:
  TDisplayOptionsForm Read() const;

  QRadioButton* decimal_;
  QRadioButton* hexadecimal_;
  QCheckBox* onCANViewPage_;
  QCheckBox* ascii_;
  QCheckBox* count_;
  QCheckBox* period_;
  QCheckBox* errorCounters_;
  QCheckBox* messageName_;
  QRadioButton* interval_[3];
  QRadioButton* size_[3];
  bool canViewModified_ = false;
};

}  // namespace tarvo
