#include "logging/tool/ForeignLogs.h"

#include <algorithm>
#include <array>

namespace tarvo {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool HexNumber(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + uint32_t(d);
  }
  return true;
}

bool DecNumber(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + uint32_t(c - '0');
  }
  return true;
}

// Splits at runs of spaces and tabs; keeps at most N fields, counts all.
template <size_t N>
size_t Words(std::string_view line, std::array<std::string_view, N>& words) {
  size_t count = 0, p = 0;
  while (p < line.size()) {
    while (p < line.size() && static_cast<unsigned char>(line[p]) <= ' ') ++p;
    if (p == line.size()) break;
    const size_t start = p;
    while (p < line.size() && static_cast<unsigned char>(line[p]) > ' ') ++p;
    if (count < N) words[count] = line.substr(start, p - start);
    ++count;
  }
  return count;
}

}  // namespace

bool SecondsTextToMicroseconds(std::string_view text, int64_t& microseconds) {
  const size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  if (whole.empty() || whole.size() > 12) return false;
  int64_t seconds = 0;
  for (char c : whole) {
    if (c < '0' || c > '9') return false;
    seconds = seconds * 10 + (c - '0');
  }
  int64_t micro = 0;
  for (size_t i = 0; i < fraction.size(); ++i) {
    const char c = fraction[i];
    if (c < '0' || c > '9') return false;
    if (i < 6) micro = micro * 10 + (c - '0');
  }
  for (size_t i = fraction.size(); i < 6; ++i) micro *= 10;
  microseconds = seconds * 1000000 + micro;
  return true;
}

TForeignLine ReadCandumpLine(std::string_view line, TForeignMessage& out) {
  std::array<std::string_view, 4> w;
  const size_t count = Words(line, w);
  if (count == 0) return FOREIGN_NO_MESSAGE;
  if (count < 3 || w[0].size() < 3 || w[0].front() != '(' || w[0].back() != ')') return FOREIGN_INVALID;
  if (!SecondsTextToMicroseconds(w[0].substr(1, w[0].size() - 2), out.Microseconds)) return FOREIGN_INVALID;
  out.Direction = count >= 4 && w[3] == "T" ? 1 : 0;

  const std::string_view frame = w[2];
  const size_t hash = frame.find('#');
  if (hash == std::string_view::npos) return FOREIGN_INVALID;
  const std::string_view idText = frame.substr(0, hash);
  std::string_view rest = frame.substr(hash + 1);
  if (rest.starts_with('#')) return FOREIGN_FD_FRAME;

  TTarvoCAN& m = out.Message;
  m = TTarvoCAN{};
  uint32_t id = 0;
  if (!HexNumber(idText, id)) return FOREIGN_INVALID;
  if (idText.size() == 3) {
    if (id > 0x7FF) return FOREIGN_INVALID;
    m.IDE = 0;
  } else if (idText.size() == 8) {
    if (id & 0x20000000) return FOREIGN_ERROR_FRAME;
    if (id > 0x1FFFFFFF) return FOREIGN_INVALID;
    m.IDE = 1;
  } else {
    return FOREIGN_INVALID;
  }
  m.ID = id;

  if (rest.starts_with('R') || rest.starts_with('r')) {
    m.RTR = 1;
    rest.remove_prefix(1);
    if (rest.empty()) return FOREIGN_MESSAGE;
    if (rest.size() != 1 || rest[0] < '0' || rest[0] > '8') return FOREIGN_INVALID;
    m.DLC = uint8_t(rest[0] - '0');
    return FOREIGN_MESSAGE;
  }
  // A DLC code beyond 8 ("_9" .. "_F") has no Tarvo form.
  if (rest.find('_') != std::string_view::npos) return FOREIGN_INVALID;
  size_t n = 0;
  for (size_t p = 0; p < rest.size();) {
    if (rest[p] == '.') {
      ++p;
      continue;
    }
    if (p + 1 >= rest.size() || n == 8) return FOREIGN_INVALID;
    const int hi = HexDigit(rest[p]), lo = HexDigit(rest[p + 1]);
    if (hi < 0 || lo < 0) return FOREIGN_INVALID;
    m.Data[n++] = uint8_t(hi * 16 + lo);
    p += 2;
  }
  m.DLC = uint8_t(n);
  return FOREIGN_MESSAGE;
}

TForeignLine TForeignAscReader::Line(std::string_view line, TForeignMessage& out) {
  std::array<std::string_view, 16> w;
  const size_t count = Words(line, w);
  if (count == 0) return FOREIGN_NO_MESSAGE;
  if (w[0] == "date" && m_dateLine.empty()) m_dateLine = std::string(line.substr(0, 200));
  if (w[0] == "base") {
    if (count >= 2) m_hex = w[1] != "dec";
    if (count >= 3) m_relative = w[2] == "timestamps" && count >= 4 && w[3] == "relative";
    return FOREIGN_NO_MESSAGE;
  }
  int64_t micro = 0;
  if (!SecondsTextToMicroseconds(w[0], micro)) {
    // date, internal events, comments, Begin/End Triggerblock
    return FOREIGN_NO_MESSAGE;
  }
  if (count >= 2 && w[1] == "CANFD") return FOREIGN_FD_FRAME;
  if (count >= 3 && w[2] == "ErrorFrame") return FOREIGN_ERROR_FRAME;
  if (count >= 2 && (w[1] == "Start" || w[1] == "End")) return FOREIGN_NO_MESSAGE;
  uint32_t channel = 0;
  if (count < 5 || !DecNumber(w[1], channel)) return FOREIGN_INVALID;
  if (w[3] != "Rx" && w[3] != "Tx") return FOREIGN_INVALID;

  if (m_relative) micro += m_lastMicroseconds;
  m_lastMicroseconds = micro;
  out.Microseconds = micro;
  out.Direction = w[3] == "Tx" ? 1 : 0;

  TTarvoCAN& m = out.Message;
  m = TTarvoCAN{};
  std::string_view idText = w[2];
  if (idText.ends_with('x') || idText.ends_with('X')) {
    m.IDE = 1;
    idText.remove_suffix(1);
  }
  uint32_t id = 0;
  if (!(m_hex ? HexNumber(idText, id) : DecNumber(idText, id))) return FOREIGN_INVALID;
  if (id > (m.IDE ? 0x1FFFFFFFu : 0x7FFu)) return FOREIGN_INVALID;
  m.ID = id;

  if (w[4] == "r") m.RTR = 1;
  else if (w[4] != "d") return FOREIGN_INVALID;
  // The DLC is one hexadecimal digit; log2asc -r leaves it out of remote frames.
  uint32_t dlc = 0;
  if (count < 6 || !HexNumber(w[5], dlc)) return m.RTR ? FOREIGN_MESSAGE : FOREIGN_INVALID;
  if (dlc > 8 && !m.RTR) {
    // A classic DLC of 9..15 carries 8 bytes; more bytes than 8 in classic
    // syntax are a CAN FD frame written the classic way.
    size_t bytes = 0;
    uint32_t byte = 0;
    const size_t words = std::min(count, w.size());  // the fields kept; enough to see more than 8 bytes
    while (6 + bytes < words && (m_hex ? HexNumber(w[6 + bytes], byte) : DecNumber(w[6 + bytes], byte)) && byte <= 255)
      ++bytes;
    if (bytes > 8) return FOREIGN_FD_FRAME;
    if (dlc > 15 || bytes != 8) return FOREIGN_INVALID;
    dlc = 8;
  }
  if (dlc > 8) dlc = 8;  // a remote frame's DLC code above 8 asks for 8 bytes
  m.DLC = uint8_t(dlc);
  if (m.RTR) return FOREIGN_MESSAGE;
  if (count < 6 + dlc) return FOREIGN_INVALID;
  for (size_t i = 0; i < dlc; ++i) {
    uint32_t byte = 0;
    if (!(m_hex ? HexNumber(w[6 + i], byte) : DecNumber(w[6 + i], byte)) || byte > 255) return FOREIGN_INVALID;
    m.Data[i] = uint8_t(byte);
  }
  return FOREIGN_MESSAGE;
}

}  // namespace tarvo
