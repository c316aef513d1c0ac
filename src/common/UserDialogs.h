#pragma once
// Every modal message box and every open or save file dialog of the program
// goes through this interface, so the logic behind a box runs without a
// window: the Qt main window implements it with QMessageBox and QFileDialog,
// tests script the answers and record the texts.
#include <optional>
#include <string>

namespace tarvo {

enum class TDialogType { Information, Warning, Error, Confirmation };
enum class TDialogButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class TDialogResult { OK, Cancel, Yes, No };

// An open or save file dialog.
struct TFileDialogRequest {
  std::string Title;       // "Save Configuration"
  std::string Filter;      // "Configuration File (*.cfx)|*.cfx": description, "|", pattern
  std::string InitialDir;  // where the dialog starts; empty or missing: the platform's choice
  std::string FileName;    // the name the dialog offers; empty for none
  // A save dialog asks before it lets the user choose an existing file.
  bool PromptOverwrite = true;
};

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // Shows text in a modal box of the given type with the given buttons and
  // returns the button the user chose; closing the box counts as Cancel
  // (No when the box has no Cancel button, OK when it has only OK). A box of
  // Yes and No asks before something is overwritten: its default is No.
  virtual TDialogResult ShowMessage(const std::string& text, TDialogType type,
                                    TDialogButtons buttons) = 0;

  // The chosen path (as the user typed or picked it), or nothing when the
  // dialog was cancelled. Without an implementation every dialog is cancelled.
  virtual std::optional<std::string> OpenFileDialog(const TFileDialogRequest& request) {
    (void)request;
    return std::nullopt;
  }
  virtual std::optional<std::string> SaveFileDialog(const TFileDialogRequest& request) {
    (void)request;
    return std::nullopt;
  }
};

}  // namespace tarvo
