#include "adapter/Framing.h"

#include "adapter/Crc.h"

namespace tarvo {
namespace {

// Only DLE is stuffed; STX and ETX are markers only right after a DLE.
size_t PutEscaped(uint8_t b, uint8_t* out) {
  out[0] = b;
  if (b != DLE) return 1;
  out[1] = DLE;
  return 2;
}

}  // namespace

size_t BuildFrame(const uint8_t* packet, size_t length, uint8_t* out) {
  uint16_t crc = 0;
  CRC16Update(packet, uint16_t(length), crc);
  size_t n = 0;
  out[n++] = DLE;
  out[n++] = STX;
  for (size_t i = 0; i < length; ++i) n += PutEscaped(packet[i], out + n);
  n += PutEscaped(uint8_t(crc & 0xFF), out + n);
  n += PutEscaped(uint8_t(crc >> 8), out + n);
  out[n++] = DLE;
  out[n++] = ETX;
  return n;
}

}  // namespace tarvo
