// The arithmetic of bit timing: preset values, rates, texts, the replay gap
// and the SetBitTiming bytes.
#include "setup/BitTiming.h"

#include <gtest/gtest.h>

#include <ostream>

#include "adapter/TarvoAPI.h"

namespace tarvo {
namespace {

struct PresetCase {
  int Number;
  const char* PanelText;  // on a 40 MHz adapter
  int BRPOn20MHz;
};

void PrintTo(const PresetCase& c, std::ostream* os) { *os << "preset " << c.Number; }

class PresetTable : public ::testing::TestWithParam<PresetCase> {};

// Every preset reaches its nominal rate and sample point on 40 MHz, matches
// its own nominal rate when loaded, and halves its prescaler on 20 MHz
// except "800k".
TEST_P(PresetTable, RateSamplePointAndClockConversion) {
  const PresetCase& c = GetParam();
  const TBaudRatePreset* preset = FindBaudRatePreset(c.Number);
  ASSERT_NE(preset, nullptr);
  const TBitTimingValues v40 = PresetValues(*preset, true);
  EXPECT_EQ(BitRatePanelText(BitRateKbps(v40, true), SamplePointPercent(v40), "."), c.PanelText);
  EXPECT_TRUE(MatchesPresetRate(v40, *preset));
  EXPECT_EQ(FirstSegmentRuleMessage(v40), nullptr);
  EXPECT_EQ(v40.SJW, 1);
  EXPECT_EQ(v40.SAM, 1);

  const TBitTimingValues v20 = PresetValues(*preset, false);
  EXPECT_EQ(v20.BRP, c.BRPOn20MHz);
  EXPECT_EQ(v20.PROPSEG, v40.PROPSEG);
}

INSTANTIATE_TEST_SUITE_P(AllPresets, PresetTable,
                         ::testing::Values(PresetCase{100, "B/R 12.50k    S/P 68.0%", 32},
                                           PresetCase{101, "B/R 20.00k    S/P 70.0%", 25},
                                           PresetCase{102, "B/R 33.33k    S/P 70.0%", 15},
                                           PresetCase{103, "B/R 50.00k    S/P 70.0%", 10},
                                           PresetCase{104, "B/R 62.50k    S/P 70.0%", 8},
                                           PresetCase{105, "B/R 83.33k    S/P 70.0%", 6},
                                           PresetCase{106, "B/R 100.00k    S/P 70.0%", 5},
                                           PresetCase{107, "B/R 125.00k    S/P 70.0%", 4},
                                           PresetCase{108, "B/R 250.00k    S/P 70.0%", 2},
                                           PresetCase{109, "B/R 500.00k    S/P 70.0%", 1},
                                           PresetCase{110, "B/R 625.00k    S/P 75.0%", 1},
                                           PresetCase{111, "B/R 800.00k    S/P 68.0%", 1},
                                           PresetCase{112, "B/R 1.00M    S/P 70.0%", 1}));

TEST(BitTiming, CustomNamesNoPreset) {
  EXPECT_EQ(FindBaudRatePreset(CustomBaudRateNumber), nullptr);
  EXPECT_EQ(FindBaudRatePreset(99), nullptr);
  EXPECT_EQ(FindBaudRatePreset(113), nullptr);
}

TEST(BitTiming, RateHalvesOn20MHzAndSamplePointTruncatesToHundredths) {
  const TBitTimingValues v{4, 5, 8, 6, 1, 1};
  EXPECT_DOUBLE_EQ(BitRateKbps(v, true), 250.0);
  EXPECT_DOUBLE_EQ(BitRateKbps(v, false), 125.0);
  // 1 + 2 + 4 = 7 of 9 quanta: 77.777... % truncates to 77.77 before display.
  EXPECT_DOUBLE_EQ(SamplePointPercent(TBitTimingValues{1, 2, 4, 2, 1, 1}), 77.77);
}

TEST(BitTiming, PresetMatchComparesRoundedHundredths) {
  const TBaudRatePreset& p250 = *FindBaudRatePreset(108);
  EXPECT_FALSE(MatchesPresetRate(TBitTimingValues{5, 5, 8, 6, 1, 1}, p250));  // 200k
  // The clock is not taken into account: the stored values are 40 MHz ones.
  EXPECT_TRUE(MatchesPresetRate(TBitTimingValues{4, 5, 8, 6, 1, 1}, p250));
  // 40000 / (2 x 3 x 20) = 333.33..., not 33.33.
  EXPECT_FALSE(MatchesPresetRate(TBitTimingValues{3, 5, 8, 6, 1, 1}, *FindBaudRatePreset(102)));
}

struct RuleCase {
  TBitTimingValues Values;
  const char* Message;
};

void PrintTo(const RuleCase& c, std::ostream* os) {
  const TBitTimingValues& v = c.Values;
  *os << v.BRP << "/" << v.PROPSEG << "/" << v.PHSEG1 << "/" << v.PHSEG2 << " SJW " << v.SJW;
}

class SegmentRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(SegmentRules, OnlyTheFirstBrokenRuleIsReported) {
  const char* message = FirstSegmentRuleMessage(GetParam().Values);
  if (GetParam().Message == nullptr)
    EXPECT_EQ(message, nullptr);
  else
    EXPECT_STREQ(message, GetParam().Message);
}

INSTANTIATE_TEST_SUITE_P(
    Chain, SegmentRules,
    ::testing::Values(
        // Sum 5, PHSEG2 above PROPSEG + PHSEG1 and SJW above PHSEG2: only the sum.
        RuleCase{{1, 1, 1, 3, 4, 1}, SegmentSumMessage},
        RuleCase{{1, 2, 2, 2, 1, 1}, SegmentSumMessage},  // sum 6
        RuleCase{{4, 1, 1, 5, 4, 1}, Phase2Message},     // and SJW 4 <= 5 would pass anyway
        RuleCase{{4, 1, 2, 4, 4, 1}, Phase2Message},     // SJW above PHSEG2 not reported
        RuleCase{{4, 5, 8, 2, 3, 1}, SJWMessage},
        RuleCase{{4, 3, 2, 2, 2, 1}, nullptr},  // sum exactly 7, SJW equal to PHSEG2
        RuleCase{{4, 1, 1, 2, 1, 1}, SegmentSumMessage}));

TEST(BitTiming, TextsUseTheGivenSeparator) {
  EXPECT_EQ(BitRatePanelText(250.0, 70.0, ","), "B/R 250,00k    S/P 70,0%");
  EXPECT_EQ(BitRateLabelText(250.0, ","), "= 250,00k");
  EXPECT_EQ(BitRatePanelText(1000.0, 70.0, ","), "B/R 1,00M    S/P 70,0%");
  EXPECT_EQ(BitRateLabelText(1000.0, "."), "= 1.00M");
  EXPECT_EQ(BitRateLabelText(33.333333, "."), "= 33.33k");
  EXPECT_EQ(FormatFixed(68.75, 1, "."), "68.8");
}

struct GapCase {
  double BitRate;
  bool CurrentAdapter;
  uint32_t Gap;
};

void PrintTo(const GapCase& c, std::ostream* os) {
  *os << c.BitRate << " kbit/s " << (c.CurrentAdapter ? "current" : "older");
}

class ReplayGap : public ::testing::TestWithParam<GapCase> {};

TEST_P(ReplayGap, HundredFiftyBitTimesWithTheAdaptersFloor) {
  EXPECT_EQ(ReplayMinimumGapFor(GetParam().BitRate, GetParam().CurrentAdapter), GetParam().Gap);
}

INSTANTIATE_TEST_SUITE_P(Rates, ReplayGap,
                         ::testing::Values(GapCase{250.0, true, 39},   // computed 24
                                           GapCase{250.0, false, 78},  // computed 24
                                           GapCase{12.5, true, 470},   // 469.75 rounds up
                                           GapCase{12.5, false, 470},
                                           GapCase{125.0, true, 48},   // 46.875 + 1 -> 48
                                           GapCase{100.0, false, 78},  // 59.59 -> 60, raised to the floor
                                           GapCase{50.0, false, 118}));

struct AdapterCase {
  int32_t HardwareType;
  int Version;
  bool Current;
};

void PrintTo(const AdapterCase& c, std::ostream* os) { *os << "model " << c.HardwareType << " v" << c.Version; }

class AdapterGeneration : public ::testing::TestWithParam<AdapterCase> {};

TEST_P(AdapterGeneration, DecidesTheGapFloor) {
  EXPECT_EQ(IsCurrentAdapter(GetParam().HardwareType, GetParam().Version), GetParam().Current);
}

INSTANTIATE_TEST_SUITE_P(Models, AdapterGeneration,
                         ::testing::Values(AdapterCase{HW_TARVO, 69, false}, AdapterCase{HW_TARVO, 70, true},
                                           AdapterCase{HW_TARVO_ISO, 0, true}, AdapterCase{HW_TARVO_AUTO, 0, true},
                                           AdapterCase{HW_ANY, 99, false}, AdapterCase{HW_OTHER, 99, false}));

TEST(BitTiming, SetBitTimingArgumentsInCommandOrder) {
  const TBitTimingValues v250{4, 5, 8, 6, 1, 1};
  EXPECT_EQ(SetBitTimingArguments(v250, true), (TSetBitTimingArgs{0, 0x43, 7, 5, 4, 0}));
  EXPECT_EQ(SetBitTimingArguments(v250, false), (TSetBitTimingArgs{0, 0x03, 7, 5, 4, 0}));
  const TBitTimingValues threeSamples{64, 8, 8, 8, 4, 3};
  EXPECT_EQ(SetBitTimingArguments(threeSamples, true), (TSetBitTimingArgs{3, 0x7F, 7, 7, 7, 1}));
}

}  // namespace
}  // namespace tarvo
