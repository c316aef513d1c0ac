#include "common/TextRoutines.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tarvo {
namespace {

TEST(TextRoutines, HexTextToIntReadsUpToThirtyTwoBitsAndSaturatesBeyond) {
  EXPECT_EQ(HexTextToInt("7FF"), 0x7FFu);
  EXPECT_EQ(HexTextToInt("FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(HexTextToInt("0000000001F"), 0x1Fu);  // leading zeros do not count
  EXPECT_EQ(HexTextToInt("100000000"), 0xFFFFFFFFu);  // would wrap to 0
  EXPECT_EQ(HexTextToInt(""), 0u);
}

struct IDCase {
  bool elevenBit;
  const char* text;
  bool hex;
  int expected;
};

class CheckIDTextTest : public testing::TestWithParam<IDCase> {};

TEST_P(CheckIDTextTest, Classifies) {
  const IDCase& c = GetParam();
  EXPECT_EQ(CheckIDText(c.elevenBit, c.text, c.hex), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckIDTextTest,
                         testing::Values(IDCase{true, "", true, 1}, IDCase{true, "", false, 1},
                                         IDCase{true, "7FF", true, 0}, IDCase{true, "800", true, 2},
                                         IDCase{true, "7ff", true, 1},  // only upper-case digits
                                         IDCase{true, "1G", true, 1}, IDCase{true, "2047", false, 0},
                                         IDCase{true, "2048", false, 2}, IDCase{true, "7F", false, 1},
                                         IDCase{false, "1FFFFFFF", true, 0},
                                         IDCase{false, "20000000", true, 2},
                                         IDCase{false, "200000000", true, 2},  // nine digits, no wrap
                                         IDCase{false, "536870911", false, 0},
                                         IDCase{false, "536870912", false, 2},
                                         IDCase{false, "99999999999", false, 2}));

TEST(TextRoutines, PutHexByteWritesTwoUpperCaseDigitsAndReturnsTheEnd) {
  const std::pair<uint8_t, const char*> cases[] = {{0x00, "00"}, {0x0A, "0A"}, {0x10, "10"}, {0x7F, "7F"},
                                                   {0xA0, "A0"}, {0xC3, "C3"}, {0xFF, "FF"}};
  for (const auto& [byte, text] : cases) {
    char out[3] = {'x', 'x', 'x'};
    EXPECT_EQ(PutHexByte(out, byte), out + 2) << text;
    EXPECT_EQ(std::string(out, 3), std::string(text) + 'x');
  }
}

TEST(TextRoutines, WriteHexWritesUpperCaseDigitsWithoutLeadingZeros) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0, "0"}, {0xA, "A"}, {0x7FF, "7FF"}, {0x100, "100"}, {0xABCDEF, "ABCDEF"}, {0xFFFFFFFF, "FFFFFFFF"}};
  for (const auto& [value, text] : cases) {
    char out[8];
    EXPECT_EQ(std::string(out, WriteHex(value, out)), text);
  }
}

TEST(TextRoutines, DataByteTextMustBeANumberBelow256) {
  EXPECT_TRUE(CheckDataByteText("FF", true));
  EXPECT_TRUE(CheckDataByteText("255", false));
  EXPECT_FALSE(CheckDataByteText("256", false));
  EXPECT_FALSE(CheckDataByteText("100", true));
  EXPECT_FALSE(CheckDataByteText("", true));
  EXPECT_FALSE(CheckDataByteText("FF", false));
}

TEST(TextRoutines, IsNumberTextPassesEmptyText) {
  EXPECT_TRUE(IsNumberText("", true));
  EXPECT_TRUE(IsNumberText("", false));
  EXPECT_TRUE(IsNumberText("09AF", true));
  EXPECT_FALSE(IsNumberText("0A", false));
  EXPECT_FALSE(IsNumberText(" 1", false));
}

TEST(TextRoutines, KeyTextToKeyNo) {
  const std::pair<const char*, int> cases[] = {{"F1", 1},     {"F9", 9},     {"Ctrl+1", 10}, {"Ctrl+9", 18},
                                               {"F10", 0},    {"F0", 0},     {"Ctrl+0", 0},  {"ctrl+1", 0},
                                               {"f1", 0},     {"", 0},       {"Ctrl+", 0},   {"Shift+1", 0}};
  for (const auto& [text, keyNo] : cases) EXPECT_EQ(KeyTextToKeyNo(text), keyNo) << text;
}

TEST(TextRoutines, CheckTimeText) {
  for (const char* good : {"0", "1.5", "-2.25", "1e3", "12.0000E-2"}) EXPECT_TRUE(CheckTimeText(good)) << good;
  for (const char* bad : {"", "1,5", "1.5s", ".", "-", "1e", "+1"}) EXPECT_FALSE(CheckTimeText(bad)) << bad;
}

}  // namespace
}  // namespace tarvo
