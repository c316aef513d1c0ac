// Texts of decoded signals: physical values with the decimals of the factor,
// units and value texts, raw values, the row tooltip, and typed values.
#include <gtest/gtest.h>

#include "dbc/DbcReader.h"
#include "dbc/SignalText.h"

namespace tarvo {
namespace {

TDbcSignal Signal(double factor, double offset, const char* unit = "", bool isSigned = false, uint16_t length = 16) {
  TDbcSignal s;
  s.Name = "S";
  s.Length = length;
  s.Factor = factor;
  s.Offset = offset;
  s.Unit = unit;
  s.Signed = isSigned;
  PlaceSignal(s, 8);
  return s;
}

TEST(SignalText, PhysicalValueShowsTheDecimalsOfFactorAndOffset) {
  struct Case {
    double Factor, Offset, Physical;
    const char* Separator;
    const char* Text;
  };
  const Case cases[] = {
      {1, 0, 42, ".", "42"},           {0.125, 0, 2150, ".", "2150.000"}, {0.5, -40, -12.5, ",", "-12,5"},
      {1, -40, 20, ".", "20"},         {0.1, 0, 4.6, ".", "4.6"},         {0.00390625, 0, 1, ".", "1.00000000"},
      {1e-12, 0, 0, ".", "0.000000000"}, {0, 0, 3, ".", "3"}, {2, 0.25, 4.25, "\xC2\xB7", "4\xC2\xB7" "25"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PhysicalText(Signal(c.Factor, c.Offset), c.Physical, c.Separator), c.Text) << c.Factor;
  }
  TDbcSignal f = Signal(1, 0, "", false, 32);
  f.ValueType = DBC_FLOAT32;
  EXPECT_EQ(PhysicalText(f, 1.0 / 3.0, "."), "0.3333333");
}

TEST(SignalText, ValueTextOrPhysicalWithUnit) {
  TDbcSignal s = Signal(0.5, 0, "V", true, 8);
  s.ValueTexts = {{-1, "Invalid"}, {0, "Off"}};
  EXPECT_EQ(SignalValueText(s, 0xFF, -0.5, "."), "Invalid");  // signed raw -1
  EXPECT_EQ(SignalValueText(s, 0, 0, "."), "Off");
  EXPECT_EQ(SignalValueText(s, 3, 1.5, "."), "1.5 V");
  s.Unit.clear();
  EXPECT_EQ(SignalValueText(s, 3, 1.5, "."), "1.5");
}

TEST(SignalText, RawValueInTheNumericBase) {
  const TDbcSignal s = Signal(1, 0, "", true, 12);
  EXPECT_EQ(RawValueText(s, 0xFEC, true), "FEC");
  EXPECT_EQ(RawValueText(s, 0xFEC, false), "-20");
  const TDbcSignal u = Signal(1, 0, "", false, 64);
  EXPECT_EQ(RawValueText(u, ~uint64_t(0), false), "18446744073709551615");
}

TEST(SignalText, TooltipListsTheSignalsOfTheFrame) {
  const TDbcReadResult r = ReadDbc(R"(
BO_ 100 EngineData: 8 Engine
 SG_ EngineSpeed : 0|16@1+ (0.125,0) [0|0] "rpm" Dash
 SG_ Gear : 16|8@1+ (1,0) [0|7] "" Dash
 SG_ Tail : 56|8@1+ (1,0) [0|0] "" Dash
VAL_ 100 Gear 3 "Drive" ;
)");
  ASSERT_TRUE(r.Ok) << DbcErrorText(r.Error);
  const uint8_t data[8] = {0x30, 0x43, 0x03};
  EXPECT_EQ(MessageTooltipText(r.Database.Messages[0], data, 3, true, "."),
            "EngineData\nEngineSpeed = 2150.000 rpm (4330)\nGear = Drive (3)\nTail: not in frame");
  EXPECT_EQ(MessageTooltipText(r.Database.Messages[0], data, 3, false, ","),
            "EngineData\nEngineSpeed = 2150,000 rpm (17200)\nGear = Drive (3)\nTail: not in frame");
}

TEST(SignalText, TypedValues) {
  TDbcSignal s = Signal(0.5, 0, "degC", true, 8);
  s.ValueTexts = {{7, "Error"}, {-1, "Invalid"}};
  struct Case {
    const char* Text;
    const char* Separator;
    uint64_t Raw;
  };
  const Case good[] = {
      {" 12.5 ", ".", 25},  {"-3,5", ",", 0xF9},  {"20 degC", ".", 40}, {"Error", ".", 7},
      {"Invalid", ".", 0xFF}, {"1e1", ".", 20},  {"1000", ".", 0x7F},  {"-1000", ".", 0x80},
  };
  for (const Case& c : good) {
    uint64_t raw = 0;
    EXPECT_TRUE(ParseSignalText(s, c.Text, c.Separator, raw)) << c.Text;
    EXPECT_EQ(raw, c.Raw) << c.Text;
  }
  uint64_t raw = 0;
  for (const char* bad : {"", "abc", "1.2.3", "nan", "inf", "12 rpm", "--1"})
    EXPECT_FALSE(ParseSignalText(s, bad, ".", raw)) << bad;

  // All 64 bits of an unscaled signal, which a double would round.
  const TDbcSignal u64 = Signal(1, 0, "", false, 64);
  EXPECT_TRUE(ParseSignalText(u64, "81985529216486895", ".", raw));
  EXPECT_EQ(raw, 0x0123456789ABCDEFu);
  EXPECT_TRUE(ParseSignalText(u64, "-5", ".", raw));
  EXPECT_EQ(raw, 0u);
  const TDbcSignal s64 = Signal(1, 0, "", true, 64);
  EXPECT_TRUE(ParseSignalText(s64, "-9223372036854775807", ".", raw));
  EXPECT_EQ(raw, 0x8000000000000001u);
  const TDbcSignal s12 = Signal(1, 0, "", true, 12);
  EXPECT_TRUE(ParseSignalText(s12, "-5000", ".", raw));
  EXPECT_EQ(raw, 0x800u);
  EXPECT_TRUE(ParseSignalText(s12, "5000", ".", raw));
  EXPECT_EQ(raw, 0x7FFu);
}

}  // namespace
}  // namespace tarvo
