// The settings file: every key read in its order with its default, values
// brought into range, older bit-timing keys, the write order, unknown keys
// kept, the failure messages, and where a saved window opens.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cctype>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include "persistence/IniFile.h"
#include "persistence/SettingsFile.h"
#include "PersistenceFakes.h"

namespace tarvo::test {
namespace {

TSettings Defaults() {
  TSettings s;
  s.Width = 1050;
  s.Height = 655;
  s.ConfigurationDIR = "/docs/Configuration/";
  s.SnapshotDIR = "/docs/Snapshot/";
  s.LogDIR = "/docs/Log/";
  s.CANTransmitHeight = 150;
  return s;
}

TSettings Read(const std::string& text) { return ReadSettings(TIniDocument::Parse(text), Defaults()); }

TEST(SettingsFileTest, AnEmptyFileGivesEveryDefaultOfTheTable) {
  const TSettings s = Read("");
  EXPECT_EQ(s.Left, 0);
  EXPECT_EQ(s.Width, 1050);
  EXPECT_EQ(s.Height, 655);
  EXPECT_EQ(s.Font, 8);
  EXPECT_EQ(s.ConfigurationDIR, "/docs/Configuration/");
  EXPECT_TRUE(s.FixedMode);
  EXPECT_EQ(s.CANTransmitHeight, 150);
  EXPECT_EQ(s.BaudRateButton, 108);
  EXPECT_EQ(s.BitTiming.BRP, 4);
  EXPECT_EQ(s.BitTiming.PROPSEG, 5);
  EXPECT_EQ(s.Display.NumericBase, NUMERIC_HEXADECIMAL);
  EXPECT_FALSE(s.Display.CANTxOnCANViewPage);
  EXPECT_TRUE(s.Display.ASCIIDecode && s.Display.MessageCount && s.Display.MessagePeriod);
  EXPECT_FALSE(s.Display.CANErrorCounters);
  EXPECT_EQ(s.Display.UpdateInterval, 100u);
  EXPECT_EQ(s.Display.CyclicBufferSize, 1000);
  EXPECT_EQ(s.Log.RecordMessageTypes, (std::array<bool, 5>{true, true, true, true, true}));
  EXPECT_EQ(s.Log.ReplayMessageTypes, (std::array<bool, 2>{true, false}));
  EXPECT_EQ(s.SavedDeviceSelection.HardwareType, 0);
  EXPECT_STREQ(s.SavedDeviceSelection.SerialNo, "");
}

struct RangeCase {
  const char* line;
  uint32_t updateInterval;
  int32_t cyclicBufferSize;
  int32_t numericBase;
};

class SettingsRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SettingsRangeTest, OptionsAreBroughtIntoRange) {
  const TSettings s = Read(std::string("[OPTIONS]\n") + GetParam().line + "\n");
  EXPECT_EQ(s.Display.UpdateInterval, GetParam().updateInterval) << GetParam().line;
  EXPECT_EQ(s.Display.CyclicBufferSize, GetParam().cyclicBufferSize) << GetParam().line;
  EXPECT_EQ(s.Display.NumericBase, GetParam().numericBase) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsRangeTest,
                         ::testing::Values(RangeCase{"UpdateInterval=5000", 1000, 1000, 1},
                                           RangeCase{"UpdateInterval=-1", 1000, 1000, 1},
                                           RangeCase{"UpdateInterval=0", 0, 1000, 1},
                                           RangeCase{"UpdateInterval=500", 500, 1000, 1},
                                           RangeCase{"UpdateInterval=fast", 100, 1000, 1},
                                           RangeCase{"CyclicBufferSize=10", 100, 1000, 1},
                                           RangeCase{"CyclicBufferSize=2000000", 100, 1000000, 1},
                                           RangeCase{"CyclicBufferSize=50000", 100, 50000, 1},
                                           RangeCase{"NumericBase=7", 100, 1000, 1},
                                           RangeCase{"NumericBase=0", 100, 1000, 0},
                                           RangeCase{"NumericBase=zero", 100, 1000, 1}));

TEST(SettingsFileTest, OlderBitTimingKeysAreReadOnlyWithoutEnhancedBaud) {
  const TSettings old = Read("[CAN_SETUP]\nBaud=3\nBRP=2\n");
  EXPECT_EQ(old.BaudRateButton, 109);
  EXPECT_EQ(old.BitTiming.BRP, 4);
  EXPECT_EQ(Read("[CAN_SETUP]\nBaud=11\n").BaudRateButton, std::nullopt);
  const TSettings both = Read("[CAN_SETUP]\nBaud=3\nBRP=8\nEnhancedBaud=112\nEnhancedBRP=2\n");
  EXPECT_EQ(both.BaudRateButton, 112);
  EXPECT_EQ(both.BitTiming.BRP, 2);
  EXPECT_EQ(Read("[CAN_SETUP]\nEnhancedBaud=113\n").BaudRateButton, std::nullopt);
  EXPECT_EQ(Read("[CAN_SETUP]\nEnhancedBaud=120\n").BaudRateButton, 120);
}

TEST(SettingsFileTest, LegacyBaudCodesNameTheirPresets) {
  const int expected[] = {107, 108, 109, 112, 120, 100, 101, 103, 110, 106};
  for (int code = 1; code <= 10; ++code) EXPECT_EQ(LegacyBaudToPreset(code), expected[code - 1]) << code;
  EXPECT_EQ(LegacyBaudToPreset(0), std::nullopt);
}

TEST(SettingsFileTest, WritesEveryKeyInOrderAndKeepsUnknownKeys) {
  TIniDocument doc = TIniDocument::Parse("[CAN_SETUP]\nBaud=3\n[MINE]\nKeep=1\n");
  TSettings s = Defaults();
  s.Left = 12;
  s.Top = 34;
  std::strcpy(s.SavedDeviceSelection.SerialNo, "Prompt");
  WriteSettings(doc, s);
  const std::string text = doc.Serialize();
  EXPECT_NE(text.find("[CAN_SETUP]\r\nBaud=3\r\nEnhancedBaud=108\r\nEnhancedBRP=4\r\n"), std::string::npos);
  EXPECT_NE(text.find("[MINE]\r\nKeep=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("[WINDOW]\r\nTop=34\r\nLeft=12\r\nWidth=1050\r\nHeight=655\r\nFont=8\r\n"), std::string::npos);
  EXPECT_NE(text.find("[OPTIONS]\r\nNumericBase=1\r\nCANTxOnCANViewPage=0\r\nASCIIDecode=1\r\nMessageCount=1\r\n"
                      "MessagePeriod=1\r\nCANErrorCounters=0\r\nUpdateInterval=100\r\nCyclicBufferSize=1000\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("[LOG_OPTIONS]\r\nFileType=0\r\nFileOverwrite=0\r\nRecordRx=1\r\nRecordTx=1\r\nRecordError=1\r\n"
                      "RecordErrorCounters=1\r\nRecordBusLoad=1\r\nReplayType=0\r\nReplayRx=1\r\nReplayTx=0\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("[DEVICE_OPTIONS]\r\nHardwareType=0\r\nSerialNo=Prompt\r\n"), std::string::npos);
  // Read back, the older keys no longer count.
  const TSettings back = ReadSettings(TIniDocument::Parse(text), Defaults());
  EXPECT_EQ(back.BaudRateButton, 108);
  EXPECT_STREQ(back.SavedDeviceSelection.SerialNo, "Prompt");
}

// The database's keys: absent, the file reads and writes as it always did;
// present, they are read and kept.
TEST(SettingsFileTest, TheDatabaseKeysAreOnlyWrittenWhenThereIsSomethingToKeep) {
  const std::string described = "[WINDOW]\r\nLeft=5\r\n";
  TIniDocument doc = TIniDocument::Parse(described);
  TSettings s = ReadSettings(doc, Defaults());
  EXPECT_EQ(s.Database.File, "");
  EXPECT_FALSE(s.Database.NameColumn);
  WriteSettings(doc, s);
  EXPECT_FALSE(doc.SectionExists("DATABASE"));

  s.Database = {"/dbc/vehicle.dbc", true};
  WriteSettings(doc, s);
  const std::string text = doc.Serialize();
  EXPECT_NE(text.find("[DATABASE]\r\nFile=/dbc/vehicle.dbc\r\nNameColumn=1\r\n"), std::string::npos) << text;
  const TSettings back = ReadSettings(TIniDocument::Parse(text), Defaults());
  EXPECT_EQ(back.Database.File, "/dbc/vehicle.dbc");
  EXPECT_TRUE(back.Database.NameColumn);
  EXPECT_FALSE(back.Display.MessageName);  // the column is the DATABASE key's, not an OPTIONS one

  // Once in the file, the section follows what the program holds.
  s.Database = {};
  WriteSettings(doc, s);
  EXPECT_NE(doc.Serialize().find("[DATABASE]\r\nFile=\r\nNameColumn=0\r\n"), std::string::npos);
}

TEST(SettingsFileTest, AnOverlongSerialNumberIsCutToItsField) {
  const TSettings s = Read("[DEVICE_OPTIONS]\nSerialNo=" + std::string(1000, 'Z') + "\n");
  EXPECT_EQ(std::strlen(s.SavedDeviceSelection.SerialNo), 255u);
}

TEST(SettingsFileTest, AFileThatCannotBeReadGivesItsDefaultsAndTheMessage) {
  ScratchFolder dir;
  std::filesystem::create_directories(dir.Path() / "Tarvo.ini");  // a folder cannot be read as a file
  FileDialogs dialogs;
  const TSettings s = LoadSettingsFile(dir.Dir(), Defaults(), dialogs);
  ASSERT_EQ(dialogs.Texts(), std::vector<std::string>{SettingsReadErrorMessage});
  EXPECT_EQ(s.Display.UpdateInterval, 1000u);
  EXPECT_EQ(s.BaudRateButton, 108);
  // A missing file is no error.
  FileDialogs quiet;
  ScratchFolder empty;
  EXPECT_EQ(LoadSettingsFile(empty.Dir(), Defaults(), quiet).Display.UpdateInterval, 100u);
  EXPECT_TRUE(quiet.Boxes.empty());
}

TEST(SettingsFileTest, SavingKeepsHandEditedKeysAndRefusesAReadOnlyFile) {
  ScratchFolder dir;
  dir.Write("Tarvo.ini", "[MINE]\nKeep=me\n[OPTIONS]\nNumericBase=x\n");
  FileDialogs dialogs;
  ASSERT_TRUE(SaveSettingsFile(dir.Dir(), Defaults(), dialogs));
  const std::string text = dir.Read("Tarvo.ini");
  EXPECT_NE(text.find("[MINE]\r\nKeep=me\r\n"), std::string::npos);
  EXPECT_NE(text.find("NumericBase=1\r\n"), std::string::npos);

  std::filesystem::permissions(dir.File("Tarvo.ini"), std::filesystem::perms(0444));
  EXPECT_FALSE(SaveSettingsFile(dir.Dir(), Defaults(), dialogs));
  EXPECT_EQ(dialogs.Texts().back(), SettingsReadOnlyMessage);
  EXPECT_EQ(dir.Read("Tarvo.ini"), text);

  FileDialogs denied;
  EXPECT_FALSE(SaveSettingsFile(dir.File("no-such-folder/"), Defaults(), denied));
  EXPECT_EQ(denied.Texts(), std::vector<std::string>{std::string(SettingsWriteErrorMessage) +
                                                      "\n\nNo such file or directory"});
}

// A disk that takes no more bytes (here a file-size limit, which fails the
// write as a full disk does) is named as the cause, and the old file stays.
TEST(SettingsFileTest, AWriteThatRunsOutOfRoomNamesTheCauseAndKeepsTheFile) {
  ScratchFolder dir;
  dir.Write("Tarvo.ini", "[WINDOW]\nLeft=5\n");
  FileDialogs dialogs;
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  void (*handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = SaveSettingsFile(dir.Dir(), Defaults(), dialogs);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, handler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{std::string(SettingsWriteErrorMessage) + "\n\nFile too large"});
  EXPECT_EQ(dir.Read("Tarvo.ini"), "[WINDOW]\nLeft=5\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary file is left";
}

// A settings file that is a symbolic link is written through to its target:
// the link stays, the file it names gets the settings.
TEST(SettingsFileTest, SavingThroughASymbolicLinkWritesItsTarget) {
  ScratchFolder dir;
  std::filesystem::create_directories(dir.Path() / "real");
  dir.Write("real/Tarvo.ini", "[MINE]\nKeep=me\n");
  std::filesystem::create_symlink(dir.Path() / "real" / "Tarvo.ini", dir.Path() / "Tarvo.ini");
  FileDialogs dialogs;
  ASSERT_TRUE(SaveSettingsFile(dir.Dir(), Defaults(), dialogs));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "Tarvo.ini"));
  const std::string text = dir.Read("real/Tarvo.ini");
  EXPECT_NE(text.find("[MINE]\r\nKeep=me\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[WINDOW]\r\n"), std::string::npos) << text;
}

TEST(WindowPlacementTest, AWindowOnAMonitorNoLongerAttachedOpensAtTheOrigin) {
  const std::vector<TScreenRect> one{{0, 0, 1920, 1080}};
  const TWindowPlacement p = PlaceWindow({2500, 300, 1100, 700}, 1.0, 1050, 655, one);
  EXPECT_EQ(p.Bounds.Left, 0);
  EXPECT_EQ(p.Bounds.Top, 300);
  EXPECT_FALSE(p.Maximized);
  const TWindowPlacement second = PlaceWindow({2500, 300, 1100, 700}, 1.0, 1050, 655, {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}});
  EXPECT_EQ(second.Bounds.Left, 2500);
}

TEST(WindowPlacementTest, LargerThanTheMonitorGetsTheSmallestSizeAndCoveringItMaximises) {
  const std::vector<TScreenRect> one{{0, 0, 1280, 800}};
  const TWindowPlacement big = PlaceWindow({100, 100, 3000, 2000}, 1.0, 1050, 655, one);
  EXPECT_EQ(big.Bounds.Width, 1050);
  EXPECT_EQ(big.Bounds.Height, 655);
  const TWindowPlacement max = PlaceWindow({-8, -8, 1296, 816}, 1.0, 1050, 655, one);
  EXPECT_TRUE(max.Maximized);
  EXPECT_EQ(max.Bounds.Left, -8);
}

// ---- Every key of the settings file, as text -------------------------------------------
//
// One row per key in the order the file is written: its section, its exact
// name, the value as the file holds it when the key is missing (the default)
// and an example of another value, and how the program's settings show it.
// A key misspelt on both read and write still agrees with itself in a round
// trip; a file written by an earlier version does not, so the read test
// starts from literal text and the write test compares the exact text.
struct SettingsKey {
  const char* Section;
  const char* Key;
  const char* Default;
  const char* Example;
  std::string (*Shown)(const TSettings&);
  const char* With = "";  // a line the key is read only beside
};

std::string Num(long long v) { return std::to_string(v); }
std::string Bit(bool v) { return v ? "1" : "0"; }

const SettingsKey kSettingsKeys[] = {
    {"WINDOW", "Top", "0", "34", [](const TSettings& s) { return Num(s.Top); }},
    {"WINDOW", "Left", "0", "12", [](const TSettings& s) { return Num(s.Left); }},
    {"WINDOW", "Width", "1050", "1200", [](const TSettings& s) { return Num(s.Width); }},
    {"WINDOW", "Height", "655", "700", [](const TSettings& s) { return Num(s.Height); }},
    {"WINDOW", "Font", "8", "10", [](const TSettings& s) { return Num(s.Font); }},
    {"DIR", "Configuration", "/docs/Configuration/", "/mine/cfg/", [](const TSettings& s) { return s.ConfigurationDIR; }},
    {"DIR", "Snapshot", "/docs/Snapshot/", "/mine/shots/", [](const TSettings& s) { return s.SnapshotDIR; }},
    {"DIR", "Log", "/docs/Log/", "/mine/logs/", [](const TSettings& s) { return s.LogDIR; }},
    {"CAN_VIEW", "Mode", "1", "0", [](const TSettings& s) { return Bit(s.FixedMode); }},
    {"CAN_TRANSMIT", "Height", "150", "220", [](const TSettings& s) { return Num(s.CANTransmitHeight); }},
    {"CAN_SETUP", "EnhancedBaud", "108", "109", [](const TSettings& s) { return Num(s.BaudRateButton.value_or(-1)); }},
    {"CAN_SETUP", "EnhancedBRP", "4", "2", [](const TSettings& s) { return Num(s.BitTiming.BRP); }, "EnhancedBaud=108\r\n"},
    {"CAN_SETUP", "EnhancedPHSEG1", "8", "7", [](const TSettings& s) { return Num(s.BitTiming.PHSEG1); }, "EnhancedBaud=108\r\n"},
    {"CAN_SETUP", "EnhancedPHSEG2", "6", "5", [](const TSettings& s) { return Num(s.BitTiming.PHSEG2); }, "EnhancedBaud=108\r\n"},
    {"CAN_SETUP", "EnhancedPRSEG", "5", "4", [](const TSettings& s) { return Num(s.BitTiming.PROPSEG); }, "EnhancedBaud=108\r\n"},
    {"CAN_SETUP", "EnhancedSJW", "1", "2", [](const TSettings& s) { return Num(s.BitTiming.SJW); }, "EnhancedBaud=108\r\n"},
    {"CAN_SETUP", "EnhancedSAM", "1", "3", [](const TSettings& s) { return Num(s.BitTiming.SAM); }, "EnhancedBaud=108\r\n"},
    {"OPTIONS", "NumericBase", "1", "0", [](const TSettings& s) { return Num(s.Display.NumericBase); }},
    {"OPTIONS", "CANTxOnCANViewPage", "0", "1", [](const TSettings& s) { return Bit(s.Display.CANTxOnCANViewPage); }},
    {"OPTIONS", "ASCIIDecode", "1", "0", [](const TSettings& s) { return Bit(s.Display.ASCIIDecode); }},
    {"OPTIONS", "MessageCount", "1", "0", [](const TSettings& s) { return Bit(s.Display.MessageCount); }},
    {"OPTIONS", "MessagePeriod", "1", "0", [](const TSettings& s) { return Bit(s.Display.MessagePeriod); }},
    {"OPTIONS", "CANErrorCounters", "0", "1", [](const TSettings& s) { return Bit(s.Display.CANErrorCounters); }},
    {"OPTIONS", "UpdateInterval", "100", "250", [](const TSettings& s) { return Num(s.Display.UpdateInterval); }},
    {"OPTIONS", "CyclicBufferSize", "1000", "50000", [](const TSettings& s) { return Num(s.Display.CyclicBufferSize); }},
    {"LOG_OPTIONS", "FileType", "0", "2", [](const TSettings& s) { return Num(s.Log.FileType); }},
    {"LOG_OPTIONS", "FileOverwrite", "0", "2", [](const TSettings& s) { return Num(s.Log.FileOverwrite); }},
    {"LOG_OPTIONS", "RecordRx", "1", "0", [](const TSettings& s) { return Bit(s.Log.RecordMessageTypes[0]); }},
    {"LOG_OPTIONS", "RecordTx", "1", "0", [](const TSettings& s) { return Bit(s.Log.RecordMessageTypes[1]); }},
    {"LOG_OPTIONS", "RecordError", "1", "0", [](const TSettings& s) { return Bit(s.Log.RecordMessageTypes[2]); }},
    {"LOG_OPTIONS", "RecordErrorCounters", "1", "0", [](const TSettings& s) { return Bit(s.Log.RecordMessageTypes[3]); }},
    {"LOG_OPTIONS", "RecordBusLoad", "1", "0", [](const TSettings& s) { return Bit(s.Log.RecordMessageTypes[4]); }},
    {"LOG_OPTIONS", "ReplayType", "0", "1", [](const TSettings& s) { return Bit(s.Log.ReplayTypeFlag); }},
    {"LOG_OPTIONS", "ReplayRx", "1", "0", [](const TSettings& s) { return Bit(s.Log.ReplayMessageTypes[0]); }},
    {"LOG_OPTIONS", "ReplayTx", "0", "1", [](const TSettings& s) { return Bit(s.Log.ReplayMessageTypes[1]); }},
    {"DEVICE_OPTIONS", "HardwareType", "0", "3", [](const TSettings& s) { return Num(s.SavedDeviceSelection.HardwareType); }},
    {"DEVICE_OPTIONS", "SerialNo", "", "Prompt", [](const TSettings& s) { return std::string(s.SavedDeviceSelection.SerialNo); }},
    {"DATABASE", "File", "", "/dbc/vehicle.dbc", [](const TSettings& s) { return s.Database.File; }},
    {"DATABASE", "NameColumn", "0", "1", [](const TSettings& s) { return Bit(s.Database.NameColumn); }},
};

// The file as the table writes it: sections in the order of their first
// key, keys in table order, CR LF line ends.
std::string TableText(const char* SettingsKey::*value) {
  std::string text, section;
  for (const SettingsKey& k : kSettingsKeys) {
    if (k.Section != section) {
      if (!section.empty()) text += "\r\n";
      section = k.Section;
      text += "[" + section + "]\r\n";
    }
    text += std::string(k.Key) + "=" + k.*value + "\r\n";
  }
  return text;
}

TEST(SettingsKeysTest, EachKeyIsReadByItsExactNameFromAFileAsWrittenBefore) {
  for (const SettingsKey& k : kSettingsKeys) {
    SCOPED_TRACE(std::string(k.Section) + " " + k.Key);
    ASSERT_STRNE(k.Default, k.Example);
    EXPECT_EQ(k.Shown(Read("")), k.Default) << "default when missing";
    const std::string section = "[" + std::string(k.Section) + "]\r\n" + k.With;
    EXPECT_EQ(k.Shown(Read(section + k.Key + "=" + k.Example + "\r\n")), k.Example);
    // Names are matched without regard to case, as every INI reader does.
    std::string lower = k.Key;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(k.Shown(Read(section + lower + "=" + k.Example + "\r\n")), k.Example);
  }
  // The whole table in one file, as a peer writes it.
  const TSettings all = Read(TableText(&SettingsKey::Example));
  for (const SettingsKey& k : kSettingsKeys) EXPECT_EQ(k.Shown(all), k.Example) << k.Section << " " << k.Key;
}

TEST(SettingsKeysTest, EveryKeyIsWrittenWithItsExactNameInOrder) {
  const TSettings examples = Read(TableText(&SettingsKey::Example));
  TIniDocument doc;
  WriteSettings(doc, examples);
  EXPECT_EQ(doc.Serialize(), TableText(&SettingsKey::Example));
}

// The plot's section: read back as written; a shorter list leaves no keys
// of the longer one behind; a file without the section reads as none and is
// written without it while nothing is plotted; unusable values fall back.
TEST(PlotKeys, ReadBackAsWrittenAndAbsentWhileUnused) {
  TIniDocument doc = TIniDocument::Parse("[DATABASE]\r\nFile=a.dbc\r\n");
  EXPECT_FALSE(ReadPlotKeys(doc).has_value());
  WritePlotKeys(doc, TPlotKeys{});
  EXPECT_FALSE(doc.SectionExists(PlotSection));

  TPlotKeys keys;
  keys.Signals = {{"Engine.Speed", false}, {"Engine.Load", true}};
  keys.SharedAxis = true;
  keys.All = true;
  keys.Shown = true;
  WritePlotKeys(doc, keys);
  std::optional<TPlotKeys> read = ReadPlotKeys(TIniDocument::Parse(doc.Serialize()));
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(read->Signals.size(), 2u);
  EXPECT_EQ(read->Signals[1].Name, "Engine.Load");
  EXPECT_TRUE(read->Signals[1].Hidden);
  EXPECT_FALSE(read->Signals[0].Hidden);
  EXPECT_TRUE(read->SharedAxis && read->All && read->Shown);

  keys.Signals.pop_back();
  keys.All = false;
  keys.WindowSeconds = 2.5;
  WritePlotKeys(doc, keys);
  EXPECT_FALSE(doc.ValueExists(PlotSection, "Signal 1"));
  read = ReadPlotKeys(doc);
  ASSERT_EQ(read->Signals.size(), 1u);
  EXPECT_FALSE(read->All);
  EXPECT_EQ(read->WindowSeconds, 2.5);

  for (const char* window : {"soon", "-5", "0"}) {
    const TIniDocument odd = TIniDocument::Parse(std::string("[PLOT]\r\nCount=99999\r\nWindow=") + window + "\r\n");
    read = ReadPlotKeys(odd);
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(read->Signals.empty()) << window;
    EXPECT_EQ(read->WindowSeconds, 10) << window;
  }
}

}  // namespace
}  // namespace tarvo::test
