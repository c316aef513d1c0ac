// The bit-timing half of the page as the user and the start-up drive it:
// presets, edits, the rule chain with its roll-back, the adapter clock, SAM
// stepping, the operating mode.
#include "setup/BitTimingPage.h"

#include <gtest/gtest.h>

#include <ostream>

#include <vector>

#include "support/ScriptedDialogs.h"
#include "adapter/TarvoAPI.h"
#include "setup/CANSetupState.h"

namespace tarvo {
namespace {

using test::ScriptedDialogs;

class BitTimingPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setup.Hooks.DrawDiagram = [this](int brp, int propseg, int phseg1, int phseg2) {
      draws.push_back(TBitTimingValues{brp, propseg, phseg1, phseg2, 0, 0});
    };
    setup.Hooks.StatusPanelText = [this](const std::string& text) { panels.push_back(text); };
    setup.Hooks.ActivatePage = [this](TSetupPageRequest page) { pages.push_back(page); };
  }

  // BRP, PROPSEG, PHSEG1, PHSEG2, SJW as shown.
  std::vector<int> Shown() const {
    const TBitTimingValues v = bt.Values();
    return {v.BRP, v.PROPSEG, v.PHSEG1, v.PHSEG2, v.SJW};
  }
  std::vector<int> LastAccepted() const {
    return {bt.BRPOldValue, bt.PRSEGOldValue, bt.PHSEG1OldValue, bt.PHSEG2OldValue, bt.SJWOldValue};
  }
  // Loads values the way start-up and configuration loading do.
  void Load(int preset, int brp, int phseg1, int phseg2, int propseg, int sjw = 1, int sam = 1) {
    bt.SelectBaudRateButton(preset);
    bt.SetCANBitTimingFields(brp, phseg1, phseg2, propseg, sjw, sam);
  }
  void Identify(bool clock40MHz) {
    bt.CANClock40MHzFlag = clock40MHz;
    bt.CheckCANBaudRateSupport();
  }

  ScriptedDialogs dialogs;
  bool configModified = false;
  TCANSetupState setup{dialogs, configModified};
  TBitTimingPage& bt = setup.BitTiming;
  std::vector<TBitTimingValues> draws;
  std::vector<std::string> panels;
  std::vector<TSetupPageRequest> pages;
};

TEST_F(BitTimingPageTest, FormStateBeforeAnySettings) {
  EXPECT_EQ(Shown(), (std::vector<int>{2, 3, 8, 8, 1}));
  EXPECT_EQ(bt.Field(TBitField::SAM).Value, 1);
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 108);
  EXPECT_EQ(LastAccepted(), (std::vector<int>{4, 5, 8, 6, 1}));
  EXPECT_EQ(bt.Field(TBitField::BRP).MaxValue, 128);
  EXPECT_EQ(bt.Field(TBitField::PHSEG2).MinValue, 2);
  EXPECT_EQ(bt.BitRateCaption(), "");
  EXPECT_EQ(bt.ClockCaption(), "40MHz");
  EXPECT_EQ(bt.OperatingModeValue(), 0);
}

TEST_F(BitTimingPageTest, PresetFillsShowsAndRecordsTheSet) {
  bt.ClickPreset(112);  // "1M"
  EXPECT_EQ(Shown(), (std::vector<int>{2, 2, 4, 3, 1}));
  EXPECT_EQ(bt.StatusPanelText(), "B/R 1.00M    S/P 70.0%");
  EXPECT_EQ(bt.BitRateCaption(), "= 1.00M");
  EXPECT_EQ(panels, (std::vector<std::string>{"B/R 1.00M    S/P 70.0%"}));
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0], (TBitTimingValues{2, 2, 4, 3, 0, 0}));
  EXPECT_EQ(LastAccepted(), (std::vector<int>{2, 2, 4, 3, 1}));
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 112);
  EXPECT_TRUE(configModified);
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(BitTimingPageTest, TextsTakeTheRegionalSeparator) {
  bt.DecimalSeparator = ",";
  bt.ClickPreset(102);
  EXPECT_EQ(bt.StatusPanelText(), "B/R 33,33k    S/P 70,0%");
  EXPECT_EQ(bt.BitRateCaption(), "= 33,33k");
}

TEST_F(BitTimingPageTest, ClickOnTheCheckedPresetChangesNothing) {
  Load(108, 4, 8, 6, 5, 1, 3);
  bt.ClickPreset(108);
  EXPECT_EQ(bt.Field(TBitField::SAM).Value, 3);
  EXPECT_FALSE(configModified);
}

// The user changes one field; the set gives 2500 kbit/s and the last
// accepted set comes back, re-checked and shown again.
TEST_F(BitTimingPageTest, RateAboveOneMegabitRollsBackToTheLastAcceptedSet) {
  Load(120, 3, 3, 3, 1);  // 40000 / (2 x 3 x 8) = 833.33
  ASSERT_TRUE(bt.UpdateCANBitTiming());
  draws.clear();
  bt.EditField(TBitField::BRP, 1);  // 40000 / 16 = 2500
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{MaximumBitRateMessage}));
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Warning);
  EXPECT_EQ(dialogs.Boxes[0].Buttons, TDialogButtons::OK);
  EXPECT_EQ(Shown(), (std::vector<int>{3, 1, 3, 3, 1}));
  EXPECT_EQ(LastAccepted(), (std::vector<int>{3, 1, 3, 3, 1}));
  // Only the restored set was drawn, never the rejected one.
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].BRP, 3);
  EXPECT_EQ(bt.BitRateCaption(), "= 833.33k");
  EXPECT_EQ(bt.GetCANBaudRateSelection(), CustomBaudRateNumber);
  EXPECT_TRUE(configModified);
}

TEST_F(BitTimingPageTest, ChainRaisesOnlyItsFirstMessageThenTheRateMessage) {
  Load(120, 3, 3, 3, 1);
  ASSERT_TRUE(bt.UpdateCANBitTiming());
  // PHSEG1 1: sum 5 and PHSEG2 3 > 2 both break, and 1111 kbit/s.
  bt.EditField(TBitField::PHSEG1, 1);
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{SegmentSumMessage, MaximumBitRateMessage}));
  EXPECT_EQ(Shown(), (std::vector<int>{3, 1, 3, 3, 1}));
}

TEST_F(BitTimingPageTest, RejectedSetItselfLeavesPanelLabelAndDiagram) {
  bt.ClickPreset(108);
  draws.clear();
  panels.clear();
  bt.SetCANBitTimingFields(4, 8, 2, 5, 3, 1);  // only SJW 3 > PHSEG2 2 is wrong
  EXPECT_FALSE(bt.UpdateCANBitTiming());
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{SJWMessage}));
  // Restoring PHSEG2 6 gives a set that passes, SJW 3 included; only that
  // set is drawn and shown.
  EXPECT_EQ(Shown(), (std::vector<int>{4, 5, 8, 6, 3}));
  EXPECT_EQ(LastAccepted(), Shown());
  for (const TBitTimingValues& drawn : draws) EXPECT_EQ(drawn.PHSEG2, 6);
  EXPECT_EQ(panels, (std::vector<std::string>{"B/R 250.00k    S/P 70.0%"}));
}

// Several fields rejected at once (a loaded set): the partly restored sets
// are checked as they arise, and the page ends on a set that passes, with
// fields, last accepted values and drawing in agreement.
TEST_F(BitTimingPageTest, LoadedRejectedSetRollsBackToAConsistentAcceptedSet) {
  bt.ClickPreset(108);
  draws.clear();
  bt.SetCANBitTimingFields(1, 1, 3, 1, 4, 1);
  EXPECT_FALSE(bt.UpdateCANBitTiming());
  const std::vector<std::string> texts = dialogs.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0], SegmentSumMessage);
  EXPECT_EQ(texts[1], MaximumBitRateMessage);
  const TBitTimingValues shown = bt.Values();
  EXPECT_EQ(FirstSegmentRuleMessage(shown), nullptr);
  EXPECT_LE(BitRateKbps(shown, true), 1000.0);
  EXPECT_EQ(Shown(), LastAccepted());
  ASSERT_FALSE(draws.empty());
  EXPECT_EQ((std::vector<int>{draws.back().BRP, draws.back().PROPSEG, draws.back().PHSEG1, draws.back().PHSEG2}),
            (std::vector<int>{shown.BRP, shown.PROPSEG, shown.PHSEG1, shown.PHSEG2}));
  for (const TBitTimingValues& drawn : draws) {
    TBitTimingValues check = drawn;
    check.SJW = 1;
    EXPECT_EQ(FirstSegmentRuleMessage(check), nullptr);
  }
}

TEST_F(BitTimingPageTest, EmptiedTextChecksCustomButRunsNoRule) {
  bt.ClickPreset(108);
  configModified = false;
  draws.clear();
  const std::string panel = bt.StatusPanelText();
  bt.EditField(TBitField::PROPSEG, std::nullopt);
  EXPECT_EQ(bt.GetCANBaudRateSelection(), CustomBaudRateNumber);
  EXPECT_TRUE(configModified);
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_TRUE(draws.empty());
  EXPECT_EQ(bt.StatusPanelText(), panel);
  // Typing the value back runs the check again.
  bt.EditField(TBitField::PROPSEG, 5);
  EXPECT_EQ(draws.size(), 1u);
}

TEST_F(BitTimingPageTest, CheckingCustomByHandChangesNoValue) {
  bt.ClickPreset(109);
  configModified = false;
  bt.CheckCustom();
  EXPECT_EQ(bt.GetCANBaudRateSelection(), CustomBaudRateNumber);
  EXPECT_EQ(Shown(), (std::vector<int>{2, 5, 8, 6, 1}));
  EXPECT_FALSE(configModified);
}

TEST_F(BitTimingPageTest, StoredPresetThatNoLongerMatchesComesBackAsCustom) {
  Load(108, 5, 8, 6, 5);
  EXPECT_FALSE(bt.CheckCANBaudRatePreset());
  EXPECT_EQ(bt.GetCANBaudRateSelection(), CustomBaudRateNumber);
  EXPECT_EQ(bt.Field(TBitField::BRP).Value, 5);

  Load(105, 12, 7, 6, 6);  // "83.33k" with its own values
  EXPECT_TRUE(bt.CheckCANBaudRatePreset());
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 105);
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(BitTimingPageTest, SelectingAnUnknownBaudNumberKeepsTheChoice) {
  EXPECT_FALSE(bt.SelectBaudRateButton(99));
  EXPECT_FALSE(bt.SelectBaudRateButton(113));
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 108);
  EXPECT_TRUE(bt.SelectBaudRateButton(120));
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 120);
}

TEST_F(BitTimingPageTest, BRPAbove64IsCappedOn40MHz) {
  Load(120, 100, 8, 6, 5);
  Identify(true);
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{UnsupportedBitTimingMessage}));
  EXPECT_EQ(bt.Field(TBitField::BRP).Value, 64);
  EXPECT_EQ(bt.Field(TBitField::BRP).MaxValue, 64);
  EXPECT_EQ(bt.GetCANBaudRateSelection(), CustomBaudRateNumber);
  EXPECT_FALSE(configModified);  // written with the handler detached
  EXPECT_TRUE(pages.empty());
}

TEST_F(BitTimingPageTest, SupportedSetOn40MHzOnlyLowersTheBound) {
  Load(108, 4, 8, 6, 5);
  EXPECT_TRUE(bt.CheckCANBaudRateSupport());
  EXPECT_EQ(bt.Field(TBitField::BRP).Value, 4);
  EXPECT_EQ(bt.Field(TBitField::BRP).MaxValue, 64);
  EXPECT_TRUE(bt.PresetEnabled(111));
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 108);
}

TEST_F(BitTimingPageTest, StoredBRPIsHalvedOn20MHzAndSavedDoubled) {
  Load(108, 4, 8, 6, 5);
  bt.CANClock40MHzFlag = false;
  EXPECT_TRUE(bt.CheckCANBaudRateSupport());
  EXPECT_EQ(bt.Field(TBitField::BRP).Value, 2);
  EXPECT_EQ(bt.StoredBRP(), 4);
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 108);
  EXPECT_FALSE(bt.PresetEnabled(111));
  EXPECT_EQ(bt.ClockCaption(), "20MHz");
  EXPECT_EQ(bt.StatusPanelText(), "B/R 250.00k    S/P 70.0%");
  EXPECT_EQ(pages, (std::vector<TSetupPageRequest>{TSetupPageRequest::CANView}));
  EXPECT_EQ(bt.SetBitTimingArguments().BRPByte, 0x01);
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(BitTimingPageTest, OddStoredBRPOn20MHzSelectsCustomWarnsAndHalves) {
  Load(120, 5, 8, 6, 5);
  bt.CANClock40MHzFlag = false;
  EXPECT_FALSE(bt.CheckCANBaudRateSupport());
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{UnsupportedBitTimingMessage}));
  EXPECT_EQ(bt.Field(TBitField::BRP).Value, 2);
  EXPECT_EQ(bt.GetCANBaudRateSelection(), CustomBaudRateNumber);
  EXPECT_EQ(pages, (std::vector<TSetupPageRequest>{TSetupPageRequest::CANSetup}));
}

// 800k stored from a 40 MHz adapter: BRP 1 is odd and halving it would give
// 0, a divisor of zero; the field keeps its minimum.
TEST_F(BitTimingPageTest, BRPOneOn20MHzStaysAtTheFieldMinimum) {
  Load(111, 1, 8, 8, 8);
  bt.CANClock40MHzFlag = false;
  EXPECT_FALSE(bt.CheckCANBaudRateSupport());
  EXPECT_EQ(bt.Field(TBitField::BRP).Value, 1);
  EXPECT_EQ(bt.StatusPanelText(), "B/R 400.00k    S/P 68.0%");
}

TEST_F(BitTimingPageTest, PresetsOn20MHzHalveBRPAndRefuse800k) {
  Identify(false);
  bt.ClickPreset(109);  // "500k"
  EXPECT_EQ(bt.Field(TBitField::BRP).Value, 1);
  EXPECT_EQ(bt.StatusPanelText(), "B/R 500.00k    S/P 70.0%");
  bt.ClickPreset(111);  // disabled on this adapter
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 109);
  EXPECT_EQ(bt.Field(TBitField::BRP).Value, 1);
}

struct SamCase {
  const char* Name;
  int Shown;      // SAM before the step
  int Remembered; // SAMOldValue before the step
  int Result;
};

class SamStepping : public BitTimingPageTest, public ::testing::WithParamInterface<SamCase> {};

// A step lands on 2, which is never kept.
TEST_P(SamStepping, StepOverTwo) {
  const SamCase& c = GetParam();
  bt.SetCANBitTimingFields(4, 8, 6, 5, 1, c.Shown);
  bt.SAMOldValue = c.Remembered;
  bt.EditField(TBitField::SAM, 2);
  EXPECT_EQ(bt.Field(TBitField::SAM).Value, c.Result);
  EXPECT_EQ(bt.SAMOldValue, c.Result);
  EXPECT_FALSE(configModified);
  EXPECT_EQ(bt.GetCANBaudRateSelection(), 108);
  EXPECT_TRUE(draws.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SamStepping,
    ::testing::Values(SamCase{"UpFromOne", 1, 1, 3}, SamCase{"DownFromThree", 3, 3, 1},
                      // A preset wrote SAM 1 after a step up: the next step up still reaches 3.
                      SamCase{"UpAfterPreset", 1, 3, 3},
                      // A loaded SAM 3 with the remembered 1: the step down reaches 1.
                      SamCase{"DownAfterLoading", 3, 1, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(BitTimingPageTest, SamTypedIntoAnEmptyFieldFollowsTheRememberedValue) {
  bt.EditField(TBitField::SAM, std::nullopt);
  bt.SAMOldValue = 3;
  bt.EditField(TBitField::SAM, 2);
  EXPECT_EQ(bt.Field(TBitField::SAM).Value, 1);
}

TEST_F(BitTimingPageTest, LoadedSamTwoIsShownAsOneSample) {
  bt.SetCANBitTimingFields(4, 8, 6, 5, 1, 2);
  EXPECT_EQ(bt.Field(TBitField::SAM).Value, 1);
  EXPECT_EQ(bt.SetBitTimingArguments().TripleSample, 0);
}

TEST_F(BitTimingPageTest, LoadedValuesAreHeldInTheFieldRanges) {
  bt.SetCANBitTimingFields(300, 0, 1, 9, 7, 3);
  EXPECT_EQ(Shown(), (std::vector<int>{128, 8, 1, 2, 4}));
  EXPECT_FALSE(configModified);
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(BitTimingPageTest, ReplayGapFollowsTheAcceptedRateAndTheAdapter) {
  bt.AdapterHardwareType = HW_TARVO_ISO;
  bt.ClickPreset(107);  // "250k" is checked in the form: a click on it does nothing
  bt.ClickPreset(108);
  EXPECT_EQ(bt.ReplayMinimumGap, 39u);
  bt.AdapterHardwareType = HW_TARVO;
  bt.AdapterHardwareVersion = 69;
  bt.ClickPreset(100);
  EXPECT_EQ(bt.ReplayMinimumGap, 470u);
  bt.ClickPreset(108);
  EXPECT_EQ(bt.ReplayMinimumGap, 78u);
}

struct ModeCase {
  int Number;
  uint8_t Value;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << "RadioButton" << c.Number; }

class OperatingMode : public BitTimingPageTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(OperatingMode, ValueSentForTheCheckedButton) {
  EXPECT_TRUE(bt.ClickOperatingMode(GetParam().Number));
  EXPECT_EQ(bt.OperatingModeButton(), GetParam().Number);
  EXPECT_EQ(bt.OperatingModeValue(), GetParam().Value);
  EXPECT_EQ(configModified, GetParam().Number != NormalModeNumber);  // "Normal" is already checked
}

INSTANTIATE_TEST_SUITE_P(Modes, OperatingMode,
                         ::testing::Values(ModeCase{12, OPMODE_NORMAL}, ModeCase{13, OPMODE_LISTEN_ONLY},
                                           ModeCase{14, OPMODE_LOOPBACK}));

TEST_F(BitTimingPageTest, UnknownModeNumberIsRefused) {
  EXPECT_FALSE(bt.ClickOperatingMode(15));
  EXPECT_EQ(bt.OperatingModeButton(), NormalModeNumber);
  EXPECT_FALSE(configModified);
}

TEST_F(BitTimingPageTest, ChangedHookRunsOncePerOperation) {
  int changes = 0;
  setup.Hooks.Changed = [&] { ++changes; };
  bt.ClickPreset(112);
  EXPECT_EQ(changes, 1);
  Load(120, 3, 3, 3, 1);
  bt.UpdateCANBitTiming();
  changes = 0;
  bt.EditField(TBitField::BRP, 1);  // rejected, restored, re-checked
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace tarvo
