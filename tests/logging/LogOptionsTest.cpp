// The Log Options dialog's logic: showing TLog, the type buttons, Browse and
// the check-and-store step behind OK.
#include <gtest/gtest.h>

#include "logging/LogOptions.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

class LogOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log.DIR = dir;
    log.FileName = "run.txt";
  }

  test::TempFolder folder{"tarvo-opts"};
  const std::string dir = folder.Path().string() + "/";
  TLog log;
  TLogOptionsForm form;
  test::ScriptedDialogs dialogs;
};

TEST(LogOptionsPaths, SplitAndSwapExtensions) {
  EXPECT_EQ(LogPathDirectory("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(LogPathName("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(LogPathExtension("/a/b.d/c"), "");
  EXPECT_EQ(LogPathExtension("/a/b/c.tar.csv"), ".csv");
  const char* cases[][3] = {{"/x/run.log", ".csv", "/x/run.csv"},
                            {"/x/run", ".csv", "/x/run"},
                            {"/x/run.TXT", ".txt", "/x/run.txt"},
                            {"/x.d/run", ".asc", "/x.d/run"},
                            {"/x/run.csv", ".csv", "/x/run.csv"}};
  for (const auto& c : cases) {
    std::string path = c[0];
    SwapLogFileExtension(path, c[1]);
    EXPECT_EQ(path, c[2]) << c[0];
  }
}

TEST_F(LogOptionsTest, ShowFillsTheFormFromTheLog) {
  log.FileName.clear();
  log.FileType = CSV_FILE;
  log.FileOverwrite = RENAME_OVERWRITE;
  log.RecordMessageTypes = {true, false, true, true, false};
  log.ReplayTypeFlag = true;
  log.ReplayMessageTypes = {false, true};
  FillLogOptionsForm(form, log, false);
  EXPECT_EQ(form.FilePath, dir);  // only the directory while no name is set
  EXPECT_EQ(form.Type, CSV_FILE);
  EXPECT_EQ(form.Overwrite, RENAME_OVERWRITE);
  EXPECT_EQ(form.Record, (std::array<bool, 5>{true, false, true, true, false}));
  EXPECT_FALSE(form.ErrorCountBoxesVisible);
  EXPECT_TRUE(form.Continuous);
  EXPECT_EQ(form.Replay, (std::array<bool, 2>{false, true}));
  FillLogOptionsForm(form, log, true);
  EXPECT_TRUE(form.ErrorCountBoxesVisible);
  FillLogOptionsForm(form, log, false);
  EXPECT_TRUE(form.ErrorCountBoxesVisible);  // once shown they stay
}

TEST_F(LogOptionsTest, TypeButtonsSwapTheExtensionAndRestoreTheBoxesFromTheLog) {
  log.RecordMessageTypes = {true, true, true, false, true};
  FillLogOptionsForm(form, log, true);
  form.FilePath = dir + "run.log";
  SelectLogFileType(form, CSV_FILE, log);
  EXPECT_EQ(form.FilePath, dir + "run.csv");
  SelectLogFileType(form, ASC_FILE, log);
  EXPECT_EQ(form.FilePath, dir + "run.asc");
  EXPECT_EQ(form.Record, (std::array<bool, 5>{true, true, false, false, false}));
  EXPECT_EQ(form.RecordEnabled, (std::array<bool, 5>{true, true, false, false, false}));
  form.Record[RECORD_ERRORS] = false;  // what the boxes showed is not what comes back
  SelectLogFileType(form, TXT_FILE, log);
  EXPECT_EQ(form.Record, (std::array<bool, 5>{true, true, true, false, true}));
  EXPECT_EQ(form.RecordEnabled, (std::array<bool, 5>{true, true, true, true, true}));
  form.FilePath = dir + "noext";
  SelectLogFileType(form, CSV_FILE, log);
  EXPECT_EQ(form.FilePath, dir + "noext");
}

TEST_F(LogOptionsTest, OkStoresTheFormAndAppendsTheTypesExtension) {
  log.FileLoadedFlag = true;
  FillLogOptionsForm(form, log, true);
  form.FilePath = dir + "trace";
  SelectLogFileType(form, CSV_FILE, log);
  form.Overwrite = NO_PROMPT_OVERWRITE;
  form.Record = {false, true, false, true, true};
  form.Continuous = true;
  form.Replay = {false, true};
  ASSERT_TRUE(ValidateLogOptions(form, log));
  EXPECT_EQ(form.FilePath, dir + "trace.csv");
  EXPECT_EQ(log.FileName, "trace.csv");
  EXPECT_EQ(log.DIR, dir);
  EXPECT_EQ(log.FileType, CSV_FILE);
  EXPECT_EQ(log.FileOverwrite, NO_PROMPT_OVERWRITE);
  EXPECT_EQ(log.RecordMessageTypes, (std::array<bool, 5>{false, true, false, true, true}));
  EXPECT_TRUE(log.ReplayTypeFlag.load());
  EXPECT_EQ(log.ReplayMessageTypes, (std::array<bool, 2>{false, true}));
  EXPECT_FALSE(log.FileLoadedFlag);
}

TEST_F(LogOptionsTest, OkWithAscKeepsTheStoredErrorTypes) {
  log.RecordMessageTypes = {true, true, true, true, false};
  FillLogOptionsForm(form, log, true);
  SelectLogFileType(form, ASC_FILE, log);
  ASSERT_TRUE(ValidateLogOptions(form, log));
  EXPECT_EQ(log.FileName, "run.asc");
  EXPECT_EQ(log.RecordMessageTypes, (std::array<bool, 5>{true, true, true, true, false}));
}

TEST_F(LogOptionsTest, OkRefusesUnusableNamesAndStoresNothing) {
  FillLogOptionsForm(form, log, true);
  for (const std::string& text : {dir, std::string("bare.txt"), dir + "missing/run.txt", std::string()}) {
    log.FileLoadedFlag = true;
    form.FilePath = text;
    form.Type = CSV_FILE;
    EXPECT_FALSE(ValidateLogOptions(form, log)) << text;
    EXPECT_EQ(log.FileName, "run.txt");
    EXPECT_EQ(log.FileType, TXT_FILE);
    EXPECT_FALSE(log.FileLoadedFlag);  // cleared even when the check fails
  }
}

TEST_F(LogOptionsTest, BrowseUsesTheDialogOfItsEntryPointWithTheTypesFilter) {
  FillLogOptionsForm(form, log, true);
  SelectLogFileType(form, ASC_FILE, log);
  dialogs.FileAnswers = {std::nullopt, dir + "picked", dir + "other.txt"};
  LogOptionsBrowse(form, log, dialogs);
  EXPECT_EQ(form.FilePath, dir + "run.asc");  // cancelled: unchanged
  ASSERT_EQ(dialogs.OpenRequests.size(), 1u);
  EXPECT_EQ(dialogs.OpenRequests[0].Title, "Log File Name");
  EXPECT_EQ(dialogs.OpenRequests[0].Filter, "ASC File (*.asc)|*.asc");
  EXPECT_EQ(dialogs.OpenRequests[0].InitialDir, dir);
  EXPECT_EQ(dialogs.OpenRequests[0].FileName, "");
  form.SaveDialogFlag = true;
  LogOptionsBrowse(form, log, dialogs);
  EXPECT_EQ(dialogs.SaveRequests.size(), 1u);
  EXPECT_EQ(form.FilePath, dir + "picked.asc");  // the default extension
  LogOptionsBrowse(form, log, dialogs);
  EXPECT_EQ(form.FilePath, dir + "other.txt");
  EXPECT_EQ(log.FileName, "run.txt");  // nothing stored before OK
}

}  // namespace
}  // namespace tarvo
