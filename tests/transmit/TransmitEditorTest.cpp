#include "transmit/TransmitEditor.h"

#include <gtest/gtest.h>

#include "TransmitFakes.h"

namespace tarvo {
namespace {

using test::TransmitRig;

class TransmitEditorTest : public testing::Test {
 protected:
  TransmitRig rig;
  TTransmitEditor& editor = rig.Editor;
  TCANTransmitEditorForm& form = rig.Editor.Form;
  TCANTransmit& list = rig.List;

  // Adds an enabled 11-bit data item with the given identifier and trigger.
  void AddItem(const std::string& id, const std::string& key = "", const std::string& period = "100") {
    editor.ChooseIdWidth(false);
    editor.SetIDText(id);
    if (key.empty()) {
      editor.ChooseOnTime();
      form.PeriodText = period;
    } else {
      editor.ChooseOnKey();
      form.KeyText = key;
    }
    const size_t messages = rig.Dialogs.Texts().size();
    editor.AddItem();
    ASSERT_EQ(rig.Dialogs.Texts().size(), messages) << rig.Dialogs.Texts().back();
  }
};

// ---- Reading and checking the editor -----------------------------------------------------

struct EditorCase {
  const char* name;
  bool hex;
  bool bit29;
  const char* id;
  bool remote;
  int dlc;
  std::array<const char*, 8> data;
  const char* message;  // empty: accepted
};

class EditorChecks : public TransmitEditorTest, public testing::WithParamInterface<EditorCase> {};

TEST_P(EditorChecks, AddShowsTheFirstFailingCheckOrStores) {
  const EditorCase& c = GetParam();
  rig.Host.Hex = c.hex;
  editor.ChooseIdWidth(c.bit29);
  editor.SetIDText(c.id);
  form.RemoteFlag = c.remote;
  form.DLC = c.dlc;
  for (int n = 0; n < 8; ++n) form.DataText[n] = c.data[n] ? c.data[n] : "";

  editor.AddItem();

  if (std::string(c.message).empty()) {
    EXPECT_TRUE(rig.Dialogs.Texts().empty()) << rig.Dialogs.Texts().front();
    EXPECT_EQ(list.Count, 1);
  } else {
    ASSERT_EQ(rig.Dialogs.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(rig.Dialogs.Types().front(), TDialogType::Warning);
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(rig.Host.ConfigModifiedCount, 0);
  }
}

constexpr std::array<const char*, 8> FF8 = {"FF", "FF", "FF", "FF", "FF", "FF", "FF", "FF"};
constexpr std::array<const char*, 8> Dec255 = {"255", "255", "255", "255", "255", "255", "255", "255"};

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorChecks,
    testing::Values(
        EditorCase{"EmptyIDHex", true, false, "", false, 8, FF8, TxMsgIDHex},
        EditorCase{"EmptyIDDec", false, false, "", false, 8, Dec255, TxMsgIDDec},
        EditorCase{"Hex800Is11BitTooLarge", true, false, "800", false, 8, FF8, TxMsgIDTooLarge},
        EditorCase{"Hex7FFFits11Bit", true, false, "7FF", false, 8, FF8, ""},
        EditorCase{"Hex20000000Is29BitTooLarge", true, true, "20000000", false, 8, FF8, TxMsgIDTooLarge},
        EditorCase{"Hex1FFFFFFFFits29Bit", true, true, "1FFFFFFF", false, 8, FF8, ""},
        EditorCase{"DecimalDigitOnlyInDecimal", false, false, "1F", false, 8, Dec255, TxMsgIDDec},
        EditorCase{"IDCheckedBeforeData", true, false, "800", false, 1, {"XY"}, TxMsgIDTooLarge},
        EditorCase{"Decimal256Refused", false, false, "100", false, 2, {"255", "256"}, TxMsgDataDec},
        EditorCase{"Decimal255Accepted", false, false, "100", false, 2, {"255", "0"}, ""},
        EditorCase{"HexBadDigit", true, false, "100", false, 2, {"1G", "00"}, TxMsgDataHex},
        EditorCase{"EmptyShownField", true, false, "100", false, 2, {"00", ""}, TxMsgDataHex},
        EditorCase{"FieldsAboveDLCIgnored", true, false, "100", false, 2, {"00", "01", "ZZ"}, ""},
        EditorCase{"RemoteIgnoresDataFields", true, false, "100", true, 4, {"", "ZZ", "999", "-"}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransmitEditorTest, RemoteFrameIsStoredWithZeroDataAndShowsQuestionMarks) {
  editor.SetIDText("123");
  editor.ChooseFrameKind(true);
  editor.ChangeDlc(4);
  form.DataText = {"ZZ", "ZZ", "ZZ", "ZZ", "ZZ", "ZZ", "ZZ", "ZZ"};  // as a loaded file might leave them
  editor.AddItem();

  ASSERT_EQ(list.Count, 1);
  const TCANTransmitMessage& item = list.List[0];
  EXPECT_EQ(item.RTR, 1);
  EXPECT_EQ(item.DLC, 4);
  EXPECT_EQ(item.Data, TCANData{});
  for (int n = 0; n < 4; ++n) EXPECT_EQ(TransmitCellText(item, TX_COLUMN_D1 + n, true), "?");
  EXPECT_EQ(TransmitCellText(item, TX_COLUMN_D1 + 4, true), "");
}

TEST_F(TransmitEditorTest, AddStoresTheEditorValues) {
  rig.Host.Hex = false;
  editor.ChooseIdWidth(true);
  editor.SetIDText("536870911");
  editor.ChangeDlc(3);
  form.DataText[0] = "1";
  form.DataText[1] = "128";
  form.DataText[2] = "255";
  form.PeriodText = "200";
  form.Comment = "brake";
  list.List[0].BufferNo = 7;  // left for the next start to set
  editor.AddItem();

  ASSERT_EQ(list.Count, 1);
  const TCANTransmitMessage& item = list.List[0];
  EXPECT_TRUE(item.EnabledFlag);
  EXPECT_EQ(item.IDE, 1);
  EXPECT_EQ(item.ID, 0x1FFFFFFFu);
  EXPECT_EQ(item.DLC, 3);
  EXPECT_EQ(item.Data, (TCANData{1, 128, 255, 0, 0, 0, 0, 0}));
  EXPECT_EQ(item.PeriodIndex, 5u);
  EXPECT_EQ(item.Key, 0);
  EXPECT_EQ(item.Comment, "brake");
  EXPECT_EQ(item.BufferNo, 7);
  EXPECT_EQ(rig.Host.ConfigModifiedCount, 1);
  EXPECT_EQ(editor.SelectedRow, -1);
}

TEST_F(TransmitEditorTest, PeriodTextNotInTheBoxGivesNoPeriod) {
  AddItem("1", "", "150");
  EXPECT_EQ(list.List[0].PeriodIndex, 0u);
  EXPECT_EQ(list.List[0].Key, 0);
}

TEST_F(TransmitEditorTest, The51stAddShowsTheLimitOnlyAfterTheChecksPass) {
  for (int i = 0; i < MaxTransmitItems; ++i) AddItem(NumberText(uint32_t(i), true));
  ASSERT_EQ(list.Count, 50);

  editor.SetIDText("800");
  editor.AddItem();
  EXPECT_EQ(rig.Dialogs.Texts().back(), TxMsgIDTooLarge);

  editor.SetIDText("7FF");
  editor.AddItem();
  EXPECT_EQ(rig.Dialogs.Texts().back(), "50 transmit items max.");
  EXPECT_EQ(list.Count, 50);
}

TEST_F(TransmitEditorTest, KeyTextThatIsNoEntryIsRefusedByAddAndModify) {
  AddItem("10", "F4");
  editor.SelectRow(0);
  for (const char* typed : {"F10", "f1", "", "Ctrl+0"}) {
    SCOPED_TRACE(typed);
    form.KeyText = typed;
    editor.AddItem();
    EXPECT_EQ(rig.Dialogs.Texts().back(), TxMsgBadKey);
    editor.ModifyItem();
    EXPECT_EQ(rig.Dialogs.Texts().back(), TxMsgBadKey);
    EXPECT_EQ(list.Count, 1);
    EXPECT_EQ(list.List[0].Key, 4);
  }
  EXPECT_EQ(rig.Host.ConfigModifiedCount, 1);
}

TEST_F(TransmitEditorTest, ModifyOverwritesTheSelectedItem) {
  AddItem("10");
  AddItem("20");
  editor.ModifyItem();
  EXPECT_EQ(rig.Dialogs.Texts().back(), TxMsgNoModifySelection);

  list.List[1].EnabledFlag = false;
  editor.SelectRow(1);
  editor.SetIDText("21");
  form.PeriodText = "50";
  editor.ModifyItem();
  EXPECT_EQ(list.List[1].ID, 0x21u);
  EXPECT_TRUE(list.List[1].EnabledFlag);
  EXPECT_EQ(list.List[1].Time, 50u);
  EXPECT_EQ(list.List[0].ID, 0x10u);

  editor.ChooseOnKey();
  editor.ModifyItem();
  EXPECT_EQ(list.List[1].Key, 1);
  EXPECT_EQ(list.List[1].PeriodIndex, 0u);
  EXPECT_EQ(list.List[1].Time, 0u);
}

// ---- Data fields ---------------------------------------------------------------------------

TEST_F(TransmitEditorTest, RaisingDLCFillsNewFieldsAndLoweringEmptiesThem) {
  editor.ChangeDlc(2);
  form.DataText[0] = "12";
  form.DataText[1] = "34";
  editor.ChangeDlc(5);
  EXPECT_EQ(form.DataText, (std::array<std::string, 8>{"12", "34", "FF", "FF", "FF", "", "", ""}));
  EXPECT_EQ(form.DataEnabled, (std::array<bool, 8>{true, true, true, true, true, false, false, false}));

  editor.ChangeDlc(1);
  EXPECT_EQ(form.DataText, (std::array<std::string, 8>{"12", "", "", "", "", "", "", ""}));
  EXPECT_EQ(form.DataEnabled, (std::array<bool, 8>{true, false, false, false, false, false, false, false}));
}

TEST_F(TransmitEditorTest, DLCFieldNeverLeavesZeroToEight) {
  editor.ChangeDlc(12);
  EXPECT_EQ(form.DLC, 8);
  editor.ChangeDlc(-1);
  EXPECT_EQ(form.DLC, 0);
}

TEST_F(TransmitEditorTest, ReleasingOnDataRefillsEveryShownFieldAndRemoteEmptiesThem) {
  rig.Host.Hex = false;
  editor.ChangeDlc(3);
  form.DataText[1] = "7";
  editor.ChooseFrameKind(true);
  EXPECT_EQ(form.DataText, (std::array<std::string, 8>{}));
  EXPECT_EQ(form.DataEnabled, (std::array<bool, 8>{}));

  editor.ChooseFrameKind(false);
  EXPECT_EQ(form.DataText, (std::array<std::string, 8>{"255", "255", "255", "", "", "", "", ""}));

  form.DataText[1] = "7";
  editor.ChooseFrameKind(false);  // on the checked "Data"
  EXPECT_EQ(form.DataText[1], "255");
}

TEST_F(TransmitEditorTest, IDWidthSetsTheLengthForTheBaseAndEmptiesTheField) {
  const struct {
    bool hex, bit29;
    int length;
  } cases[] = {{true, false, 3}, {false, false, 4}, {true, true, 8}, {false, true, 9}};
  for (const auto& c : cases) {
    rig.Host.Hex = c.hex;
    form.IDText = "12";
    editor.ChooseIdWidth(c.bit29);
    EXPECT_EQ(form.IDMaxLength, c.length);
    EXPECT_EQ(form.IDText, "");
  }
}

// ---- Numeric base --------------------------------------------------------------------------

TEST_F(TransmitEditorTest, BaseSwitchConvertsTextsAndEmptiesNonNumbers) {
  editor.SetIDText("1F");
  form.DataText = {"FF", "1G", "0A", "", "00", "7", "FF", "FF"};
  rig.Host.Hex = false;
  editor.ConvertCANTransmitEditorNumericBase();
  EXPECT_EQ(form.IDText, "31");
  EXPECT_EQ(form.DataText, (std::array<std::string, 8>{"255", "", "10", "", "0", "7", "255", "255"}));
  EXPECT_EQ(form.IDMaxLength, 4);
  EXPECT_EQ(form.DataMaxLength, 3);

  form.DataText[1] = "AB";  // not a decimal number
  rig.Host.Hex = true;
  editor.ConvertCANTransmitEditorNumericBase();
  EXPECT_EQ(form.IDText, "1F");
  EXPECT_EQ(form.DataText, (std::array<std::string, 8>{"FF", "", "0A", "", "00", "07", "FF", "FF"}));
  EXPECT_EQ(form.IDMaxLength, 3);
  EXPECT_EQ(form.DataMaxLength, 2);
}

TEST_F(TransmitEditorTest, BaseSwitchOfA29BitIdentifier) {
  editor.ChooseIdWidth(true);
  editor.SetIDText("1FFFFFFF");
  rig.Host.Hex = false;
  editor.ConvertCANTransmitEditorNumericBase();
  EXPECT_EQ(form.IDText, "536870911");
  EXPECT_EQ(form.IDMaxLength, 9);
}

// ---- Keys ---------------------------------------------------------------------------------

TEST_F(TransmitEditorTest, KeyBoxPointsAtTheFirstFreeKeyAfterAdd) {
  AddItem("1", "F1");
  AddItem("2", "F2");
  EXPECT_EQ(form.KeyText, "F3");
}

TEST_F(TransmitEditorTest, WithAllEighteenKeysUsedTheKeyBoxKeepsItsEntry) {
  for (int key = 1; key <= KeyCount; ++key) AddItem(NumberText(uint32_t(key), true), KeyText(key));
  form.KeyText = "Ctrl+4";
  editor.SelectFreeTransmitKey();
  EXPECT_EQ(form.KeyText, "Ctrl+4");
}

// ---- Enabling, disabling, deleting ------------------------------------------------------------

TEST_F(TransmitEditorTest, TxHeaderClicksDisableThenEnableEveryItem) {
  for (const char* id : {"1", "2", "3"}) AddItem(id);
  const int modified = rig.Host.ConfigModifiedCount;
  editor.ToggleAllItems(TX_COLUMN_TX);
  for (int row = 0; row < 3; ++row) EXPECT_FALSE(list.List[row].EnabledFlag);
  editor.ToggleAllItems(TX_COLUMN_TX);
  for (int row = 0; row < 3; ++row) EXPECT_TRUE(list.List[row].EnabledFlag);
  EXPECT_EQ(rig.Host.ConfigModifiedCount, modified);

  editor.ToggleAllItems(TX_COLUMN_ID);  // another column does nothing
  rig.Host.RunningFlag = true;                // nor does the header while running
  editor.ToggleAllItems(TX_COLUMN_TX);
  for (int row = 0; row < 3; ++row) EXPECT_TRUE(list.List[row].EnabledFlag);
}

TEST_F(TransmitEditorTest, EnableAllAndDisableAllOnlyWhileStopped) {
  for (const char* id : {"1", "2"}) AddItem(id);
  editor.DisableAllItems();
  EXPECT_FALSE(list.List[0].EnabledFlag);
  EXPECT_FALSE(list.List[1].EnabledFlag);
  EXPECT_FALSE(editor.TxSelectAllFlag);
  rig.Host.RunningFlag = true;
  editor.EnableAllItems();
  EXPECT_FALSE(list.List[0].EnabledFlag);
  rig.Host.RunningFlag = false;
  editor.EnableAllItems();
  EXPECT_TRUE(list.List[0].EnabledFlag);
  EXPECT_TRUE(editor.TxSelectAllFlag);
}

TEST_F(TransmitEditorTest, CheckBoxClickTogglesSelectsAndLeavesTheConfigurationUnmodified) {
  for (const char* id : {"1", "2"}) AddItem(id);
  const int modified = rig.Host.ConfigModifiedCount;
  editor.ToggleItem(1);
  EXPECT_FALSE(list.List[1].EnabledFlag);
  EXPECT_EQ(editor.SelectedRow, 1);
  editor.ToggleItem(1);
  EXPECT_TRUE(list.List[1].EnabledFlag);
  EXPECT_EQ(rig.Host.ConfigModifiedCount, modified);
}

TEST_F(TransmitEditorTest, DeletingTheMiddleRowSelectsAndLoadsTheFormerThird) {
  AddItem("111");
  AddItem("222", "F2");
  AddItem("333", "F3");
  editor.SelectRow(1);
  editor.DeleteItem();

  ASSERT_EQ(list.Count, 2);
  EXPECT_EQ(list.List[0].ID, 0x111u);
  EXPECT_EQ(list.List[1].ID, 0x333u);
  EXPECT_EQ(editor.SelectedRow, 1);
  EXPECT_EQ(form.IDText, "333");
  EXPECT_TRUE(form.OnKeyFlag);
  EXPECT_EQ(form.KeyText, "F3");
}

TEST_F(TransmitEditorTest, DeleteWithoutSelectionAndDeleteAll) {
  AddItem("1");
  editor.DeleteItem();
  EXPECT_EQ(rig.Dialogs.Texts().back(), TxMsgNoDeleteSelection);
  EXPECT_EQ(list.Count, 1);

  rig.Host.RunningFlag = true;  // the list cannot shrink under a running schedule
  editor.DeleteAllItems();
  EXPECT_EQ(list.Count, 1);
  rig.Host.RunningFlag = false;
  editor.DeleteAllItems();
  EXPECT_EQ(list.Count, 0);
}

// ---- Loading into the editor -----------------------------------------------------------------

TEST_F(TransmitEditorTest, FillLoadsAnItemInTheCurrentBase) {
  TCANTransmitMessage& item = list.List[0];
  item = {true, 1, 0xABCDE, 0, 2, {0x0F, 0xA0}, 0, 11, "x", 0, 0};
  list.Count = 1;
  rig.Host.Hex = false;
  editor.SelectRow(0);
  editor.LoadSelection();

  EXPECT_TRUE(form.Bit29Flag);
  EXPECT_EQ(form.IDText, "703710");
  EXPECT_EQ(form.IDMaxLength, 9);
  EXPECT_EQ(form.DLC, 2);
  EXPECT_EQ(form.DataText, (std::array<std::string, 8>{"15", "160", "", "", "", "", "", ""}));
  EXPECT_TRUE(form.OnKeyFlag);
  EXPECT_TRUE(form.KeyBoxEnabled);
  EXPECT_FALSE(form.PeriodBoxEnabled);
  EXPECT_EQ(form.KeyText, "Ctrl+2");
  EXPECT_EQ(form.Comment, "x");
}

TEST_F(TransmitEditorTest, CopyToTxTakesOnlyReceivedMessages) {
  TTarvoCAN received;
  received.ID = 0x1A;
  received.DLC = 3;
  received.Data[0] = 0xDE;
  received.Data[1] = 0xAD;
  received.Data[2] = 0x01;
  editor.ChooseOnKey();
  form.Comment = "old";

  EXPECT_FALSE(editor.CopyToEditor(2, received));  // a transmitted entry
  EXPECT_EQ(form.Comment, "old");

  EXPECT_TRUE(editor.CopyToEditor(0, received));
  EXPECT_FALSE(form.Bit29Flag);
  EXPECT_EQ(form.IDText, "1A");
  EXPECT_FALSE(form.RemoteFlag);
  EXPECT_EQ(form.DLC, 3);
  EXPECT_EQ(form.DataText, (std::array<std::string, 8>{"DE", "AD", "01", "", "", "", "", ""}));
  EXPECT_FALSE(form.OnKeyFlag);
  EXPECT_TRUE(form.PeriodBoxEnabled);
  EXPECT_EQ(form.PeriodText, "1000");
  EXPECT_EQ(form.Comment, "");
}

TEST_F(TransmitEditorTest, ResetInDecimalFillsTheDataFieldsWith255) {
  rig.Host.Hex = false;
  form.IDText = "5";
  editor.ChooseOnKey();
  editor.ResetCANTransmitEditor();
  EXPECT_EQ(form.IDText, "");
  EXPECT_EQ(form.IDMaxLength, 4);
  EXPECT_EQ(form.DataText[7], "255");
  EXPECT_FALSE(form.OnKeyFlag);
  EXPECT_EQ(form.PeriodText, "1000");
  EXPECT_EQ(form.KeyText, "F1");
  EXPECT_EQ(form.CANTransmitEditorDLC, 8);
}

}  // namespace
}  // namespace tarvo
