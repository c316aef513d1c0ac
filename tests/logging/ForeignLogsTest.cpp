// The readers of other tools' logs, on the lines those tools write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logging/tool/ForeignLogs.h"

namespace tarvo {
namespace {

struct LineCase {
  const char* Line;
  TForeignLine Kind;
  uint8_t IDE = 0, RTR = 0;
  uint32_t ID = 0;
  uint8_t DLC = 0;
  std::vector<uint8_t> Data = {};
  int64_t Microseconds = 0;
  uint8_t Direction = 0;
};

void Expect(const LineCase& c, TForeignLine kind, const TForeignMessage& m) {
  ASSERT_EQ(kind, c.Kind) << c.Line;
  if (kind != FOREIGN_MESSAGE) return;
  EXPECT_EQ(m.Message.IDE, c.IDE) << c.Line;
  EXPECT_EQ(m.Message.RTR, c.RTR) << c.Line;
  EXPECT_EQ(m.Message.ID, c.ID) << c.Line;
  EXPECT_EQ(m.Message.DLC, c.DLC) << c.Line;
  for (size_t i = 0; i < c.Data.size(); ++i) EXPECT_EQ(m.Message.Data[i], c.Data[i]) << c.Line;
  EXPECT_EQ(m.Microseconds, c.Microseconds) << c.Line;
  EXPECT_EQ(m.Direction, c.Direction) << c.Line;
}

TEST(ForeignLogs, CandumpLines) {
  const std::vector<LineCase> cases = {
      {"(1436509052.249713) vcan0 044#2A366C2BBA", FOREIGN_MESSAGE, 0, 0, 0x44, 5, {0x2A, 0x36, 0x6C, 0x2B, 0xBA},
       1436509052249713},
      {"(0.000001) can0 12345678#R", FOREIGN_MESSAGE, 1, 1, 0x12345678, 0, {}, 1},
      {"(1.5) can0 123#R3", FOREIGN_MESSAGE, 0, 1, 0x123, 3, {}, 1500000},
      {"(1.000000) can0 7FF#", FOREIGN_MESSAGE, 0, 0, 0x7FF, 0, {}, 1000000},
      {"(1.000000) can0 123#11.22.33 T", FOREIGN_MESSAGE, 0, 0, 0x123, 3, {0x11, 0x22, 0x33}, 1000000, 1},
      {"(1.000000) can0 123#aabb", FOREIGN_MESSAGE, 0, 0, 0x123, 2, {0xAA, 0xBB}, 1000000},
      {"(1.000000) can0 20000080#0000000000000000", FOREIGN_ERROR_FRAME},
      {"(1.000000) can0 123##311223344", FOREIGN_FD_FRAME},
      {"(1.000000) can0 800#11", FOREIGN_INVALID},
      {"(1.000000) can0 1234#11", FOREIGN_INVALID},
      {"(1.000000) can0 123#112", FOREIGN_INVALID},
      {"(1.000000) can0 123#112233445566778899", FOREIGN_INVALID},
      {"(1.000000) can0 123#1122334455667788_9", FOREIGN_INVALID},
      {"(1.000000) can0 123#R9", FOREIGN_INVALID},
      {"(x) can0 123#11", FOREIGN_INVALID},
      {"1.0 can0 123#11", FOREIGN_INVALID},
      {"", FOREIGN_NO_MESSAGE},
  };
  for (const LineCase& c : cases) {
    TForeignMessage m;
    Expect(c, ReadCandumpLine(c.Line, m), m);
  }
}

// Lines as python-can's ASCWriter and can-utils' log2asc write them.
TEST(ForeignLogs, AscLinesOfOtherWriters) {
  const std::vector<LineCase> cases = {
      {"date Thu Dec 10 01:31:14.287 AM 2026", FOREIGN_NO_MESSAGE},
      {"base hex  timestamps absolute", FOREIGN_NO_MESSAGE},
      {"internal events logged", FOREIGN_NO_MESSAGE},
      {"Begin Triggerblock Thu Jan 01 12:16:40.0 AM 1970", FOREIGN_NO_MESSAGE},
      {" 0.000000 Start of measurement", FOREIGN_NO_MESSAGE},
      {" 0.000000 1  123             Rx   d 3 01 02 03", FOREIGN_MESSAGE, 0, 0, 0x123, 3, {1, 2, 3}, 0},
      {" 0.250000 1  12345x          Tx   r 8 ", FOREIGN_MESSAGE, 1, 1, 0x12345, 8, {}, 250000, 1},
      {" 0.500000 1  ErrorFrame", FOREIGN_ERROR_FRAME},
      {" 0.750000 1  7FF             Rx   d 0 ", FOREIGN_MESSAGE, 0, 0, 0x7FF, 0, {}, 750000},
      {" 1.000000 CANFD   1 Rx          1                                   0 0 9 12 00 01", FOREIGN_FD_FRAME},
      {"End TriggerBlock", FOREIGN_NO_MESSAGE},
      {"   0.200134 1  F6              Rx   d 5 7A DF E0 7B D2", FOREIGN_MESSAGE, 0, 0, 0xF6, 5,
       {0x7A, 0xDF, 0xE0, 0x7B, 0xD2}, 200134},
      {"   0.400291 1  12345678x       Rx   r", FOREIGN_MESSAGE, 1, 1, 0x12345678, 0, {}, 400291},  // log2asc -r
      {"   0.4003 1  123             Rx   d 2 01 02  Length = 1 BitCount = 2", FOREIGN_MESSAGE, 0, 0, 0x123, 2,
       {1, 2}, 400300},
      // A classic DLC above 8 carries 8 bytes; more than 8 bytes in classic
      // syntax are a CAN FD frame, left out and counted.
      {"   0.5 1  123             Rx   d F 01 02 03 04 05 06 07 08", FOREIGN_MESSAGE, 0, 0, 0x123, 8,
       {1, 2, 3, 4, 5, 6, 7, 8}, 500000},
      {"   0.5 1  123             Rx   d 9 01 02 03 04 05 06 07 08 09", FOREIGN_FD_FRAME},
      {"   0.5 1  123             Rx   d 40 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 "
       "18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F 30 31 32 33 34 35 36 37 38 39 3A 3B "
       "3C 3D 3E 3F",
       FOREIGN_FD_FRAME},
      {"   0.5 1  123             Rx   d F 01 02 03", FOREIGN_INVALID},
      {"   0.5 1  800             Rx   d 0", FOREIGN_INVALID},
      {"   0.5 1  123             Rx   d 3 01 02", FOREIGN_INVALID},
      {"   0.5 1  123             Rx   e 0", FOREIGN_INVALID},
  };
  TForeignAscReader reader;
  for (const LineCase& c : cases) {
    TForeignMessage m;
    Expect(c, reader.Line(c.Line, m), m);
  }
}

TEST(ForeignLogs, AscDecimalAndRelativeTimes) {
  TForeignAscReader reader;
  TForeignMessage m;
  EXPECT_EQ(reader.Line("base dec  timestamps relative", m), FOREIGN_NO_MESSAGE);
  ASSERT_EQ(reader.Line("   1.000000 1  291             Rx   d 2 1 255", m), FOREIGN_MESSAGE);
  EXPECT_EQ(m.Message.ID, 291u);
  EXPECT_EQ(m.Message.Data[1], 255);
  ASSERT_EQ(reader.Line("   0.500000 1  292             Rx   d 0", m), FOREIGN_MESSAGE);
  EXPECT_EQ(m.Microseconds, 1500000);
  EXPECT_EQ(reader.Line("   0.5 1  293             Rx   d 1 256", m), FOREIGN_INVALID);
}

}  // namespace
}  // namespace tarvo
