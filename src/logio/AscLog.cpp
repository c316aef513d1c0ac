// ASC, the text trace that Tarvo records and that other tools write and
// read. Header lines, then one event a line:
//
//   date Tue Dec 08 9:4:5 2026                  (or "... 01:31:14.287 PM 2026")
//   base hex  timestamps absolute               ("dec", "relative")
//   no internal events logged                   ("internal events logged")
//   // Tarvo Application v5.6                   comments
//   Begin Triggerblock Tue Dec 08 09:04:05.000 am 2026
//      0.000000 Start of measurement
//      1.250000 1  123             Rx   d 3 01 41 FF        classic data frame, channel 1
//      1.250000 2  12345x          Tx   r 8                 29-bit remote frame, channel 2
//      1.300000 1  ErrorFrame                               error frame
//      1.400000 CANFD   1 Rx      123  1 0 d 32 00 01 ... 0 0 3000 0 0 0 0 0
//                       channel, direction, identifier, [name], BRS, ESI, DLC (hex),
//                       data length (decimal), data, then duration, bit count,
//                       flags (hex: 0x1000 EDL, 0x2000 BRS, 0x4000 ESI, 0x10 remote), ...
//   End TriggerBlock
//
// With "timestamps relative" every timed line counts from the line before
// it, whatever it holds: error frames, CAN FD frames and other events move
// the clock too. Times are read exactly as nanoseconds. Lines of other
// events (statistics, chip states, J1939, triggers) are counted, not read.
//
// Written as Tarvo records it: its header, classic frames in its columns
// (so the program replays what the tool writes), six decimals, and in
// addition channels, error frames and CAN FD lines.
#include <cstring>

#include "logio/LogDates.h"
#include "logio/LogFormats.h"
#include "logio/TextFields.h"

namespace tarvo {

namespace {

constexpr uint32_t FlagEdl = 0x1000, FlagBrs = 0x2000, FlagEsi = 0x4000, FlagRemote = 0x10;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

class TAscReader : public TLogReader {
 public:
  explicit TAscReader(std::unique_ptr<TByteSource> source) : source_(std::move(source)), lines_(*source_) {
    info_.Format = LOG_FORMAT_ASC;
  }

  bool Next(TLogMessage& m) override {
    std::string_view line;
    while (lines_.Next(line)) {
      for (uint64_t n = lines_.TakeOverlong(); n > 0; --n) report_.Skip(SKIP_TOO_LONG, lines_.FirstOverlongLine());
      const TLogSkip skip = Line(line, m);
      if (skip == SKIP_REASONS) {
        Counted(m);
        return true;
      }
      if (skip != SKIP_REASONS + 1) report_.Skip(skip, lines_.LineNo());
    }
    for (uint64_t n = lines_.TakeOverlong(); n > 0; --n) report_.Skip(SKIP_TOO_LONG, lines_.FirstOverlongLine());
    if (!source_->Error().empty()) error_ = source_->Error();
    return false;
  }

 private:
  static constexpr TLogSkip NoMessage = TLogSkip(SKIP_REASONS + 1);  // header, comment, empty line

  std::array<std::string_view, 96> w_;
  size_t count_ = 0;

  TLogSkip Header(std::string_view line) {
    if (StartsWithNoCase(w_[0], "date")) {
      if (info_.DateText.empty()) info_.DateText = std::string(line.substr(0, 200));
      if (!triggerDate_) info_.StartEpochNs = ParseAscDate(line.substr(4));
      return NoMessage;
    }
    if (StartsWithNoCase(w_[0], "base")) {
      if (count_ >= 2) info_.Hexadecimal = !StartsWithNoCase(w_[1], "dec");
      relative_ = count_ >= 4 && StartsWithNoCase(w_[3], "relative");
      return NoMessage;
    }
    if (StartsWithNoCase(w_[0], "begin")) {
      // The trigger block's start is the moment times count from.
      if (const auto t = ParseAscDate(line.substr(line.find(w_[0]) + 5))) info_.StartEpochNs = t, triggerDate_ = true;
      return NoMessage;
    }
    if (w_[0].starts_with("//") || StartsWithNoCase(w_[0], "end") || StartsWithNoCase(w_[0], "internal") ||
        (StartsWithNoCase(w_[0], "no") && count_ >= 2 && StartsWithNoCase(w_[1], "internal")))
      return NoMessage;
    return SKIP_NOT_UNDERSTOOD;
  }

  TLogSkip Line(std::string_view line, TLogMessage& m) {
    count_ = Words(line, w_);
    if (count_ == 0) return NoMessage;
    const size_t words = std::min(count_, w_.size());
    int64_t time = 0;
    if (!(w_[0].size() > 0 && (std::isdigit(static_cast<unsigned char>(w_[0][0])) || w_[0][0] == '-')))
      return Header(line);
    if (!ReadSeconds(w_[0], time)) return SKIP_TIME;
    // Every timed line moves a relative clock, frames or not.
    if (relative_) time += clock_;
    clock_ = time;
    m.Reset();
    m.Time = time;
    if (words < 3) return SKIP_NOT_UNDERSTOOD;
    if (w_[1] == "CANFD") return FdFrame(m, words);
    if (w_[1] == "Start" && w_[2] == "of") return NoMessage;  // "Start of measurement"
    uint32_t channel = 0;
    if (!DecNumber(w_[1], channel) || channel == 0 || channel > 0xFFFF) {
      // "Start of measurement", "Statistic:", "J1939TP", "SV:", ...
      return SKIP_OTHER_EVENT;
    }
    m.Channel = uint16_t(channel);
    if (w_[2] == "ErrorFrame") {
      m.Flags |= LOG_ERROR_FRAME;
      return SKIP_REASONS;
    }
    if (words < 5 || (w_[3] != "Rx" && w_[3] != "Tx")) return SKIP_OTHER_EVENT;
    return ClassicFrame(m, words);
  }

  TLogSkip Identifier(std::string_view text, TLogMessage& m) const {
    if (text.ends_with('x') || text.ends_with('X')) {
      m.Flags |= LOG_EXTENDED;
      text.remove_suffix(1);
    }
    uint32_t id = 0;
    if (!Number(text, info_.Hexadecimal, id) || id > (m.Extended() ? 0x1FFFFFFFu : 0x7FFu)) return SKIP_IDENTIFIER;
    m.ID = id;
    return SKIP_REASONS;
  }

  // Bytes from word `first`; false when one is not a byte of the base.
  bool Bytes(size_t first, size_t n, size_t words, TLogMessage& m) const {
    if (first + n > words) return false;
    for (size_t i = 0; i < n; ++i) {
      uint32_t b = 0;
      if (!Number(w_[first + i], info_.Hexadecimal, b) || b > 255) return false;
      m.Data[i] = uint8_t(b);
    }
    m.Length = uint8_t(n);
    return true;
  }

  TLogSkip ClassicFrame(TLogMessage& m, size_t words) {
    if (w_[3] == "Tx") m.Flags |= LOG_TX;
    if (const TLogSkip s = Identifier(w_[2], m); s != SKIP_REASONS) return s;
    uint32_t dlc = 0;
    if (w_[4] == "r") {
      m.Flags |= LOG_REMOTE;
      // Some writers leave the DLC of a remote frame out.
      if (words >= 6 && HexNumber(w_[5], dlc) && dlc <= 15) m.DLC = uint8_t(dlc);
      return SKIP_REASONS;
    }
    if (w_[4] != "d" || words < 6 || !HexNumber(w_[5], dlc) || dlc > 15) return SKIP_DATA;
    m.DLC = uint8_t(dlc);
    if (dlc <= 8) return Bytes(6, dlc, words, m) ? SKIP_REASONS : SKIP_DATA;
    // A classic DLC of 9..15 carries 8 bytes; more bytes than 8 written the
    // classic way are a CAN FD frame.
    size_t n = 0;
    uint32_t b = 0;
    while (6 + n < words && n < 64 && Number(w_[6 + n], info_.Hexadecimal, b) && b <= 255) ++n;
    if (n > 8 && FdLengthOfDlc(uint8_t(dlc)) == n) {
      m.Flags |= LOG_FD;
      return Bytes(6, n, words, m) ? SKIP_REASONS : SKIP_DATA;
    }
    return n >= 8 && Bytes(6, 8, words, m) ? SKIP_REASONS : SKIP_DATA;
  }

  // time CANFD channel dir id [name] brs esi dlc length data... duration bits flags ...
  TLogSkip FdFrame(TLogMessage& m, size_t words) {
    uint32_t channel = 0;
    if (words < 5 || !DecNumber(w_[2], channel) || channel == 0 || channel > 0xFFFF) return SKIP_NOT_UNDERSTOOD;
    m.Channel = uint16_t(channel);
    if (w_[3] == "Tx") m.Flags |= LOG_TX;
    else if (w_[3] != "Rx") return SKIP_NOT_UNDERSTOOD;
    if (w_[4] == "ErrorFrame") {
      m.Flags |= LOG_ERROR_FRAME | LOG_FD;
      return SKIP_REASONS;
    }
    if (const TLogSkip s = Identifier(w_[4], m); s != SKIP_REASONS) return s;
    size_t at = 5;
    uint32_t brs = 0, esi = 0, dlc = 0, length = 0;
    if (at < words && !DecNumber(w_[at], brs)) ++at;  // a symbolic name
    if (at + 4 > words || !DecNumber(w_[at], brs) || !DecNumber(w_[at + 1], esi) || !HexNumber(w_[at + 2], dlc) ||
        !DecNumber(w_[at + 3], length) || brs > 1 || esi > 1 || dlc > 15 || length > 64)
      return SKIP_DATA;
    at += 4;
    if (!Bytes(at, length, words, m)) return SKIP_DATA;
    m.DLC = uint8_t(dlc);
    // The flags field says whether the frame is FD at all (EDL) and remote;
    // without it the line is an FD frame.
    uint32_t flags = FlagEdl;
    if (at + length + 2 < words && !HexNumber(w_[at + length + 2], flags)) flags = FlagEdl;
    if (flags & FlagEdl) {
      m.Flags |= LOG_FD;
      if (brs || (flags & FlagBrs)) m.Flags |= LOG_BRS;
      if (esi || (flags & FlagEsi)) m.Flags |= LOG_ESI;
      if (FdLengthOfDlc(m.DLC) != length) return SKIP_DATA;
    } else if (flags & FlagRemote) {
      m.Flags |= LOG_REMOTE;
      m.Length = 0;
    } else if (length > 8) {
      return SKIP_DATA;
    }
    return SKIP_REASONS;
  }

  std::unique_ptr<TByteSource> source_;
  TLineReader lines_;
  bool relative_ = false, triggerDate_ = false;
  int64_t clock_ = 0;
};

class TAscWriter : public TLogWriter {
 public:
  TAscWriter(TByteSink& sink, const TLogWriteOptions& options) : TLogWriter(sink, options) {
    hex_ = options.Hexadecimal.value_or(options.Source.Format == LOG_FORMAT_UNKNOWN || options.Source.Hexadecimal);
  }

  void Write(const TLogMessage& m) override {
    if (!ZeroDecided()) Begin(&m);
    if (m.Event != LOG_FRAME) {
      ++report_.LeftOut[LEFT_OUT_BUS_EVENT];
      return;
    }
    const int64_t t = RelativeTime(m);
    if (t < 0) {
      ++report_.LeftOut[LEFT_OUT_TIME];
      return;
    }
    char line[512];
    char* p = Time(line, t);
    if (m.ErrorFrame()) p = ErrorFrame(p, m);
    else if (m.Fd()) p = FdFrame(p, m);
    else p = ClassicFrame(p, m);
    *p++ = '\r';
    *p++ = '\n';
    sink_.Put(line, size_t(p - line));
    ++report_.Written;
    if (m.ErrorFrame()) ++report_.BusEvents;
  }

  void Finish() override {
    if (!ZeroDecided()) Begin(nullptr);
    sink_.Put("\r\n");
  }

 private:
  void Begin(const TLogMessage* first) {
    DecideZero(first);
    std::string h = "date " + AscDateText(StartEpochNs()) + "\r\n";
    h += hex_ ? "base hex  timestamps absolute\r\n" : "base dec  timestamps absolute\r\n";
    h += "no internal events logged\r\n// Tarvo Application v5.6\r\n   0.000000 Start of measurement\r\n";
    sink_.Put(h);
  }

  // "%11s" of "%.6f" and a space.
  static char* Time(char* p, int64_t ns) {
    char text[32];
    const size_t n = size_t(WriteSeconds(text, ns, 6) - text);
    for (size_t i = n; i < 11; ++i) *p++ = ' ';
    std::memcpy(p, text, n);
    p += n;
    *p++ = ' ';
    return p;
  }

  char* Number(char* p, uint32_t v, bool hex) const {
    char text[16];
    int n = 0;
    if (hex) {
      do text[n++] = HexUpper[v & 15]; while ((v >>= 4) != 0);
    } else {
      do text[n++] = char('0' + v % 10); while ((v /= 10) != 0);
    }
    while (n > 0) *p++ = text[--n];
    return p;
  }

  char* Byte(char* p, uint8_t b) const {
    *p++ = ' ';
    if (hex_) return PutHexByte(p, b);
    // " %3d"
    if (b < 100) *p++ = ' ';
    if (b < 10) *p++ = ' ';
    return Number(p, b, false);
  }

  char* Channel(char* p, uint16_t channel) const { return Number(p, channel ? channel : 1, false); }

  char* ErrorFrame(char* p, const TLogMessage& m) const {
    p = Channel(p, m.Channel);
    std::memcpy(p, "  ErrorFrame", 12);
    return p + 12;
  }

  // "1  123             Rx   d 3 01 41 FF": the identifier left-aligned in 16.
  char* ClassicFrame(char* p, const TLogMessage& m) const {
    p = Channel(p, m.Channel);
    *p++ = ' ';
    *p++ = ' ';
    char* id = p;
    p = Number(p, m.ID, hex_);
    if (m.Extended()) *p++ = 'x';
    while (p < id + 16) *p++ = ' ';
    std::memcpy(p, m.Tx() ? "Tx   " : "Rx   ", 5);
    p += 5;
    *p++ = m.Remote() ? 'r' : 'd';
    *p++ = ' ';
    p = Number(p, m.DLC, true);
    if (!m.Remote())
      for (int i = 0; i < std::min<int>(m.Length, 8); ++i) p = Byte(p, m.Data[i]);
    return p;
  }

  // "CANFD   1 Rx        123  1 0 d 32 data... 0 0 3000 0 0 0 0 0"
  char* FdFrame(char* p, const TLogMessage& m) const {
    std::memcpy(p, "CANFD ", 6);
    p += 6;
    char* start = p;
    p = Channel(p, m.Channel);
    if (p - start < 3) {
      // right-align the channel in three
      const size_t n = size_t(p - start), pad = 3 - n;
      std::memmove(start + pad, start, n);
      std::memset(start, ' ', pad);
      p = start + 3;
    }
    std::memcpy(p, m.Tx() ? " Tx " : " Rx ", 4);
    p += 4;
    char* id = p;
    p = Number(p, m.ID, hex_);
    if (m.Extended()) *p++ = 'x';
    while (p < id + 8) *p++ = ' ';
    *p++ = ' ';
    *p++ = (m.Flags & LOG_BRS) ? '1' : '0';
    *p++ = ' ';
    *p++ = (m.Flags & LOG_ESI) ? '1' : '0';
    *p++ = ' ';
    p = Number(p, m.DLC & 15, true);
    *p++ = ' ';
    p = Number(p, m.Length, false);
    for (int i = 0; i < m.Length; ++i) p = Byte(p, m.Data[i]);
    const uint32_t flags = FlagEdl | ((m.Flags & LOG_BRS) ? FlagBrs : 0) | ((m.Flags & LOG_ESI) ? FlagEsi : 0);
    std::memcpy(p, " 0 0 ", 5);
    p += 5;
    p = Number(p, flags, true);
    std::memcpy(p, " 0 0 0 0 0", 10);
    return p + 10;
  }

  bool hex_ = true;
};

}  // namespace

bool IsAscLog(std::string_view head) {
  // A "date" or "base" header line among the first lines.
  for (int n = 0; n < 8 && !head.empty(); ++n) {
    const size_t nl = head.find('\n');
    std::string_view line = head.substr(0, nl);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (StartsWithNoCase(line, "date ") || StartsWithNoCase(line, "base hex") || StartsWithNoCase(line, "base dec"))
      return true;
    if (nl == std::string_view::npos) break;
    head.remove_prefix(nl + 1);
  }
  return false;
}

std::unique_ptr<TLogReader> MakeAscReader(std::unique_ptr<TByteSource> source) {
  return std::make_unique<TAscReader>(std::move(source));
}

std::unique_ptr<TLogWriter> MakeAscWriter(TByteSink& sink, const TLogWriteOptions& options) {
  return std::make_unique<TAscWriter>(sink, options);
}

}  // namespace tarvo
