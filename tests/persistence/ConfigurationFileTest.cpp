// Configuration files: the edge cases of reading and writing as tables of
// small files, a round trip through New, the File commands with their
// questions and captions, and every failure message.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "persistence/ConfigurationFile.h"
#include "persistence/IniFile.h"
#include "PersistenceFakes.h"
#include "transmit/TransmitFakes.h"

namespace tarvo::test {
namespace {

struct FakeConfigurationHost : ConfigurationHost {
  FakeTransmitHost* Transmit = nullptr;
  bool Fixed = true;
  int32_t Model = HW_TARVO;
  std::string Caption = "Tarvo";
  std::string Title = "Tarvo";
  int SetupPageActivations = 0;
  int BufferResets = 0;
  TLogOptionValues Log;
  int LogFileLoadedClears = 0;

  bool HexMode() override { return Transmit->Hex; }
  bool FixedViewMode() override { return Fixed; }
  void SetFixedViewMode(bool fixed) override { Fixed = fixed; }
  int32_t HardwareType() override { return Model; }
  void SetCaption(const std::string& caption, bool applicationTitle) override {
    Caption = caption;
    if (applicationTitle) Title = caption;
  }
  void ActivateCANSetupPage() override { ++SetupPageActivations; }
  TLogOptionValues LogOptions() override { return Log; }
  void SetLogOptions(const TLogOptionValues& options) override {
    Log = options;
    ++LogFileLoadedClears;
  }
  void SetCANViewBufferSize() override { ++BufferResets; }
  std::string Database;  // the loaded database's file
  std::vector<std::string> DatabaseLoads;
  std::string DatabaseFile() override { return Database; }
  void LoadDatabaseFile(const std::string& path) override { DatabaseLoads.push_back(path); }
};

// The program's set-up over fakes, with its configuration files.
struct ConfigRig {
  TransmitRig Transmit;
  FileDialogs Dialogs;
  bool Modified = false;
  bool Loaded = false;
  std::string ConfigurationDIR;
  TCANSetupState Setup{Dialogs, Modified};
  FakeConfigurationHost Host;
  TConfigurationFiles Files{{Transmit.List, Transmit.Editor, Setup}, Host, Dialogs, Loaded, Modified, ConfigurationDIR};
  ScratchFolder Dir;

  ConfigRig() {
    Host.Transmit = &Transmit.Host;
    ConfigurationDIR = Dir.Dir();
    Setup.BitTiming.SelectBaudRateButton(108);
    Setup.BitTiming.SetCANBitTimingFields(4, 8, 6, 5, 1, 1);
  }
  bool Load(const std::string& text, const std::string& name = "a.cfx") {
    return Files.LoadConfiguration(Dir.Write(name, text));
  }
  const TCANTransmitMessage& Item(int i) const { return Transmit.List.List[size_t(i)]; }
};

const char* const kMinimal = "[CAN_VIEW]\nMode=1\n";

TEST(ConfigurationReadTest, ItemEdgeCases) {
  ConfigRig rig;
  ASSERT_TRUE(rig.Load(std::string(kMinimal) +
                       "[CAN_TRANSMIT]\nNoOfItems=60\n"
                       "DLC 0=3\nD1 0=1A\nD2 0=zz\n"
                       "On Time (ms) 1=300\nOn Key 1=Ctrl+3\n"
                       "On Time (ms) 2=\nOn Key 2=F0\nID 2=800\n"
                       "ID 3=7ff\nBit 4=29\nID 4=1FFFFFFF\nFrame 4=Remote\nDLC 4=4\nD1 4=?\n"
                       "DLC 5=99\nID 6=-1\nOn Time (ms) 6=10000\nTx 6=1\n"));
  EXPECT_EQ(rig.Transmit.List.Count, 50);
  EXPECT_EQ(rig.Item(0).DLC, 3);
  EXPECT_EQ(rig.Item(0).Data, (TCANData{0x1A, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(rig.Item(1).PeriodIndex, 7u);
  EXPECT_EQ(rig.Item(1).Key, 12);
  EXPECT_EQ(rig.Item(2).PeriodIndex, 0u);
  EXPECT_EQ(rig.Item(2).Key, 0);
  EXPECT_EQ(rig.Item(2).ID, 0u);  // too large for 11 bits
  EXPECT_EQ(rig.Item(3).ID, 0u);  // lower-case digits
  EXPECT_EQ(rig.Item(4).IDE, 1);
  EXPECT_EQ(rig.Item(4).ID, 0x1FFFFFFFu);
  EXPECT_EQ(rig.Item(4).RTR, 1);
  EXPECT_EQ(rig.Item(5).DLC, 15);  // a CAN DLC has four bits
  EXPECT_EQ(rig.Item(6).ID, 0u);
  EXPECT_EQ(rig.Item(6).PeriodIndex, 10u);
  EXPECT_TRUE(rig.Item(6).EnabledFlag);
  EXPECT_FALSE(rig.Modified);
  EXPECT_TRUE(rig.Loaded);
}

TEST(ConfigurationWriteTest, ItemsAndEditorAreWrittenAsTheFormatSays) {
  ConfigRig rig;
  TCANTransmitMessage remote;
  remote.RTR = 1;
  remote.DLC = 4;
  remote.ID = 0x123;
  remote.PeriodIndex = 4;
  remote.Key = 12;
  rig.Transmit.List.List[0] = remote;
  rig.Transmit.List.Count = 1;
  rig.Transmit.Host.Hex = false;
  rig.Transmit.Editor.Form.IDText = "2047";
  rig.Transmit.Editor.Form.DataText = {"255", "16", "x", "", "0", "1", "2", "300"};
  TIniDocument doc;
  WriteConfiguration(doc, false, false, {rig.Transmit.List, rig.Transmit.Editor, rig.Setup}, {});
  EXPECT_EQ(doc.SectionNames(),
            (std::vector<std::string>{"CAN_VIEW", "CAN_TRANSMIT", "CAN_TRANSMIT_EDITOR", "CAN_SETUP", "LOG_OPTIONS"}));
  const std::string text = doc.Serialize();
  EXPECT_NE(text.find("[CAN_VIEW]\r\nMode=0\r\n"), std::string::npos);
  EXPECT_NE(text.find("NoOfItems=1\r\nTx 0=0\r\nBit 0=11\r\nID 0=123\r\nFrame 0=Remote\r\nDLC 0=4\r\n"
                      "D1 0=?\r\nD2 0=?\r\nD3 0=?\r\nD4 0=?\r\nD5 0=\r\nD6 0=\r\nD7 0=\r\nD8 0=\r\n"
                      "On Time (ms) 0=100\r\nOn Key 0=Ctrl+3\r\nComment 0=\r\n"),
            std::string::npos);
  EXPECT_EQ(doc.ReadString("CAN_TRANSMIT_EDITOR", "ID", ""), "7FF");
  EXPECT_EQ(doc.ReadString("CAN_TRANSMIT_EDITOR", "D1", "?"), "FF");
  EXPECT_EQ(doc.ReadString("CAN_TRANSMIT_EDITOR", "D3", "?"), "");
  EXPECT_EQ(doc.ReadString("CAN_TRANSMIT_EDITOR", "D8", "?"), "12C");
  EXPECT_EQ(doc.ReadInteger("CAN_SETUP", "Mode", 0), 12);
  EXPECT_EQ(doc.ReadInteger("CAN_SETUP", "FilterType", 0), 15);
}

TEST(ConfigurationFilesTest, ARoundTripThroughNewRestoresTheWholeSetUp) {
  ConfigRig rig;
  CANTransmitEditor& e = rig.Transmit.Editor;
  for (int i = 0; i < 3; ++i) {
    e.Form.IDText = std::to_string(100 + i);
    e.Form.Comment = "item " + std::to_string(i);
    e.AddButtonClick();
  }
  rig.Transmit.List.List[1].EnabledFlag = true;
  e.Form.IDText = "1FFFFFF";
  e.RadioButton30Click(true);
  e.SetIDText("1ABCDEF");
  e.SpinEdit7Change(2);
  rig.Setup.BitTiming.ClickPreset(109);
  rig.Setup.BitTiming.ClickOperatingMode(LoopbackModeNumber);
  rig.Setup.Filters.ClickFilterType(FilterTypeCustom);
  rig.Setup.Filters.ClickWidth(1, true);
  rig.Setup.Filters.SetFieldText(FIELD_RX1_FILTER1, "00000123");
  rig.Host.Fixed = false;
  rig.Host.Log.FileName = "trace.asc";
  rig.Host.Log.DIR = "/logs/";
  rig.Host.Log.FileType = 2;
  rig.Host.Log.RecordMessageTypes[3] = false;
  rig.Host.Log.ReplayTypeFlag = true;
  const TCANTransmit list = rig.Transmit.List;
  const TCANTransmitEditorForm form = e.Form;
  const TBitTimingValues timing = rig.Setup.BitTiming.Values();
  const TLogOptionValues log = rig.Host.Log;

  rig.Dialogs.SavePaths.push_back(rig.Dir.File("setup"));
  rig.Files.SaveConfiguration();
  ASSERT_FALSE(rig.Modified);
  EXPECT_EQ(rig.Files.ConfigFileName, rig.Dir.File("setup.cfx"));
  EXPECT_EQ(rig.Host.Caption, "Tarvo - " + rig.Dir.File("setup.cfx"));

  rig.Files.NewConfiguration();
  EXPECT_EQ(rig.Transmit.List.Count, 0);
  EXPECT_EQ(rig.Setup.Filters.FilterType(), FilterTypeNone);
  EXPECT_EQ(rig.Host.Caption, "Tarvo");
  EXPECT_EQ(rig.Host.Log.FileName, "");
  rig.Host.Fixed = true;

  ASSERT_TRUE(rig.Files.LoadConfiguration(rig.Dir.File("setup.cfx")));
  ASSERT_EQ(rig.Transmit.List.Count, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rig.Item(i).ID, list.List[i].ID);
    EXPECT_EQ(rig.Item(i).Comment, list.List[i].Comment);
    EXPECT_EQ(rig.Item(i).EnabledFlag, list.List[i].EnabledFlag);
    EXPECT_EQ(rig.Item(i).Data, list.List[i].Data);
    EXPECT_EQ(rig.Item(i).PeriodIndex, list.List[i].PeriodIndex);
  }
  EXPECT_EQ(e.Form.IDText, form.IDText);
  EXPECT_EQ(e.Form.Bit29Flag, form.Bit29Flag);
  EXPECT_EQ(e.Form.DLC, 2);
  EXPECT_EQ(e.Form.DataText, form.DataText);
  EXPECT_EQ(e.Form.PeriodText, form.PeriodText);
  EXPECT_EQ(rig.Setup.BitTiming.GetCANBaudRateSelection(), 109);
  EXPECT_EQ(rig.Setup.BitTiming.Values().BRP, timing.BRP);
  EXPECT_EQ(rig.Setup.BitTiming.OperatingModeButton(), LoopbackModeNumber);
  EXPECT_EQ(rig.Setup.Filters.FilterType(), FilterTypeCustom);
  EXPECT_TRUE(rig.Setup.Filters.Buffer29Bit(1));
  EXPECT_EQ(rig.Setup.Filters.Edit(FIELD_RX1_FILTER1).Text, "00000123");
  EXPECT_TRUE(rig.Setup.Filters.BuffersVisible());
  EXPECT_FALSE(rig.Host.Fixed);
  EXPECT_EQ(rig.Host.Log.DIR, log.DIR);
  EXPECT_EQ(rig.Host.Log.FileName, log.FileName);
  EXPECT_EQ(rig.Host.Log.FileType, 2);
  EXPECT_EQ(rig.Host.Log.RecordMessageTypes, log.RecordMessageTypes);
  EXPECT_TRUE(rig.Host.Log.ReplayTypeFlag);
  EXPECT_FALSE(rig.Modified);
}

TEST(ConfigurationFilesTest, DecimalModeShowsTheLoadedEditorInDecimal) {
  ConfigRig rig;
  rig.Transmit.Host.Hex = false;
  ASSERT_TRUE(rig.Load(std::string(kMinimal) + "[CAN_TRANSMIT_EDITOR]\nID=7FF\nDLC=2\nD1=FF\nD2=10\n"));
  EXPECT_EQ(rig.Transmit.Editor.Form.IDText, "2047");
  EXPECT_EQ(rig.Transmit.Editor.Form.DataText[0], "255");
  EXPECT_EQ(rig.Transmit.Editor.Form.DataText[1], "16");
  EXPECT_EQ(rig.Transmit.Editor.Form.DataText[2], "");
}

TEST(ConfigurationFilesTest, ResavingAfterDeletionsLeavesNoKeysOfTheDeletedItems) {
  ConfigRig rig;
  std::string text = std::string(kMinimal) + "[CAN_TRANSMIT]\nNoOfItems=5\n";
  for (int i = 0; i < 5; ++i) text += "ID " + std::to_string(i) + "=10" + std::to_string(i) + "\n";
  ASSERT_TRUE(rig.Load(text));
  rig.Transmit.List.Count = 2;
  rig.Files.SaveConfiguration();
  const TIniDocument doc = TIniDocument::Parse(rig.Dir.Read("a.cfx"));
  EXPECT_TRUE(doc.ValueExists("CAN_TRANSMIT", "ID 1"));
  for (int i = 2; i < 5; ++i) EXPECT_FALSE(doc.ValueExists("CAN_TRANSMIT", "ID " + std::to_string(i)));
}

TEST(ConfigurationFilesTest, LoadIgnoresMissingFilesAndOtherExtensions) {
  ConfigRig rig;
  rig.Dir.Write("a.CFX", kMinimal);
  EXPECT_FALSE(rig.Files.LoadConfiguration(rig.Dir.File("a.CFX")));
  EXPECT_FALSE(rig.Files.LoadConfiguration(rig.Dir.File("none.cfx")));
  EXPECT_TRUE(rig.Dialogs.Messages.empty());
  EXPECT_EQ(rig.Host.Caption, "Tarvo");
}

// The database has a section of its own: written only while one is loaded,
// and a file without it leaves the loaded one alone.
TEST(ConfigurationFilesTest, TheDatabaseKeepsASectionOfItsOwn) {
  ConfigRig rig;
  rig.Dialogs.SavePaths.push_back(rig.Dir.File("plain"));
  rig.Files.SaveConfiguration();
  EXPECT_EQ(rig.Dir.Read("plain.cfx").find("DATABASE"), std::string::npos);
  ASSERT_TRUE(rig.Files.LoadConfiguration(rig.Dir.File("plain.cfx")));
  EXPECT_TRUE(rig.Host.DatabaseLoads.empty());

  rig.Host.Database = "/dbc/vehicle.dbc";
  rig.Dialogs.SavePaths.push_back(rig.Dir.File("with"));
  rig.Files.SaveAs1Click();
  const std::string text = rig.Dir.Read("with.cfx");
  EXPECT_NE(text.find("[DATABASE]\r\nFile=/dbc/vehicle.dbc\r\n"), std::string::npos) << text;
  EXPECT_LT(text.find("[LOG_OPTIONS]"), text.find("[DATABASE]"));
  ASSERT_TRUE(rig.Files.LoadConfiguration(rig.Dir.File("with.cfx")));
  EXPECT_EQ(rig.Host.DatabaseLoads, std::vector<std::string>{"/dbc/vehicle.dbc"});
}

TEST(ConfigurationFilesTest, DamagedFilesGiveTheirMessages) {
  struct Case {
    std::string text;
    std::string message;  // %s: the file name
  };
  std::string garbage;
  for (int i = 0; i < 2048; ++i) garbage += char((i * 37 + 11) & 0xFF);
  const Case cases[] = {
      {"", "Configuration file 'a.cfx' format is invalid."},
      {garbage, "Configuration file 'a.cfx' format is invalid."},
      {"[CAN_SETUP]\nMode=12\n", "Configuration file 'a.cfx' format is invalid."},
      {"[CAN_VIEW\nMode=1\n", "Configuration file 'a.cfx' format is invalid."},
      {std::string(kMinimal) + "[CAN_SETUP]\nMode=19\n", "Error reading configuration from file, 'a.cfx'."},
      {std::string(kMinimal) + "[CAN_SETUP]\nFilterType=14\n", "Error reading configuration from file, 'a.cfx'."},
  };
  for (const Case& c : cases) {
    ConfigRig rig;
    EXPECT_FALSE(rig.Load(c.text));
    ASSERT_EQ(rig.Dialogs.Texts(), std::vector<std::string>{c.message}) << c.text.substr(0, 40);
    EXPECT_FALSE(rig.Loaded);
    EXPECT_EQ(rig.Host.Caption, "Tarvo - " + rig.Dir.File("a.cfx"));
  }
}

TEST(ConfigurationFilesTest, LargeDamagedFilesLoadWithoutAFault) {
  ConfigRig rig;
  std::string text = std::string(kMinimal) + "[CAN_TRANSMIT]\nNoOfItems=100000\nComment 0=" +
                     std::string(10 * 1024 * 1024, 'c') + "\n";
  for (int i = 0; i < 100000; ++i) text += "ID " + std::to_string(i) + "=1\nKey with no equals sign\n";
  ASSERT_TRUE(rig.Load(text));
  EXPECT_EQ(rig.Transmit.List.Count, 50);
  EXPECT_EQ(rig.Item(49).ID, 1u);
}

TEST(ConfigurationFilesTest, SaveAfterARejectedLoadAsksForANameInsteadOfOverwriting) {
  ConfigRig rig;
  rig.Dialogs.SavePaths.push_back(rig.Dir.File("mine.cfx"));
  rig.Files.SaveConfiguration();
  ASSERT_TRUE(rig.Loaded);
  const std::string foreign = "[SOMETHING_ELSE]\nKeep=1\n";
  EXPECT_FALSE(rig.Load(foreign, "foreign.cfx"));
  rig.Modified = true;
  rig.Files.SaveConfiguration();  // the dialog is cancelled
  EXPECT_EQ(rig.Dialogs.SaveRequests.size(), 2u);
  EXPECT_EQ(rig.Dir.Read("foreign.cfx"), foreign);
  EXPECT_TRUE(rig.Modified);
}

TEST(ConfigurationFilesTest, SaveFailuresKeepTheModifiedFlagAndTheFile) {
  ConfigRig rig;
  const std::string path = rig.Dir.Write("ro.cfx", kMinimal);
  ASSERT_TRUE(rig.Files.LoadConfiguration(path));
  std::filesystem::permissions(path, std::filesystem::perms(0444));
  rig.Modified = true;
  rig.Files.SaveConfiguration();
  EXPECT_EQ(rig.Dialogs.Texts().back(), "Unable to save configuration, 'ro.cfx' is a read-only file.");
  EXPECT_TRUE(rig.Modified);
  EXPECT_EQ(rig.Dir.Read("ro.cfx"), kMinimal);

  rig.Dialogs.SavePaths.push_back(rig.Dir.File("gone/new.cfx"));  // a folder that does not exist
  rig.Files.SaveAs1Click();
  EXPECT_EQ(rig.Dialogs.Texts().back(), "Access to file 'new.cfx' denied, cannot save configuration.");
  EXPECT_TRUE(rig.Modified);
  EXPECT_EQ(rig.Dialogs.SaveRequests.back().FileName, path);  // Save As offers the current file
}

TEST(ConfigurationFilesTest, TheSaveQuestionDecidesWhetherNewGoesOn) {
  struct Case {
    TDialogResult answer;
    bool saveCancelled;
    bool emptied;
  };
  for (const Case c : {Case{TDialogResult::Yes, false, true}, Case{TDialogResult::Yes, true, false},
                       Case{TDialogResult::No, false, true}, Case{TDialogResult::Cancel, false, false}}) {
    ConfigRig rig;
    rig.Transmit.Editor.Form.IDText = "1";
    rig.Transmit.Editor.AddButtonClick();
    rig.Modified = true;  // the editor reports its change through the host
    rig.Dialogs.Answers.push_back(c.answer);
    if (!c.saveCancelled) rig.Dialogs.SavePaths.push_back(rig.Dir.File("x.cfx"));
    rig.Files.NewConfiguration();
    EXPECT_EQ(rig.Dialogs.Texts().front(), SaveConfigurationQuestion);
    EXPECT_EQ(rig.Transmit.List.Count == 0, c.emptied) << int(c.answer);
  }
}

TEST(ConfigurationFilesTest, OpenAsksTheDialogAndEmptiesTheView) {
  ConfigRig rig;
  const std::string path = rig.Dir.Write("b.cfx", kMinimal);
  rig.Host.Model = HW_TARVO_AUTO;
  rig.Dialogs.OpenPaths.push_back(path);
  rig.Files.OpenConfiguration();
  ASSERT_EQ(rig.Dialogs.OpenRequests.size(), 1u);
  EXPECT_EQ(rig.Dialogs.OpenRequests[0].Title, "Load Configuration");
  EXPECT_EQ(rig.Dialogs.OpenRequests[0].Filter, ConfigurationFilter);
  EXPECT_EQ(rig.Dialogs.OpenRequests[0].InitialDir, rig.Dir.Dir());
  EXPECT_EQ(rig.Host.Caption, "Tarvo AUTO - " + path);
  EXPECT_EQ(rig.Host.Title, "Tarvo AUTO - " + path);
  EXPECT_EQ(rig.Host.BufferResets, 1);
}

}  // namespace
}  // namespace tarvo::test
