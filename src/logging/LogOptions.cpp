#include "logging/LogOptions.h"

#include <filesystem>
#include <system_error>

#include "common/FilePaths.h"

namespace tarvo {

namespace {

constexpr const char* TypeExtensions[3] = {".txt", ".csv", ".asc"};

// The log file's path is one of this system: '\\' separates folders only
// where it is the system's separator (Windows); elsewhere it is a character
// a file name may hold.
constexpr char NativeSeparators[] = {'/', char(std::filesystem::path::preferred_separator), '\0'};

}  // namespace

std::string LogPathDirectory(const std::string& path) { return DirectoryPart(path, NativeSeparators); }

std::string LogPathName(const std::string& path) { return FileNamePart(path, NativeSeparators); }

std::string LogPathExtension(const std::string& path) { return ExtensionPart(path, NativeSeparators); }

void SwapLogFileExtension(std::string& path, const std::string& ext) {
  const std::string current = LogPathExtension(path);
  if (current.empty() || current == ext) return;
  path.replace(path.size() - current.size(), current.size(), ext);
}

void SelectLogFileType(TLogOptionsForm& form, TLogFileType type, const TLog& log) {
  form.Type = type;
  SwapLogFileExtension(form.FilePath, TypeExtensions[type]);
  const bool asc = type == ASC_FILE;
  for (int i = RECORD_ERRORS; i <= RECORD_BUS_LOAD; ++i) {
    form.Record[size_t(i)] = asc ? false : log.RecordMessageTypes[size_t(i)];
    form.RecordEnabled[size_t(i)] = !asc;
  }
}

void FillLogOptionsForm(TLogOptionsForm& form, const TLog& log, bool busLoadSupported) {
  if (busLoadSupported) form.ErrorCountBoxesVisible = true;
  form.Record = log.RecordMessageTypes;
  form.FilePath = log.DIR + log.FileName;
  // A value from a hand-edited settings file outside the enumeration shows
  // as the default button.
  const TLogFileType fileType = log.FileType <= ASC_FILE ? log.FileType : TXT_FILE;
  // Selecting the type's button runs its handler only when the selection
  // changes; ASC clears and disables the three error-related boxes anyway.
  if (form.Type != fileType) {
    SelectLogFileType(form, fileType, log);
  } else if (fileType == ASC_FILE) {
    for (int i = RECORD_ERRORS; i <= RECORD_BUS_LOAD; ++i) {
      form.Record[size_t(i)] = false;
      form.RecordEnabled[size_t(i)] = false;
    }
  }
  form.Overwrite = log.FileOverwrite <= RENAME_OVERWRITE ? log.FileOverwrite : PROMPT_OVERWRITE;
  form.Continuous = log.ReplayTypeFlag.load();
  form.Replay = log.ReplayMessageTypes;
}

void LogOptionsBrowse(TLogOptionsForm& form, const TLog& log, UserDialogs& dialogs) {
  static const char* const Filters[3] = {"Text File (*.txt)|*.txt", "CSV File (*.csv)|*.csv",
                                         "ASC File (*.asc)|*.asc"};
  TFileDialogRequest request;
  request.Title = "Log File Name";
  request.Filter = Filters[form.Type];
  request.InitialDir = log.DIR;
  request.FileName = "";
  request.PromptOverwrite = false;  // the recording asks by its own overwrite policy
  const std::optional<std::string> chosen =
      form.SaveDialogFlag ? dialogs.SaveFileDialog(request) : dialogs.OpenFileDialog(request);
  if (!chosen || chosen->empty()) return;
  form.FilePath = *chosen;
  // The dialogs' default extension.
  if (LogPathExtension(form.FilePath).empty() && !LogPathName(form.FilePath).empty())
    form.FilePath += TypeExtensions[form.Type];
}

bool ValidateLogOptions(TLogOptionsForm& form, TLog& log) {
  log.FileLoadedFlag = false;
  const std::string dir = LogPathDirectory(form.FilePath);
  std::error_code ec;
  if (dir.empty() || LogPathName(form.FilePath).empty() || !std::filesystem::is_directory(dir, ec)) return false;
  if (LogPathExtension(form.FilePath).empty()) form.FilePath += TypeExtensions[form.Type];
  log.FileName = LogPathName(form.FilePath);
  log.DIR = dir;
  log.FileType = form.Type;
  log.FileOverwrite = form.Overwrite;
  log.RecordMessageTypes[RECORD_RX] = form.Record[RECORD_RX];
  log.RecordMessageTypes[RECORD_TX] = form.Record[RECORD_TX];
  if (form.Type != ASC_FILE)
    for (int i = RECORD_ERRORS; i <= RECORD_BUS_LOAD; ++i) log.RecordMessageTypes[size_t(i)] = form.Record[size_t(i)];
  log.ReplayTypeFlag = form.Continuous;
  log.ReplayMessageTypes = form.Replay;
  return true;
}

}  // namespace tarvo
