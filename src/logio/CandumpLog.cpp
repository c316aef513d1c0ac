// candump logs (can-utils "candump -l" and "-L"), one frame a line:
//
//   (1436509052.249713) can0 044#2A366C2BBA          11-bit data frame, 5 bytes
//   (1436509052.650004) can0 12345678#R              29-bit remote frame, DLC 0
//   (1436509052.850131) can1 123#R3                  remote frame, DLC 3
//   (1436509053.250225) can0 20000080#0000000000000000   error frame (flag 0x20000000 in the identifier)
//   (1436509053.450225) can0 123##1112233            CAN FD frame: flags digit (1 BRS, 2 ESI), then data
//   (1436509053.650225) can0 123#1122334455667788_C  classic frame of 8 bytes with DLC 12
//   (1436509053.850225) can0 123#11 T                sent by the logging node (newer can-utils, python-can)
//
// Times are seconds since 1970 with six decimals; they are kept exactly as
// nanoseconds. Three hexadecimal digits are an 11-bit identifier, eight a
// 29-bit one. Data bytes are pairs of hexadecimal digits, optionally
// separated by ".". A channel "canN" is channel N + 1, as other tools count
// it; other names get the first free number, and every name is kept for
// writing the log back.
#include <cstring>
#include <utility>
#include <vector>

#include "logio/LogFormats.h"
#include "logio/TextFields.h"

namespace tarvo {

namespace {

constexpr uint32_t CanErrorFlag = 0x20000000;
constexpr uint32_t CanErrorBusError = 0x80;

// "(digits.digits) name frame" at the start of a line.
bool LooksLikeCandumpLine(std::string_view line) {
  std::array<std::string_view, 4> w;
  const size_t n = Words(line, w);
  if (n < 3 || w[0].size() < 3 || w[0].front() != '(' || w[0].back() != ')') return false;
  int64_t ns = 0;
  return ReadSeconds(w[0].substr(1, w[0].size() - 2), ns) && w[2].find('#') != std::string_view::npos;
}

class TCandumpReader : public TLogReader {
 public:
  explicit TCandumpReader(std::unique_ptr<TByteSource> source) : source_(std::move(source)), lines_(*source_) {
    info_.Format = LOG_FORMAT_CANDUMP;
    info_.EpochTimes = true;
    info_.StartEpochNs = 0;
  }

  bool Next(TLogMessage& m) override {
    std::string_view line;
    while (lines_.Next(line)) {
      TakeOverlong();
      const TLogSkip skip = Line(line, m);
      if (skip == SKIP_REASONS) {
        Counted(m);
        return true;
      }
      if (skip != SKIP_OTHER_EVENT) report_.Skip(skip, lines_.LineNo());
    }
    TakeOverlong();
    if (!source_->Error().empty()) error_ = source_->Error();
    return false;
  }

 private:
  void TakeOverlong() {
    for (uint64_t n = lines_.TakeOverlong(); n > 0; --n) report_.Skip(SKIP_TOO_LONG, lines_.FirstOverlongLine());
  }

  uint16_t ChannelOf(std::string_view name) {
    if (name == lastName_) return lastChannel_;
    auto& names = info_.ChannelNames;
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return Remember(name, uint16_t(i + 1));
    // "can1" is channel 2; other names take the first free number.
    size_t digits = 0;
    while (digits < name.size() && digits < 4 && std::isdigit(static_cast<unsigned char>(name[name.size() - 1 - digits])))
      ++digits;
    size_t channel = 0;
    if (digits > 0 && digits < name.size()) {
      uint32_t n = 0;
      DecNumber(name.substr(name.size() - digits), n);
      channel = n + 1;
      if (channel <= names.size() && !names[channel - 1].empty()) channel = 0;
    }
    if (channel == 0) {
      channel = 1;
      while (channel <= names.size() && !names[channel - 1].empty()) ++channel;
    }
    if (channel > 0xFFFF) channel = 0xFFFF;
    if (names.size() < channel) names.resize(channel);
    names[channel - 1] = std::string(name);
    return Remember(name, uint16_t(channel));
  }

  uint16_t Remember(std::string_view name, uint16_t channel) {
    lastName_ = std::string(name);
    lastChannel_ = channel;
    return channel;
  }

  // The message of a line; SKIP_REASONS when it is one, SKIP_OTHER_EVENT
  // for an empty line, else why it is not.
  TLogSkip Line(std::string_view line, TLogMessage& m) {
    std::array<std::string_view, 5> w;
    const size_t count = Words(line, w);
    if (count == 0) return SKIP_OTHER_EVENT;
    if (count < 3 || count > 4 || w[0].size() < 3 || w[0].front() != '(' || w[0].back() != ')')
      return SKIP_NOT_UNDERSTOOD;
    m.Reset();
    if (!ReadSeconds(w[0].substr(1, w[0].size() - 2), m.Time)) return SKIP_TIME;
    if (count == 4) {
      if (w[3] == "T" || w[3] == "t") m.Flags |= LOG_TX;
      else if (w[3] != "R" && w[3] != "r") return SKIP_NOT_UNDERSTOOD;
    }
    if (w[1].size() > 64) return SKIP_NOT_UNDERSTOOD;
    const std::string_view frame = w[2];
    const size_t hash = frame.find('#');
    if (hash == std::string_view::npos) return SKIP_NOT_UNDERSTOOD;
    const TLogSkip id = Identifier(frame.substr(0, hash), m);
    if (id != SKIP_REASONS) return id;
    const TLogSkip data = Payload(frame.substr(hash + 1), m);
    if (data != SKIP_REASONS) return data;
    m.Channel = ChannelOf(w[1]);
    return SKIP_REASONS;
  }

  static TLogSkip Identifier(std::string_view text, TLogMessage& m) {
    uint32_t id = 0;
    if (!HexNumber(text, id)) return SKIP_IDENTIFIER;
    if (text.size() == 3) {
      if (id > 0x7FF) return SKIP_IDENTIFIER;
    } else if (text.size() == 8) {
      if (id & CanErrorFlag) {
        m.Flags |= LOG_ERROR_FRAME;
        id &= 0x1FFFFFFF;
      } else if (id > 0x1FFFFFFF) {
        return SKIP_IDENTIFIER;
      }
      m.Flags |= LOG_EXTENDED;
    } else {
      return SKIP_IDENTIFIER;
    }
    m.ID = id;
    return SKIP_REASONS;
  }

  static TLogSkip Payload(std::string_view rest, TLogMessage& m) {
    size_t maxBytes = 8;
    if (rest.starts_with('#')) {
      // CAN FD: one hexadecimal digit of flags, then up to 64 bytes.
      if (rest.size() < 2 || HexDigit(rest[1]) < 0 || m.ErrorFrame()) return SKIP_DATA;
      const int flags = HexDigit(rest[1]);
      m.Flags |= LOG_FD | ((flags & 1) ? LOG_BRS : 0) | ((flags & 2) ? LOG_ESI : 0);
      rest.remove_prefix(2);
      maxBytes = 64;
    } else if (rest.starts_with('R') || rest.starts_with('r')) {
      m.Flags |= LOG_REMOTE;
      rest.remove_prefix(1);
      if (rest.empty()) return SKIP_REASONS;
      uint32_t dlc = 0;
      if (rest.size() != 1 || !HexNumber(rest, dlc) || dlc > 8) return SKIP_DATA;
      m.DLC = uint8_t(dlc);
      return SKIP_REASONS;
    }
    // A classic frame of 8 bytes may carry its DLC 9..15 after "_".
    uint32_t longDlc = 0;
    const size_t underscore = rest.find('_');
    if (underscore != std::string_view::npos) {
      if (m.Fd() || !HexNumber(rest.substr(underscore + 1), longDlc) || longDlc < 9 || longDlc > 15 ||
          underscore + 2 != rest.size())
        return SKIP_DATA;
      rest = rest.substr(0, underscore);
    }
    size_t n = 0;
    for (size_t p = 0; p < rest.size();) {
      if (rest[p] == '.') {
        ++p;
        continue;
      }
      if (p + 1 >= rest.size() || n == maxBytes) return SKIP_DATA;
      const int hi = HexDigit(rest[p]), lo = HexDigit(rest[p + 1]);
      if (hi < 0 || lo < 0) return SKIP_DATA;
      m.Data[n++] = uint8_t(hi * 16 + lo);
      p += 2;
    }
    if (m.Fd() && FdLengthOfDlc(FdDlcOfLength(uint8_t(n))) != n) return SKIP_DATA;
    if (longDlc && n != 8) return SKIP_DATA;
    m.Length = uint8_t(n);
    m.DLC = longDlc ? uint8_t(longDlc) : m.Fd() ? FdDlcOfLength(uint8_t(n)) : uint8_t(n);
    return SKIP_REASONS;
  }

  std::unique_ptr<TByteSource> source_;
  TLineReader lines_;
  std::string lastName_;
  uint16_t lastChannel_ = 0;
};

class TCandumpWriter : public TLogWriter {
 public:
  using TLogWriter::TLogWriter;

  void Write(const TLogMessage& m) override {
    if (m.Event != LOG_FRAME) {
      ++report_.LeftOut[LEFT_OUT_BUS_EVENT];
      return;
    }
    if (!ZeroDecided()) DecideZero(&m);
    char line[256];
    char* p = line;
    *p++ = '(';
    // candump's times are seconds since 1970: the log's own zero is added
    // (nothing when the log does not say when it began).
    p = WriteSeconds(p, (StartUnknown() ? 0 : StartEpochNs()) + RelativeTime(m), 6);
    *p++ = ')';
    *p++ = ' ';
    const std::string& name = Name(m.Channel);
    std::memcpy(p, name.data(), name.size());
    p += name.size();
    *p++ = ' ';
    p = Identifier(p, m);
    *p++ = '#';
    p = Payload(p, m);
    if (m.Tx() && !m.ErrorFrame()) {
      *p++ = ' ';
      *p++ = 'T';
    }
    *p++ = '\n';
    sink_.Put(line, size_t(p - line));
    ++report_.Written;
    if (m.ErrorFrame()) ++report_.BusEvents;
  }

  void Finish() override {
    if (!ZeroDecided()) DecideZero(nullptr);
  }

 private:
  const std::string& Name(uint16_t channel) {
    if (channel >= names_.size()) names_.resize(size_t(channel) + 1);
    std::string& name = names_[channel];
    if (name.empty()) name = ChannelName(channel).substr(0, 64);
    return name;
  }

  static char* Identifier(char* p, const TLogMessage& m) {
    if (m.ErrorFrame()) {
      // Without an error class from the source, the bus-error class that
      // other readers look for.
      const uint32_t id = CanErrorFlag | (m.ID ? (m.ID & 0x1FFFFFFF) : CanErrorBusError);
      for (int s = 28; s >= 0; s -= 4) *p++ = HexUpper[(id >> s) & 15];
      return p;
    }
    const int digits = m.Extended() ? 8 : 3;
    for (int s = (digits - 1) * 4; s >= 0; s -= 4) *p++ = HexUpper[(m.ID >> s) & 15];
    return p;
  }

  static char* Payload(char* p, const TLogMessage& m) {
    if (m.Remote()) {
      *p++ = 'R';
      if (m.DLC > 0 && m.DLC <= 8) *p++ = HexUpper[m.DLC];
      return p;
    }
    if (m.Fd()) {
      *p++ = '#';
      *p++ = HexUpper[((m.Flags & LOG_BRS) ? 1 : 0) | ((m.Flags & LOG_ESI) ? 2 : 0)];
    }
    const int n = m.Fd() ? m.Length : std::min<int>(m.Length, 8);
    for (int i = 0; i < n; ++i) p = PutHexByte(p, m.Data[i]);
    if (!m.Fd() && !m.ErrorFrame() && n == 8 && m.DLC > 8 && m.DLC <= 15) {
      *p++ = '_';
      *p++ = HexUpper[m.DLC];
    }
    return p;
  }

  std::vector<std::string> names_;
};

}  // namespace

bool IsCandumpLog(std::string_view head) {
  // The first line that is not empty decides.
  while (!head.empty()) {
    const size_t nl = head.find('\n');
    std::string_view line = head.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") != std::string_view::npos) return LooksLikeCandumpLine(line);
    if (nl == std::string_view::npos) break;
    head.remove_prefix(nl + 1);
  }
  return false;
}

std::unique_ptr<TLogReader> MakeCandumpReader(std::unique_ptr<TByteSource> source) {
  return std::make_unique<TCandumpReader>(std::move(source));
}

std::unique_ptr<TLogWriter> MakeCandumpWriter(TByteSink& sink, const TLogWriteOptions& options) {
  return std::make_unique<TCandumpWriter>(sink, options);
}

}  // namespace tarvo
