// Tarvo's own TXT and CSV logs, read as the recorder writes them: a
// five-line header (rule, "name - time date - Decimal|Hexadecimal", rule,
// empty line, column titles), message and status lines, an empty line and
// the footer, which begins with the rule again. Worked lines:
//
//   TXT  |RD11  1.2500       291        1    65   255  |
//   TXT  |RR29 !1.2500       12345      ?    ?   |
//   CSV  |RD11,1.2500,291,1,65,255|        |TD11,2.5000,7FF,31,32,,,,,,,12|
//   both |EF    2.5000     |  |BA,2.5000|  error frame, bus active (BP, BO)
//   both |RE    2.5000       Count      5  |  status, counters, bus load and
//        message-missing lines (RE, TE, ST, BL, MM): counted, they hold no frame
//
// The fields are split as the replay's reader splits them (TXT cut to its
// first 68 characters, before the optional ASCII, COUNT and PERIOD columns;
// CSV data up to the first empty field), but a line that cannot be read is
// counted and passed over instead of ending the reading, and times are kept
// exactly as written (four decimals, as nanoseconds).
#include <cstring>
#include <string>

#include "common/FilePaths.h"
#include "logging/LogLines.h"
#include "logio/LogDates.h"
#include "logio/LogFormats.h"
#include "logio/TextFields.h"

namespace tarvo {

namespace {

bool IsRule(std::string_view line) {
  size_t tildes = 0;
  for (char c : line)
    if (c == '~' && ++tildes >= 10) return true;
  return false;
}

// CSV fields: "," separates, blanks around a field do not belong to it,
// and a field in double quotes runs to its closing quote ("" inside it).
template <size_t N>
size_t CsvFields(std::string_view line, std::array<std::string_view, N>& fields) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  size_t count = 0, p = 0;
  for (;;) {
    while (p < line.size() && blank(line[p])) ++p;
    const size_t start = p;
    bool quoted = false;
    while (p < line.size() && (quoted || line[p] != ',')) {
      if (line[p] == '"') quoted = !quoted;
      ++p;
    }
    size_t end = p;
    while (end > start && blank(line[end - 1])) --end;
    if (count < N) fields[count] = line.substr(start, end - start);
    ++count;
    if (p >= line.size()) return count;
    ++p;  // the ","
  }
}

class TTarvoReader : public TLogReader {
 public:
  TTarvoReader(std::unique_ptr<TByteSource> source, TLogFormat format)
      : source_(std::move(source)), lines_(*source_), csv_(format == LOG_FORMAT_CSV) {
    info_.Format = format;
  }

  bool Next(TLogMessage& m) override {
    std::string_view line;
    while (!footer_ && lines_.Next(line)) {
      for (uint64_t n = lines_.TakeOverlong(); n > 0; --n) report_.Skip(SKIP_TOO_LONG, lines_.FirstOverlongLine());
      if (lines_.LineNo() <= 5) {
        if (!Header(line)) return false;
        continue;
      }
      if (IsRule(line)) {
        footer_ = true;  // the footer's key would read as lines ("EF = Error Frame")
        break;
      }
      if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
      const TLogSkip skip = csv_ ? CsvLine(line, m) : TxtLine(line, m);
      if (skip == SKIP_REASONS) {
        Counted(m);
        return true;
      }
      report_.Skip(skip, lines_.LineNo());
    }
    if (!source_->Error().empty()) error_ = source_->Error();
    return false;
  }

 private:
  // A header that is not Tarvo's ends the reading with the reason: the
  // lines after it would not be Tarvo's either.
  bool Header(std::string_view line) {
    const uint64_t n = lines_.LineNo();
    if ((n == 1 || n == 3) && !IsRule(line)) return Refuse("header line " + std::to_string(n) + " lacks ten \"~\"");
    if (n == 5 && (line.find("TYPE") == std::string_view::npos || line.find("TIME") == std::string_view::npos))
      return Refuse("header line 5 lacks the column titles TYPE and TIME");
    if (n != 2) return true;
    info_.Hexadecimal = line.find("- Decimal") == std::string_view::npos;
    // "name - 14:24:08 2026-12-11 - Hexadecimal": the time and date between
    // the first and the last " - ".
    const size_t from = line.find(" - "), to = line.rfind(" - ");
    if (from == std::string_view::npos || to <= from) return true;
    const std::string_view middle = line.substr(from + 3, to - from - 3);
    const size_t space = middle.find(' ');
    if (space == std::string_view::npos) return true;
    info_.HeaderTime = std::string(middle.substr(0, space));
    info_.HeaderDate = std::string(middle.substr(space + 1));
    info_.DateText = std::string(middle);
    info_.StartEpochNs = ParseTarvoHeaderClock(info_.HeaderTime, info_.HeaderDate);
    return true;
  }

  bool Refuse(const std::string& reason) {
    error_ = std::string("not a ") + LogFormatName(info_.Format) + " log: " + reason;
    footer_ = true;
    return false;
  }

  // The type field: "RD11", "TR29", "EF", "BA", ...; SKIP_REASONS when it
  // names a frame or bus event (m's kind set), else why not.
  static TLogSkip Type(std::string_view type, TLogMessage& m) {
    if (type.size() == 2) {
      static const char* const events[] = {"EF", "BA", "BP", "BO"};
      for (int e = 0; e < 4; ++e)
        if (type == events[e]) {
          if (e == 0) m.Flags |= LOG_ERROR_FRAME;
          else m.Event = uint8_t(e + 1);
          return SKIP_REASONS;
        }
      if (type == "RE" || type == "TE" || type == "ST" || type == "BL" || type == "MM") return SKIP_STATUS;
      return SKIP_NOT_UNDERSTOOD;
    }
    if (type.size() != 4 || (type[0] != 'R' && type[0] != 'T') || (type[1] != 'D' && type[1] != 'R'))
      return type.starts_with("Warning") ? SKIP_STATUS : SKIP_NOT_UNDERSTOOD;
    if (type.substr(2) == "29") m.Flags |= LOG_EXTENDED;
    else if (type.substr(2) != "11") return SKIP_NOT_UNDERSTOOD;
    if (type[0] == 'T') m.Flags |= LOG_TX;
    if (type[1] == 'R') m.Flags |= LOG_REMOTE;
    return SKIP_REASONS;
  }

  TLogSkip Time(std::string_view text, TLogMessage& m) const {
    if (text.starts_with('!')) text.remove_prefix(1);
    return ReadSeconds(text, m.Time) ? SKIP_REASONS : SKIP_TIME;
  }

  // type, time, identifier, then n data fields.
  template <size_t N>
  TLogSkip Message(const std::array<std::string_view, N>& f, size_t n, TLogMessage& m) const {
    if (const TLogSkip s = Type(f[0], m); s != SKIP_REASONS) return s;
    if (const TLogSkip s = Time(f[1], m); s != SKIP_REASONS) return s;
    if (m.Event != LOG_FRAME || m.ErrorFrame()) return SKIP_REASONS;
    uint32_t id = 0;
    if (!Number(f[2], info_.Hexadecimal, id) || id > (m.Extended() ? 0x1FFFFFFFu : 0x7FFu)) return SKIP_IDENTIFIER;
    m.ID = id;
    if (n > 8) return SKIP_DATA;
    m.DLC = uint8_t(n);
    if (m.Remote()) return SKIP_REASONS;
    for (size_t i = 0; i < n; ++i) {
      uint32_t b = 0;
      if (!Number(f[3 + i], info_.Hexadecimal, b) || b > 255) return SKIP_DATA;
      m.Data[i] = uint8_t(b);
    }
    m.Length = uint8_t(n);
    return SKIP_REASONS;
  }

  TLogSkip TxtLine(std::string_view line, TLogMessage& m) const {
    std::array<std::string_view, 16> f;
    const size_t count = std::min(Words(line.substr(0, 68), f), f.size());
    m = TLogMessage{};
    // The status marker stands alone when the time is padded after it.
    if (count < 2) return SKIP_NOT_UNDERSTOOD;
    std::array<std::string_view, 16> g = f;
    size_t k = count;
    if (g[1] == "!") {
      for (size_t i = 1; i + 1 < k; ++i) g[i] = g[i + 1];
      --k;
    }
    if (k < 3) {
      // error frames and bus events have only type and time
      if (const TLogSkip s = Type(g[0], m); s != SKIP_REASONS) return s;
      if (m.Event == LOG_FRAME && !m.ErrorFrame()) return SKIP_NOT_UNDERSTOOD;
      return Time(g[1], m);
    }
    return Message(g, k - 3, m);
  }

  TLogSkip CsvLine(std::string_view line, TLogMessage& m) const {
    std::array<std::string_view, 16> f;
    const size_t count = std::min(CsvFields(line, f), f.size());
    m = TLogMessage{};
    if (count < 2) return SKIP_NOT_UNDERSTOOD;
    if (count < 3) {
      if (const TLogSkip s = Type(f[0], m); s != SKIP_REASONS) return s;
      if (m.Event == LOG_FRAME && !m.ErrorFrame()) return SKIP_NOT_UNDERSTOOD;
      return Time(f[1], m);
    }
    size_t n = 0;
    while (3 + n < count && !f[3 + n].empty() && n < 8) ++n;  // the ASCII column may follow
    // The data positions after the last byte are empty up to the eighth: a
    // byte after an empty field ("RD11,0.3,A0,3,,4") is a damaged line, not
    // a shorter frame.
    for (size_t i = 3 + n; i < std::min<size_t>(count, 11); ++i)
      if (!f[i].empty()) return SKIP_DATA;
    return Message(f, n, m);
  }

  std::unique_ptr<TByteSource> source_;
  TLineReader lines_;
  bool csv_;
  bool footer_ = false;
};

class TTarvoWriter : public TLogWriter {
 public:
  TTarvoWriter(TLogFormat format, TByteSink& sink, const TLogWriteOptions& options) : TLogWriter(sink, options) {
    format_.FileType = format == LOG_FORMAT_CSV ? CSV_FILE : TXT_FILE;
    const TLogInfo& s = options.Source;
    format_.Hexadecimal = options.Hexadecimal.value_or(s.Format == LOG_FORMAT_UNKNOWN || s.Hexadecimal);
  }

  void Write(const TLogMessage& m) override {
    if (!ZeroDecided()) Begin(&m);
    if (m.Fd()) {
      ++report_.LeftOut[LEFT_OUT_FD];
      return;
    }
    const int64_t t = RelativeTime(m);
    if (t < 0) {
      ++report_.LeftOut[LEFT_OUT_TIME];
      return;
    }
    char time[32];
    const std::string_view timeText(time, size_t(WriteSeconds(time, t, 4) - time));
    char line[256];
    size_t n = 0;
    if (m.ErrorFrame() || m.Event != LOG_FRAME) {
      n = FormatBusEventLineAt(format_, m.ErrorFrame() ? 1 : m.Event, timeText, line);
      ++report_.BusEvents;
    } else {
      n = FormatMessageLineAt(format_, m.Tx(), m.Extended(), m.ID, m.Remote(), m.Remote() ? m.DLC : m.Length,
                              m.Data, timeText, line);
    }
    if (m.Channel > 1) ++report_.ChannelsMerged;
    line[n++] = '\r';
    line[n++] = '\n';
    sink_.Put(line, n);
    ++report_.Written;
  }

  void Finish() override {
    if (!ZeroDecided()) Begin(nullptr);
    // The empty line that ends the messages; the tool writes no footer: it
    // would report a bit timing and an adapter the tool knows nothing of.
    sink_.Put("\r\n");
  }

 private:
  void Begin(const TLogMessage* first) {
    DecideZero(first);
    TLogHeaderClock clock;
    const TLogInfo& s = options_.Source;
    const bool tarvoSource = s.Format == LOG_FORMAT_TXT || s.Format == LOG_FORMAT_CSV;
    if (tarvoSource && !s.HeaderTime.empty()) {
      // The texts as they stand: they are in the regional format of the
      // machine that recorded them.
      clock.LongTime = s.HeaderTime;
      clock.ShortDate = s.HeaderDate;
    } else {
      clock.LongTime = TarvoHeaderTimeText(StartEpochNs());
      clock.ShortDate = TarvoHeaderDateText(StartEpochNs());
    }
    sink_.Put(LogHeader(format_, FileNamePart(options_.FileName), clock));
  }

  TLogLineFormat format_;
};

}  // namespace

bool IsTarvoLog(std::string_view head, TLogFormat& format) {
  // A rule, a line, a rule, an empty line, the column titles.
  std::array<std::string_view, 5> lines;
  for (size_t i = 0; i < lines.size(); ++i) {
    const size_t nl = head.find('\n');
    if (nl == std::string_view::npos) return false;
    lines[i] = head.substr(0, nl);
    head.remove_prefix(nl + 1);
  }
  if (!IsRule(lines[0]) || !IsRule(lines[2])) return false;
  if (lines[4].find("TYPE,TIME") != std::string_view::npos) format = LOG_FORMAT_CSV;
  else if (lines[4].find("TYPE") != std::string_view::npos && lines[4].find("TIME") != std::string_view::npos)
    format = LOG_FORMAT_TXT;
  else return false;
  return true;
}

std::unique_ptr<TLogReader> MakeTarvoReader(std::unique_ptr<TByteSource> source, TLogFormat format) {
  return std::make_unique<TTarvoReader>(std::move(source), format);
}

std::unique_ptr<TLogWriter> MakeTarvoWriter(TLogFormat format, TByteSink& sink, const TLogWriteOptions& options) {
  return std::make_unique<TTarvoWriter>(format, sink, options);
}

}  // namespace tarvo
