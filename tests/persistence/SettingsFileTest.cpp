// The settings file: every key read in its order with its default, values
// brought into range, older bit-timing keys, the write order, unknown keys
// kept, the failure messages, and where a saved window opens.
#include <gtest/gtest.h>

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
  std::filesystem::create_directories(dir.Path / "Tarvo.ini");  // a folder cannot be read as a file
  FileDialogs dialogs;
  const TSettings s = LoadSettingsFile(dir.Dir(), Defaults(), dialogs);
  ASSERT_EQ(dialogs.Texts(), std::vector<std::string>{SettingsReadErrorMessage});
  EXPECT_EQ(s.Display.UpdateInterval, 1000u);
  EXPECT_EQ(s.BaudRateButton, 108);
  // A missing file is no error.
  FileDialogs quiet;
  ScratchFolder empty;
  EXPECT_EQ(LoadSettingsFile(empty.Dir(), Defaults(), quiet).Display.UpdateInterval, 100u);
  EXPECT_TRUE(quiet.Messages.empty());
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
  EXPECT_EQ(denied.Texts(), std::vector<std::string>{SettingsWriteErrorMessage});
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

}  // namespace
}  // namespace tarvo::test
