#include "logging/ReplayParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/ReplacingFile.h"

#include "common/TextRoutines.h"
#include "common/TimeUnits.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvo {

namespace {

// ---- Fields ----------------------------------------------------------------------

// The fields of one line. Only the first few are kept (no line of any format
// needs more than 14); all are counted.
struct TFields {
  static constexpr size_t Kept = 16;
  struct TField {
    const char* Text;
    size_t Size;
  };
  TField Field[Kept];  // only the first min(Count, Kept) are set
  size_t Count = 0;

  std::string_view operator[](size_t i) const {
    return i < Kept && i < Count ? std::string_view(Field[i].Text, Field[i].Size) : std::string_view();
  }
  void Add(const char* text, size_t size) {
    if (Count < Kept) Field[Count] = {text, size};
    ++Count;
  }
  void Add(std::string_view f) { Add(f.data(), f.size()); }
};

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

// Eight characters at a time: one bit (the top bit of its byte) per
// character, exact for every byte, no carry between bytes.
constexpr uint64_t Ones = 0x0101010101010101u;
constexpr uint64_t High = 0x8080808080808080u;
inline uint64_t Load8(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}
// Bytes above the space (field characters and the separator).
inline uint64_t AboveSpace(uint64_t w) { return (((w & ~High) + 0x5F * Ones) | w) & High; }
// Bytes equal to c.
inline uint64_t Equal(uint64_t w, char c) {
  const uint64_t t = w ^ (uint64_t(static_cast<unsigned char>(c)) * Ones);
  return ~(((t & ~High) + 0x7F * Ones) | t) & High;
}
inline size_t FirstFlagged(uint64_t flags) { return size_t(__builtin_ctzll(flags)) / 8; }

// Spaces and control characters are skipped eight at a time where they run
// long (the column padding of TXT and ASC).
inline const char* SkipBlanks(const char* p, const char* end) {
  // Most runs between fields are one space.
  if (end - p >= 2 && p[0] == ' ' && static_cast<unsigned char>(p[1]) > ' ') return p + 1;
  while (end - p >= 8) {
    const uint64_t nonBlank = AboveSpace(Load8(p));
    if (nonBlank) return p + FirstFlagged(nonBlank);
    p += 8;
  }
  while (p < end && static_cast<unsigned char>(*p) <= ' ') ++p;
  return p;
}

// A field character: above the space and not the separator (with the space
// as separator, every character above it). A quote inside a field is an
// ordinary character.
template <char Separator>
inline bool IsFieldChar(char c) {
  return static_cast<unsigned char>(c) > ' ' && (Separator == ' ' || c != Separator);
}

template <char Separator>
inline const char* SkipField(const char* p, const char* end) {
  while (end - p >= 8) {
    const uint64_t w = Load8(p);
    uint64_t stop = ~AboveSpace(w) & High;
    if (Separator != ' ') stop |= Equal(w, Separator);
    if (stop) return p + FirstFlagged(stop);
    p += 8;
  }
  while (p < end && IsFieldChar<Separator>(*p)) ++p;
  return p;
}

#if defined(__SSE2__)
// Space-separated fields of a line of up to 128 characters without a quote,
// at once: a mask of the characters above the space, sixteen at a time, whose
// runs are the fields. False (nothing done) for any other line.
inline bool SplitSpaceFieldsAtOnce(std::string_view line, TFields& fields) {
  const size_t n = line.size();
  if (n > 128) return false;
  alignas(16) char padded[128];
  std::memcpy(padded, line.data(), n);
  std::memset(padded + n, ' ', 128 - n);
  const __m128i aboveSpace = _mm_set1_epi8(' ' + 1), quote = _mm_set1_epi8('"');
  uint64_t words[2] = {0, 0};
  uint32_t quotes = 0;
  for (size_t i = 0; i < n; i += 16) {
    const __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(padded + i));
    // x >= 0x21 as unsigned bytes: max(x, 0x21) == x
    const uint32_t above = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(x, aboveSpace), x)));
    quotes |= uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(x, quote)));
    words[i / 64] |= uint64_t(above) << (i % 64);
  }
  if (quotes) return false;
  const unsigned __int128 mask = (unsigned __int128)words[1] << 64 | words[0];
  unsigned __int128 starts = mask & ~(mask << 1);
  unsigned __int128 ends = mask & ~(mask >> 1);
  const auto lowest = [](unsigned __int128 v) {
    const uint64_t lo = uint64_t(v);
    return lo ? size_t(__builtin_ctzll(lo)) : 64 + size_t(__builtin_ctzll(uint64_t(v >> 64)));
  };
  fields.Count = 0;
  while (starts) {
    const size_t first = lowest(starts), last = lowest(ends);
    fields.Add(line.data() + first, last - first + 1);
    starts &= starts - 1;
    ends &= ends - 1;
  }
  return true;
}
#endif

template <char Separator>
void SplitFields(std::string_view line, TFields& fields, std::string& scratch) {
#if defined(__SSE2__)
  if (Separator == ' ' && SplitSpaceFieldsAtOnce(line, fields)) return;
#endif
  fields.Count = 0;
  scratch.clear();
  const char* const begin = line.data();
  const char* const end = begin + line.size();
  const char* p = SkipBlanks(begin, end);
  while (p < end) {
    if (*p == '"') {
      size_t at = size_t(p - begin);
      fields.Add(QuotedField(line, at, scratch));
      p = begin + at;
    } else {
      const char* const start = p;
      p = SkipField<Separator>(p, end);
      fields.Add(start, size_t(p - start));
    }
    p = SkipBlanks(p, end);
    if (Separator != ' ' && p < end && *p == Separator) {
      if (p + 1 == end) fields.Add(nullptr, 0);
      p = SkipBlanks(p + 1, end);
    }
  }
}

// ---- Numbers ----------------------------------------------------------------------

// Halves to even: q + (r / den rounded), r < den.
template <typename T>
inline uint64_t RoundHalfEven(T q, T r, T den, bool& overflow) {
  if (2 * r > den || (2 * r == den && (q & 1))) ++q;
  overflow = q > 0xFFFFFFFFu;
  return uint64_t(q);
}

// Digit values: "0".."9" and upper-case "A".."F"; 255 for any other character.
struct TDigitTable {
  uint8_t Of[256];
  constexpr TDigitTable() : Of() {
    for (int c = 0; c < 256; ++c) Of[c] = 255;
    for (int c = '0'; c <= '9'; ++c) Of[c] = uint8_t(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) Of[c] = uint8_t(c - 'A' + 10);
  }
};
constexpr TDigitTable Digits;

// The identifier and data-byte texts in one pass: false when empty or with a
// character outside the base's digits (the checks of CheckIDText and
// CheckDataByteText); the value saturates at 0xFFFFFFFF as HexTextToInt does,
// so an over-long text never passes a range check.
inline bool NumberText(std::string_view text, bool hex, uint32_t& value) {
  if (text.empty()) return false;
  const uint32_t base = hex ? 16 : 10;
  uint64_t v = 0;
  for (char c : text) {
    const uint32_t d = Digits.Of[static_cast<unsigned char>(c)];
    if (d >= base) return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFu) v = 0x100000000u;
  }
  value = v > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(v);
  return true;
}

// "digits[.digits]": exact, with no floating point. -1 when the text is not
// of that shape (or too long to be exact), so the general reader decides.
int PlainDecimalToTicks(std::string_view text, uint32_t& ticks) {
  uint64_t number = 0;
  int digits = 0;           // significant digits in number
  int fractionDigits = -1;  // digits after the point; -1 without a point
  for (char c : text) {
    const unsigned d = unsigned(c) - unsigned('0');
    if (d <= 9) {
      if (fractionDigits >= 0) ++fractionDigits;
      if (number == 0 && d == 0) continue;  // leading zeros add nothing
      if (++digits > 18) return -1;
      number = number * 10 + d;
    } else if (c == '.' && fractionDigits < 0) {
      fractionDigits = 0;
    } else {
      return -1;
    }
  }
  // At least one digit somewhere: "." alone is no number.
  if (text.size() == size_t(fractionDigits == 0 ? 1 : 0)) return -1;
  if (fractionDigits > 18) return -1;
  // ticks = number / 10^k seconds * 39062.5 = number * 78125 / (2 * 10^k)
  bool overflow = false;
  uint64_t t;
  if (number < UINT64_MAX / 78125u) {
    const uint64_t num = number * 78125u;  // the usual times: 64 bits suffice
    // The recorder's 4 and 6 decimals divide by constants, which compile to multiplications.
    if (fractionDigits == 4) t = RoundHalfEven<uint64_t>(num / 20000u, num % 20000u, 20000u, overflow);
    else if (fractionDigits == 6) t = RoundHalfEven<uint64_t>(num / 2000000u, num % 2000000u, 2000000u, overflow);
    else {
      uint64_t den = 2;
      for (int i = 0; i < fractionDigits; ++i) den *= 10;
      t = RoundHalfEven<uint64_t>(num / den, num % den, den, overflow);
    }
  } else {
    unsigned __int128 den = 2;
    for (int i = 0; i < fractionDigits; ++i) den *= 10;
    const unsigned __int128 num = (unsigned __int128)number * 78125u;
    t = RoundHalfEven<unsigned __int128>(num / den, num % den, den, overflow);
  }
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
  const double x = seconds * TicksPerSecond;
  // Nearest, halves to even, under the default rounding mode.
  const double rounded = std::nearbyint(x);
  if (!(rounded >= 0.0 && rounded <= 4294967295.0)) return 2;
  ticks = uint32_t(rounded);
  return 0;
}

// ---- The reader --------------------------------------------------------------------

TReplayLogParser::TReplayLogParser(const TReplayParseOptions& options, std::span<TTarvoCAN> messages,
                                   std::span<uint8_t> directions)
    : options_(options),
      messages_(messages.first(std::min<size_t>(messages.size(), size_t(MaxLogMessages)))),
      directions_(directions) {}

bool TReplayLogParser::Fail(TReplayParseStatus status, const char* reason) {
  result_.Status = status;
  result_.LineNo = lineNo_;
  result_.Reason = reason;
  ended_ = true;
  return false;
}

bool TReplayLogParser::Line(std::string_view line) {
  if (ended_) return false;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  ++lineNo_;
  if (lineNo_ <= 5) return HeaderLine(line);
  MessageLine(line);
  if (ended_) return false;
  if (line.empty() || ContainsTenTildes(line) || size_t(result_.NoOfMessages) >= messages_.size()) {
    ended_ = true;
    return false;
  }
  return true;
}

// Lines 1 to 5 of the file.
bool TReplayLogParser::HeaderLine(std::string_view line) {
  const auto has = [&](std::string_view what) { return line.find(what) != std::string_view::npos; };
  if (options_.FileType == ASC_FILE) {
    switch (lineNo_) {
      case 1:
        result_.DateLine = std::string(line.substr(0, 200));
        return has("date ") || Fail(PARSE_FORMAT_INVALID, "header line 1 lacks \"date \"");
      case 2: result_.NumericBase = has("base dec") ? 0 : 1; return true;
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
  switch (lineNo_) {
    case 1: return ContainsTenTildes(line) || Fail(PARSE_FORMAT_INVALID, "header line 1 lacks ten \"~\"");
    case 2:
      result_.DateLine = std::string(line.substr(0, 200));
      result_.NumericBase = has("- Decimal") ? 0 : 1;
      return true;
    case 3: return ContainsTenTildes(line) || Fail(PARSE_FORMAT_INVALID, "header line 3 lacks ten \"~\"");
    case 4: return true;
    default:
      return (has("TYPE") && has("TIME")) || Fail(PARSE_FORMAT_INVALID, "header line 5 lacks \"TYPE\" and \"TIME\"");
  }
}

// One line after the header: split, data length, direction, message, spacing.
void TReplayLogParser::MessageLine(std::string_view line) {
  const TLogFileType type = options_.FileType;
  TFields f;
  int64_t n = 0;
  if (type == CSV_FILE) {
    SplitFields<','>(line, f, scratch_);
    while (n < 8 && size_t(3 + n) < f.Count && !f[size_t(3 + n)].empty()) ++n;
    // The data positions after the last byte stay empty up to the eighth: a
    // byte after an empty field would otherwise be dropped without a word.
    for (size_t i = size_t(3 + n); i < std::min<size_t>(f.Count, 11); ++i)
      if (!f[i].empty()) {
        Fail(PARSE_FORMAT_INVALID, "a data byte after an empty data field");
        return;
      }
  } else if (type == ASC_FILE) {
    SplitFields<' '>(line, f, scratch_);
    if (f.Count >= 6) {
      bool tooLarge = false;
      if (!IntegerText(f[5], n, tooLarge) || tooLarge) {
        Fail(PARSE_ERROR, "data length is not a number");
        return;
      }
    }
  } else {
    SplitFields<' '>(line.substr(0, 68), f, scratch_);
    n = f.Count > 3 ? int64_t(f.Count) - 3 : 0;
  }
  // A negative length would reach the adapter as a DLC of 255.
  if (n > 8 || n < 0) {
    Fail(PARSE_FORMAT_INVALID, "data length outside 0..8");
    return;
  }

  // Message line of a selected direction? Other lines (status, bus events,
  // error frames and counters, bus load, the other direction) are counted.
  uint8_t direction;
  if (type == ASC_FILE) {
    if (f.Count < 6) {
      if (f.Count > 0) ++result_.LeftOut;
      return;
    }
    const std::string_view dir = f[3];
    if (dir.starts_with("Rx") && options_.ReplayRx) direction = REPLAY_DIRECTION_RX;
    else if (dir.starts_with("Tx") && options_.ReplayTx) direction = REPLAY_DIRECTION_TX;
    else return void(++result_.LeftOut);
    if (dir.size() != 2) {
      Fail(PARSE_FORMAT_INVALID, "direction is neither \"Rx\" nor \"Tx\"");
      return;
    }
  } else {
    if (f.Count < 3) {
      if (f.Count > 0) ++result_.LeftOut;
      return;
    }
    const std::string_view code = f[0];
    if (code.starts_with('R') && options_.ReplayRx) direction = REPLAY_DIRECTION_RX;
    else if (code.starts_with('T') && options_.ReplayTx) direction = REPLAY_DIRECTION_TX;
    else return void(++result_.LeftOut);
    if (Find(code, "E") == 1) return void(++result_.LeftOut);  // "RE" and "TE" error-counter lines
    if (code.size() != 4) {
      Fail(PARSE_FORMAT_INVALID, "type code is not one of RD11, RR11, RD29, RR29, TD11, TR11, TD29, TR29");
      return;
    }
  }

  TTarvoCAN& m = messages_[size_t(result_.NoOfMessages)];
  const bool hex = result_.NumericBase != 0;
  std::string_view idText;
  std::string_view timeText;
  size_t firstData;
  if (type == ASC_FILE) {
    const std::string_view kind = f[4];
    if (kind == "d") m.RTR = 0;
    else if (kind == "r") m.RTR = 1;
    else {
      Fail(PARSE_FORMAT_INVALID, "frame kind is neither \"d\" nor \"r\"");
      return;
    }
    const size_t x = f[2].find('x');
    m.IDE = x != std::string_view::npos ? 1 : 0;
    if (x != std::string_view::npos && x + 1 != f[2].size()) {
      Fail(PARSE_FORMAT_INVALID, "identifier not valid");  // "12x34": the "x" ends a 29-bit identifier
      return;
    }
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

  uint32_t id = 0;
  if (!NumberText(idText, hex, id) || id > (m.IDE ? 0x1FFFFFFFu : 0x7FFu)) {
    Fail(PARSE_FORMAT_INVALID, "identifier not valid");
    return;
  }
  m.ID = id;
  m.DLC = uint8_t(n);
  if (m.RTR == 0) {
    for (size_t i = 0; i < size_t(n); ++i) {
      uint32_t byte = 0;
      if (!NumberText(f[firstData + i], hex, byte) || byte > 255) {
        Fail(PARSE_FORMAT_INVALID, "data byte not valid");
        return;
      }
      m.Data[i] = uint8_t(byte);
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
  if (result_.NoOfMessages == 0) firstRecorded_ = ticks;
  if (ticks >= firstRecorded_) result_.RecordedSpan = std::max(result_.RecordedSpan, ticks - firstRecorded_);
  if (result_.NoOfMessages > 0) {
    const uint32_t previous = messages_[size_t(result_.NoOfMessages) - 1].TimeStamp;
    if (ticks < previous || ticks - previous < options_.MinimumGap) {
      ticks = previous + options_.MinimumGap;
      ++result_.SpacedOut;
    }
  }
  m.TimeStamp = ticks;
  if (size_t(result_.NoOfMessages) < directions_.size()) directions_[size_t(result_.NoOfMessages)] = direction;
  ++result_.NoOfMessages;
}

TReplayParseResult TReplayLogParser::Finish() {
  // A file that ends inside the header reads its missing lines as empty.
  while (!ended_ && lineNo_ < 5) HeaderLine((++lineNo_, std::string_view()));
  ended_ = true;
  return result_;
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
constexpr size_t LongestLine = MaxLogLineBytes;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

TReplayParseResult ParseReplayLogFile(const std::string& path, const TReplayParseOptions& options,
                                      std::span<TTarvoCAN> messages, std::span<uint8_t> directions) {
  TReplayParseResult failed;
  // A FIFO or a device would block the open or never end.
  if (ExistsButIsNotARegularFile(path)) {
    failed.Status = PARSE_IO_ERROR;
    failed.Reason = "not a regular file";
    return failed;
  }
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

std::string ReplayFailureText(const TReplayParseResult& r) {
  const char* described = r.Status == PARSE_IO_ERROR ? "Log file I/O error!"
                          : r.Status == PARSE_ERROR  ? "Log file error!"
                                                     : "Log file format invalid.";
  std::string detail = r.Reason ? r.Reason : "";
  if (r.LineNo != 0) detail = "Line " + std::to_string(r.LineNo) + ": " + detail;
  else if (!detail.empty()) detail[0] = char(std::toupper(static_cast<unsigned char>(detail[0])));
  return detail.empty() ? described : std::string(described) + "\r\n\r\n" + detail + ".";
}

}  // namespace tarvo
