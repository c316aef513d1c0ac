#pragma once
// Every modal message box of the program goes through this interface, so the
// logic behind a box runs without a window: the Qt main window implements it
// with QMessageBox, tests script the answers and record the texts.
#include <string>

namespace tarvo {

enum class TDialogType { Information, Warning, Error, Confirmation };
enum class TDialogButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class TDialogResult { OK, Cancel, Yes, No };

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // Shows text in a modal box of the given type with the given buttons and
  // returns the button the user chose; closing the box counts as Cancel
  // (No when the box has no Cancel button, OK when it has only OK).
  virtual TDialogResult ShowMessage(const std::string& text, TDialogType type,
                                    TDialogButtons buttons) = 0;
};

}  // namespace tarvo
