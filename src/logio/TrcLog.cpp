// PCAN-View traces (TRC), one message a line after a header of ";" comments.
// The header's ";$FILEVERSION=" says the line layout (none: 1.0),
// ";$STARTTIME=" the moment of offset 0 as days since 1899-12-30 with a
// fraction (UTC, as python-can reads and writes it), and in 2.x
// ";$COLUMNS=" the columns in their order. Each version's message line:
//
//   1.0  "     1)      1841  0001  8  00 11 22 33 44 55 66 77"
//        number ")", offset in whole ms, identifier, DLC, data;
//        "RTR" in place of the data is a remote frame, identifier FFFFFFFF a
//        bus-status line of the driver.
//   1.1  "     1)      1841.3  Rx         0001  8  00 11 22 33 44 55 66 77"
//        offset in ms with one decimal, then Rx or Tx (also "Error" for an
//        error frame, "Warng" for a driver warning).
//   1.2  "     1)      1841.3 1  Rx         0001  8  00 11 22 33 44 55 66 77"
//        as 1.1 with the bus (1 for the first) after the offset.
//   1.3  "     1)      1841.3 1  Rx         0001 -  8  00 11 22 33 44 55 66 77"
//        as 1.2 with a reserved "-" after the identifier.
//   2.0  "      1      1059.900 FD     0500 Tx 12 01 02 03 04 05 06 07 08 09 0A 0B 0C"
//        default columns N,O,T,I,d,l,D: number, offset in ms with three
//        decimals, type, identifier, direction, data length in bytes, data.
//   2.1  "      5      1334.416 FB 2  18EFC034 Tx -  9    01 02 03 04 05 06 07 08 09 0A 0B 0C"
//        default columns N,O,T,B,I,d,R,L,D: as 2.0 with the bus, a reserved
//        "-" and the DLC instead of the length.
//
// Types of 2.x: DT data frame, FD CAN FD frame, FB with BRS, FE with ESI,
// BI with both, RR remote request, ER error frame ("ER 1  - Rx -  5  04 00
// 02 00 00": no identifier; in 2.0 neither identifier nor length), and ST
// (status), EC (error counters), EV (event text): no frames. Identifiers of
// more than four hexadecimal digits are 29-bit, as python-can tells them.
//
// Offsets are kept exactly as integer nanoseconds from offset 0. Written
// traces are version 2.1 with microsecond offsets and CR LF line ends.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "common/TextRoutines.h"
#include "logio/LogFormats.h"
#include "logio/TextFields.h"

namespace tarvo {

namespace {

constexpr int64_t NsPerDay = int64_t(86400) * 1'000'000'000;
// Days from 1899-12-30, the zero of the start time, to 1970-01-01.
constexpr int64_t StartTimeEpochDays = 25569;

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "1841", "1841.3" or "-0.125" milliseconds as nanoseconds, exactly.
bool ReadMilliseconds(std::string_view text, int64_t& ns) { return ReadTimeIn(text, 6, ns); }

// ns as milliseconds with three decimals, rounded once to the microsecond
// (halves to even, as every writer rounds).
char* WriteMilliseconds(char* out, int64_t ns) { return WriteTimeIn(out, ns, 6, 3); }

// ";$STARTTIME=43474.5054524421": days since 1899-12-30 and their fraction,
// read as integers (up to 18 decimals, the rest is below a nanosecond).
bool ReadStartTime(std::string_view text, int64_t& epochNs) {
  const size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  if (whole.empty() || whole.size() > 7) return false;
  __int128 days = 0, digits = 0, scale = 1;
  for (char c : whole) {
    if (!IsDigit(c)) return false;
    days = days * 10 + (c - '0');
  }
  for (size_t i = 0; i < fraction.size(); ++i) {
    if (!IsDigit(fraction[i])) return false;
    if (i >= 18) continue;
    digits = digits * 10 + (fraction[i] - '0');
    scale *= 10;
  }
  const __int128 ns = (days - StartTimeEpochDays) * NsPerDay + (digits * NsPerDay + scale / 2) / scale;
  if (ns > INT64_MAX || ns < INT64_MIN) return false;
  epochNs = int64_t(ns);
  return true;
}

// The start time with 14 decimals of a day (0.864 ns), so that reading it
// back gives the nanosecond written. out must hold 40 characters.
char* WriteStartTime(char* out, int64_t epochNs) {
  constexpr int64_t Scale = 100'000'000'000'000;  // 10^14
  __int128 total = __int128(epochNs) + __int128(StartTimeEpochDays) * NsPerDay;
  if (total < 0) total = 0;  // before 1899-12-30: the format has no sign
  int64_t days = int64_t(total / NsPerDay);
  int64_t fraction = int64_t(((total % NsPerDay) * Scale + NsPerDay / 2) / NsPerDay);
  if (fraction == Scale) {
    ++days;
    fraction = 0;
  }
  out = std::to_chars(out, out + 20, days).ptr;
  *out++ = '.';
  char digits[16];
  const int n = int(std::to_chars(digits, digits + sizeof digits, fraction).ptr - digits);
  for (int i = n; i < 14; ++i) *out++ = '0';
  std::memcpy(out, digits, size_t(n));
  return out + n;
}

// "09.01.2019 12:07:51.090.0" of a moment (UTC), as PCAN-View's header
// comment spells its start time: day, month, year, time with milliseconds
// and tenths of milliseconds.
std::string StartTimeText(int64_t epochNs) {
  int64_t days = epochNs / NsPerDay, rest = epochNs % NsPerDay;
  if (rest < 0) {
    rest += NsPerDay;
    --days;
  }
  // Civil date of a day count from 1970 (proleptic Gregorian calendar).
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2);
  const int64_t tenthsMs = rest / 100'000;
  char text[80];
  std::snprintf(text, sizeof text, "%02d.%02d.%04lld %02d:%02d:%02d.%03d.%d", int(day), int(month), (long long)year,
                int(tenthsMs / 36'000'000), int(tenthsMs / 600'000 % 60), int(tenthsMs / 10'000 % 60),
                int(tenthsMs / 10 % 1000), int(tenthsMs % 10));
  return text;
}

// ---- reading ---------------------------------------------------------------------------

// Versions as major * 10 + minor.
enum : int { TRC_1_0 = 10, TRC_1_1 = 11, TRC_1_2 = 12, TRC_1_3 = 13, TRC_2_0 = 20, TRC_2_1 = 21 };

int VersionOf(std::string_view text) {
  uint32_t major = 0, minor = 0;
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos || !DecNumber(text.substr(0, dot), major) || !DecNumber(text.substr(dot + 1), minor))
    return TRC_1_0;  // as python-can: without a readable version, 1.0
  if (major == 1) return minor <= 3 ? int(10 + minor) : TRC_1_3;
  // Later 2.x versions add columns, which their column line names.
  if (major >= 2) return minor == 0 && major == 2 ? TRC_2_0 : TRC_2_1;
  return TRC_1_0;
}

// The columns of a version as 2.x names them; in 1.x the type column T
// holds the direction ("Rx", "Tx") or "Error" and "Warng".
const char* DefaultColumns(int version) {
  switch (version) {
    case TRC_1_0: return "NOILD";
    case TRC_1_1: return "NOTILD";
    case TRC_1_2: return "NOBTILD";
    case TRC_1_3: return "NOBTIRLD";
    case TRC_2_0: return "NOTIdlD";
    default: return "NOTBIdRLD";
  }
}

// ";$COLUMNS=N,O,T,B,I,d,R,L,D" as "NOTBIdRLD"; empty when the reader
// could not find its way through such lines: every column once, the data
// last, and the type before the identifier, direction and length (an
// error frame leaves some of them out).
std::string ColumnsOf(std::string_view text) {
  std::string columns;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view name = TrimSpaces(text.substr(0, comma));
    if (name.size() != 1 || std::string_view("NOTBIdRLlD").find(name[0]) == std::string_view::npos ||
        columns.find(name[0]) != std::string::npos)
      return {};
    columns += name[0];
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  const auto at = [&](char c) { return columns.find(c); };
  const bool oneLength = (at('L') == std::string::npos) != (at('l') == std::string::npos);
  if (at('O') == std::string::npos || at('T') == std::string::npos || at('I') == std::string::npos ||
      at('d') == std::string::npos || !oneLength || columns.back() != 'D')
    return {};
  if (at('T') > at('I') || at('T') > at('d') || at('T') > std::min(at('L'), at('l'))) return {};
  return columns;
}

enum TTrcKind : uint8_t { KIND_DATA, KIND_FD, KIND_REMOTE, KIND_ERROR, KIND_EVENT, KIND_UNKNOWN };

struct TTrcType {
  TTrcKind Kind = KIND_UNKNOWN;
  uint16_t Flags = 0;
};

TTrcType TypeOf(std::string_view t, int version) {
  if (version < TRC_2_0) {
    if (t == "Rx") return {KIND_DATA, 0};
    if (t == "Tx") return {KIND_DATA, LOG_TX};
    if (t == "Error") return {KIND_ERROR, LOG_ERROR_FRAME};
    if (t == "Warng") return {KIND_EVENT, 0};
    return {};
  }
  if (t == "DT") return {KIND_DATA, 0};
  if (t == "FD") return {KIND_FD, LOG_FD};
  if (t == "FB") return {KIND_FD, LOG_FD | LOG_BRS};
  if (t == "FE") return {KIND_FD, LOG_FD | LOG_ESI};
  if (t == "BI") return {KIND_FD, LOG_FD | LOG_BRS | LOG_ESI};
  if (t == "RR") return {KIND_REMOTE, LOG_REMOTE};
  if (t == "ER") return {KIND_ERROR, LOG_ERROR_FRAME};
  if (t == "ST" || t == "EC" || t == "EV") return {KIND_EVENT, 0};
  return {};
}

bool IsDirection(std::string_view w) { return w == "Rx" || w == "Tx"; }

// "1)" in 1.x, "1" in 2.x: the message number, which the reader passes over.
bool IsMessageNumber(std::string_view w) {
  if (!w.empty() && w.back() == ')') w.remove_suffix(1);
  return !w.empty() && std::all_of(w.begin(), w.end(), IsDigit);
}

// The words of one message line by column.
struct TTrcFields {
  std::string_view Offset, Bus, Id, Direction, Length;
  char LengthColumn = 0;  // 'L' (DLC), 'l' (bytes) or 0 (none written)
  TTrcType Type;
  size_t DataAt = 0;
};

class TTrcReader : public TLogReader {
 public:
  explicit TTrcReader(std::unique_ptr<TByteSource> source) : source_(std::move(source)), lines_(*source_) {
    info_.Format = LOG_FORMAT_TRC;
  }

  bool Next(TLogMessage& m) override {
    std::string_view line;
    while (lines_.Next(line)) {
      TakeOverlong();
      line = TrimSpaces(line);
      if (line.empty()) continue;
      if (line.front() == ';') {
        if (!started_) Directive(line);
        continue;
      }
      started_ = true;
      const TLogSkip skip = Message(line, m);
      if (skip == SKIP_REASONS) {
        Counted(m);
        return true;
      }
      report_.Skip(skip, lines_.LineNo());
    }
    TakeOverlong();
    if (!source_->Error().empty()) error_ = source_->Error();
    return false;
  }

 private:
  // Most words a message line can have: nine columns and 64 data bytes.
  static constexpr size_t MaxWords = 80;

  void TakeOverlong() {
    for (uint64_t n = lines_.TakeOverlong(); n > 0; --n) report_.Skip(SKIP_TOO_LONG, lines_.FirstOverlongLine());
  }

  // The header's ";$NAME=value" lines; other comments say nothing to a reader.
  void Directive(std::string_view line) {
    const size_t eq = line.find('=');
    if (!line.starts_with(";$") || eq == std::string_view::npos) return;
    const std::string_view name = TrimSpaces(line.substr(2, eq - 2)), value = TrimSpaces(line.substr(eq + 1));
    if (name == "FILEVERSION") {
      version_ = VersionOf(value);
      if (!columnsGiven_) columns_ = DefaultColumns(version_);
    } else if (name == "STARTTIME") {
      int64_t ns = 0;
      if (ReadStartTime(value, ns)) info_.StartEpochNs = ns;
    } else if (name == "COLUMNS") {
      columns_ = ColumnsOf(value);
      columnsGiven_ = true;
    }
  }

  // The message of a line; SKIP_REASONS when it is one, else why it is not.
  TLogSkip Message(std::string_view line, TLogMessage& m) {
    std::array<std::string_view, MaxWords> w;
    const size_t count = Words(line, w);
    TTrcFields f;
    const TLogSkip layout = Fields(w, std::min(count, MaxWords), f);
    if (layout != SKIP_REASONS) return layout;
    if (version_ == TRC_1_0 && f.Id == "FFFFFFFF") return SKIP_OTHER_EVENT;  // a bus-status line
    m = TLogMessage{};
    m.Flags = f.Type.Flags;
    if (!f.Bus.empty()) {
      uint32_t bus = 0;
      if (!DecNumber(f.Bus, bus) || bus < 1 || bus > 0xFFFF) return SKIP_NOT_UNDERSTOOD;
      m.Channel = uint16_t(bus);
    }
    if (!f.Direction.empty()) {
      if (!IsDirection(f.Direction)) return SKIP_NOT_UNDERSTOOD;
      if (f.Direction == "Tx") m.Flags |= LOG_TX;
    }
    if (!ReadMilliseconds(f.Offset, m.Time)) return SKIP_TIME;
    if (!Identifier(f, m)) return SKIP_IDENTIFIER;
    if (count > MaxWords) return SKIP_DATA;
    return Data(f, std::span(w.data() + f.DataAt, count - f.DataAt), m) ? SKIP_REASONS : SKIP_DATA;
  }

  // Walks the columns over the words. An error frame of 2.x has no
  // identifier ("-" or nothing before the direction), and in 2.0 no length.
  TLogSkip Fields(const std::array<std::string_view, MaxWords>& w, size_t n, TTrcFields& f) const {
    if (columns_.empty()) return SKIP_NOT_UNDERSTOOD;
    f.Type = version_ == TRC_1_0 ? TTrcType{KIND_DATA, 0} : TTrcType{};
    const bool v2 = version_ >= TRC_2_0;
    size_t i = 0;
    for (char c : columns_) {
      const bool noId = v2 && (f.Type.Kind == KIND_ERROR || f.Type.Kind == KIND_EVENT);
      if (c == 'D') {
        f.DataAt = i;
        break;
      }
      if (c == 'I' && noId && (i >= n || IsDirection(w[i]))) continue;
      if ((c == 'L' || c == 'l') && noId && version_ == TRC_2_0) continue;
      if (i >= n) return SKIP_NOT_UNDERSTOOD;
      const std::string_view word = w[i++];
      switch (c) {
        case 'N':
          if (!IsMessageNumber(word)) return SKIP_NOT_UNDERSTOOD;
          break;
        case 'O': f.Offset = word; break;
        case 'T':
          f.Type = TypeOf(word, version_);
          if (f.Type.Kind == KIND_UNKNOWN) return SKIP_NOT_UNDERSTOOD;
          if (f.Type.Kind == KIND_EVENT) return SKIP_OTHER_EVENT;
          break;
        case 'B': f.Bus = word; break;
        case 'I': f.Id = word; break;
        case 'd': f.Direction = word; break;
        case 'L':
        case 'l':
          f.Length = word;
          f.LengthColumn = c;
          break;
        default: break;  // reserved
      }
    }
    return SKIP_REASONS;
  }

  // Four hexadecimal digits are an 11-bit identifier, more a 29-bit one.
  static bool Identifier(const TTrcFields& f, TLogMessage& m) {
    if (f.Type.Kind == KIND_ERROR && (f.Id.empty() || f.Id == "-")) return true;
    uint32_t id = 0;
    if (!HexNumber(f.Id, id)) return false;
    if (f.Type.Kind == KIND_ERROR) {
      m.ID = id;  // as the file gives it
      return true;
    }
    const bool extended = f.Id.size() > 4;
    if (id > (extended ? 0x1FFFFFFFu : 0x7FFu)) return false;
    m.ID = id;
    if (extended) m.Flags |= LOG_EXTENDED;
    return true;
  }

  // The length column and the data words; false when they do not agree.
  bool Data(const TTrcFields& f, std::span<const std::string_view> data, TLogMessage& m) const {
    uint32_t value = uint32_t(data.size());  // 2.0 error frames: as many bytes as written
    if (f.LengthColumn && (f.Length.size() > 2 || !DecNumber(f.Length, value))) return false;
    const bool bytes = f.LengthColumn == 'l';
    switch (f.Type.Kind) {
      case KIND_DATA:
        if (value > (bytes ? 8u : 15u)) return false;
        m.DLC = uint8_t(value);
        m.Length = uint8_t(std::min(value, 8u));
        if (version_ < TRC_2_0 && data.size() == 1 && data[0] == "RTR") {
          // 1.x writes a remote frame's DLC and "RTR" for its data.
          m.Flags |= LOG_REMOTE;
          m.Length = 0;
          return true;
        }
        break;
      case KIND_FD:
        if (bytes ? value > 64 || FdLengthOfDlc(FdDlcOfLength(uint8_t(value))) != value : value > 15) return false;
        m.DLC = bytes ? FdDlcOfLength(uint8_t(value)) : uint8_t(value);
        m.Length = FdLengthOfDlc(m.DLC);
        break;
      case KIND_REMOTE:
        if (value > 15) return false;
        m.DLC = uint8_t(value);
        m.Length = 0;
        break;
      default:  // error frames: the length counts bytes
        if (value > 64) return false;
        m.DLC = m.Length = uint8_t(value);
        break;
    }
    if (data.size() != m.Length) return false;
    for (size_t i = 0; i < data.size(); ++i) {
      const std::string_view b = data[i];
      if (b.size() != 2 || HexDigit(b[0]) < 0 || HexDigit(b[1]) < 0) return false;
      m.Data[i] = uint8_t(HexDigit(b[0]) * 16 + HexDigit(b[1]));
    }
    return true;
  }

  std::unique_ptr<TByteSource> source_;
  TLineReader lines_;
  int version_ = TRC_1_0;
  std::string columns_ = DefaultColumns(TRC_1_0);
  bool columnsGiven_ = false;
  bool started_ = false;  // a message line was seen: the header is over
};

// ---- writing ---------------------------------------------------------------------------

class TTrcWriter : public TLogWriter {
 public:
  using TLogWriter::TLogWriter;

  void Write(const TLogMessage& m) override {
    if (!ZeroDecided()) DecideZero(&m);
    if (!headerWritten_) Header();
    if (m.Event != LOG_FRAME) {
      // ST lines carry the adapter's own status codes, which other logs'
      // bus states do not map onto; left out and counted.
      ++report_.LeftOut[LEFT_OUT_BUS_EVENT];
      return;
    }
    char line[512];
    char* p = Columns(line, m);
    p = Payload(p, m);
    while (p > line && p[-1] == ' ') --p;  // a remote frame ends at its DLC
    *p++ = '\r';
    *p++ = '\n';
    sink_.Put(line, size_t(p - line));
    ++report_.Written;
  }

  void Finish() override {
    if (!ZeroDecided()) DecideZero(nullptr);
    if (!headerWritten_) Header();
  }

 private:
  void Header() {
    headerWritten_ = true;
    char start[48];
    const std::string startDays(start, WriteStartTime(start, StartEpochNs()));
    std::string h = ";$FILEVERSION=2.1\r\n;$STARTTIME=" + startDays + "\r\n;$COLUMNS=N,O,T,B,I,d,R,L,D\r\n;\r\n";
    if (!options_.FileName.empty()) h += ";   " + options_.FileName + "\r\n;\r\n";
    h += ";   Start time: " + StartTimeText(StartEpochNs()) + " (UTC)\r\n";
    h += ";   Generated by Tarvo\r\n";
    h +=
        ";-------------------------------------------------------------------------------\r\n"
        ";   Message   Time    Type    ID     Rx/Tx\r\n"
        ";   Number    Offset  |  Bus  [hex]  |  Reserved\r\n"
        ";   |         [ms]    |  |    |      |  |  Data Length Code\r\n"
        ";   |         |       |  |    |      |  |  |    Data [hex] ...\r\n"
        ";   |         |       |  |    |      |  |  |    |\r\n"
        ";---+-- ------+------ +- +- --+----- +- +- +--- +- -- -- -- -- -- -- --\r\n";
    sink_.Put(h);
  }

  static const char* TypeOf(const TLogMessage& m) {
    if (m.ErrorFrame()) return "ER";
    if (m.Remote()) return "RR";
    if (!m.Fd()) return "DT";
    const bool brs = m.Flags & LOG_BRS, esi = m.Flags & LOG_ESI;
    return brs && esi ? "BI" : brs ? "FB" : esi ? "FE" : "FD";
  }

  // The DLC column: a classic frame of 8 bytes keeps a DLC of 9..15, a
  // CAN FD frame gets the code of its length.
  static uint8_t DlcOf(const TLogMessage& m) {
    if (m.ErrorFrame()) return std::min<uint8_t>(m.Length, 8);
    if (m.Remote()) return m.DLC & 15;
    if (m.Fd()) return FdLengthOfDlc(m.DLC) == m.Length ? m.DLC : FdDlcOfLength(m.Length);
    if (m.Length == 8 && m.DLC > 8 && m.DLC <= 15) return m.DLC;
    return std::min<uint8_t>(m.Length, 8);
  }

  // "      1      1059.900 DT 1      0300 Rx -  7    "
  char* Columns(char* line, const TLogMessage& m) {
    char offset[32];
    *WriteMilliseconds(offset, RelativeTime(m)) = '\0';
    char id[12] = "-";
    if (!m.ErrorFrame())
      std::snprintf(id, sizeof id, m.Extended() ? "%08X" : "%04X", m.ID & (m.Extended() ? 0x1FFFFFFFu : 0xFFFFu));
    const int n = std::snprintf(line, 128, "%7llu %13s %s %-2u %8s %s -  %-4u ", (unsigned long long)++number_, offset,
                                TypeOf(m), unsigned(std::max<uint16_t>(m.Channel, 1)), id, m.Tx() ? "Tx" : "Rx",
                                unsigned(DlcOf(m)));
    return line + std::min(n, 127);
  }

  // The data bytes the DLC column promises; a CAN FD frame short of its
  // length code's bytes is padded with zeros, as on the bus.
  static char* Payload(char* p, const TLogMessage& m) {
    if (m.Remote() && !m.ErrorFrame()) return p;
    const uint8_t dlc = DlcOf(m);
    const int n = m.Fd() && !m.ErrorFrame() ? FdLengthOfDlc(dlc) : std::min<int>(dlc, 8);
    for (int i = 0; i < n; ++i) {
      p = PutHexByte(p, i < m.Length ? m.Data[i] : 0);
      *p++ = ' ';
    }
    return p;
  }

  bool headerWritten_ = false;
  uint64_t number_ = 0;
};

// The first line of the head that is neither empty nor a comment, and
// whether a ";$" header line came before it.
std::string_view FirstMessageLine(std::string_view head, bool& directive, bool& comments) {
  directive = comments = false;
  while (!head.empty()) {
    const size_t nl = head.find('\n');
    std::string_view line = TrimSpaces(head.substr(0, nl));
    if (!line.empty() && line.back() == '\r') line = TrimSpaces(line.substr(0, line.size() - 1));
    if (line.starts_with(";$FILEVERSION=") || line.starts_with(";$STARTTIME=") || line.starts_with(";$COLUMNS="))
      directive = true;
    if (line.starts_with(';')) comments = true;
    else if (!line.empty()) return line;
    if (nl == std::string_view::npos) break;
    head.remove_prefix(nl + 1);
  }
  return {};
}

}  // namespace

bool IsTrcLog(std::string_view head) {
  bool directive = false, comments = false;
  const std::string_view line = FirstMessageLine(head, directive, comments);
  if (directive) return true;
  // A 1.0 trace: ";" comments, then "1)  1841  0001  8 ..." (or nothing
  // yet); no other format the library reads comments with ";".
  if (line.empty()) return comments;
  std::array<std::string_view, 4> w;
  int64_t ns = 0;
  return comments && Words(line, w) >= 4 && w[0].back() == ')' && IsMessageNumber(w[0]) && ReadMilliseconds(w[1], ns);
}

std::unique_ptr<TLogReader> MakeTrcReader(std::unique_ptr<TByteSource> source) {
  return std::make_unique<TTrcReader>(std::move(source));
}

std::unique_ptr<TLogWriter> MakeTrcWriter(TByteSink& sink, const TLogWriteOptions& options) {
  return std::make_unique<TTrcWriter>(sink, options);
}

}  // namespace tarvo
