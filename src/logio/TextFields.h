#pragma once
// Small pieces of text reading shared by the line formats: numbers in
// hexadecimal and decimal with bounded digits, and a line split into words
// at runs of spaces and tabs.
#include <array>
#include <cstdint>
#include <string_view>

// HexUpper and PutHexByte, which the line writers use with these readers.
#include "common/TextRoutines.h"

namespace tarvo {

inline int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// At most eight hexadecimal digits, nothing else.
inline bool HexNumber(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + uint32_t(d);
  }
  return true;
}

// At most nine decimal digits, nothing else.
inline bool DecNumber(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + uint32_t(c - '0');
  }
  return true;
}

inline bool Number(std::string_view text, bool hex, uint32_t& value) {
  return hex ? HexNumber(text, value) : DecNumber(text, value);
}

// Splits at runs of spaces and tabs; keeps at most N words, counts all.
template <size_t N>
size_t Words(std::string_view line, std::array<std::string_view, N>& words) {
  size_t count = 0, p = 0;
  while (p < line.size()) {
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    if (p == line.size()) break;
    const size_t start = p;
    while (p < line.size() && line[p] != ' ' && line[p] != '\t') ++p;
    if (count < N) words[count] = line.substr(start, p - start);
    ++count;
  }
  return count;
}

}  // namespace tarvo
