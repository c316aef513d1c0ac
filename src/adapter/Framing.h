#pragma once
// How a host packet travels to the adapter: framed by DLE STX ... DLE ETX,
// every DLE inside doubled, a CRC-16 after the packet.
#include <cstddef>
#include <cstdint>

namespace tarvo {

inline constexpr uint8_t DLE = 0x10;
inline constexpr uint8_t STX = 0x02;
inline constexpr uint8_t ETX = 0x03;

inline constexpr size_t MaxHostPacketBytes = 4095;
// Every packet byte and both CRC bytes escaped, plus the four marker bytes.
inline constexpr size_t MaxFrameBytes = 2 * MaxHostPacketBytes + 8;

// Writes DLE STX, the escaped packet, the escaped CRC (low byte first) and
// DLE ETX into out, which holds at least 2 * length + 8 bytes. Returns the
// frame length.
size_t BuildFrame(const uint8_t* packet, size_t length, uint8_t* out);

}  // namespace tarvo
