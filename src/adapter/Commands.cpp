#include <algorithm>
#include <cstring>

#include "adapter/Framing.h"
#include "adapter/TarvoAPI.h"
#include "common/Clock.h"

namespace tarvo {
namespace {

enum : uint8_t {
  CMD_CAN_MESSAGE = 0,
  CMD_REQUEST_STATUS = 1,
  CMD_BIT_TIMING = 2,
  CMD_OPERATING_MODE = 3,
  CMD_FILTERS = 4,
  CMD_RUN_STATE = 5,
  CMD_END_CONFIGURATION = 7,
  CMD_REQUEST_BUS_LOAD = 9,
};

constexpr uint32_t RunStartSettleMs = 20;
constexpr size_t FiltersPacketBytes = 39;

uint8_t* PutU32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = uint8_t(value >> (8 * i));
  return out + 4;
}

uint8_t* PutFilter(uint8_t* out, uint8_t flag, uint32_t value) {
  *out++ = flag;
  return PutU32(out, value);
}

}  // namespace

namespace {

constexpr size_t CANPacketMaxBytes = 8 + 8;

// The packet of one CAN message; returns its length.
size_t CANMessagePacket(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t* data, uint8_t bufferNo,
                        uint8_t periodCode, uint8_t (&packet)[CANPacketMaxBytes]) {
  const uint8_t n = std::min<uint8_t>(dlc, 8);
  std::memset(packet, 0, sizeof packet);
  packet[0] = CMD_CAN_MESSAGE;
  packet[1] = uint8_t((rtr & 1) | ((ide & 1) << 1));
  PutU32(packet + 2, id);
  packet[6] = n;
  if (data != nullptr) std::memcpy(packet + 7, data, n);  // else the zeros already there
  packet[7 + n] = uint8_t((bufferNo & 0x0F) | ((periodCode & 0x0F) << 4));
  return 8 + n;
}

}  // namespace

TResult SendCANMessage(const TDeviceConnection& c, uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc,
                       const uint8_t* data, uint8_t bufferNo, uint8_t periodCode) {
  uint8_t packet[CANPacketMaxBytes];
  return SendPacket(c, packet, CANMessagePacket(ide, id, rtr, dlc, data, bufferNo, periodCode, packet));
}

TResult SendCANMessages(const TDeviceConnection& c, std::span<const TTarvoCAN> messages) {
  if (messages.size() > MaxMessagesPerWrite) return RES_FAILED;
  // Each byte of a packet and its CRC may be escaped, plus the frame marks.
  constexpr size_t FrameRoom = 2 * (CANPacketMaxBytes + 2) + 4;
  uint8_t frames[MaxMessagesPerWrite * FrameRoom];
  size_t length = 0;
  for (const TTarvoCAN& m : messages) {
    uint8_t packet[CANPacketMaxBytes];
    const size_t n = CANMessagePacket(m.IDE, m.ID, m.RTR, m.DLC, m.Data, 0, 0, packet);
    length += BuildFrame(packet, n, frames + length);
  }
  return WriteFrames(c, frames, length);
}

TResult RequestStatus(const TDeviceConnection& c) {
  const uint8_t packet[] = {CMD_REQUEST_STATUS};
  return SendPacket(c, packet, sizeof packet);
}

TResult SetBitTiming(const TDeviceConnection& c, uint8_t sjwMinus1, uint8_t brpByte, uint8_t phseg1Minus1,
                     uint8_t phseg2Minus1, uint8_t propsegMinus1, uint8_t tripleSample) {
  const uint8_t packet[] = {CMD_BIT_TIMING, sjwMinus1,     brpByte, phseg1Minus1,
                            phseg2Minus1,   propsegMinus1, uint8_t(tripleSample != 0 ? 1 : 0)};
  return SendPacket(c, packet, sizeof packet);
}

TResult SetOperatingMode(const TDeviceConnection& c, uint8_t mode) {
  const uint8_t packet[] = {CMD_OPERATING_MODE, mode};
  return SendPacket(c, packet, sizeof packet);
}

TFilterSettings AcceptAllFilters() {
  TFilterSettings f;
  const uint8_t flags[6] = {1, 0, 1, 0, 1, 0};  // a 29-bit and an 11-bit filter per buffer
  std::memcpy(f.Flag, flags, sizeof flags);
  return f;
}

// Buffer 1 has filters 1 and 2, buffer 2 filters 3 to 6; each mask precedes
// the filters of its buffer.
TResult SetFilters(const TDeviceConnection& c, const TFilterSettings& f) {
  uint8_t packet[FiltersPacketBytes];
  uint8_t* out = packet;
  *out++ = CMD_FILTERS;
  out = PutU32(out, f.Mask1);
  for (int i = 0; i < 2; ++i) out = PutFilter(out, f.Flag[i], f.Filter[i]);
  out = PutU32(out, f.Mask2);
  for (int i = 2; i < 6; ++i) out = PutFilter(out, f.Flag[i], f.Filter[i]);
  return SendPacket(c, packet, size_t(out - packet));
}

TResult SetRunState(const TDeviceConnection& c, uint8_t run) {
  const uint8_t packet[] = {CMD_RUN_STATE, run};
  const TResult result = SendPacket(c, packet, sizeof packet);
  // The adapter needs this long to join the bus; callers rely on the pause
  // even when the command did not go out.
  if (run == 1 && c.Waits != nullptr) c.Waits->Sleep(RunStartSettleMs);
  return result;
}

TResult EndConfiguration(const TDeviceConnection& c) {
  const uint8_t packet[] = {CMD_END_CONFIGURATION};
  return SendPacket(c, packet, sizeof packet);
}

TResult RequestBusLoad(const TDeviceConnection& c) {
  const uint8_t packet[] = {CMD_REQUEST_BUS_LOAD};
  return SendPacket(c, packet, sizeof packet);
}

}  // namespace tarvo
