#pragma once
// Packets as the adapter and the host exchange them, and a packet as it
// travels the wire: DLE STX, the escaped packet, the escaped CRC, DLE ETX
// (adapter/Framing.h), for tests that write or expect whole frames.
#include <cstdint>
#include <vector>

namespace tarvo::test {

// Appends value, lowest byte first, as every 32-bit field of a packet is sent.
void PutLittleEndian32(std::vector<uint8_t>& bytes, uint32_t value);

// A CAN message the adapter received: 0x00, flags (bit 0 remote, bit 1
// 29-bit identifier), identifier, DLC, the data bytes, bus state, time stamp.
// dlc < 0 gives the number of data bytes; any other value disagrees with them
// on purpose. The default bus state and time stamp are bytes a reader of the
// wrong field would notice.
std::vector<uint8_t> ReceivedMessagePacket(uint32_t id, const std::vector<uint8_t>& data, uint8_t flags = 0,
                                           int dlc = -1, uint8_t busState = 0x5A, uint32_t timeStamp = 0x01020304);
// An adapter status packet: its type (1..5), the parameters, time stamp.
std::vector<uint8_t> StatusPacket(uint8_t type, const std::vector<uint8_t>& params, uint32_t timeStamp);

// The packet framed by the program's own BuildFrame, in a buffer of the
// worst-case size (every byte escaped) cut to the frame's length.
std::vector<uint8_t> Framed(const std::vector<uint8_t>& packet);
// The packet of one whole frame: the markers dropped, the escapes undone and
// the CRC cut off (empty when the frame holds less than a CRC).
std::vector<uint8_t> Unframed(const std::vector<uint8_t>& frame);

}  // namespace tarvo::test
