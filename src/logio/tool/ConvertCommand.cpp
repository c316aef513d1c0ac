// tarvo-log convert and import: a log read whole, streaming, and written in
// another format, message by message; memory stays flat whatever the
// log's length. The output replaces an existing file only once everything
// was read and written.
#include <cinttypes>
#include <cstdio>
#include <filesystem>

#include "logio/LogDates.h"
#include "logio/tool/ToolSupport.h"

namespace tarvo {

namespace {

// The replay's buffer: a longer import is written whole, and said.
constexpr uint64_t ReplayBufferMessages = 2'000'000;

struct TConvertOptions {
  std::string In, Out;
  std::optional<TLogFormat> Type, To;
  std::optional<bool> Hexadecimal;
  bool Rx = true, Tx = true;
};

// The options of convert or import; an exit code when they are not usable.
std::optional<int> Options(int argc, char** argv, bool import, TConvertOptions& o) {
  const std::string command = import ? "import" : "convert";
  TToolArgs args;
  if (!args.Parse(argc, argv, {"--rx", "--tx"}, {"--type", "--from", "--to", "--base"}))
    return UsageError(command, args.Error());
  if (args.Help()) {
    std::fputs(import ? ImportUsage : ConvertUsage, stdout);
    return ExitOk;
  }
  if (args.Files().size() != 2) return UsageError(command, "give an input and an output");
  o.In = args.Files()[0];
  o.Out = args.Files()[1];
  int code = ExitOk;
  if (!FormatOption(args, "--type", command, o.Type, code) || !FormatOption(args, "--from", command, o.Type, code) ||
      !FormatOption(args, "--to", command, o.To, code))
    return code;
  if (const auto base = args.Value("--base")) {
    if (*base != "hex" && *base != "dec") return UsageError(command, "--base takes hex or dec");
    o.Hexadecimal = *base == "hex";
  }
  if (!o.To) {
    const TLogFormat named = LogFormatFromName(o.Out);
    if (named != LOG_FORMAT_UNKNOWN) o.To = named;
    else if (o.Out == "-") o.To = import ? LOG_FORMAT_TXT : LOG_FORMAT_CANDUMP;
    else return UsageError(command, "cannot tell the format of " + o.Out + " from its name; give --to");
  }
  if (import && *o.To != LOG_FORMAT_TXT && *o.To != LOG_FORMAT_CSV && *o.To != LOG_FORMAT_ASC)
    return UsageError(command, "imports into txt, csv or asc, the formats the program replays");
  o.Rx = args.Has("--rx") || !args.Has("--tx");
  o.Tx = args.Has("--tx") || !args.Has("--rx");
  return std::nullopt;
}

// Standard output carries the log: the summary goes to standard error.
std::FILE* SummaryStream(const TConvertOptions& o) { return o.Out == "-" ? stderr : stdout; }

int Run(const TConvertOptions& o, bool import) {
  if (OutputIsAnInput(o.Out, {o.In})) return ExitUsage;
  std::unique_ptr<TLogReader> reader = OpenForReading(o.In, o.Type);
  if (!reader) return ExitFailed;
  // The first message completes what the reader knows of the header.
  TLogMessage m;
  bool have = reader->Next(m);
  std::string error;
  std::unique_ptr<TByteSink> sink = OpenByteSink(o.Out, error);
  if (!sink) {
    Complain(o.Out, error);
    return ExitFailed;
  }
  TLogWriteOptions options;
  options.Source = reader->Info();
  options.Hexadecimal = o.Hexadecimal;
  if (import && !o.Hexadecimal) options.Hexadecimal = true;
  options.FileName = o.Out;
  options.NowEpochNs = NowEpochNs();
  std::unique_ptr<TLogWriter> writer = MakeLogWriter(*o.To, *sink, options);
  uint64_t otherDirection = 0;
  for (; have; have = reader->Next(m)) {
    if (!(m.Tx() ? o.Tx : o.Rx)) {
      ++otherDirection;
      continue;
    }
    writer->LearnChannelNames(reader->Info().ChannelNames);
    writer->Write(m);
  }
  PrintReadReport(o.In, *reader);
  if (ReadingFailed(o.In, *reader)) return ExitFailed;  // the output is not put in place
  std::error_code sizeError;
  if (reader->Report().Messages == 0 && o.In != "-" && std::filesystem::file_size(o.In, sizeError) == 0 && !sizeError) {
    Complain(o.In, "it is empty; nothing is written");
    return ExitFailed;
  }
  writer->Finish();
  if (!sink->Finish(error)) {
    Complain(o.Out, error);
    return ExitFailed;
  }
  const TLogWriteReport& r = writer->Report();
  std::FILE* out = SummaryStream(o);
  std::fprintf(out, "%s: %" PRIu64 " messages written\n", o.Out == "-" ? "standard output" : o.Out.c_str(),
               r.Written - r.BusEvents);
  if (r.BusEvents) std::fprintf(out, "%" PRIu64 " bus events written\n", r.BusEvents);
  if (otherDirection)
    std::fprintf(out, "%" PRIu64 " messages of the direction not chosen left out\n", otherDirection);
  PrintWriteReport(o.Out == "-" ? "standard output" : o.Out, r);
  if (writer->StartUnknown() && *o.To != LOG_FORMAT_CANDUMP)
    Complain(o.In, "its date cannot be read; today's is written");
  if (writer->StartUnknown() && *o.To == LOG_FORMAT_CANDUMP)
    Complain(o.In, "its date cannot be read; the times count from 1970-01-01 00:00:00 UTC");
  if (import && r.Written > ReplayBufferMessages)
    std::fprintf(out, "the program's replay takes the first %" PRIu64 " messages of it\n", ReplayBufferMessages);
  return ExitOk;
}

}  // namespace

int ConvertCommand(int argc, char** argv) {
  TConvertOptions o;
  if (const std::optional<int> code = Options(argc, argv, false, o)) return *code;
  return Run(o, false);
}

int ImportCommand(int argc, char** argv) {
  TConvertOptions o;
  if (const std::optional<int> code = Options(argc, argv, true, o)) return *code;
  return Run(o, true);
}

}  // namespace tarvo
