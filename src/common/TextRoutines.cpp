#include "common/TextRoutines.h"

#include <charconv>
#include <limits>

namespace tarvo {

namespace {

constexpr uint64_t Saturated = std::numeric_limits<uint32_t>::max();

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Accumulates in 64 bits and stops growing once past 32 bits, so leading
// zeros still count for nothing and long texts stay "too large".
uint32_t TextToInt(std::string_view text, uint64_t base) {
  uint64_t value = 0;
  for (char c : text) {
    const int digit = DigitValue(c);
    if (digit < 0 || uint64_t(digit) >= base) continue;
    value = value * base + uint64_t(digit);
    if (value > Saturated) return uint32_t(Saturated);
  }
  return uint32_t(value);
}

}  // namespace

uint32_t HexTextToInt(std::string_view text) { return TextToInt(text, 16); }

uint32_t DecTextToInt(std::string_view text) { return TextToInt(text, 10); }

bool IsNumberText(std::string_view text, bool hex) {
  const int limit = hex ? 16 : 10;
  for (char c : text) {
    const int digit = DigitValue(c);
    if (digit < 0 || digit >= limit) return false;
  }
  return true;
}

int CheckIDText(bool elevenBit, std::string_view text, bool hex) {
  if (text.empty() || !IsNumberText(text, hex)) return 1;
  const uint32_t value = hex ? HexTextToInt(text) : DecTextToInt(text);
  const uint32_t maximum = elevenBit ? 0x7FF : 0x1FFFFFFF;
  return value > maximum ? 2 : 0;
}

bool CheckDataByteText(std::string_view text, bool hex) {
  if (text.empty() || !IsNumberText(text, hex)) return false;
  return (hex ? HexTextToInt(text) : DecTextToInt(text)) < 256;
}

bool CheckTimeText(std::string_view text) {
  for (char c : text) {
    const bool allowed = c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 'E' || c == 'e';
    if (!allowed) return false;
  }
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

int KeyTextToKeyNo(std::string_view text) {
  const auto digit = [](std::string_view rest) {
    return rest.size() == 1 && rest[0] >= '1' && rest[0] <= '9' ? rest[0] - '0' : 0;
  };
  if (text.starts_with("Ctrl+")) {
    const int n = digit(text.substr(5));
    return n ? n + 9 : 0;
  }
  if (text.starts_with("F")) return digit(text.substr(1));
  return 0;
}

size_t WriteDecimal(uint32_t value, char* out) {
  char digits[10];
  size_t n = 0;
  do {
    digits[n++] = char('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (size_t i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
  return n;
}

size_t WriteHex(uint32_t value, char* out) {
  char digits[8];
  size_t n = 0;
  do {
    digits[n++] = HexUpper[value & 0xF];
    value >>= 4;
  } while (value != 0);
  for (size_t i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
  return n;
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace tarvo
