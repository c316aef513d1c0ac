#include "bus/BusFrame.h"

#include <cstdio>
#include <cstring>

#include "common/TextRoutines.h"

namespace tarvo::bus {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseHex(std::string_view digits, uint32_t& value) {
  value = 0;
  for (char c : digits) {
    const int v = HexValue(c);
    if (v < 0) return false;
    value = value * 16 + uint32_t(v);
  }
  return !digits.empty();
}

bool ParseIdentifier(std::string_view text, uint32_t& canId, std::string& error) {
  uint32_t id = 0;
  if ((text.size() != 3 && text.size() != 8) || !ParseHex(text, id)) {
    error = "the identifier must be 3 hex digits (11-bit) or 8 hex digits (29-bit)";
    return false;
  }
  if (text.size() == 3) {
    if (id > CanSffMask) {
      error = "an 11-bit identifier goes up to 7FF";
      return false;
    }
    canId = id;
    return true;
  }
  if (id > CanEffMask) {
    error = "a 29-bit identifier goes up to 1FFFFFFF";
    return false;
  }
  canId = id | CanEffFlag;
  return true;
}

bool ParseRemote(std::string_view text, TBusFrame& f, std::string& error) {
  f.CanId |= CanRtrFlag;
  if (text.empty()) return true;
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '8') {
    f.Len = uint8_t(text[0] - '0');
    return true;
  }
  error = "a remote frame takes one DLC digit 0..8 after R";
  return false;
}

bool ParseData(std::string_view text, TBusFrame& f, std::string& error) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '.') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size() || HexValue(text[i]) < 0 || HexValue(text[i + 1]) < 0) {
      error = "the data must be pairs of hex digits";
      return false;
    }
    if (f.Len == 8) {
      error = "at most 8 data bytes";
      return false;
    }
    f.Data[f.Len++] = uint8_t(HexValue(text[i]) * 16 + HexValue(text[i + 1]));
    i += 2;
  }
  return true;
}

}  // namespace

TBusFrame FrameOfMessage(const TTarvoCAN& m, int64_t timeUs) {
  TBusFrame f;
  f.CanId = m.ID & (m.IDE != 0 ? CanEffMask : CanSffMask);
  if (m.IDE != 0) f.CanId |= CanEffFlag;
  if (m.RTR != 0) f.CanId |= CanRtrFlag;
  f.Len = m.DLC <= 8 ? m.DLC : 8;
  if (m.RTR == 0) std::memcpy(f.Data, m.Data, f.Len);
  f.TimeUs = timeUs;
  return f;
}

TTarvoCAN MessageOfFrame(const TBusFrame& f) {
  TTarvoCAN m;
  m.IDE = (f.CanId & CanEffFlag) != 0 ? 1 : 0;
  m.RTR = (f.CanId & CanRtrFlag) != 0 ? 1 : 0;
  m.ID = f.CanId & (m.IDE != 0 ? CanEffMask : CanSffMask);
  m.DLC = f.Len <= 8 ? f.Len : 8;
  if (m.RTR == 0) std::memcpy(m.Data, f.Data, m.DLC);
  return m;
}

bool ParseCansendFrame(std::string_view text, TBusFrame& frame, std::string& error) {
  const size_t hash = text.find('#');
  if (hash == std::string_view::npos) {
    error = "expected ID#DATA";
    return false;
  }
  TBusFrame f;
  if (!ParseIdentifier(text.substr(0, hash), f.CanId, error)) return false;
  std::string_view rest = text.substr(hash + 1);
  if (!rest.empty() && rest[0] == '#') {
    error = "CAN FD frames (##) are not supported by the adapter";
    return false;
  }
  if (rest.find('_') != std::string_view::npos) {
    error = "a DLC above the data length (_N) is not supported by the adapter";
    return false;
  }
  const bool remote = !rest.empty() && (rest[0] == 'R' || rest[0] == 'r');
  if (remote ? !ParseRemote(rest.substr(1), f, error) : !ParseData(rest, f, error)) return false;
  frame = f;
  return true;
}

std::string SecondsText(int64_t timeUs) {
  if (timeUs < 0) timeUs = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(timeUs / 1000000),
                static_cast<long long>(timeUs % 1000000));
  return text;
}

std::string CandumpLine(const TBusFrame& f, std::string_view channel) {
  std::string line;
  line.reserve(MaxCandumpLineLength + channel.size());
  line += '(';
  line += SecondsText(f.TimeUs);
  line += ") ";
  line += channel;
  line += ' ';
  char id[16];
  if ((f.CanId & CanErrFlag) != 0)
    std::snprintf(id, sizeof id, "%08X", unsigned(f.CanId & (CanEffMask | CanErrFlag)));
  else if ((f.CanId & CanEffFlag) != 0)
    std::snprintf(id, sizeof id, "%08X", unsigned(f.CanId & CanEffMask));
  else
    std::snprintf(id, sizeof id, "%03X", unsigned(f.CanId & CanSffMask));
  line += id;
  line += '#';
  const uint8_t len = f.Len <= 8 ? f.Len : 8;
  if ((f.CanId & CanRtrFlag) != 0 && (f.CanId & CanErrFlag) == 0) {
    line += 'R';
    if (len > 0) line += char('0' + len);
    return line;
  }
  char data[16];
  char* end = data;
  for (uint8_t i = 0; i < len; ++i) end = PutHexByte(end, f.Data[i]);
  line.append(data, size_t(end - data));
  return line;
}

}  // namespace tarvo::bus
