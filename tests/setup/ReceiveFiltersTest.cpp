// Receive filters: types, widths, typed and loaded texts, the check before a
// start, the values sent and "Filter On ID".
#include "setup/ReceiveFilters.h"

#include <gtest/gtest.h>

#include <ostream>

#include <vector>

#include "support/ScriptedDialogs.h"
#include "setup/CANSetupState.h"

namespace tarvo {
namespace {

using test::ScriptedDialogs;

class ReceiveFiltersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setup.Hooks.ActivatePage = [this](TSetupPageRequest page) { pages.push_back(page); };
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (int i = 0; i < FILTER_FIELD_COUNT; ++i) texts.push_back(rf.Edit(i).Text);
    return texts;
  }
  // "Custom" with both buffers at the given widths and these texts loaded.
  void LoadCustom(bool buffer1Extended, bool buffer2Extended, const std::vector<std::string>& texts) {
    rf.ClickFilterType(FilterTypeCustom);
    rf.ClickWidth(1, buffer1Extended);
    rf.ClickWidth(2, buffer2Extended);
    for (int i = 0; i < FILTER_FIELD_COUNT; ++i) rf.SetFieldText(i, texts[i]);
  }

  ScriptedDialogs dialogs;
  bool configModified = false;
  TCANSetupState setup{dialogs, configModified};
  TReceiveFilterPage& rf = setup.Filters;
  std::vector<TSetupPageRequest> pages;
};

const std::vector<std::string> AllZero11(8, "000");

TEST_F(ReceiveFiltersTest, FormState) {
  EXPECT_EQ(rf.FilterType(), FilterTypeNone);
  EXPECT_FALSE(rf.BuffersVisible());
  EXPECT_FALSE(rf.Buffer29Bit(1));
  EXPECT_FALSE(rf.Buffer29Bit(2));
  EXPECT_EQ(Texts(), AllZero11);
  EXPECT_EQ(rf.Edit(FIELD_RX2_FILTER4).MaxLength, 3);
}

TEST_F(ReceiveFiltersTest, NoneSendsAcceptAllWithoutLookingAtTheFields) {
  rf.SetFieldText(FIELD_RX1_MASK, "zz");  // checks "Custom"
  rf.ClickFilterType(FilterTypeNone);
  TFilterSettings f;
  f.Mask1 = 0xDEAD;
  ASSERT_TRUE(rf.FilterSettingsForStart(f));
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_EQ(f.Mask1, 0u);
  EXPECT_EQ(f.Mask2, 0u);
  EXPECT_EQ(std::vector<uint8_t>(f.Flag, f.Flag + 6), (std::vector<uint8_t>{1, 0, 1, 0, 1, 0}));
  EXPECT_EQ(std::vector<uint32_t>(f.Filter, f.Filter + 6), std::vector<uint32_t>(6, 0));
  // The texts stay for when another type is chosen.
  EXPECT_EQ(rf.Edit(FIELD_RX1_MASK).Text, "zz");
  EXPECT_FALSE(rf.BuffersVisible());
}

struct FieldCheckCase {
  int Field;
  bool Extended;  // width of the field's buffer
  const char* Text;
  const char* Message;  // nullptr: accepted
};

void PrintTo(const FieldCheckCase& c, std::ostream* os) {
  *os << "Edit" << 11 + c.Field << (c.Extended ? " 29 bit \"" : " 11 bit \"") << c.Text << "\"";
}

class FieldCheck : public ReceiveFiltersTest, public ::testing::WithParamInterface<FieldCheckCase> {};

TEST_P(FieldCheck, MessageOfTheFieldsPair) {
  const FieldCheckCase& c = GetParam();
  LoadCustom(c.Extended, c.Extended, std::vector<std::string>(8, "0"));
  rf.SetFieldText(c.Field, c.Text);
  const bool valid = rf.ValidateCANReceiveFilters();
  if (c.Message == nullptr) {
    EXPECT_TRUE(valid);
    EXPECT_TRUE(dialogs.Boxes.empty());
    return;
  }
  EXPECT_FALSE(valid);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, c.Message);
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Warning);
  EXPECT_EQ(dialogs.Boxes[0].Buttons, TDialogButtons::OK);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FieldCheck,
    ::testing::Values(
        FieldCheckCase{FIELD_RX1_MASK, false, "",
                       "Receive Buffer 1, Mask must contain only valid hexadecimal numbers 0..9, A..F."},
        FieldCheckCase{FIELD_RX1_MASK, false, "800", "Receive Buffer 1, Mask too large."},
        FieldCheckCase{FIELD_RX1_MASK, false, "7FF", nullptr},
        FieldCheckCase{FIELD_RX2_MASK, true, "20000000", "Receive Buffer 2, Mask too large."},
        FieldCheckCase{FIELD_RX2_MASK, true, "1FFFFFFF", nullptr},
        // Loaded lower case is not upper-cased: refused as a bad character.
        FieldCheckCase{FIELD_RX1_FILTER2, false, "7ff",
                       "Receive Buffer 1, Filter 2 must contain only valid hexadecimal numbers 0..9, A..F."},
        FieldCheckCase{FIELD_RX1_FILTER1, false, " 12",
                       "Receive Buffer 1, Filter 1 must contain only valid hexadecimal numbers 0..9, A..F."},
        FieldCheckCase{FIELD_RX2_FILTER1, true, "G",
                       "Receive Buffer 2, Filter 1 must contain only valid hexadecimal numbers 0..9, A..F."},
        FieldCheckCase{FIELD_RX2_FILTER2, false, "0007FF", nullptr},
        // More than eight digits never fits the 32-bit value, leading zeros or not.
        FieldCheckCase{FIELD_RX2_FILTER3, true, "123456789", "Receive Buffer 2, Filter 3 too large."},
        FieldCheckCase{FIELD_RX2_FILTER3, true, "000000001", "Receive Buffer 2, Filter 3 too large."},
        FieldCheckCase{FIELD_RX2_FILTER4, false, "FFFFFFFF", "Receive Buffer 2, Filter 4 too large."}));

TEST_F(ReceiveFiltersTest, OnlyTheFirstFailureInCheckOrderIsShown) {
  LoadCustom(false, false, {"X", "000", "000", "Y", "000", "000", "000", "000"});
  EXPECT_FALSE(rf.ValidateCANReceiveFilters());
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{
                                 "Receive Buffer 1, Mask must contain only valid hexadecimal numbers 0..9, A..F."}));
  // Both masks come before the filters of buffer 1.
  dialogs.Boxes.clear();
  LoadCustom(false, false, {"000", "800", "000", "800", "000", "000", "000", "000"});
  EXPECT_FALSE(rf.ValidateCANReceiveFilters());
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"Receive Buffer 2, Mask too large."}));
}

TEST_F(ReceiveFiltersTest, InvalidFieldStopsTheStart) {
  LoadCustom(false, false, {"000", "000", "000", "000", "000", "000", "", "000"});
  TFilterSettings f;
  EXPECT_FALSE(rf.FilterSettingsForStart(f));
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{
                                 "Receive Buffer 2, Filter 3 must contain only valid hexadecimal numbers 0..9, A..F."}));
}

TEST_F(ReceiveFiltersTest, CustomValuesAndFlagsInSetFiltersOrder) {
  LoadCustom(false, true, {"7F0", "120", "7FF", "1FFFFF00", "18FF1234", "0", "1", "ABCDEF"});
  TFilterSettings f;
  ASSERT_TRUE(rf.FilterSettingsForStart(f));
  EXPECT_EQ(f.Mask1, 0x7F0u);
  EXPECT_EQ(f.Mask2, 0x1FFFFF00u);
  EXPECT_EQ(std::vector<uint8_t>(f.Flag, f.Flag + 6), (std::vector<uint8_t>{0, 0, 1, 1, 1, 1}));
  EXPECT_EQ(std::vector<uint32_t>(f.Filter, f.Filter + 6),
            (std::vector<uint32_t>{0x120, 0x7FF, 0x18FF1234, 0, 1, 0xABCDEF}));
}

struct SingleWidthCase {
  int Type;
  bool Extended;
  const char* Text;
  int MaxLength;
};

void PrintTo(const SingleWidthCase& c, std::ostream* os) { *os << "RadioButton" << c.Type; }

class SingleWidth : public ReceiveFiltersTest, public ::testing::WithParamInterface<SingleWidthCase> {};

TEST_P(SingleWidth, BothBuffersOpenOnOneWidth) {
  const SingleWidthCase& c = GetParam();
  LoadCustom(!c.Extended, !c.Extended, std::vector<std::string>(8, "5"));
  configModified = false;
  ASSERT_TRUE(rf.ClickFilterType(c.Type));
  EXPECT_EQ(rf.FilterType(), c.Type);
  EXPECT_TRUE(rf.BuffersVisible());
  EXPECT_TRUE(configModified);
  EXPECT_EQ(rf.Buffer29Bit(1), c.Extended);
  EXPECT_EQ(rf.Buffer29Bit(2), c.Extended);
  EXPECT_EQ(Texts(), std::vector<std::string>(8, c.Text));
  for (int i = 0; i < FILTER_FIELD_COUNT; ++i) EXPECT_EQ(rf.Edit(i).MaxLength, c.MaxLength);
  TFilterSettings f;
  ASSERT_TRUE(rf.FilterSettingsForStart(f));
  EXPECT_EQ(f.Mask1 | f.Mask2, 0u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(f.Flag[i], c.Extended ? 1 : 0);
    EXPECT_EQ(f.Filter[i], 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Types, SingleWidth,
                         ::testing::Values(SingleWidthCase{FilterType11BitOnly, false, "000", 3},
                                           SingleWidthCase{FilterType29BitOnly, true, "00000000", 8}));

TEST_F(ReceiveFiltersTest, WidthSwitchResetsOnlyThatBufferAndChecksCustom) {
  rf.ClickFilterType(FilterType11BitOnly);
  configModified = false;
  rf.ClickWidth(2, true);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"000", "000", "000", "00000000", "00000000", "00000000",
                                               "00000000", "00000000"}));
  EXPECT_EQ(rf.Edit(FIELD_RX2_MASK).MaxLength, 8);
  EXPECT_EQ(rf.Edit(FIELD_RX1_MASK).MaxLength, 3);
  EXPECT_EQ(rf.FilterType(), FilterTypeCustom);
  EXPECT_TRUE(configModified);

  rf.SetFieldText(FIELD_RX1_FILTER1, "123");
  rf.SetFieldText(FIELD_RX2_FILTER1, "ABC");
  rf.ClickWidth(2, false);
  EXPECT_EQ(rf.Edit(FIELD_RX1_FILTER1).Text, "123");
  EXPECT_EQ(rf.Edit(FIELD_RX2_FILTER1).Text, "000");
  // Clicking the width already checked loses nothing.
  rf.SetFieldText(FIELD_RX2_FILTER1, "ABC");
  rf.ClickWidth(2, false);
  EXPECT_EQ(rf.Edit(FIELD_RX2_FILTER1).Text, "ABC");
}

TEST_F(ReceiveFiltersTest, TypedTextIsUpperCasedAndLimited) {
  rf.ClickFilterType(FilterTypeCustom);
  rf.TypeFieldText(FIELD_RX1_MASK, "7ff");
  EXPECT_EQ(rf.Edit(FIELD_RX1_MASK).Text, "7FF");
  rf.TypeFieldText(FIELD_RX1_MASK, "7FFa");  // a fourth character in an 11-bit field
  EXPECT_EQ(rf.Edit(FIELD_RX1_MASK).Text, "7FF");
  // A longer loaded text can still be shortened by typing.
  rf.SetFieldText(FIELD_RX1_FILTER1, "12345");
  rf.TypeFieldText(FIELD_RX1_FILTER1, "1234");
  EXPECT_EQ(rf.Edit(FIELD_RX1_FILTER1).Text, "1234");
}

TEST_F(ReceiveFiltersTest, FieldEditChecksCustomAndShowsTheBuffers) {
  rf.TypeFieldText(FIELD_RX2_FILTER3, "1");
  EXPECT_EQ(rf.FilterType(), FilterTypeCustom);
  EXPECT_TRUE(rf.BuffersVisible());
  EXPECT_TRUE(configModified);
}

TEST_F(ReceiveFiltersTest, UnknownTypeNumberIsRefused) {
  EXPECT_FALSE(rf.ClickFilterType(19));
  EXPECT_EQ(rf.FilterType(), FilterTypeNone);
}

struct FilterOnIDCase {
  uint8_t IDE;
  uint32_t ID;
  const char* Mask;
  const char* Filter;
};

void PrintTo(const FilterOnIDCase& c, std::ostream* os) { *os << "IDE " << int(c.IDE) << " ID " << c.Filter; }

class FilterOnID : public ReceiveFiltersTest, public ::testing::WithParamInterface<FilterOnIDCase> {};

TEST_P(FilterOnID, OnlyTheSelectedIdentifierPasses) {
  const FilterOnIDCase& c = GetParam();
  TTarvoCAN message;
  message.IDE = c.IDE;
  message.ID = c.ID;
  rf.FilterOnID(false, &message);
  EXPECT_EQ(Texts(), (std::vector<std::string>{c.Mask, c.Filter, c.Filter, c.Mask, c.Filter, c.Filter, c.Filter,
                                               c.Filter}));
  EXPECT_EQ(rf.Buffer29Bit(1), c.IDE == 1);
  EXPECT_EQ(rf.Buffer29Bit(2), c.IDE == 1);
  EXPECT_EQ(rf.FilterType(), FilterTypeCustom);
  EXPECT_TRUE(rf.BuffersVisible());
  EXPECT_TRUE(configModified);
  EXPECT_EQ(pages, (std::vector<TSetupPageRequest>{TSetupPageRequest::CANSetup}));
  EXPECT_TRUE(rf.ValidateCANReceiveFilters());
}

INSTANTIATE_TEST_SUITE_P(Messages, FilterOnID,
                         ::testing::Values(FilterOnIDCase{0, 0x12, "7FF", "012"},
                                           FilterOnIDCase{0, 0x7FF, "7FF", "7FF"},
                                           FilterOnIDCase{1, 0x18FF1234, "1FFFFFFF", "18FF1234"},
                                           FilterOnIDCase{1, 0x5, "1FFFFFFF", "00000005"}));

TEST_F(ReceiveFiltersTest, FilterOnIDIsRefusedWhileRunning) {
  TTarvoCAN message;
  message.ID = 0x12;
  rf.FilterOnID(true, &message);
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"Tarvo must be stopped to modify the CAN Receive Filters."}));
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Warning);
  EXPECT_EQ(Texts(), AllZero11);
  EXPECT_EQ(rf.FilterType(), FilterTypeNone);
  EXPECT_FALSE(configModified);
  EXPECT_TRUE(pages.empty());
}

TEST_F(ReceiveFiltersTest, FilterOnIDWithoutSelectionDoesNothing) {
  rf.FilterOnID(false, nullptr);
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_EQ(rf.FilterType(), FilterTypeNone);
  EXPECT_TRUE(pages.empty());
}

}  // namespace
}  // namespace tarvo
