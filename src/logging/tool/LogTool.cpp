// tarvo-log: Tarvo's log files on the command line.
//
//   tarvo-log count FILE [--type txt|csv|asc] [--rx] [--tx]
//       reads FILE as the program's replay does and prints how many messages
//       it holds and how long reading took
//   tarvo-log convert IN OUT [--type ...] [--to txt|csv|asc|candump] [--base hex|dec] [--rx] [--tx]
//       rewrites a Tarvo log in another of the three formats, or as a
//       candump .log for can-utils
//   tarvo-log import IN OUT [--from candump|asc] [--to txt|csv|asc] [--base hex|dec]
//       brings a candump log or an ASC file of another writer into a Tarvo
//       format, so that the program can replay it
//   tarvo-log decode LOG --dbc DB [--signal NAME...] [--wide] [--out FILE]
//       writes the decoded signals of a log as CSV
//   tarvo-log plot LOG --dbc DB --signal NAME [--signal NAME...] --png OUT [--size WxH]
//       draws the decoded signals of a log as the program's signal plot does
//
// The type of a file comes from its extension unless given (.log is a
// candump log). --rx and --tx choose the directions (both when neither is
// given). Reading uses the program's own reader and writing the recorder's
// own line formats, so what the tool accepts and writes is what the program
// replays and records.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ReplacingFile.h"
#include "common/TimeUnits.h"
#include "logging/LogBuffer.h"
#include "logging/LogLines.h"
#include "logging/LogTypes.h"
#include "logging/ReplayParser.h"
#include "logging/tool/ForeignLogs.h"
#include "logging/tool/LogFileNames.h"
#include "logging/tool/LogDecode.h"
#include "logging/tool/LogPlot.h"

namespace tarvo {
namespace {

constexpr const char* Usage =
    "usage: tarvo-log count FILE [--type txt|csv|asc] [--rx] [--tx]\n"
    "       tarvo-log convert IN OUT [--type txt|csv|asc] [--to txt|csv|asc|candump] [--base hex|dec] [--rx] [--tx]\n"
    "       tarvo-log import IN OUT [--from candump|asc] [--to txt|csv|asc] [--base hex|dec]\n"
    "       tarvo-log decode LOG --dbc DB [--signal NAME...] [--wide] [--out FILE]\n"
    "       tarvo-log plot LOG --dbc DB --signal NAME [--signal NAME...] --png OUT [--size WxH]\n";

struct TOptions {
  std::string Command;
  std::vector<std::string> Files;
  std::optional<TLogFileType> Type, To;
  bool ToCandump = false;  // convert: a candump .log
  std::string From;
  std::optional<bool> Hexadecimal;
  bool Rx = false, Tx = false;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ParseArguments(int argc, char** argv, TOptions& o) {
  if (argc < 2) return false;
  o.Command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string_view a = argv[i];
    const auto value = [&]() -> std::string_view { return i + 1 < argc ? std::string_view(argv[++i]) : ""; };
    if (a == "--type") {
      if (!(o.Type = LogFileTypeFromText(value()))) return false;
    } else if (a == "--to") {
      const std::string_view to = value();
      o.ToCandump = to == "candump";
      if (!o.ToCandump && !(o.To = LogFileTypeFromText(to))) return false;
    } else if (a == "--from") {
      o.From = value();
      if (o.From != "candump" && o.From != "asc") return false;
    } else if (a == "--base") {
      const std::string_view b = value();
      if (b != "hex" && b != "dec") return false;
      o.Hexadecimal = b == "hex";
    } else if (a == "--rx") {
      o.Rx = true;
    } else if (a == "--tx") {
      o.Tx = true;
    } else if (a.starts_with("--")) {
      return false;
    } else {
      o.Files.emplace_back(a);
    }
  }
  if (!o.Rx && !o.Tx) o.Rx = o.Tx = true;
  const size_t files = o.Command == "count" ? 1 : 2;
  return (o.Command == "count" || o.Command == "convert" || o.Command == "import") && o.Files.size() == files;
}

// The type given, else the one of the extension.
bool FileType(const std::optional<TLogFileType>& given, const std::string& path, TLogFileType& type) {
  if (given) {
    type = *given;
    return true;
  }
  const std::optional<TLogFileType> t = LogFileTypeFromText(FileExtension(path));
  if (!t) {
    std::fprintf(stderr, "tarvo-log: %s: cannot tell the format from the name; give --type or --to\n", path.c_str());
    return false;
  }
  type = *t;
  return true;
}

const char* StatusText(TReplayParseStatus s) {
  switch (s) {
    case PARSE_FORMAT_INVALID: return "Log file format invalid.";
    case PARSE_ERROR: return "Log file error!";
    case PARSE_IO_ERROR: return "Log file I/O error!";
    default: return "";
  }
}

// ---- Reading a Tarvo log ----------------------------------------------------------

struct TLoaded {
  TReplayParseResult Result;
  std::unique_ptr<TTarvoCAN[]> Messages;
  std::unique_ptr<uint8_t[]> Directions;
  double Seconds = 0;
};

bool Load(const std::string& path, TLogFileType type, const TOptions& o, TLoaded& loaded) {
  TReplayParseOptions options;
  options.FileType = type;
  options.ReplayRx = o.Rx;
  options.ReplayTx = o.Tx;
  options.MinimumGap = 0;
  loaded.Messages = std::make_unique<TTarvoCAN[]>(size_t(MaxLogMessages));
  loaded.Directions = std::make_unique<uint8_t[]>(size_t(MaxLogMessages));
  const auto start = std::chrono::steady_clock::now();
  loaded.Result = ParseReplayLogFile(path, options, std::span(loaded.Messages.get(), size_t(MaxLogMessages)),
                                     std::span(loaded.Directions.get(), size_t(MaxLogMessages)));
  loaded.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (loaded.Result.Status == PARSE_VALID) return true;
  if (loaded.Result.LineNo)
    std::fprintf(stderr, "tarvo-log: %s: line %llu: %s (%s)\n", path.c_str(),
                 (unsigned long long)loaded.Result.LineNo, loaded.Result.Reason, StatusText(loaded.Result.Status));
  else
    std::fprintf(stderr, "tarvo-log: %s: %s (%s)\n", path.c_str(), loaded.Result.Reason,
                 StatusText(loaded.Result.Status));
  return false;
}

int Count(const TOptions& o) {
  TLogFileType type;
  if (!FileType(o.Type, o.Files[0], type)) return 2;
  TLoaded loaded;
  if (!Load(o.Files[0], type, o, loaded)) return 1;
  std::printf("%s: %d messages, %s, read in %.3f s\n", o.Files[0].c_str(), loaded.Result.NoOfMessages,
              loaded.Result.NumericBase ? "hexadecimal" : "decimal", loaded.Seconds);
  if (loaded.Result.NoOfMessages == MaxLogMessages)
    std::printf("this is the replay buffer's limit of %d messages: any later lines are not read\n", MaxLogMessages);
  return 0;
}

// ---- Writing a Tarvo log ----------------------------------------------------------

// The header's time and date texts of a moment.
TLogHeaderClock ClockOf(const std::tm& t) {
  char time[32], date[32], day[8], month[8];
  std::strftime(time, sizeof time, "%H:%M:%S", &t);
  std::strftime(date, sizeof date, "%Y-%m-%d", &t);
  std::strftime(day, sizeof day, "%a", &t);
  std::strftime(month, sizeof month, "%b", &t);
  char asc[64];
  std::snprintf(asc, sizeof asc, "%s %s %02d %d:%d:%d %04d", day, month, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                t.tm_year + 1900);
  return TLogHeaderClock{time, date, asc};
}

TLogHeaderClock ClockOfSeconds(std::time_t seconds) {
  std::tm t{};
  localtime_r(&seconds, &t);
  return ClockOf(t);
}

TLogHeaderClock HeaderClock() { return ClockOfSeconds(std::time(nullptr)); }

// The moment of an ASC "date" line ("date Fri Jul 10 06:17:32 2015",
// "date Thu Dec 10 01:31:14.287 AM 2026"); none when it cannot be read.
std::optional<std::tm> AscDate(std::string_view line) {
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm t{};
  int found = 0;  // month, day, time, year
  bool pm = false, am = false;
  std::string words(line);
  for (char* save = nullptr, *w = strtok_r(words.data(), " \t", &save); w; w = strtok_r(nullptr, " \t", &save)) {
    const std::string_view word(w);
    for (int m = 0; m < 12; ++m)
      if (word == months[m]) t.tm_mon = m, found |= 1;
    int h = 0, mi = 0, sec = 0;
    if (word.find(':') != std::string_view::npos && std::sscanf(w, "%d:%d:%d", &h, &mi, &sec) == 3)
      t.tm_hour = h, t.tm_min = mi, t.tm_sec = sec, found |= 4;
    else if (word == "PM") pm = true;
    else if (word == "AM") am = true;
    else if (word.size() == 4 && std::isdigit(static_cast<unsigned char>(w[0]))) t.tm_year = std::atoi(w) - 1900, found |= 8;
    else if (word.size() <= 2 && std::isdigit(static_cast<unsigned char>(w[0])) && (found & 1) && !(found & 2))
      t.tm_mday = std::atoi(w), found |= 2;
  }
  if (found != 15) return std::nullopt;
  if (pm && t.tm_hour < 12) t.tm_hour += 12;
  if (am && t.tm_hour == 12) t.tm_hour = 0;
  std::tm normal = t;
  normal.tm_isdst = -1;
  std::mktime(&normal);  // fills in the day of the week
  t.tm_wday = normal.tm_wday;
  return t;
}

// A Tarvo log being written: header, one line per message, and the empty
// line that ends the messages. The tool writes no footer: it would report a
// bit timing and an adapter the tool knows nothing of. The lines go into a
// temporary file beside the output, which replaces it only when everything
// was read and written: a failed run never leaves the output truncated.
class TLogWriter {
 public:
  TLogWriter(const std::string& path, TLogFileType type, bool hexadecimal,
             const TLogHeaderClock& clock = HeaderClock())
      : m_path(path), m_file(path) {
    m_format.FileType = type;
    m_format.Hexadecimal = hexadecimal;
    if (!m_file.Opened()) return;
    std::setvbuf(m_file.File(), nullptr, _IOFBF, 1 << 20);
    Put(LogHeader(m_format, BaseName(path), clock));
  }
  bool Opened() const { return m_file.Opened(); }
  const std::string& Error() const { return m_file.Error(); }

  // A bus event (1 error frame, 2 active, 3 passive, 4 bus off); false when
  // the format has no line for it (ASC has error frames only).
  bool BusEvent(int32_t event, uint32_t ticks) {
    if (m_format.FileType == ASC_FILE && event != 1) return false;
    char line[TLogBuffer::MaxLineLength];
    size_t n = FormatBusEventLine(m_format, event, ticks, line);
    if (n == 0) return false;
    line[n++] = '\r';
    line[n++] = '\n';
    m_file.Write(line, n);
    return true;
  }

  void Message(const TTarvoCAN& m, uint8_t direction) {
    char line[TLogBuffer::MaxLineLength];
    // Transmitted lines carry the time in milliseconds, as the recorder's do.
    size_t n = direction == REPLAY_DIRECTION_TX
                   ? FormatTransmitLine(m_format, m.IDE, m.ID, m.RTR, m.DLC, m.Data, uint32_t(TicksToMs(m.TimeStamp)),
                                        line)
                   : FormatReceiveLine(m_format, m, 0, 0, line);
    line[n++] = '\r';
    line[n++] = '\n';
    m_file.Write(line, n);
  }

  // Puts the file in place of the output; false (with a message) when not
  // every byte reached the disk.
  bool Finish() {
    Put("\r\n");
    if (m_file.Commit()) return true;
    std::fprintf(stderr, "tarvo-log: %s: %s\n", m_path.c_str(), m_file.Error().c_str());
    return false;
  }

 private:
  void Put(std::string_view text) { m_file.Write(text.data(), text.size()); }
  std::string m_path;
  TLogLineFormat m_format;
  TReplacingFile m_file;
};

bool OpenWriter(const std::unique_ptr<TLogWriter>& w, const std::string& path) {
  if (w->Opened()) return true;
  std::fprintf(stderr, "tarvo-log: %s: %s\n", path.c_str(), w->Error().c_str());
  return false;
}

// Reading and writing one file at once would destroy it: refused, also when
// the two names reach the same file through links.
bool DistinctFiles(const std::string& in, const std::string& out) {
  if (!SameFile(in, out)) return true;
  std::fprintf(stderr, "tarvo-log: %s and %s are the same file; give another output\n", in.c_str(), out.c_str());
  return false;
}

// Nothing left out in silence: the status, bus-event, error and bus-load
// lines (and those of a direction not chosen) are counted.
void ReportLeftOut(const TReplayParseResult& r) {
  if (r.LeftOut)
    std::printf("%llu lines that are not messages of the chosen directions (status, bus events, error frames "
                "and counters, bus load) not converted\n",
                (unsigned long long)r.LeftOut);
}

// A candump log, as can-utils' canplayer and cansniffer read it: one frame
// a line, "(seconds) can0 ID#DATA", the identifier in three hex digits for
// 11 bits and eight for 29, a remote frame as "ID#R" and its length.
int ConvertToCandump(const TOptions& o, TLogFileType in) {
  if (!DistinctFiles(o.Files[0], o.Files[1])) return 2;
  TLoaded loaded;
  if (!Load(o.Files[0], in, o, loaded)) return 1;
  TReplacingFile file(o.Files[1]);
  if (!file.Opened()) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", o.Files[1].c_str(), file.Error().c_str());
    return 1;
  }
  char line[96];
  for (int32_t i = 0; i < loaded.Result.NoOfMessages; ++i) {
    const TTarvoCAN& m = loaded.Messages[size_t(i)];
    int n = std::snprintf(line, sizeof line, "(%.6f) can0 %0*X#", double(m.TimeStamp) / 39062.5, m.IDE ? 8 : 3, m.ID);
    const int dlc = std::min<int>(m.DLC, 8);
    if (m.RTR) {
      n += std::snprintf(line + n, sizeof line - size_t(n), dlc ? "R%d" : "R", dlc);
    } else {
      for (int b = 0; b < dlc; ++b) n += std::snprintf(line + n, sizeof line - size_t(n), "%02X", m.Data[b]);
    }
    line[n++] = '\n';
    file.Write(line, size_t(n));
  }
  if (!file.Commit()) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", o.Files[1].c_str(), file.Error().c_str());
    return 1;
  }
  std::printf("%s: %d messages written\n", o.Files[1].c_str(), loaded.Result.NoOfMessages);
  ReportLeftOut(loaded.Result);
  return 0;
}

// The clock of a Tarvo log's header: from ASC's date line, or the time and
// date texts of TXT's and CSV's second line as they stand (when the target
// is ASC, that date must read as year-month-day or day.month.year).
std::optional<TLogHeaderClock> SourceClock(const TReplayParseResult& r, TLogFileType in, TLogFileType out) {
  if (in == ASC_FILE) {
    const std::optional<std::tm> t = AscDate(r.DateLine);
    return t ? std::optional<TLogHeaderClock>(ClockOf(*t)) : std::nullopt;
  }
  const size_t from = r.DateLine.find(" - "), to = r.DateLine.rfind(" - ");
  if (from == std::string::npos || to <= from) return std::nullopt;
  const std::string middle = r.DateLine.substr(from + 3, to - from - 3);
  const size_t space = middle.find(' ');
  if (space == std::string::npos) return std::nullopt;
  TLogHeaderClock clock{middle.substr(0, space), middle.substr(space + 1), ""};
  if (out != ASC_FILE) return clock;
  std::tm t{};
  int h = 0, mi = 0, sec = 0;
  if (std::sscanf(clock.LongTime.c_str(), "%d:%d:%d", &h, &mi, &sec) != 3) return std::nullopt;
  int a = 0, b = 0, c = 0;
  if (std::sscanf(clock.ShortDate.c_str(), "%d-%d-%d", &a, &b, &c) == 3 && a > 31) t.tm_year = a - 1900, t.tm_mon = b - 1, t.tm_mday = c;
  else if (std::sscanf(clock.ShortDate.c_str(), "%d.%d.%d", &a, &b, &c) == 3) t.tm_mday = a, t.tm_mon = b - 1, t.tm_year = c - 1900;
  else return std::nullopt;
  t.tm_hour = h;
  t.tm_min = mi;
  t.tm_sec = sec;
  std::tm normal = t;
  normal.tm_isdst = -1;
  std::mktime(&normal);
  t.tm_wday = normal.tm_wday;
  return ClockOf(t);
}

// The bus events of a Tarvo log (error frames, active, passive, bus off)
// with their times, in file order: the replay's reader leaves them out.
struct TBusEvent {
  uint32_t Ticks;
  int32_t Event;
};

std::vector<TBusEvent> ReadBusEvents(const std::string& path, TLogFileType type) {
  std::vector<TBusEvent> events;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  static const char* const codes[] = {"EF", "BA", "BP", "BO"};
  for (uint64_t lineNo = 1; std::getline(in, line) && line.size() < 4096; ++lineNo) {
    if (lineNo <= 5) continue;  // the header
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string_view text = line;
    std::string_view timeText;
    int32_t event = 0;
    if (type == ASC_FILE) {
      if (text.find("ErrorFrame") == std::string_view::npos) continue;
      while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
      timeText = text.substr(0, text.find(' '));
      event = 1;
    } else {
      for (int e = 0; e < 4; ++e)
        if (text.starts_with(codes[e])) event = e + 1;
      if (event == 0) continue;
      text.remove_prefix(2);
      while (!text.empty() && (text.front() == ' ' || text.front() == ',' || text.front() == '!')) text.remove_prefix(1);
      timeText = text.substr(0, text.find_first_of(" ,"));
    }
    uint32_t ticks = 0;
    if (TimeTextToTicks(timeText, ticks) == 0) events.push_back({ticks, event});
  }
  return events;
}

int Convert(const TOptions& o) {
  TLogFileType in, out;
  if (!FileType(o.Type, o.Files[0], in)) return 2;
  if (o.ToCandump || (!o.To && FileExtension(o.Files[1]) == "log")) return ConvertToCandump(o, in);
  if (!FileType(o.To, o.Files[1], out)) return 2;
  if (!DistinctFiles(o.Files[0], o.Files[1])) return 2;
  TLoaded loaded;
  if (!Load(o.Files[0], in, o, loaded)) return 1;
  const bool hex = o.Hexadecimal.value_or(loaded.Result.NumericBase != 0);
  // The converted file keeps the source's date; today's only when the
  // source's cannot be read (and that is said).
  std::optional<TLogHeaderClock> clock = SourceClock(loaded.Result, in, out);
  if (!clock) std::fprintf(stderr, "tarvo-log: %s: its date cannot be read; today's is written\n", o.Files[0].c_str());
  auto writer = std::make_unique<TLogWriter>(o.Files[1], out, hex, clock.value_or(HeaderClock()));
  if (!OpenWriter(writer, o.Files[1])) return 1;
  // Bus events go along where the target has a line for them, in time
  // order among the messages.
  const std::vector<TBusEvent> events = ReadBusEvents(o.Files[0], in);
  size_t next = 0;
  uint64_t carried = 0;
  const auto eventsUpTo = [&](uint64_t ticks) {
    for (; next < events.size() && events[next].Ticks <= ticks; ++next)
      if (writer->BusEvent(events[next].Event, events[next].Ticks)) ++carried;
  };
  for (int32_t i = 0; i < loaded.Result.NoOfMessages; ++i) {
    eventsUpTo(loaded.Messages[size_t(i)].TimeStamp);
    writer->Message(loaded.Messages[size_t(i)], loaded.Directions[size_t(i)]);
  }
  eventsUpTo(UINT64_MAX);
  if (!writer->Finish()) return 1;
  std::printf("%s: %d messages written\n", o.Files[1].c_str(), loaded.Result.NoOfMessages);
  if (carried) std::printf("%llu bus events written\n", (unsigned long long)carried);
  TReplayParseResult rest = loaded.Result;
  rest.LeftOut -= std::min<uint64_t>(rest.LeftOut, carried);
  ReportLeftOut(rest);
  return 0;
}

// ---- Importing a foreign log --------------------------------------------------------

struct TImportCounts {
  uint64_t Messages = 0, ErrorFrames = 0, FdFrames = 0, Invalid = 0, BeyondRange = 0, BeyondBuffer = 0;
  uint64_t FirstInvalidLine = 0;
};

int Import(const TOptions& o) {
  const std::string& inPath = o.Files[0];
  const bool candump = o.From.empty() ? FileExtension(inPath) == "log" : o.From == "candump";
  if (o.From.empty() && !candump && FileExtension(inPath) != "asc") {
    std::fprintf(stderr, "tarvo-log: %s: cannot tell the format from the name; give --from\n", inPath.c_str());
    return 2;
  }
  TLogFileType out;
  if (!FileType(o.To, o.Files[1], out)) return 2;
  if (!DistinctFiles(inPath, o.Files[1])) return 2;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(inPath.c_str(), "rb"), &std::fclose);
  if (!in) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", inPath.c_str(), std::strerror(errno));
    return 1;
  }
  TImportCounts counts;
  TForeignAscReader asc;
  // The output keeps the source's date: a candump log's first frame, an ASC
  // file's "date" line; today's only when the source has none.
  std::unique_ptr<TLogWriter> writer;
  bool writerFailed = false;
  const auto openWriter = [&](std::optional<int64_t> epochMicroseconds) {
    TLogHeaderClock clock = HeaderClock();
    if (epochMicroseconds) clock = ClockOfSeconds(std::time_t(*epochMicroseconds / 1000000));
    else if (const std::optional<std::tm> date = AscDate(asc.DateLine())) clock = ClockOf(*date);
    else std::fprintf(stderr, "tarvo-log: %s: its date cannot be read; today's is written\n", inPath.c_str());
    writer = std::make_unique<TLogWriter>(o.Files[1], out, o.Hexadecimal.value_or(true), clock);
    writerFailed = !OpenWriter(writer, o.Files[1]);
  };
  TForeignMessage fm;
  std::optional<int64_t> firstMicroseconds;
  std::string line;
  std::vector<char> chunk(1 << 20);
  uint64_t lineNo = 0;
  const auto handle = [&](std::string_view text) {
    ++lineNo;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const TForeignLine kind = candump ? ReadCandumpLine(text, fm) : asc.Line(text, fm);
    switch (kind) {
      case FOREIGN_NO_MESSAGE: return;
      case FOREIGN_ERROR_FRAME: ++counts.ErrorFrames; return;
      case FOREIGN_FD_FRAME: ++counts.FdFrames; return;
      case FOREIGN_INVALID:
        if (!counts.Invalid++) counts.FirstInvalidLine = lineNo;
        return;
      case FOREIGN_MESSAGE: break;
    }
    if ((fm.Direction == 0 && !o.Rx) || (fm.Direction == 1 && !o.Tx)) return;
    // candump times are since 1970: the log starts at its first frame.
    if (!firstMicroseconds) firstMicroseconds = candump ? fm.Microseconds : 0;
    const int64_t us = fm.Microseconds - *firstMicroseconds;
    // ticks = us * 39062.5 / 10^6 = us * 5 / 128, nearest, halves to even
    int64_t ticks = us >= 0 ? us * 5 / 128 : -1;
    if (us >= 0) {
      const int64_t r = us * 5 % 128;
      if (r > 64 || (r == 64 && (ticks & 1))) ++ticks;
    }
    if (ticks < 0 || ticks > int64_t(UINT32_MAX)) {
      ++counts.BeyondRange;
      return;
    }
    if (counts.Messages >= uint64_t(MaxLogMessages)) {
      ++counts.BeyondBuffer;
      return;
    }
    fm.Message.TimeStamp = uint32_t(ticks);
    if (!writer) openWriter(candump ? std::optional<int64_t>(*firstMicroseconds) : std::nullopt);
    if (writerFailed) return;
    writer->Message(fm.Message, fm.Direction);
    ++counts.Messages;
  };
  size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), in.get())) > 0) {
    std::string_view data(chunk.data(), got);
    size_t nl;
    while ((nl = data.find('\n')) != std::string_view::npos) {
      if (line.empty()) {
        handle(data.substr(0, nl));
      } else {
        line.append(data.substr(0, nl));
        handle(line);
        line.clear();
      }
      data.remove_prefix(nl + 1);
    }
    // The same bound as the reader of Tarvo logs: a file without line ends
    // (a device, a binary file) must not take all the memory.
    if (line.size() + data.size() > MaxLogLineBytes) {
      std::fprintf(stderr, "tarvo-log: %s: line %llu: line longer than 64 MiB\n", inPath.c_str(),
                   (unsigned long long)(lineNo + 1));
      return 1;
    }
    line.append(data);
  }
  if (std::ferror(in.get())) {
    std::fprintf(stderr, "tarvo-log: %s: %s\n", inPath.c_str(), std::strerror(errno));
    return 1;
  }
  if (!line.empty()) handle(line);
  if (!writer) openWriter(std::nullopt);
  if (writerFailed || !writer->Finish()) return 1;

  std::printf("%s: %llu messages written\n", o.Files[1].c_str(), (unsigned long long)counts.Messages);
  // Nothing left out in silence.
  if (counts.ErrorFrames) std::printf("%llu error frames not imported\n", (unsigned long long)counts.ErrorFrames);
  if (counts.FdFrames) std::printf("%llu CAN FD frames not imported\n", (unsigned long long)counts.FdFrames);
  if (counts.Invalid)
    std::printf("%llu lines not understood, the first is line %llu\n", (unsigned long long)counts.Invalid,
                (unsigned long long)counts.FirstInvalidLine);
  if (counts.BeyondRange)
    std::printf("%llu frames beyond the 32-bit time stamps (30.5 hours) not imported\n",
                (unsigned long long)counts.BeyondRange);
  if (counts.BeyondBuffer)
    std::printf("%llu frames beyond the replay buffer's %d not imported\n", (unsigned long long)counts.BeyondBuffer,
                MaxLogMessages);
  return 0;
}

}  // namespace
}  // namespace tarvo

int main(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "decode") return tarvo::DecodeCommand(argc, argv);
  if (argc >= 2 && std::string_view(argv[1]) == "plot") {
#ifdef TARVO_LOG_PLOT
    return tarvo::PlotCommand(argc, argv);
#else
    std::fputs("tarvo-log: this build has no plot (it was built without Qt)\n", stderr);
    return 2;
#endif
  }
  tarvo::TOptions options;
  if (!tarvo::ParseArguments(argc, argv, options)) {
    std::fputs(tarvo::Usage, stderr);
    return 2;
  }
  if (options.Command == "count") return tarvo::Count(options);
  if (options.Command == "convert") return tarvo::Convert(options);
  return tarvo::Import(options);
}
