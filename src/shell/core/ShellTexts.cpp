#include "shell/core/ShellTexts.h"

#include <cstdio>

namespace tarvo {

std::string StatusCodeText(uint8_t code) {
  switch (code) {
    case 0x00: return "OK";
    case 0x01: return "USB RX OVERRUN";
    case 0x02: return "USB RX INVALID";
    case 0x04: return "USB CRC ERROR";
    case 0x08: return "CAN RX NO DATA";
    case 0x10: return "CAN RX OVERRUN";
    case 0x20: return "CAN RX INVALID";
    case 0x40: return "CAN TX OVERRUN";
    case 0x80: return "CAN BUS ERROR";
    default: break;
  }
  char text[3];
  std::snprintf(text, sizeof text, "%.2X", unsigned(code));
  return text;
}

std::string RunningTimeText(uint32_t tarvoTimeMs) {
  char text[40];
  std::snprintf(text, sizeof text, "Running    %.2u:%.2u:%.2u", unsigned(tarvoTimeMs / 3600000u),
                unsigned(tarvoTimeMs / 60000u % 60u), unsigned(tarvoTimeMs / 1000u % 60u));
  return text;
}

int BusLoadPosition(uint8_t wholePercent, uint8_t tenths) {
  const int load = wholePercent * 10 + tenths;
  return load > 1000 ? 1000 : load;
}

// Integer arithmetic gives the same digits as "%.1f" of position / 10 for
// every position the gauge can hold, without depending on the C locale.
std::string BusLoadText(int position, const std::string& decimalSeparator) {
  return "Bus Load " + std::to_string(position / 10) + decimalSeparator + std::to_string(position % 10) + "%";
}

std::string VersionText(uint8_t versionByte, const std::string& decimalSeparator) {
  return std::to_string(versionByte / 10) + decimalSeparator + std::to_string(versionByte % 10);
}

std::string LostMessagesText(uint32_t lost) { return lost == 0 ? std::string() : "    Lost " + std::to_string(lost); }

}  // namespace tarvo
