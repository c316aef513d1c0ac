#include "logio/LogWriter.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "logio/LogFormats.h"

namespace tarvo {

void TLogWriter::DecideZero(const TLogMessage* first) {
  if (zeroDecided_) return;
  zeroDecided_ = true;
  const TLogInfo& s = options_.Source;
  if (s.EpochTimes) {
    // The first message's whole second (toward minus infinity) becomes the
    // zero, so a header date of whole seconds says the start exactly.
    const int64_t t = first ? first->Time : options_.NowEpochNs;
    int64_t second = t / 1'000'000'000;
    if (t < 0 && t % 1'000'000'000) --second;
    shift_ = second * 1'000'000'000;
    startEpochNs_ = shift_;
    startUnknown_ = !first;
    return;
  }
  shift_ = 0;
  if (s.StartEpochNs) {
    startEpochNs_ = *s.StartEpochNs;
  } else {
    startEpochNs_ = options_.NowEpochNs;
    startUnknown_ = true;
  }
}

std::string TLogWriter::ChannelName(uint16_t channel) const {
  const auto& names = options_.Source.ChannelNames;
  if (channel >= 1 && channel <= names.size() && !names[channel - 1].empty()) return names[channel - 1];
  return "can" + std::to_string(channel >= 1 ? channel - 1 : 0);
}

std::unique_ptr<TLogWriter> MakeLogWriter(TLogFormat format, TByteSink& sink, const TLogWriteOptions& options) {
  switch (format) {
    case LOG_FORMAT_TXT:
    case LOG_FORMAT_CSV: return MakeTarvoWriter(format, sink, options);
    case LOG_FORMAT_ASC: return MakeAscWriter(sink, options);
    case LOG_FORMAT_CANDUMP: return MakeCandumpWriter(sink, options);
    case LOG_FORMAT_BLF: return MakeBlfWriter(sink, options);
    case LOG_FORMAT_TRC: return MakeTrcWriter(sink, options);
    default: return nullptr;
  }
}

char* WriteTimeIn(char* out, int64_t ns, int unitDigits, int decimals) {
  static constexpr int64_t Pow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  unitDigits = std::clamp(unitDigits, 0, 9);
  decimals = std::clamp(decimals, 0, unitDigits);
  const bool negative = ns < 0;
  // Work on the magnitude in unsigned arithmetic: INT64_MIN has no positive twin.
  const uint64_t v = negative ? uint64_t(0) - uint64_t(ns) : uint64_t(ns);
  const uint64_t step = uint64_t(Pow10[unitDigits - decimals]);
  uint64_t q = v / step;
  const uint64_t r = v % step;
  if (r * 2 > step || (r * 2 == step && (q & 1))) ++q;
  const uint64_t scale = uint64_t(Pow10[decimals]);
  const uint64_t whole = q / scale, fraction = q % scale;
  if (negative && q != 0) *out++ = '-';
  out = std::to_chars(out, out + 24, whole).ptr;
  if (decimals > 0) {
    *out++ = '.';
    char digits[16];
    char* end = std::to_chars(digits, digits + sizeof digits, fraction).ptr;
    const int n = int(end - digits);
    for (int i = n; i < decimals; ++i) *out++ = '0';
    std::memcpy(out, digits, size_t(n));
    out += n;
  }
  return out;
}

bool ReadTimeIn(std::string_view text, int unitDigits, int64_t& ns) {
  static constexpr int64_t Pow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  if (unitDigits < 0 || unitDigits > 9) return false;
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  if (whole.empty() || (dot != std::string_view::npos && fraction.empty())) return false;
  if (fraction.size() > size_t(unitDigits)) return false;  // finer than a nanosecond
  const int64_t unit = Pow10[unitDigits];
  int64_t w = 0, f = 0;
  for (char c : whole) {
    if (c < '0' || c > '9') return false;
    w = w * 10 + (c - '0');
    if (w > (INT64_MAX - (unit - 1)) / unit) return false;  // beyond 64 bits of nanoseconds
  }
  for (int i = 0; i < unitDigits; ++i) {
    const char c = size_t(i) < fraction.size() ? fraction[size_t(i)] : '0';
    if (c < '0' || c > '9') return false;
    f = f * 10 + (c - '0');
  }
  ns = w * unit + f;
  if (negative) ns = -ns;
  return true;
}

}  // namespace tarvo
