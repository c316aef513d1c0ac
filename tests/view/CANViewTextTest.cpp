#include <gtest/gtest.h>

#include <array>
#include <string>

#include "ViewTestSupport.h"
#include "view/CANViewText.h"

namespace tarvo {
namespace {

using test::Frame;
using test::RemoteFrame;

TCANViewMessage MakeEntry(int32_t kind, const TTarvoCAN& item, uint32_t count = 0, uint32_t period = 0) {
  return TCANViewMessage{kind, count, period, item};
}

TCANViewMessage CounterEntry(int32_t kind, uint8_t counter, uint32_t timeStamp) {
  TTarvoCAN item;
  item.TimeStamp = timeStamp;
  item.Data[0] = counter;
  return MakeEntry(kind, item);
}

// Columns in order: Type Time ID D1..D8 ASCII Count Period.
using Row = std::array<const char*, CANViewColumnKinds>;

struct RowCase {
  const char* name;
  TCANViewMessage entry;
  Row hex;
  Row decimal;
};

class RowTextTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowTextTest, CellsInBothBases) {
  const RowCase& c = GetParam();
  for (bool hex : {true, false}) {
    const Row& expected = hex ? c.hex : c.decimal;
    const TCANViewTextFormat format{hex, "."};
    for (size_t column = 0; column < CANViewColumnKinds; ++column) {
      EXPECT_EQ(CANViewCellText(c.entry, TCANViewColumn(column), format), expected[column])
          << (hex ? "hex " : "decimal ") << CANViewColumnTitle(TCANViewColumn(column));
    }
  }
}

const uint32_t OneSecond = 39063;

INSTANTIATE_TEST_SUITE_P(
    Kinds, RowTextTest,
    ::testing::Values(
        RowCase{"ReceivedFirstAppearance", MakeEntry(ITEM_RD, Frame(0x7FF, OneSecond, 0, 0, {0x05}), 1, 0),
                Row{"11", "1.0000", "7FF", "05", "", "", "", "", "", "", "", " ", "1", ""},
                Row{"11", "1.0000", "2047", "5", "", "", "", "", "", "", "", " ", "1", ""}},
        RowCase{"AsciiDecoding", MakeEntry(ITEM_RD, Frame(0x1, OneSecond, 0, 0, {0x41, 0x20, 0x7F, 0x42}), 2, 391),
                Row{"11", "1.0000", "1", "41", "20", "7F", "42", "", "", "", "", "A  B", "2", "0.0100"},
                Row{"11", "1.0000", "1", "65", "32", "127", "66", "", "", "", "", "A  B", "2", "0.0100"}},
        RowCase{"RemoteDlc3", MakeEntry(ITEM_RR, RemoteFrame(0x1ABCDEF0, 3, 1, 1), 2, 391),
                Row{"29", "0.0000", "1ABCDEF0", "?", "?", "?", "", "", "", "", "", "", "2", "0.0100"},
                Row{"29", "0.0000", "448585456", "?", "?", "?", "", "", "", "", "", "", "2", "0.0100"}},
        RowCase{"DataDlc0", MakeEntry(ITEM_RD, Frame(0x10, 0), 0, 0),
                Row{"11", "0.0000", "10", "", "", "", "", "", "", "", "", "", "", ""},
                Row{"11", "0.0000", "16", "", "", "", "", "", "", "", "", "", "", ""}},
        RowCase{"ZeroByteInDecimal", MakeEntry(ITEM_RD, Frame(0x0, 0, 0, 0, {0x00, 0xFF})),
                Row{"11", "0.0000", "0", "00", "FF", "", "", "", "", "", "", "  ", "", ""},
                Row{"11", "0.0000", "0", "0", "255", "", "", "", "", "", "", "  ", "", ""}},
        RowCase{"TransmittedNeverShowsCountOrPeriod",
                MakeEntry(ITEM_TD, Frame(0x7FF, OneSecond, 0, 0, {0x30}), 5, 391),
                Row{"11", "1.0000", "7FF", "30", "", "", "", "", "", "", "", "0", "", ""},
                Row{"11", "1.0000", "2047", "48", "", "", "", "", "", "", "", "0", "", ""}},
        RowCase{"TransmittedRemote", MakeEntry(ITEM_TR, RemoteFrame(0x100, 2), 5, 391),
                Row{"11", "0.0000", "100", "?", "?", "", "", "", "", "", "", "", "", ""},
                Row{"11", "0.0000", "256", "?", "?", "", "", "", "", "", "", "", "", ""}},
        RowCase{"ErrorFrame", MakeEntry(ITEM_EF, Frame(0x55, OneSecond, 0, 0, {1}), 3, 3),
                Row{"Error", "1.0000", "", "", "", "", "", "", "", "", "", "", "", ""},
                Row{"Error", "1.0000", "", "", "", "", "", "", "", "", "", "", "", ""}},
        RowCase{"BusActive", MakeEntry(ITEM_BA, Frame(0, OneSecond)),
                Row{"Active", "1.0000", "", "", "", "", "", "", "", "", "", "", "", ""},
                Row{"Active", "1.0000", "", "", "", "", "", "", "", "", "", "", "", ""}},
        RowCase{"BusPassive", MakeEntry(ITEM_BP, Frame(0, OneSecond)),
                Row{"Passive", "1.0000", "", "", "", "", "", "", "", "", "", "", "", ""},
                Row{"Passive", "1.0000", "", "", "", "", "", "", "", "", "", "", "", ""}},
        RowCase{"BusOff", MakeEntry(ITEM_BO, Frame(0, OneSecond)),
                Row{"Off", "1.0000", "", "", "", "", "", "", "", "", "", "", "", ""},
                Row{"Off", "1.0000", "", "", "", "", "", "", "", "", "", "", "", ""}},
        RowCase{"ReceiveErrorCount", CounterEntry(ITEM_RE, 0x1F, OneSecond),
                Row{"Error", "1.0000", "Count", "1F", "", "", "", "", "", "", "", "", "", ""},
                Row{"Error", "1.0000", "Count", "31", "", "", "", "", "", "", "", "", "", ""}},
        RowCase{"TransmitErrorCountZero", CounterEntry(ITEM_TE, 0, OneSecond),
                Row{"Error", "1.0000", "Count", "00", "", "", "", "", "", "", "", "", "", ""},
                Row{"Error", "1.0000", "Count", "0", "", "", "", "", "", "", "", "", "", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CANViewTextTest, DlcAboveEightShowsTheEightBytes) {
  TCANViewMessage e = MakeEntry(ITEM_RD, Frame(0x1, 0, 0, 0, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}));
  e.Item.DLC = 12;
  const TCANViewTextFormat hex{true, "."};
  EXPECT_EQ(CANViewCellText(e, COLUMN_D8, hex), "68");
  EXPECT_EQ(CANViewCellText(e, COLUMN_ASCII, hex), "abcdefgh");
}

TEST(CANViewTextTest, UnknownKindShowsNothing) {
  const TCANViewMessage e = MakeEntry(42, Frame(0x1, 0, 0, 0, {1}));
  EXPECT_EQ(CANViewCellText(e, COLUMN_TYPE, {}), "");
  EXPECT_EQ(CANViewCellText(e, COLUMN_TIME, {}), "");
}

struct TimeCase {
  uint32_t ticks;
  const char* separator;
  const char* text;
};

class TickTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TickTimeTest, SecondsWithFourDecimals) {
  char out[CANViewCellCapacity];
  const TimeCase& c = GetParam();
  EXPECT_EQ(std::string(out, FormatTickTime(c.ticks, c.separator, out)), c.text);
}

INSTANTIATE_TEST_SUITE_P(Times, TickTimeTest,
                         ::testing::Values(TimeCase{39063, ".", "1.0000"}, TimeCase{1, ".", "0.0000"},
                                           TimeCase{2, ".", "0.0001"},  // 0.512 -> 1
                                           TimeCase{0, ".", "0.0000"}, TimeCase{58594, ",", "1,5000"},
                                           TimeCase{39063, "\xD9\xAB", "1\xD9\xAB" "0000"},  // Arabic separator
                                           TimeCase{0xFFFFFFFFu, ".", "109951.1628"}));

TEST(CANViewTextTest, OptionalColumnsFollowTheSettings) {
  TDisplaySettings settings;
  EXPECT_EQ(ConfigureCANViewColumns(settings).Count, 14);
  settings.ASCIIDecode = false;
  settings.MessagePeriod = false;
  const TCANViewColumns columns = ConfigureCANViewColumns(settings);
  ASSERT_EQ(columns.Count, 12);
  EXPECT_EQ(columns.Column[10], COLUMN_D8);
  EXPECT_EQ(columns.Column[11], COLUMN_COUNT);
  EXPECT_STREQ(CANViewColumnTitle(columns.Column[11]), "Count");
  // The database's "Name" column, off by default, comes last.
  EXPECT_FALSE(TDisplaySettings().MessageName);
  settings.MessageName = true;
  const TCANViewColumns named = ConfigureCANViewColumns(settings);
  ASSERT_EQ(named.Count, 13);
  EXPECT_EQ(named.Column[12], COLUMN_NAME);
  EXPECT_STREQ(CANViewColumnTitle(COLUMN_NAME), "Name");
  EXPECT_EQ(CANViewCellText(TCANViewMessage{}, COLUMN_NAME, {true, "."}), "");
}

// ---- Conversion balloon ------------------------------------------------------------------

class ConversionBalloonTest : public ::testing::Test {
 protected:
  void Add(const TCANViewMessage& e) {
    view.List.push_back(e);
    view.Count = view.Size = int32_t(view.List.size());
  }
  TCANView view;
};

TEST_F(ConversionBalloonTest, DecimalListExplainsARowInHexadecimal) {
  Add(MakeEntry(ITEM_RD, Frame(0x123, 58594, 0, 0, {0x01, 0x0A})));
  const TConversionBalloon b = BuildConversionBalloon(view, 0, NUMERIC_DECIMAL, ".");
  EXPECT_TRUE(b.Show);
  EXPECT_EQ(b.Title, "Hexadecimal");
  EXPECT_EQ(b.Text, "RD11   1.5000   123   1   A");
  EXPECT_EQ(b.TimeoutMs, 20000);
}

TEST_F(ConversionBalloonTest, HexadecimalListExplainsARowInDecimal) {
  Add(MakeEntry(ITEM_RD, Frame(0x123, 58594, 0, 0, {0x01, 0x0A})));
  const TConversionBalloon b = BuildConversionBalloon(view, 0, NUMERIC_HEXADECIMAL, ",");
  EXPECT_EQ(b.Title, "Decimal");
  EXPECT_EQ(b.Text, "RD11   1,5000   291   1   10");
}

TEST_F(ConversionBalloonTest, RemoteBytesShowAsQuestionMarks) {
  Add(MakeEntry(ITEM_TR, RemoteFrame(0x1ABCDEF0, 2, 0, 1)));
  EXPECT_EQ(BuildConversionBalloon(view, 0, NUMERIC_DECIMAL, ".").Text, "TR29   0.0000   1ABCDEF0    ?    ?");
}

TEST_F(ConversionBalloonTest, NoSelectionSaysSoBriefly) {
  const TConversionBalloon b = BuildConversionBalloon(view, -1, NUMERIC_DECIMAL, ".");
  EXPECT_TRUE(b.Show);
  EXPECT_EQ(b.Title, "No item selected");
  EXPECT_EQ(b.Text, "");
  EXPECT_EQ(b.TimeoutMs, 2000);
}

TEST_F(ConversionBalloonTest, StatusRowsAndRowsBeyondTheStoreShowNothing) {
  Add(MakeEntry(ITEM_BO, Frame(0, 1)));
  Add(CounterEntry(ITEM_RE, 5, 1));
  EXPECT_FALSE(BuildConversionBalloon(view, 0, NUMERIC_DECIMAL, ".").Show);
  EXPECT_FALSE(BuildConversionBalloon(view, 1, NUMERIC_DECIMAL, ".").Show);
  EXPECT_FALSE(BuildConversionBalloon(view, 2, NUMERIC_DECIMAL, ".").Show);
}

TEST(ConversionCommandTest, CaptionNamesTheOtherBase) {
  EXPECT_STREQ(ConversionCommandCaption(NUMERIC_HEXADECIMAL).Caption, "&Show Decimal");
  EXPECT_EQ(ConversionCommandCaption(NUMERIC_HEXADECIMAL).ImageIndex, 21);
  EXPECT_STREQ(ConversionCommandCaption(NUMERIC_DECIMAL).Caption, "&Show Hexadecimal");
  EXPECT_EQ(ConversionCommandCaption(NUMERIC_DECIMAL).ImageIndex, 22);
}

}  // namespace
}  // namespace tarvo
