#include <gtest/gtest.h>

#include "shell/core/ShellTexts.h"

namespace tarvo {
namespace {

TEST(StatusCodeText, NamesSingleBitsAndWritesOtherCodesAsTwoHexDigits) {
  const std::pair<uint8_t, const char*> cases[] = {
      {0x00, "OK"},           {0x01, "USB RX OVERRUN"}, {0x02, "USB RX INVALID"}, {0x04, "USB CRC ERROR"},
      {0x08, "CAN RX NO DATA"}, {0x10, "CAN RX OVERRUN"}, {0x20, "CAN RX INVALID"}, {0x40, "CAN TX OVERRUN"},
      {0x80, "CAN BUS ERROR"}, {0x0C, "0C"},            {0x03, "03"},             {0xFF, "FF"},
      {0xA0, "A0"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(StatusCodeText(code), text) << int(code);
}

TEST(RunningTimeText, ShowsHoursMinutesSecondsWithTwoDigitsEach) {
  EXPECT_EQ(RunningTimeText(0), "Running    00:00:00");
  EXPECT_EQ(RunningTimeText(999), "Running    00:00:00");
  EXPECT_EQ(RunningTimeText(3723000), "Running    01:02:03");
  EXPECT_EQ(RunningTimeText(107999999), "Running    29:59:59");
  EXPECT_EQ(RunningTimeText(108000000), "Running    30:00:00");
}

TEST(BusLoad, PositionIsTenthsOfAPercentCappedAtAFullBar) {
  EXPECT_EQ(BusLoadPosition(0, 0), 0);
  EXPECT_EQ(BusLoadPosition(99, 9), 999);
  EXPECT_EQ(BusLoadPosition(100, 0), 1000);
  EXPECT_EQ(BusLoadPosition(100, 5), 1000);
  EXPECT_EQ(BusLoadPosition(255, 255), 1000);
}

TEST(BusLoad, TextUsesTheRegionalSeparator) {
  EXPECT_EQ(BusLoadText(999, ","), "Bus Load 99,9%");
  EXPECT_EQ(BusLoadText(999, "."), "Bus Load 99.9%");
  EXPECT_EQ(BusLoadText(0, ","), "Bus Load 0,0%");
  EXPECT_EQ(BusLoadText(5, ","), "Bus Load 0,5%");
  EXPECT_EQ(BusLoadText(1000, ","), "Bus Load 100,0%");
  EXPECT_EQ(BusLoadText(123, "\u066B"), "Bus Load 12\u066B3%");
}

TEST(VersionText, SplitsTenthsWithTheGivenSeparator) {
  EXPECT_EQ(VersionText(71, ","), "7,1");
  EXPECT_EQ(VersionText(71, "."), "7.1");
  EXPECT_EQ(VersionText(5, "."), "0.5");
  EXPECT_EQ(VersionText(255, "."), "25.5");
}

}  // namespace
}  // namespace tarvo
