#include "support/Frames.h"

#include "adapter/Framing.h"

namespace tarvo::test {

void PutLittleEndian32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> ReceivedMessagePacket(uint32_t id, const std::vector<uint8_t>& data, uint8_t flags, int dlc,
                                           uint8_t busState, uint32_t timeStamp) {
  std::vector<uint8_t> packet{0x00, flags};
  PutLittleEndian32(packet, id);
  packet.push_back(uint8_t(dlc < 0 ? data.size() : size_t(dlc)));
  packet.insert(packet.end(), data.begin(), data.end());
  packet.push_back(busState);
  PutLittleEndian32(packet, timeStamp);
  return packet;
}

std::vector<uint8_t> StatusPacket(uint8_t type, const std::vector<uint8_t>& params, uint32_t timeStamp) {
  std::vector<uint8_t> packet{type};
  packet.insert(packet.end(), params.begin(), params.end());
  PutLittleEndian32(packet, timeStamp);
  return packet;
}

std::vector<uint8_t> Framed(const std::vector<uint8_t>& packet) {
  // Every packet byte and both CRC bytes doubled, plus the four marker bytes.
  std::vector<uint8_t> out(2 * packet.size() + 8);
  out.resize(BuildFrame(packet.data(), packet.size(), out.data()));
  return out;
}

std::vector<uint8_t> Unframed(const std::vector<uint8_t>& frame) {
  std::vector<uint8_t> packet;
  for (size_t i = 2; i + 2 < frame.size(); ++i) {
    packet.push_back(frame[i]);
    if (frame[i] == DLE) ++i;  // skip the doubled DLE
  }
  packet.resize(packet.size() >= 2 ? packet.size() - 2 : 0);  // CRC
  return packet;
}

}  // namespace tarvo::test
