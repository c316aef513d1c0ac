// Configuration files: the edge cases of reading and writing as tables of
// small files, a round trip through New, the File commands with their
// questions and captions, and every failure message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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
  // Ticked in the file, but its identifier and other keys were not usable:
  // it loads with Tx off.
  EXPECT_FALSE(rig.Item(6).EnabledFlag);
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
  TTransmitEditor& e = rig.Transmit.Editor;
  for (int i = 0; i < 3; ++i) {
    e.Form.IDText = std::to_string(100 + i);
    e.Form.Comment = "item " + std::to_string(i);
    e.AddItem();
  }
  rig.Transmit.List.List[1].EnabledFlag = true;
  e.Form.IDText = "1FFFFFF";
  e.ChooseIdWidth(true);
  e.SetIDText("1ABCDEF");
  e.ChangeDlc(2);
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

  rig.Dialogs.FileAnswers.push_back(rig.Dir.File("setup"));
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
  EXPECT_TRUE(rig.Dialogs.Boxes.empty());
  EXPECT_EQ(rig.Host.Caption, "Tarvo");
}

// The database has a section of its own: written only while one is loaded,
// and a file without it leaves the loaded one alone.
TEST(ConfigurationFilesTest, TheDatabaseKeepsASectionOfItsOwn) {
  ConfigRig rig;
  rig.Dialogs.FileAnswers.push_back(rig.Dir.File("plain"));
  rig.Files.SaveConfiguration();
  EXPECT_EQ(rig.Dir.Read("plain.cfx").find("DATABASE"), std::string::npos);
  ASSERT_TRUE(rig.Files.LoadConfiguration(rig.Dir.File("plain.cfx")));
  EXPECT_TRUE(rig.Host.DatabaseLoads.empty());

  rig.Host.Database = "/dbc/vehicle.dbc";
  rig.Dialogs.FileAnswers.push_back(rig.Dir.File("with"));
  rig.Files.SaveConfigurationAs();
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
  rig.Dialogs.FileAnswers.push_back(rig.Dir.File("mine.cfx"));
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

  rig.Dialogs.FileAnswers.push_back(rig.Dir.File("gone/new.cfx"));  // a folder that does not exist
  rig.Files.SaveConfigurationAs();
  // The described message, then the cause in the system's words.
  EXPECT_EQ(rig.Dialogs.Texts().back(),
            "Access to file 'new.cfx' denied, cannot save configuration.\n\nNo such file or directory");
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
    rig.Transmit.Editor.AddItem();
    rig.Modified = true;  // the editor reports its change through the host
    rig.Dialogs.Answers.push_back(c.answer);
    if (!c.saveCancelled) rig.Dialogs.FileAnswers.push_back(rig.Dir.File("x.cfx"));
    rig.Files.NewConfiguration();
    EXPECT_EQ(rig.Dialogs.Texts().front(), SaveConfigurationQuestion);
    EXPECT_EQ(rig.Transmit.List.Count == 0, c.emptied) << int(c.answer);
  }
}

// New checks "Normal" and "None" with their click actions: a set-up that had
// another mode or filter type is changed by New, and closing asks to save it.
TEST(ConfigurationFilesTest, NewCountsAsAChangeWhenItSetsTheModeOrFilterTypeBack) {
  const struct {
    int Mode, Filter;
    bool Modified;
  } cases[] = {{NormalModeNumber, FilterTypeNone, false},
               {LoopbackModeNumber, FilterTypeNone, true},
               {NormalModeNumber, FilterTypeCustom, true}};
  for (const auto& c : cases) {
    ConfigRig rig;
    rig.Setup.BitTiming.ClickOperatingMode(c.Mode);
    rig.Setup.Filters.ClickFilterType(c.Filter);
    rig.Modified = false;  // as after a save
    rig.Files.NewConfiguration();
    EXPECT_EQ(rig.Setup.BitTiming.OperatingModeButton(), NormalModeNumber);
    EXPECT_EQ(rig.Setup.Filters.FilterType(), FilterTypeNone);
    EXPECT_EQ(rig.Modified, c.Modified) << c.Mode << " " << c.Filter;
    EXPECT_EQ(rig.Files.AskToSave(), !c.Modified);
    EXPECT_EQ(rig.Dialogs.Texts().size(), c.Modified ? 1u : 0u);
  }
}

TEST(ConfigurationFilesTest, OpenAsksTheDialogAndEmptiesTheView) {
  ConfigRig rig;
  const std::string path = rig.Dir.Write("b.cfx", kMinimal);
  rig.Host.Model = HW_TARVO_AUTO;
  rig.Dialogs.FileAnswers.push_back(path);
  rig.Files.OpenConfiguration();
  ASSERT_EQ(rig.Dialogs.OpenRequests.size(), 1u);
  EXPECT_EQ(rig.Dialogs.OpenRequests[0].Title, "Load Configuration");
  EXPECT_EQ(rig.Dialogs.OpenRequests[0].Filter, ConfigurationFilter);
  EXPECT_EQ(rig.Dialogs.OpenRequests[0].InitialDir, rig.Dir.Dir());
  EXPECT_EQ(rig.Host.Caption, "Tarvo AUTO - " + path);
  EXPECT_EQ(rig.Host.Title, "Tarvo AUTO - " + path);
  EXPECT_EQ(rig.Host.BufferResets, 1);
}


// ---- Every key of a configuration file, as text -----------------------------------------
//
// One row per key in the order a new file holds them: its section, its exact
// name, the set-up a file without the key loads (shown as the file would
// hold it), an example of another value, and the text a save writes for the
// whole table's set-up where it differs from the example. Reading starts
// from literal text, as earlier versions and peers wrote it; writing is
// compared as exact text. A key misspelt, or a flag turned round, on both
// sides still agrees with itself in a round trip; these tests do not.
struct ConfigurationKey {
  const char* Section;
  const char* Key;
  const char* Default;
  const char* Example;
  std::string (*Shown)(ConfigRig&);
  const char* With = "";          // lines the key is read only beside
  const char* Written = nullptr;  // what a save of the whole table writes
};

// Every file needs its CAN_VIEW section to load at all.
std::string LoadableFile(const ConfigurationKey& k, const std::string& text) {
  return (std::string(k.Section) == "CAN_VIEW" ? "" : "[CAN_VIEW]\r\n\r\n") + text;
}

std::string Num(long long v) { return std::to_string(v); }
std::string Bit(bool v) { return v ? "1" : "0"; }
template <size_t N>
std::string EntryOf(const std::array<std::string, N>& entries, const std::string& text) {
  for (size_t i = 0; i < N; ++i)
    if (entries[i] == text) return Num(static_cast<long long>(i));
  return "-1";
}
std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", v);
  return text;
}
std::string Byte(ConfigRig& r, int n) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", r.Item(0).Data[size_t(n)]);
  return text;
}
std::string Field(ConfigRig& r, int field) { return r.Setup.Filters.Edit(field).Text; }

// An item with every key, less the one a row reads: an item with a key
// missing loads with Tx off.
constexpr const char* kItem = "item";
const char* const kItemLines[] = {"Tx 0=0", "Bit 0=11", "ID 0=0", "Frame 0=Data", "DLC 0=8", "D1 0=00",
                                  "D2 0=00", "D3 0=00", "D4 0=00", "D5 0=00", "D6 0=00", "D7 0=00",
                                  "D8 0=00", "On Time (ms) 0=", "On Key 0=", "Comment 0="};
constexpr const char* kEnhanced = "EnhancedBaud=120\r\n";
constexpr const char* kCustomFilter = "FilterType=18\r\n";

const ConfigurationKey kConfigurationKeys[] = {
    {"CAN_VIEW", "Mode", "1", "0", [](ConfigRig& r) { return Bit(r.Host.Fixed); }},
    {"CAN_TRANSMIT", "NoOfItems", "0", "1", [](ConfigRig& r) { return Num(r.Transmit.List.Count); }},
    {"CAN_TRANSMIT", "Tx 0", "0", "1", [](ConfigRig& r) { return Bit(r.Item(0).EnabledFlag); }, kItem},
    {"CAN_TRANSMIT", "Bit 0", "11", "29", [](ConfigRig& r) { return std::string(r.Item(0).IDE ? "29" : "11"); }, kItem},
    {"CAN_TRANSMIT", "ID 0", "0", "1A5", [](ConfigRig& r) { return Hex(r.Item(0).ID); }, kItem},
    {"CAN_TRANSMIT", "Frame 0", "Data", "Remote", [](ConfigRig& r) { return std::string(r.Item(0).RTR ? "Remote" : "Data"); }, kItem},
    {"CAN_TRANSMIT", "DLC 0", "0", "8", [](ConfigRig& r) { return Num(r.Item(0).DLC); }, kItem},
    {"CAN_TRANSMIT", "D1 0", "00", "11", [](ConfigRig& r) { return Byte(r, 0); }, kItem, "?"},
    {"CAN_TRANSMIT", "D2 0", "00", "22", [](ConfigRig& r) { return Byte(r, 1); }, kItem, "?"},
    {"CAN_TRANSMIT", "D3 0", "00", "33", [](ConfigRig& r) { return Byte(r, 2); }, kItem, "?"},
    {"CAN_TRANSMIT", "D4 0", "00", "44", [](ConfigRig& r) { return Byte(r, 3); }, kItem, "?"},
    {"CAN_TRANSMIT", "D5 0", "00", "55", [](ConfigRig& r) { return Byte(r, 4); }, kItem, "?"},
    {"CAN_TRANSMIT", "D6 0", "00", "66", [](ConfigRig& r) { return Byte(r, 5); }, kItem, "?"},
    {"CAN_TRANSMIT", "D7 0", "00", "77", [](ConfigRig& r) { return Byte(r, 6); }, kItem, "?"},
    {"CAN_TRANSMIT", "D8 0", "00", "88", [](ConfigRig& r) { return Byte(r, 7); }, kItem, "?"},
    {"CAN_TRANSMIT", "On Time (ms) 0", "", "500",
     [](ConfigRig& r) { return r.Item(0).PeriodIndex ? PeriodEntries()[r.Item(0).PeriodIndex - 1] : std::string(); }, kItem},
    {"CAN_TRANSMIT", "On Key 0", "", "Ctrl+4",
     [](ConfigRig& r) { return r.Item(0).Key ? KeyEntries()[size_t(r.Item(0).Key - 1)] : std::string(); }, kItem},
    {"CAN_TRANSMIT", "Comment 0", "", "wipers", [](ConfigRig& r) { return r.Item(0).Comment; }, kItem},
    {"CAN_TRANSMIT_EDITOR", "IDE", "1", "0", [](ConfigRig& r) { return Bit(!r.Transmit.Editor.Form.Bit29Flag); }},
    {"CAN_TRANSMIT_EDITOR", "ID", "", "18DA10F1", [](ConfigRig& r) { return r.Transmit.Editor.Form.IDText; }, "IDE=0\r\n"},
    {"CAN_TRANSMIT_EDITOR", "Frame", "1", "0", [](ConfigRig& r) { return Bit(!r.Transmit.Editor.Form.RemoteFlag); }},
    {"CAN_TRANSMIT_EDITOR", "DLC", "8", "7", [](ConfigRig& r) { return Num(r.Transmit.Editor.Form.DLC); }},
    {"CAN_TRANSMIT_EDITOR", "D1", "00", "A1", [](ConfigRig& r) { return r.Transmit.Editor.Form.DataText[0]; }, "", ""},
    {"CAN_TRANSMIT_EDITOR", "D2", "00", "A2", [](ConfigRig& r) { return r.Transmit.Editor.Form.DataText[1]; }, "", ""},
    {"CAN_TRANSMIT_EDITOR", "D3", "00", "A3", [](ConfigRig& r) { return r.Transmit.Editor.Form.DataText[2]; }, "", ""},
    {"CAN_TRANSMIT_EDITOR", "D4", "00", "A4", [](ConfigRig& r) { return r.Transmit.Editor.Form.DataText[3]; }, "", ""},
    {"CAN_TRANSMIT_EDITOR", "D5", "00", "A5", [](ConfigRig& r) { return r.Transmit.Editor.Form.DataText[4]; }, "", ""},
    {"CAN_TRANSMIT_EDITOR", "D6", "00", "A6", [](ConfigRig& r) { return r.Transmit.Editor.Form.DataText[5]; }, "", ""},
    {"CAN_TRANSMIT_EDITOR", "D7", "00", "A7", [](ConfigRig& r) { return r.Transmit.Editor.Form.DataText[6]; }, "", ""},
    {"CAN_TRANSMIT_EDITOR", "D8", "00", "A8", [](ConfigRig& r) { return r.Transmit.Editor.Form.DataText[7]; }, "", ""},
    {"CAN_TRANSMIT_EDITOR", "Trigger", "1", "0", [](ConfigRig& r) { return Bit(!r.Transmit.Editor.Form.OnKeyFlag); }},
    {"CAN_TRANSMIT_EDITOR", "OnTime", "6", "3",
     [](ConfigRig& r) { return EntryOf(PeriodEntries(), r.Transmit.Editor.Form.PeriodText); }},
    // The loaded key gives way to the first key no item uses, so what was
    // read cannot be seen: the row is checked on writing only.
    {"CAN_TRANSMIT_EDITOR", "OnKey", "0", "2", nullptr, "", "0"},
    {"CAN_TRANSMIT_EDITOR", "Comment", "", "draft", [](ConfigRig& r) { return r.Transmit.Editor.Form.Comment; }},
    {"CAN_SETUP", "EnhancedBaud", "108", "120", [](ConfigRig& r) { return Num(r.Setup.BitTiming.GetCANBaudRateSelection()); }},
    {"CAN_SETUP", "EnhancedBRP", "4", "10", [](ConfigRig& r) { return Num(r.Setup.BitTiming.StoredBRP()); }, kEnhanced},
    {"CAN_SETUP", "EnhancedPHSEG1", "8", "7", [](ConfigRig& r) { return Num(r.Setup.BitTiming.Values().PHSEG1); }, kEnhanced},
    {"CAN_SETUP", "EnhancedPHSEG2", "6", "4", [](ConfigRig& r) { return Num(r.Setup.BitTiming.Values().PHSEG2); }, kEnhanced},
    {"CAN_SETUP", "EnhancedPRSEG", "5", "3", [](ConfigRig& r) { return Num(r.Setup.BitTiming.Values().PROPSEG); }, kEnhanced},
    {"CAN_SETUP", "EnhancedSJW", "1", "2", [](ConfigRig& r) { return Num(r.Setup.BitTiming.Values().SJW); }, kEnhanced},
    {"CAN_SETUP", "EnhancedSAM", "1", "3", [](ConfigRig& r) { return Num(r.Setup.BitTiming.Values().SAM); }, kEnhanced},
    {"CAN_SETUP", "Mode", "12", "14", [](ConfigRig& r) { return Num(r.Setup.BitTiming.OperatingModeButton()); }},
    {"CAN_SETUP", "FilterType", "15", "18", [](ConfigRig& r) { return Num(r.Setup.Filters.FilterType()); }},
    {"CAN_SETUP", "Rx1MaskIDE", "1", "0", [](ConfigRig& r) { return Bit(r.Setup.Filters.Buffer29Bit(1)); }, kCustomFilter},
    {"CAN_SETUP", "Rx1MaskID", "00000000", "7FF", [](ConfigRig& r) { return Field(r, FIELD_RX1_MASK); }, kCustomFilter},
    {"CAN_SETUP", "Rx1Filter1ID", "00000000", "123", [](ConfigRig& r) { return Field(r, FIELD_RX1_FILTER1); }, kCustomFilter},
    {"CAN_SETUP", "Rx1Filter2ID", "00000000", "124", [](ConfigRig& r) { return Field(r, FIELD_RX1_FILTER2); }, kCustomFilter},
    {"CAN_SETUP", "Rx2MaskIDE", "1", "0", [](ConfigRig& r) { return Bit(r.Setup.Filters.Buffer29Bit(2)); }, kCustomFilter},
    {"CAN_SETUP", "Rx2MaskID", "00000000", "7F0", [](ConfigRig& r) { return Field(r, FIELD_RX2_MASK); }, kCustomFilter},
    {"CAN_SETUP", "Rx2Filter1ID", "00000000", "200", [](ConfigRig& r) { return Field(r, FIELD_RX2_FILTER1); }, kCustomFilter},
    {"CAN_SETUP", "Rx2Filter2ID", "00000000", "210", [](ConfigRig& r) { return Field(r, FIELD_RX2_FILTER2); }, kCustomFilter},
    {"CAN_SETUP", "Rx2Filter3ID", "00000000", "220", [](ConfigRig& r) { return Field(r, FIELD_RX2_FILTER3); }, kCustomFilter},
    {"CAN_SETUP", "Rx2Filter4ID", "00000000", "230", [](ConfigRig& r) { return Field(r, FIELD_RX2_FILTER4); }, kCustomFilter},
    {"LOG_OPTIONS", "FileName", "", "/logs/road.asc", [](ConfigRig& r) { return r.Host.Log.DIR + r.Host.Log.FileName; }},
    {"LOG_OPTIONS", "FileType", "0", "2", [](ConfigRig& r) { return Num(r.Host.Log.FileType); }},
    {"LOG_OPTIONS", "RxMessages", "1", "0", [](ConfigRig& r) { return Bit(r.Host.Log.RecordMessageTypes[0]); }},
    {"LOG_OPTIONS", "TxMessages", "1", "0", [](ConfigRig& r) { return Bit(r.Host.Log.RecordMessageTypes[1]); }},
    {"LOG_OPTIONS", "ErrorMessages", "1", "0", [](ConfigRig& r) { return Bit(r.Host.Log.RecordMessageTypes[2]); }},
    {"LOG_OPTIONS", "ErrorCountMessages", "1", "0", [](ConfigRig& r) { return Bit(r.Host.Log.RecordMessageTypes[3]); }},
    {"LOG_OPTIONS", "BusLoadMessages", "1", "0", [](ConfigRig& r) { return Bit(r.Host.Log.RecordMessageTypes[4]); }},
    {"LOG_OPTIONS", "ReplayType", "0", "1", [](ConfigRig& r) { return Bit(r.Host.Log.ReplayTypeFlag); }},
    {"LOG_OPTIONS", "ReplayRxMessages", "1", "0", [](ConfigRig& r) { return Bit(r.Host.Log.ReplayMessageTypes[0]); }},
    {"LOG_OPTIONS", "ReplayTxMessages", "0", "1", [](ConfigRig& r) { return Bit(r.Host.Log.ReplayMessageTypes[1]); }},
};

// The table as one file: sections in order, keys in table order.
std::string ConfigurationTableText(bool written) {
  std::string text, section;
  for (const ConfigurationKey& k : kConfigurationKeys) {
    if (k.Section != section) {
      if (!section.empty()) text += "\r\n";
      section = k.Section;
      text += "[" + section + "]\r\n";
    }
    text += std::string(k.Key) + "=" + (written && k.Written ? k.Written : k.Example) + "\r\n";
  }
  return text;
}

TEST(ConfigurationKeysTest, EachKeyIsReadByItsExactNameFromAFileAsWrittenBefore) {
  for (const ConfigurationKey& k : kConfigurationKeys) {
    SCOPED_TRACE(std::string(k.Section) + " \"" + k.Key + "\"");
    ASSERT_STRNE(k.Default, k.Example);
    if (!k.Shown) continue;
    std::string with = k.With;
    if (with == kItem) {
      with = "NoOfItems=1\r\n";
      for (const char* line : kItemLines)
        if (!std::string(line).starts_with(std::string(k.Key) + "=")) with += std::string(line) + "\r\n";
    }
    const std::string section = "[" + std::string(k.Section) + "]\r\n" + with;
    ConfigRig missing;
    ASSERT_TRUE(missing.Load(LoadableFile(k, section)));
    EXPECT_EQ(k.Shown(missing), k.Default) << "default when missing";
    ConfigRig given;
    ASSERT_TRUE(given.Load(LoadableFile(k, section + k.Key + "=" + k.Example + "\r\n")));
    EXPECT_EQ(k.Shown(given), k.Example);
  }
}

TEST(ConfigurationKeysTest, ANewFileHoldsEveryKeyWithItsExactNameInOrder) {
  ConfigRig rig;
  ASSERT_TRUE(rig.Load(ConfigurationTableText(false)));
  TIniDocument doc;
  WriteConfiguration(doc, rig.Host.Fixed, true, {rig.Transmit.List, rig.Transmit.Editor, rig.Setup}, rig.Host.Log);
  EXPECT_EQ(doc.Serialize(), ConfigurationTableText(true));
}


// ---- Damaged and hand-edited transmit lists send nothing nobody chose -------------------

std::string FullItem(int i, const std::string& id, const std::string& tx = "1") {
  const std::string n = std::to_string(i);
  std::string text = "Tx " + n + "=" + tx + "\r\nBit " + n + "=11\r\nID " + n + "=" + id + "\r\nFrame " + n +
                     "=Data\r\nDLC " + n + "=1\r\nD1 " + n + "=5A\r\n";
  for (int d = 2; d <= 8; ++d) text += "D" + std::to_string(d) + " " + n + "=\r\n";
  return text + "On Time (ms) " + n + "=100\r\nOn Key " + n + "=\r\nComment " + n + "=\r\n";
}

struct DamagedListCase {
  const char* Name;
  std::string File;
  std::vector<bool> Ticked;       // Tx of each item after the load
  std::vector<std::string> Lines;  // of the warning, after its first line
};

TEST(ConfigurationDamagedListTest, ItemsNotReadAsTheyStandLoadWithTxOffAndAreListed) {
  const std::string head = "[CAN_VIEW]\r\nMode=1\r\n[CAN_TRANSMIT]\r\n";
  const DamagedListCase cases[] = {
      {"valid file: silent, ticked items stay ticked", head + "NoOfItems=2\r\n" + FullItem(0, "100") + FullItem(1, "7FF"),
       {true, true}, {}},
      {"identifier rejected", head + "NoOfItems=2\r\n" + FullItem(0, "100") + FullItem(1, "ZZZ"),
       {true, false}, {"Item 2 (\"ID 1\"): \"ZZZ\" is not usable, loaded as \"0\"."}},
      {"numbers that are not numbers",
       head + "NoOfItems=1\r\nTx 0=1\r\nBit 0=12\r\nID 0=100\r\nFrame 0=Data\r\nDLC 0=x\r\nOn Time (ms) 0=fast\r\n"
              "On Key 0=F10\r\nComment 0=\r\n",
       {false},
       {"Item 1 (\"Bit 0\"): \"12\" is not usable, loaded as \"11\".",
        "Item 1 (\"DLC 0\"): \"x\" is not usable, loaded as \"0\".",
        "Item 1 (\"On Time (ms) 0\"): \"fast\" is not usable, loaded as \"\".",
        "Item 1 (\"On Key 0\"): \"F10\" is not usable, loaded as \"\"."}},
      {"data byte and period out of their tables",
       head + "NoOfItems=1\r\nTx 0=1\r\nBit 0=11\r\nID 0=100\r\nFrame 0=Data\r\nDLC 0=2\r\nD1 0=1FF\r\nD2 0=01\r\n"
              "On Time (ms) 0=300\r\nOn Key 0=\r\nComment 0=\r\n",
       {false},
       {"Item 1 (\"D1 0\"): \"1FF\" is not usable, loaded as \"00\".",
        "Item 1 (\"On Time (ms) 0\"): \"300\" is not usable, loaded as \"1000\"."}},
      {"file cut off inside an item", head + "NoOfItems=2\r\n" + FullItem(0, "100") + "Tx 1=1\r\nBit 1=11\r\nID 1=2",
       {true, false},
       {"Item 2 (\"Frame 1\"): missing, loaded as \"Data\".", "Item 2 (\"DLC 1\"): missing, loaded as \"0\".",
        "Item 2 (\"On Time (ms) 1\"): missing, loaded as \"\".", "Item 2 (\"On Key 1\"): missing, loaded as \"\".",
        "Item 2 (\"Comment 1\"): missing, loaded as \"\"."}},
      {"more items counted than present",
       head + "NoOfItems=4\r\n" + FullItem(0, "100") + FullItem(1, "101"),
       {true, true, false, false},
       {"Item 3 (keys \"... 2\"): not in the file, loaded empty.", "Item 4 (keys \"... 3\"): not in the file, loaded empty."}},
  };
  for (const DamagedListCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ConfigRig rig;
    ASSERT_TRUE(rig.Load(c.File));
    ASSERT_EQ(rig.Transmit.List.Count, int32_t(c.Ticked.size()));
    for (size_t i = 0; i < c.Ticked.size(); ++i) EXPECT_EQ(rig.Item(int(i)).EnabledFlag, c.Ticked[i]) << "item " << i + 1;
    if (c.Lines.empty()) {
      EXPECT_TRUE(rig.Dialogs.Boxes.empty());
      continue;
    }
    ASSERT_EQ(rig.Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(rig.Dialogs.Boxes[0].Type, TDialogType::Warning);
    std::string expected =
        "Configuration file 'a.cfx': these transmit items could not be read as they stand. They were loaded with Tx "
        "off, so that nothing is sent until you have checked them.\n";
    for (const std::string& line : c.Lines) expected += "\n" + line;
    EXPECT_EQ(rig.Dialogs.Boxes[0].Text, expected);
    EXPECT_FALSE(rig.Modified);
  }
}

TEST(ConfigurationDamagedListTest, ALongListOfProblemsIsCutAfterTwentyLines) {
  ConfigRig rig;
  ASSERT_TRUE(rig.Load("[CAN_VIEW]\r\nMode=1\r\n[CAN_TRANSMIT]\r\nNoOfItems=1000\r\n" + FullItem(0, "100") +
                       FullItem(1, "101") + FullItem(2, "102")));
  ASSERT_EQ(rig.Transmit.List.Count, 50);
  for (int i = 3; i < 50; ++i) EXPECT_FALSE(rig.Item(i).EnabledFlag) << i;
  ASSERT_EQ(rig.Dialogs.Boxes.size(), 1u);
  const std::string& text = rig.Dialogs.Boxes[0].Text;
  EXPECT_NE(text.find("\nItem 4 (keys \"... 3\"): not in the file, loaded empty.\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nItem 23 (keys \"... 22\"): not in the file, loaded empty.\nand 27 more."), std::string::npos)
      << text;
  EXPECT_EQ(text.find("Item 24 "), std::string::npos);
}

// Absurd bit-timing values fall back as the checks say, with each warning
// once; a load that then fails leaves the modified flag as it was.
TEST(ConfigurationFilesTest, AbsurdBitTimingWarnsOnceAndIsNoChangeOfTheUsers) {
  const std::string setup = "[CAN_VIEW]\r\nMode=1\r\n[CAN_SETUP]\r\nEnhancedBaud=120\r\nEnhancedBRP=9999\r\n"
                            "EnhancedPHSEG1=99\r\nEnhancedPHSEG2=-5\r\nEnhancedPRSEG=77\r\nEnhancedSJW=9\r\n"
                            "EnhancedSAM=7\r\n";
  ConfigRig rig;
  ASSERT_TRUE(rig.Load(setup));
  std::vector<std::string> texts = rig.Dialogs.Texts();
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end()) << "a warning shown twice";
  EXPECT_FALSE(rig.Modified);

  ConfigRig failing;
  failing.Modified = false;
  EXPECT_FALSE(failing.Load(setup + "Mode=99\r\n"));  // no such operating mode: a read error
  EXPECT_FALSE(failing.Modified);
}
}  // namespace
}  // namespace tarvo::test
