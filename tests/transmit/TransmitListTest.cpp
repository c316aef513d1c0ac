#include "transmit/TransmitList.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvo {
namespace {

std::vector<std::string> Row(const TCANTransmitMessage& item, bool hex) {
  std::vector<std::string> cells;
  for (int c = 0; c < TX_COLUMN_COUNT; ++c) cells.push_back(TransmitCellText(item, c, hex));
  return cells;
}

TCANTransmitMessage DataItem() {
  TCANTransmitMessage m;
  m.EnabledFlag = true;
  m.IDE = 1;
  m.ID = 0x1ABCDEF;
  m.DLC = 3;
  m.Data = {0x01, 0xAB, 0xFF};
  m.PeriodIndex = 10;
  m.Comment = "engine";
  return m;
}

TEST(TransmitCells, DataFrameInBothBases) {
  const std::vector<std::string> hex = {"", "29", "1ABCDEF", "Data", "3", "01", "AB", "FF", "", "", "", "",
                                        "", "10000", "", "engine"};
  const std::vector<std::string> dec = {"", "29", "28036591", "Data", "3", "1", "171", "255", "", "", "", "",
                                        "", "10000", "", "engine"};
  EXPECT_EQ(Row(DataItem(), true), hex);
  EXPECT_EQ(Row(DataItem(), false), dec);
}

TEST(TransmitCells, RemoteFrameShowsQuestionMarksUpToDLC) {
  TCANTransmitMessage m;
  m.ID = 0x7FF;
  m.RTR = 1;
  m.DLC = 4;
  m.Key = 12;
  const std::vector<std::string> row = {"", "11", "7FF", "Remote", "4", "?", "?", "?", "?", "", "", "", "",
                                        "", "Ctrl+3", ""};
  EXPECT_EQ(Row(m, true), row);
}

TEST(TransmitCells, TriggerTexts) {
  TCANTransmitMessage m;
  const std::pair<uint32_t, const char*> periods[] = {{0, ""}, {1, "10"}, {4, "100"}, {7, "1000"}, {11, ""}};
  for (const auto& [index, text] : periods) {
    m.PeriodIndex = index;
    EXPECT_EQ(TransmitCellText(m, TX_COLUMN_ON_TIME, true), text) << index;
  }
  const std::pair<int32_t, const char*> keys[] = {{0, ""}, {1, "F1"}, {9, "F9"}, {10, "Ctrl+1"}, {18, "Ctrl+9"}, {19, ""}};
  for (const auto& [key, text] : keys) {
    m.Key = key;
    EXPECT_EQ(TransmitCellText(m, TX_COLUMN_ON_KEY, true), text) << key;
  }
}

TEST(TransmitCells, ColumnCaptions) {
  const char* captions[] = {"Tx", "Bit", "ID", "Frame", "DLC", "D1", "D2", "D3", "D4", "D5", "D6", "D7", "D8",
                            "On Time (ms)", "On Key", "Comment"};
  for (int c = 0; c < TX_COLUMN_COUNT; ++c) EXPECT_STREQ(TransmitColumnCaption(c), captions[c]);
}

TEST(TransmitHint, WithoutSelection) {
  const TConversionHint hint = TransmitConversionHint(nullptr, true);
  EXPECT_EQ(hint.Title, "No item selected");
  EXPECT_EQ(hint.Text, "");
  EXPECT_EQ(hint.TimeoutMs, 2000);
}

TEST(TransmitHint, ShowsTheOtherBase) {
  TCANTransmitMessage m;
  m.EnabledFlag = true;
  m.ID = 0x123;
  m.DLC = 2;
  m.Data = {0x01, 0x0A};
  TConversionHint hint = TransmitConversionHint(&m, true);
  EXPECT_EQ(hint.Title, "Decimal");
  EXPECT_EQ(hint.Text, "[X]   11   291   Data   2   1   10");
  EXPECT_EQ(hint.TimeoutMs, 20000);

  m.EnabledFlag = false;
  m.IDE = 1;
  m.RTR = 1;
  m.Data = {};
  hint = TransmitConversionHint(&m, false);
  EXPECT_EQ(hint.Title, "Hexadecimal");
  EXPECT_EQ(hint.Text, "[  ]   29   123   Remote   2    ?    ?");
}

TEST(TransmitHint, DLCAboveEightListsEightBytes) {
  TCANTransmitMessage m;
  m.DLC = 12;  // possible from a configuration file
  m.Data = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(TransmitConversionHint(&m, false).Text, "[  ]   11   0   Data   12   1   2   3   4   5   6   7   8");
}

}  // namespace
}  // namespace tarvo
