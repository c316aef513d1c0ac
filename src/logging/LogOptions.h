#pragma once
// The logic of the Log Options dialog: what its controls show when it
// opens, what the type buttons and Browse do, and the check-and-store step
// behind OK. The dialog widget mirrors TLogOptionsForm and calls these.
#include <array>
#include <string>

#include "common/UserDialogs.h"
#include "logging/LogTypes.h"

namespace tarvo {

// The controls of the dialog.
struct TLogOptionsForm {
  std::string FilePath;                       // full path of the log file
  TLogFileType Type = TXT_FILE;               // RadioButton1..3
  TLogFileOverwriteType Overwrite = PROMPT_OVERWRITE;  // RadioButton4..6
  std::array<bool, RecordTypeCount> Record{};         // CheckBox1..5 ticked
  std::array<bool, RecordTypeCount> RecordEnabled{true, true, true, true, true};
  bool ErrorCountBoxesVisible = false;        // CheckBox4 and CheckBox5 shown
  bool Continuous = false;                    // RadioButton8, else RadioButton7
  std::array<bool, ReplayTypeCount> Replay{true, false};  // CheckBox6, CheckBox7
  bool SaveDialogFlag = false;                // Browse uses the save dialog
};

inline constexpr const char* LogOptionsInvalidText = "Log file name or directory invalid, please correct.";

// The form as it opens: TLog's options. The form keeps its state between
// showings, as the dialog does: the boxes once shown stay visible, and the
// type button already selected does not run its handler again.
void FillLogOptionsForm(TLogOptionsForm& form, const TLog& log, bool busLoadSupported);

// A type button became selected: the extension follows it, and the three
// error-related boxes are restored from TLog (Text, CSV) or cleared and
// disabled (ASC).
void SelectLogFileType(TLogOptionsForm& form, TLogFileType type, const TLog& log);

// Replaces an extension that differs from ext (".csv"); a name without an
// extension is left alone.
void SwapLogFileExtension(std::string& path, const std::string& ext);

// Browse: asks for a file with the open or save dialog; a confirmed choice
// goes into FilePath (with the type's extension when it has none).
void LogOptionsBrowse(TLogOptionsForm& form, const TLog& log, UserDialogs& dialogs);

// OK: checks FilePath and stores the form in TLog; false (with nothing stored
// but FileLoadedFlag cleared) when the directory or name is unusable.
bool ValidateLogOptions(TLogOptionsForm& form, TLog& log);

// The directory of a path with its separator, and the name after it.
std::string LogPathDirectory(const std::string& path);
std::string LogPathName(const std::string& path);
// The extension with its dot, or empty.
std::string LogPathExtension(const std::string& path);

}  // namespace tarvo
