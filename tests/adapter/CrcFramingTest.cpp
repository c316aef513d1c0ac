#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "adapter/Crc.h"
#include "adapter/Framing.h"
#include "support/Frames.h"

namespace tarvo {
namespace {

using Bytes = std::vector<uint8_t>;

using test::Framed;

TEST(Crc, MatchesTheCrc16ArcCheckValueAndTable) {
  const char* text = "123456789";
  uint16_t crc = 0;
  CRC16Update(reinterpret_cast<const uint8_t*>(text), uint16_t(std::strlen(text)), crc);
  EXPECT_EQ(crc, 0xBB3D);
  EXPECT_EQ(CRC16Table[0], 0x0000);
  EXPECT_EQ(CRC16Table[1], 0xC0C1);
  EXPECT_EQ(CRC16Table[2], 0xC181);
  EXPECT_EQ(CRC16Table[3], 0x0140);
  EXPECT_EQ(CRC16Table[255], 0x4040);
}

TEST(Crc, ContinuesFromTheValueGivenAndIgnoresAnEmptyRange) {
  const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  uint16_t crc = 0;
  CRC16Update(text, 4, crc);
  CRC16Update(text + 4, 0, crc);
  CRC16Update(text + 4, 5, crc);
  EXPECT_EQ(crc, 0xBB3D);
}

TEST(Framing, BuildsTheWireBytesOfEachExample) {
  struct Case { const char* what; Bytes packet; Bytes wire; };
  const Case cases[] = {
      {"status request", {0x01}, {0x10, 0x02, 0x01, 0xC1, 0xC0, 0x10, 0x03}},
      {"bus-load request", {0x09}, {0x10, 0x02, 0x09, 0xC0, 0x06, 0x10, 0x03}},
      {"start", {0x05, 0x01}, {0x10, 0x02, 0x05, 0x01, 0xC2, 0x90, 0x10, 0x03}},
      {"CRC high byte 0x10 doubled", {0x05, 0xFF}, {0x10, 0x02, 0x05, 0xFF, 0x43, 0x10, 0x10, 0x10, 0x03}},
      {"CAN message with 0x10 in identifier and data",
       {0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x02, 0x10, 0x20, 0x00},
       {0x10, 0x02, 0x00, 0x00, 0x10, 0x10, 0x00, 0x00, 0x00, 0x02, 0x10, 0x10, 0x20, 0x00, 0x18, 0xB1, 0x10,
        0x03}},
      {"both CRC bytes 0x10", {0x07, 0x81, 0xFD}, {0x10, 0x02, 0x07, 0x81, 0xFD, 0x10, 0x10, 0x10, 0x10, 0x10, 0x03}},
      {"STX and ETX values never escaped (CRC 0x0302)",
       {0x02, 0x03, 0x46, 0x25},
       {0x10, 0x02, 0x02, 0x03, 0x46, 0x25, 0x02, 0x03, 0x10, 0x03}},
      {"empty packet", {}, {0x10, 0x02, 0x00, 0x00, 0x10, 0x03}},
  };
  for (const Case& c : cases) EXPECT_EQ(Framed(c.packet), c.wire) << c.what;
}

TEST(Framing, WorstCasePacketFillsTheWholeAssemblyBuffer) {
  // All 0x10: every packet byte doubled; CRC 0x1010 is not guaranteed, so the
  // length is bounded by the buffer rather than equal to it.
  const Bytes packet(MaxHostPacketBytes, 0x10);
  std::vector<uint8_t> out(MaxFrameBytes + 16, 0xEE);
  const size_t n = BuildFrame(packet.data(), packet.size(), out.data());
  EXPECT_GE(n, 2 * MaxHostPacketBytes + 6);
  EXPECT_LE(n, MaxFrameBytes);
  EXPECT_EQ(out[MaxFrameBytes], 0xEE);
  EXPECT_EQ(out[n - 2], 0x10);
  EXPECT_EQ(out[n - 1], 0x03);
}

}  // namespace
}  // namespace tarvo
