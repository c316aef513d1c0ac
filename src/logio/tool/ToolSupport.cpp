#include "logio/tool/ToolSupport.h"

#include <algorithm>
#include <cstdio>

#include "common/ReplacingFile.h"
#include "dbc/DbcDatabase.h"
#include "dbc/SignalLookup.h"

namespace tarvo {

const char* const CountUsage =
    "usage: tarvo-log count FILE [--type FORMAT] [--rx] [--tx]\n"
    "  Reads a log whole and prints how many messages it holds: frames, remote, error and CAN FD\n"
    "  frames, channels, and its first and last time. FILE \"-\" reads standard input.\n";
const char* const ConvertUsage =
    "usage: tarvo-log convert IN OUT [--type FORMAT] [--to FORMAT] [--base hex|dec] [--rx] [--tx]\n"
    "  Writes a log in another format, keeping each time to the target's resolution and channels,\n"
    "  error and CAN FD frames where the target holds them; what it cannot hold is counted.\n"
    "  IN or OUT \"-\": standard input or output (a candump log unless --to says otherwise).\n";
const char* const ImportUsage =
    "usage: tarvo-log import IN OUT [--from FORMAT] [--to txt|csv|asc] [--base hex|dec] [--rx] [--tx]\n"
    "  Brings a log of another tool into a Tarvo format, so that the program replays it.\n";
const char* const DecodeUsage =
    "usage: tarvo-log decode LOG --dbc DB [--signal NAME...] [--wide [--fill]] [--text] [--out FILE] [--type FORMAT]\n"
    "  Writes the decoded signals of a log as CSV (time as in the log, message, signal, value, unit),\n"
    "  or one row per message and a column per signal with --wide (--fill: each row carries the last\n"
    "  value of every signal). --text adds the value-table text of each value.\n";
const char* const PlotUsage =
    "usage: tarvo-log plot LOG --dbc DB --signal NAME [--signal NAME...] --png OUT [--size WxH] [--type FORMAT]\n"
    "  Draws the decoded signals of a log as the program's signal plot does.\n";

bool TToolArgs::Parse(int argc, char** argv, const std::vector<std::string>& flags,
                      const std::vector<std::string>& valued) {
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      help_ = true;
    } else if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
      options_.push_back({a, ""});
    } else if (std::find(valued.begin(), valued.end(), a) != valued.end()) {
      if (i + 1 >= argc) {
        error_ = a + " needs a value";
        return false;
      }
      options_.push_back({a, argv[++i]});
    } else if (a.size() > 1 && a[0] == '-') {
      error_ = "unknown option " + a;
      return false;
    } else {
      files_.push_back(a);
    }
  }
  return true;
}

bool TToolArgs::Has(const std::string& flag) const {
  return std::any_of(options_.begin(), options_.end(), [&](const auto& o) { return o.first == flag; });
}

std::optional<std::string> TToolArgs::Value(const std::string& option) const {
  std::optional<std::string> value;
  for (const auto& [name, v] : options_)
    if (name == option) value = v;
  return value;
}

std::vector<std::string> TToolArgs::Values(const std::string& option) const {
  std::vector<std::string> values;
  for (const auto& [name, v] : options_)
    if (name == option) values.push_back(v);
  return values;
}

int UsageError(const std::string& command, const std::string& reason) {
  std::fprintf(stderr, "tarvo-log %s: %s (see tarvo-log %s --help)\n", command.c_str(), reason.c_str(),
               command.c_str());
  return ExitUsage;
}

bool FormatOption(const TToolArgs& args, const std::string& option, const std::string& command,
                  std::optional<TLogFormat>& format, int& exitCode) {
  const std::optional<std::string> text = args.Value(option);
  if (!text) return true;
  format = LogFormatFromText(*text);
  if (format) return true;
  exitCode = UsageError(command, option + " takes txt, csv, asc, candump, blf or trc, not \"" + *text + "\"");
  return false;
}

std::string ShownName(const std::string& path) { return path == "-" ? "standard input" : path; }

void Complain(const std::string& path, const std::string& text) {
  std::fprintf(stderr, "tarvo-log: %s: %s\n", ShownName(path).c_str(), text.c_str());
}

void PrintReadReport(const std::string& path, const TLogReader& reader) {
  for (const std::string& line : reader.Report().Lines()) Complain(path, line);
}

void PrintWriteReport(const std::string& path, const TLogWriteReport& report) {
  for (const std::string& line : report.Lines()) Complain(path, line);
}

std::unique_ptr<TLogReader> OpenForReading(const std::string& path, std::optional<TLogFormat> format) {
  std::string error;
  std::unique_ptr<TLogReader> reader = OpenLogReader(path, format, error);
  if (!reader) {
    // Where the content does not tell the format, --type can.
    const bool unknown = error.find("format cannot be told") != std::string::npos;
    Complain(path, error.empty() ? "cannot be read" : error + (unknown ? "; give --type" : ""));
  }
  return reader;
}

bool ReadingFailed(const std::string& path, const TLogReader& reader) {
  if (!reader.Error().empty()) {
    Complain(path, reader.Error());
    return true;
  }
  if (reader.Report().Messages == 0 && reader.Report().DamagedTotal() > 0) {
    Complain(path, std::string(reader.Report().Binary ? "nothing in it" : "no line of it") +
                       " is a CAN message of a " + LogFormatName(reader.Info().Format) +
                       " log (give --type if it is another format)");
    return true;
  }
  return false;
}

bool OutputIsAnInput(const std::string& output, const std::vector<std::string>& inputs) {
  if (output == "-") return false;
  for (const std::string& in : inputs) {
    if (in != "-" && SameFile(in, output)) {
      std::fprintf(stderr, "tarvo-log: %s and %s are the same file; give another output\n", in.c_str(),
                   output.c_str());
      return true;
    }
  }
  return false;
}

bool ResolveSignals(const TDbcDatabase& db, const std::vector<std::string>& names,
                    std::vector<std::pair<size_t, size_t>>& chosen, std::string& error) {
  for (const std::string& name : names) {
    TSignalPlace one;
    std::vector<TSignalPlace> found;
    if (!FindSignal(db, name, one, error, &found)) {
      // Several candidates: the first eight are named, as Message.Signal.
      if (found.size() > 1) {
        const size_t dot = name.find('.');
        const std::string signal = dot == std::string::npos ? name : name.substr(dot + 1);
        error += " (";
        for (size_t i = 0; i < found.size() && i < 8; ++i)
          error += (i ? ", " : "") + db.Messages[found[i].Message].Name + "." + signal;
        error += found.size() > 8 ? ", ...)" : ")";
      }
      return false;
    }
    const std::pair<size_t, size_t> place{one.Message, one.Signal};
    if (std::find(chosen.begin(), chosen.end(), place) == chosen.end()) chosen.push_back(place);
  }
  return true;
}

}  // namespace tarvo
