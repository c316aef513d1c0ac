#include "logging/ReplayParser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/TextRoutines.h"

namespace tarvo {

namespace {

// ---- Fields ----------------------------------------------------------------------

// The fields of one line. Only the first few are kept (no line of any format
// needs more than 14); all are counted.
struct TFields {
  static constexpr int Kept = 16;
  std::string_view Field[Kept];
  size_t Count = 0;

  std::string_view operator[](size_t i) const { return i < size_t(Kept) && i < Count ? Field[i] : std::string_view(); }
  void Add(std::string_view f) {
    if (Count < size_t(Kept)) Field[Count] = f;
    ++Count;
  }
};

inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A quoted field from the opening quote at line[p]: its text up to the
// matching quote (or the end of the line), two quotes inside standing for
// one. p ends after the closing quote. Texts with doubled quotes are built
// in scratch, which holds room for the whole line, so earlier fields stay put.
std::string_view QuotedField(std::string_view line, size_t& p, std::string& scratch) {
  ++p;
  const size_t start = p;
  bool doubled = false;
  while (p < line.size()) {
    if (line[p] == '"') {
      if (p + 1 < line.size() && line[p + 1] == '"') {
        doubled = true;
        p += 2;
        continue;
      }
      break;
    }
    ++p;
  }
  std::string_view raw = line.substr(start, p - start);
  if (p < line.size()) ++p;  // the closing quote
  if (!doubled) return raw;
  if (scratch.capacity() < line.size()) {
    scratch.clear();
    scratch.reserve(line.size());
  }
  const size_t from = scratch.size();
  for (size_t i = 0; i < raw.size(); ++i) {
    scratch.push_back(raw[i]);
    if (raw[i] == '"') ++i;  // the second quote of a pair
  }
  return std::string_view(scratch).substr(from);
}

void SplitFields(std::string_view line, char separator, TFields& fields, std::string& scratch) {
  fields.Count = 0;
  scratch.clear();
  size_t p = 0;
  const size_t n = line.size();
  while (p < n && IsBlank(line[p])) ++p;
  while (p < n) {
    if (line[p] == '"') {
      fields.Add(QuotedField(line, p, scratch));
    } else {
      const size_t start = p;
      while (p < n && !IsBlank(line[p]) && line[p] != separator) ++p;
      fields.Add(line.substr(start, p - start));
    }
    while (p < n && IsBlank(line[p])) ++p;
    if (p < n && line[p] == separator) {
      if (p + 1 == n) fields.Add(std::string_view());
      ++p;
      while (p < n && IsBlank(line[p])) ++p;
    }
  }
}

// ---- Numbers ----------------------------------------------------------------------

// Halves to even: q + (r / den rounded), r < den.
inline uint64_t RoundHalfEven(unsigned __int128 q, unsigned __int128 r, unsigned __int128 den, bool& overflow) {
  if (2 * r > den || (2 * r == den && (q & 1))) ++q;
  overflow = q > 0xFFFFFFFFu;
  return uint64_t(q);
}

// "digits[.digits]": exact, with no floating point. -1 when the text is not
// of that shape (or too long to be exact), so the general reader decides.
int PlainDecimalToTicks(std::string_view text, uint32_t& ticks) {
  uint64_t number = 0;
  int digits = 0, fractionDigits = 0;
  bool point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (number == 0 && c == '0' && !point) continue;  // leading zeros add nothing
      if (++digits > 18) return -1;
      number = number * 10 + uint64_t(c - '0');
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return -1;
    }
  }
  // At least one digit somewhere: "." alone is no number.
  if (text.size() == size_t(point ? 1 : 0)) return -1;
  // Zeros after the point that came before any other digit still scale.
  if (point) {
    const size_t dot = text.find('.');
    fractionDigits = int(text.size() - dot - 1);
    if (fractionDigits > 18) return -1;
  }
  // ticks = number / 10^k seconds * 39062.5 = number * 78125 / (2 * 10^k)
  uint64_t den = 2;
  for (int i = 0; i < fractionDigits; ++i) den *= 10;
  const unsigned __int128 num = (unsigned __int128)number * 78125u;
  bool overflow = false;
  const uint64_t t = RoundHalfEven(num / den, num % den, den, overflow);
  if (overflow) return 2;
  ticks = uint32_t(t);
  return 0;
}

// Decimal integer with an optional sign, as a data-length field. False when
// it is no integer; tooLarge when it is one that does not fit 32 bits.
bool IntegerText(std::string_view text, int64_t& value, bool& tooLarge) {
  tooLarge = false;
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    if (v < (int64_t(1) << 32)) v = v * 10 + (c - '0');
  }
  value = negative ? -v : v;
  tooLarge = value > INT32_MAX || value < INT32_MIN;
  return true;
}

bool ContainsTenTildes(std::string_view line) { return line.find("~~~~~~~~~~") != std::string_view::npos; }

// Position (0-based) of the first occurrence, or npos.
inline size_t Find(std::string_view s, std::string_view what) { return s.find(what); }

}  // namespace

int TimeTextToTicks(std::string_view text, uint32_t& ticks) {
  const int plain = PlainDecimalToTicks(text, ticks);
  if (plain >= 0) return plain;
  if (!CheckTimeText(text)) return 1;
  double seconds = 0;
  std::from_chars(text.data(), text.data() + text.size(), seconds);
  const double x = seconds * 39062.5;
  // Nearest, halves to even, under the default rounding mode.
  const double rounded = std::nearbyint(x);
  if (!(rounded >= 0.0 && rounded <= 4294967295.0)) return 2;
  ticks = uint32_t(rounded);
  return 0;
}

// ---- The reader --------------------------------------------------------------------

TReplayLogParser::TReplayLogParser(const TReplayParseOptions& options, std::span<TTarvoCAN> messages,
                                   std::span<uint8_t> directions)
    : m_options(options),
      m_messages(messages.first(std::min<size_t>(messages.size(), size_t(MaxLogMessages)))),
      m_directions(directions) {}

bool TReplayLogParser::Fail(TReplayParseStatus status, const char* reason) {
  m_result.Status = status;
  m_result.LineNo = m_lineNo;
  m_result.Reason = reason;
  m_ended = true;
  return false;
}

bool TReplayLogParser::Line(std::string_view line) {
  if (m_ended) return false;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  ++m_lineNo;
  if (m_lineNo <= 5) return HeaderLine(line);
  MessageLine(line);
  if (m_ended) return false;
  if (line.empty() || ContainsTenTildes(line) || size_t(m_result.NoOfMessages) >= m_messages.size()) {
    m_ended = true;
    return false;
  }
  return true;
}

// Lines 1 to 5 of the file.
bool TReplayLogParser::HeaderLine(std::string_view line) {
  const auto has = [&](std::string_view what) { return line.find(what) != std::string_view::npos; };
  if (m_options.FileType == ASC_FILE) {
    switch (m_lineNo) {
      case 1: return has("date ") || Fail(PARSE_FORMAT_INVALID, "header line 1 lacks \"date \"");
      case 2: m_result.NumericBase = has("base dec") ? 0 : 1; return true;
      case 3:
        return has("no internal events logged") ||
               Fail(PARSE_FORMAT_INVALID, "header line 3 lacks \"no internal events logged\"");
      case 4:
        return has("// Tarvo Application") || Fail(PARSE_FORMAT_INVALID, "header line 4 lacks \"// Tarvo Application\"");
      default:
        return has("0.000000 Start of measurement") ||
               Fail(PARSE_FORMAT_INVALID, "header line 5 lacks \"0.000000 Start of measurement\"");
    }
  }
  switch (m_lineNo) {
    case 1: return ContainsTenTildes(line) || Fail(PARSE_FORMAT_INVALID, "header line 1 lacks ten \"~\"");
    case 2: m_result.NumericBase = has("- Decimal") ? 0 : 1; return true;
    case 3: return ContainsTenTildes(line) || Fail(PARSE_FORMAT_INVALID, "header line 3 lacks ten \"~\"");
    case 4: return true;
    default:
      return (has("TYPE") && has("TIME")) || Fail(PARSE_FORMAT_INVALID, "header line 5 lacks \"TYPE\" and \"TIME\"");
  }
}

// One line after the header: split, data length, direction, message, spacing.
void TReplayLogParser::MessageLine(std::string_view line) {
  const TLogFileType type = m_options.FileType;
  TFields f;
  int64_t n = 0;
  if (type == CSV_FILE) {
    SplitFields(line, ',', f, m_scratch);
    while (n < 8 && size_t(3 + n) < f.Count && !f[size_t(3 + n)].empty()) ++n;
  } else if (type == ASC_FILE) {
    SplitFields(line, ' ', f, m_scratch);
    if (f.Count >= 6) {
      bool tooLarge = false;
      if (!IntegerText(f[5], n, tooLarge) || tooLarge) {
        Fail(PARSE_ERROR, "data length is not a number");
        return;
      }
    }
  } else {
    SplitFields(line.substr(0, 68), ' ', f, m_scratch);
    n = f.Count > 3 ? int64_t(f.Count) - 3 : 0;
  }
  // A negative length would reach the adapter as a DLC of 255.
  if (n > 8 || n < 0) {
    Fail(PARSE_FORMAT_INVALID, "data length outside 0..8");
    return;
  }

  // Message line of a selected direction?
  uint8_t direction;
  if (type == ASC_FILE) {
    if (f.Count < 6) return;
    const std::string_view dir = f[3];
    if (dir.starts_with("Rx") && m_options.ReplayRx) direction = REPLAY_DIRECTION_RX;
    else if (dir.starts_with("Tx") && m_options.ReplayTx) direction = REPLAY_DIRECTION_TX;
    else return;
  } else {
    if (f.Count < 3) return;
    const std::string_view code = f[0];
    if (code.starts_with('R') && m_options.ReplayRx) direction = REPLAY_DIRECTION_RX;
    else if (code.starts_with('T') && m_options.ReplayTx) direction = REPLAY_DIRECTION_TX;
    else return;
    if (Find(code, "E") == 1) return;  // "RE" and "TE" error-counter lines
  }

  TTarvoCAN& m = m_messages[size_t(m_result.NoOfMessages)];
  const bool hex = m_result.NumericBase != 0;
  std::string_view idText;
  std::string_view timeText;
  size_t firstData;
  if (type == ASC_FILE) {
    const std::string_view kind = f[4];
    if (kind.starts_with('d')) m.RTR = 0;
    else if (kind.starts_with('r')) m.RTR = 1;
    else {
      Fail(PARSE_FORMAT_INVALID, "frame kind is neither \"d\" nor \"r\"");
      return;
    }
    const size_t x = f[2].find('x');
    m.IDE = x != std::string_view::npos ? 1 : 0;
    idText = f[2].substr(0, x);
    timeText = f[0];
    firstData = 6;
  } else {
    const std::string_view code = f[0];
    if (Find(code, "D") == 1) m.RTR = 0;
    else if (code.size() > 1 && code[1] == 'R') m.RTR = 1;
    else {
      Fail(PARSE_FORMAT_INVALID, "type code is neither data nor remote");
      return;
    }
    if (Find(code, "11") == 2) m.IDE = 0;
    else if (Find(code, "29") == 2) m.IDE = 1;
    else {
      Fail(PARSE_FORMAT_INVALID, "type code is neither 11-bit nor 29-bit");
      return;
    }
    idText = f[2];
    timeText = f[1];
    if (timeText.starts_with('!')) timeText.remove_prefix(1);
    firstData = 3;
  }

  if (CheckIDText(m.IDE == 0, idText, hex) != 0) {
    Fail(PARSE_FORMAT_INVALID, "identifier not valid");
    return;
  }
  m.ID = hex ? HexTextToInt(idText) : DecTextToInt(idText);
  m.DLC = uint8_t(n);
  if (m.RTR == 0) {
    for (size_t i = 0; i < size_t(n); ++i) {
      const std::string_view byteText = f[firstData + i];
      if (!CheckDataByteText(byteText, hex)) {
        Fail(PARSE_FORMAT_INVALID, "data byte not valid");
        return;
      }
      m.Data[i] = uint8_t(hex ? HexTextToInt(byteText) : DecTextToInt(byteText));
    }
  }

  if (timeText.empty()) {
    Fail(PARSE_FORMAT_INVALID, "time missing");
    return;
  }
  uint32_t ticks = 0;
  const int time = TimeTextToTicks(timeText, ticks);
  if (time == 1) {
    Fail(PARSE_FORMAT_INVALID, "time not valid");
    return;
  }
  if (time == 2) {
    Fail(PARSE_ERROR, "time outside the adapter's 32-bit time stamps");
    return;
  }

  // Consecutive messages at least the minimum gap apart; equal and earlier
  // times are pushed forward.
  if (m_result.NoOfMessages > 0) {
    const uint32_t previous = m_messages[size_t(m_result.NoOfMessages) - 1].TimeStamp;
    if (ticks < previous || ticks - previous < m_options.MinimumGap) ticks = previous + m_options.MinimumGap;
  }
  m.TimeStamp = ticks;
  if (size_t(m_result.NoOfMessages) < m_directions.size()) m_directions[size_t(m_result.NoOfMessages)] = direction;
  ++m_result.NoOfMessages;
}

TReplayParseResult TReplayLogParser::Finish() {
  // A file that ends inside the header reads its missing lines as empty.
  while (!m_ended && m_lineNo < 5) HeaderLine((++m_lineNo, std::string_view()));
  m_ended = true;
  return m_result;
}

TReplayParseResult ParseReplayLog(std::string_view bytes, const TReplayParseOptions& options,
                                  std::span<TTarvoCAN> messages, std::span<uint8_t> directions) {
  TReplayLogParser parser(options, messages, directions);
  size_t p = 0;
  while (p < bytes.size()) {
    const void* nl = std::memchr(bytes.data() + p, '\n', bytes.size() - p);
    const size_t end = nl ? size_t(static_cast<const char*>(nl) - bytes.data()) : bytes.size();
    if (!parser.Line(bytes.substr(p, end - p))) break;
    p = end + 1;
  }
  return parser.Finish();
}

namespace {

constexpr size_t ChunkSize = size_t(1) << 20;
constexpr size_t LongestLine = size_t(64) << 20;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

TReplayParseResult ParseReplayLogFile(const std::string& path, const TReplayParseOptions& options,
                                      std::span<TTarvoCAN> messages, std::span<uint8_t> directions) {
  TReplayParseResult failed;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    failed.Status = PARSE_IO_ERROR;
    failed.Reason = "file cannot be opened";
    return failed;
  }
  TReplayLogParser parser(options, messages, directions);
  std::vector<char> buffer(ChunkSize);
  size_t filled = 0;  // bytes in buffer, the start of an unfinished line first
  bool more = true;
  while (more) {
    if (filled == buffer.size()) {
      if (buffer.size() >= LongestLine) {
        failed = parser.Finish();
        if (failed.Status == PARSE_VALID) {
          failed.Status = PARSE_ERROR;
          failed.Reason = "line longer than 64 MiB";
        }
        return failed;
      }
      buffer.resize(std::min(buffer.size() * 2, LongestLine));
    }
    const size_t got = std::fread(buffer.data() + filled, 1, buffer.size() - filled, file.get());
    if (got < buffer.size() - filled) {
      if (std::ferror(file.get())) {
        failed.Status = PARSE_IO_ERROR;
        failed.Reason = "file cannot be read";
        return failed;
      }
      more = false;
    }
    filled += got;
    // Every complete line; at the end of the file the last one without a line end too.
    const std::string_view data(buffer.data(), filled);
    size_t p = 0;
    while (p < filled) {
      const void* nl = std::memchr(data.data() + p, '\n', filled - p);
      if (!nl && more) break;
      const size_t end = nl ? size_t(static_cast<const char*>(nl) - data.data()) : filled;
      if (!parser.Line(data.substr(p, end - p))) return parser.Finish();
      p = end + 1;
    }
    if (p >= filled) {
      filled = 0;
    } else {
      std::memmove(buffer.data(), buffer.data() + p, filled - p);
      filled -= p;
    }
  }
  return parser.Finish();
}

}  // namespace tarvo
