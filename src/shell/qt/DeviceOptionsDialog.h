#pragma once
// The Device Options dialog (objectName "Form6", caption "Device Options"):
// which model and which serial number to open at the next start. It shows
// and edits a TDeviceOptionsForm; the rules are in shell/core/DeviceChoice.
#include <QDialog>

#include <array>
#include <functional>

#include "shell/core/DeviceChoice.h"

class QRadioButton;

namespace tarvo::qt {

class DeviceOptionsDialog : public QDialog {
 public:
  DeviceOptionsDialog(double scalingFactor, QWidget* parent);

  // Shows form modally; chooseSerial runs when one of RadioButton6..8 is
  // clicked. True on OK, form then holding the controls.
  bool Execute(TDeviceOptionsForm& form, const std::function<void(TDeviceOptionsForm&, int)>& chooseSerial);

  // The controls from form, as the dialog opens with it.
  void ShowForm(const TDeviceOptionsForm& form);

 private:
  TDeviceOptionsForm Read() const;

  std::array<QRadioButton*, 4> hardware_{};  // RadioButton1..4
  std::array<QRadioButton*, 4> serial_{};    // RadioButton5..8
  std::function<void(int)> serialClicked_;
};

}  // namespace tarvo::qt
