// tarvo-log count: reads a log whole, streaming, and says what it holds.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <set>

#include "logio/tool/ToolSupport.h"

namespace tarvo {

namespace {

struct TCounts {
  uint64_t Messages = 0, Remote = 0, Errors = 0, Fd = 0, Events = 0, Tx = 0;
  std::set<uint16_t> Channels;
  int64_t First = 0, Last = 0;
};

void Add(TCounts& c, const TLogMessage& m) {
  if (c.Messages == 0) c.First = m.Time;
  c.Last = m.Time;
  ++c.Messages;
  c.Remote += m.Remote();
  c.Errors += m.ErrorFrame();
  c.Fd += m.Fd() && !m.ErrorFrame();
  c.Events += m.Event != LOG_FRAME;
  c.Tx += m.Tx();
  if (c.Channels.size() < 4096) c.Channels.insert(m.Channel);
}

}  // namespace

int CountCommand(int argc, char** argv) {
  TToolArgs args;
  if (!args.Parse(argc, argv, {"--rx", "--tx"}, {"--type"})) return UsageError("count", args.Error());
  if (args.Help()) {
    std::fputs(CountUsage, stdout);
    return ExitOk;
  }
  if (args.Files().size() != 1) return UsageError("count", "give one log");
  int code = ExitOk;
  std::optional<TLogFormat> type;
  if (!FormatOption(args, "--type", "count", type, code)) return code;
  const std::string& path = args.Files()[0];
  const bool rx = args.Has("--rx") || !args.Has("--tx"), tx = args.Has("--tx") || !args.Has("--rx");

  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<TLogReader> reader = OpenForReading(path, type);
  if (!reader) return ExitFailed;
  TCounts counts;
  TLogMessage m;
  while (reader->Next(m))
    if (m.Tx() ? tx : rx) Add(counts, m);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  PrintReadReport(path, *reader);
  if (ReadingFailed(path, *reader)) return ExitFailed;

  const TLogInfo& info = reader->Info();
  const TLogFormat f = info.Format;
  const bool based = f == LOG_FORMAT_TXT || f == LOG_FORMAT_CSV || f == LOG_FORMAT_ASC;
  std::printf("%s: %" PRIu64 " messages, %s%s, read in %.3f s\n", ShownName(path).c_str(), counts.Messages,
              based ? (info.Hexadecimal ? "hexadecimal, " : "decimal, ") : "", LogFormatName(f), seconds);
  std::printf("  %" PRIu64 " sent, %" PRIu64 " remote, %" PRIu64 " error frames, %" PRIu64 " CAN FD, %" PRIu64
              " bus-state events; %zu channels\n",
              counts.Tx, counts.Remote, counts.Errors, counts.Fd, counts.Events, counts.Channels.size());
  if (counts.Messages) {
    char first[32], last[32];
    *WriteSeconds(first, counts.First, 6) = 0;
    *WriteSeconds(last, counts.Last, 6) = 0;
    std::printf("  times from %s s to %s s\n", first, last);
  }
  return ExitOk;
}

}  // namespace tarvo
