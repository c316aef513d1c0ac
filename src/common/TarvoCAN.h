#pragma once
#include <cstdint>

namespace tarvo {

// One CAN message as exchanged with the adapter; the unit of every message
// store, log line and replay buffer.
struct TTarvoCAN {
  uint8_t IDE = 0;        // 1 = extended 29-bit identifier, 0 = standard 11-bit
  uint8_t RTR = 0;        // 1 = remote frame
  uint32_t ID = 0;
  uint8_t DLC = 0;        // data length code as received
  uint8_t Data[8] = {};   // bytes at or beyond DLC are 0
  uint8_t BusState = 0;   // carried along, not interpreted by the host
  uint32_t TimeStamp = 0; // adapter time in 25.6 us ticks
};

// What CAN allows a message to be: an 11-bit identifier up to 0x7FF, a
// 29-bit one up to 0x1FFFFFFF, flags 0 or 1, at most 8 data bytes. A CRC
// that starts from 0 does not see leading zero bytes, so a damaged stream
// can pass it; this check catches what such a frame decodes to.
inline constexpr bool IsValidCANMessage(const TTarvoCAN& m) {
  return m.IDE <= 1 && m.RTR <= 1 && m.DLC <= 8 && m.ID <= (m.IDE != 0 ? 0x1FFFFFFFu : 0x7FFu);
}

// Period codes shared by the adapter's repetition buffers and the transmit
// list: code 1..10 -> 10 ms .. 10 s; code 0 means "no period".
inline constexpr uint32_t PeriodCodeMs[11] = {0, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};

}  // namespace tarvo
