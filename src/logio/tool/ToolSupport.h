#pragma once
// What every tarvo-log command shares: its arguments, the usage texts, and
// the reports of what a reader could not use and a writer left out, printed
// on standard error so that nothing is dropped in silence.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logio/LogReader.h"
#include "logio/LogWriter.h"

namespace tarvo {

// Exit codes, as command-line tools use them.
inline constexpr int ExitOk = 0, ExitFailed = 1, ExitUsage = 2;

// The arguments of one command: files, flags and options with values.
class TToolArgs {
 public:
  // flags: options without a value ("--rx"); valued: options that take one.
  // False with the reason in Error() for an unknown option or a missing value.
  bool Parse(int argc, char** argv, const std::vector<std::string>& flags, const std::vector<std::string>& valued);
  bool Has(const std::string& flag) const;
  std::optional<std::string> Value(const std::string& option) const;
  std::vector<std::string> Values(const std::string& option) const;
  const std::vector<std::string>& Files() const { return files_; }
  const std::string& Error() const { return error_; }
  bool Help() const { return help_; }

 private:
  std::vector<std::pair<std::string, std::string>> options_;
  std::vector<std::string> files_;
  std::string error_;
  bool help_ = false;
};

// A usage error: the one-line reason and where to find the usage; exit 2.
int UsageError(const std::string& command, const std::string& reason);
// "--type" and friends: a format name; false (after UsageError) for another word.
bool FormatOption(const TToolArgs& args, const std::string& option, const std::string& command,
                  std::optional<TLogFormat>& format, int& exitCode);

// A path as messages name it: "-" is standard input.
std::string ShownName(const std::string& path);
// "tarvo-log: PATH: text" on standard error.
void Complain(const std::string& path, const std::string& text);
// The reader's report of what it could not use, a line each, on standard error.
void PrintReadReport(const std::string& path, const TLogReader& reader);
void PrintWriteReport(const std::string& path, const TLogWriteReport& report);

// Opens a log for reading, saying why not; null when it cannot be read.
std::unique_ptr<TLogReader> OpenForReading(const std::string& path, std::optional<TLogFormat> format);
// A reader ended on an error (the file could not be read on) or read no
// message while it skipped damaged lines: said, and true.
bool ReadingFailed(const std::string& path, const TLogReader& reader);

// Refuses an output that is one of the inputs (also through links).
bool OutputIsAnInput(const std::string& output, const std::vector<std::string>& inputs);

// The "Message.Signal" or "Signal" names chosen, resolved in a database;
// false with the message naming the candidates or the missing name.
struct TDbcDatabase;
bool ResolveSignals(const TDbcDatabase& db, const std::vector<std::string>& names,
                    std::vector<std::pair<size_t, size_t>>& chosen, std::string& error);

// The command texts of --help.
extern const char* const CountUsage;
extern const char* const ConvertUsage;
extern const char* const ImportUsage;
extern const char* const DecodeUsage;
extern const char* const PlotUsage;

int CountCommand(int argc, char** argv);
int ConvertCommand(int argc, char** argv);
int ImportCommand(int argc, char** argv);
int DecodeCommand(int argc, char** argv);
int PlotCommand(int argc, char** argv);

}  // namespace tarvo
