// Snapshot lines: heading and tilde lines by the columns shown, row formats
// of every kind, the marked row of a cyclic view, the key, the bit timing.
#include <gtest/gtest.h>

#include <algorithm>

#include "view/Snapshot.h"

namespace tarvo::test {
namespace {

TCANViewMessage Entry(int32_t kind, uint32_t id, uint8_t dlc, uint32_t timeStamp) {
  TCANViewMessage e;
  e.ItemType = kind;
  e.Item.ID = id;
  e.Item.DLC = dlc;
  e.Item.TimeStamp = timeStamp;
  for (int i = 0; i < 8; ++i) e.Item.Data[i] = uint8_t(0x41 + i);
  return e;
}

struct Fixture {
  TCANViewState view;
  TDisplaySettings settings;
  TSnapshotInput in;
  Fixture() {
    in.FileName = "bus.txt";
    in.TimeText = "14:02:07";
    in.DateText = "10.12.2026";
    in.AdapterText = "Quorbel Tarvo  S/N 1234  Status OK";
  }
  void Add(const TCANViewMessage& e) {
    view.CANView.List.push_back(e);
    view.CANView.Count = int32_t(view.CANView.List.size());
    in.ItemCount = view.CANView.Count;
  }
  std::vector<std::string> Lines() { return SnapshotLines(view, settings, in); }
};

TEST(SnapshotTest, AnEmptyListStillHasHeadingKeyAndBitTiming) {
  Fixture f;
  f.in.RowsThatFit = 20;
  const auto lines = f.Lines();
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[0], std::string(104, '~'));
  EXPECT_EQ(lines[1], "bus - 14:02:07 10.12.2026 - Hexadecimal");
  EXPECT_EQ(lines[4], "TYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8"
                      "   _ASCII__   __COUNT___   __PERIOD__");
  EXPECT_EQ(lines[5], "");
  EXPECT_EQ(lines[7], "Key");
  EXPECT_EQ(lines[9], "RD = Receive Data");
  EXPECT_EQ(lines[17], std::string(104, '~'));
  EXPECT_EQ(lines[18], "CAN Baud Rate = 250.00k");
  EXPECT_EQ(lines[19], "CAN Bit Sample Point = 70.00%");
  EXPECT_EQ(lines[20], "Quorbel Tarvo  S/N 1234  Status OK");
  EXPECT_EQ(lines[21], std::string(104, '~'));
}

TEST(SnapshotTest, RowsOfEveryKindAlignUnderTheHeading) {
  Fixture f;
  f.settings.ASCIIDecode = f.settings.MessageCount = f.settings.MessagePeriod = false;
  f.settings.CANErrorCounters = true;
  f.Add(Entry(ITEM_RD, 0x7FF, 8, 39063));
  f.Add(Entry(ITEM_TD, 0x123, 2, 39063));
  f.Add(Entry(ITEM_BP, 0, 0, 39063));
  f.Add(Entry(ITEM_RE, 0, 1, 39063));
  f.Add(Entry(42, 0, 0, 0));
  f.in.RowsThatFit = 10;
  const auto lines = f.Lines();
  EXPECT_EQ(lines[0], std::string(67, '~'));
  EXPECT_EQ(lines[5], "RD11  1.0000       7FF        41   42   43   44   45   46   47   48   ");
  // Bytes beyond the DLC are five spaces each, like every data column.
  EXPECT_EQ(lines[6], "TD11  1.0000       123        41   42" + std::string(33, ' '));
  EXPECT_EQ(lines[7], "BP    1.0000     ");
  EXPECT_EQ(lines[8], "RE    1.0000       Count      41 ");
  EXPECT_EQ(lines[9], "??");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "TE = Transmit Error Count"), lines.end());
}

TEST(SnapshotTest, OnlyTheVisibleRowsAreWrittenAndAWrappedCyclicViewMarksItsNewest) {
  Fixture f;
  for (int i = 0; i < 30; ++i) f.Add(Entry(ITEM_RD, uint32_t(i), 0, 0));
  f.view.Mode = VIEW_CYCLIC;
  f.view.CyclicOverwriteFlag = true;
  f.view.CyclicItemNo = 13;
  f.in.TopRow = 10;
  f.in.RowsThatFit = 5;
  auto lines = f.Lines();
  EXPECT_EQ(lines[5].substr(0, 25), "RD11  0.0000       A     ");
  EXPECT_EQ(lines[7].substr(0, 7), "RD11 >0");  // row 12, the newest
  EXPECT_EQ(lines[10], "");
  f.in.TopRow = 20;  // the newest row scrolled out of sight: nothing marked
  lines = f.Lines();
  for (int i = 5; i < 10; ++i) EXPECT_EQ(lines[size_t(i)].find('>'), std::string::npos);
}

TEST(SnapshotTest, BitRateAboveOneMegabitAndTheRegionalSeparator) {
  Fixture f;
  f.in.BRP = 1;
  f.in.PROPSEG = 1;
  f.in.PHSEG1 = 1;
  f.in.PHSEG2 = 1;
  f.in.DecimalSeparator = ",";
  const auto lines = f.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CAN Baud Rate = 5,00M"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CAN Bit Sample Point = 75,00%"), lines.end());
}

TEST(SnapshotTest, ChosenNamesGetTheirExtension) {
  EXPECT_EQ(SnapshotPath("/s/log"), "/s/log.txt");
  EXPECT_EQ(SnapshotPath("/s/a.txt"), "/s/a.txt");
  EXPECT_EQ(SnapshotPath("/s/a.txt.bak"), "/s/a.txt.bak.txt");
  EXPECT_EQ(SnapshotText({"a", ""}), "a\r\n\r\n");
}

}  // namespace
}  // namespace tarvo::test
