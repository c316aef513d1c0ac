// Recording: start command and overwrite policy, start and stop sequences,
// hand-over to the writer thread, and every failure with its message.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "logging/LogRecorder.h"
#include "support/QueuedGuiCalls.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;
using test::QueuedGuiCalls;
using test::ScriptedDialogs;

class FakeHost : public LogRecorderHost {
 public:
  TDisplaySettings Settings;
  TDeviceStatus Status;
  uint8_t StatusCode = 0;
  bool TxEnabled = true;
  std::vector<std::string> Calls;
  std::function<void(bool)> OnLogOptions;

  const TDisplaySettings& Display() override { return Settings; }
  const TDeviceStatus& DeviceStatus() override { return Status; }
  uint8_t LatestStatusCode() override { return StatusCode; }
  bool BusLoadValid() override { return true; }
  bool TxDisplayEnabled() override { return TxEnabled; }
  TLogFooterInfo FooterInfo() override {
    TLogFooterInfo info;
    info.TarvoInternalStatus = "  Status OK";
    return info;
  }
  TLogHeaderClock HeaderClock() override { return {"09:04:05", "08/12/2026", "Tue Dec 08 9:4:5 2026"}; }
  void SetRunningControls() override { Calls.push_back("running"); }
  void SetStoppedControls() override { Calls.push_back("stopped"); }
  void AnimateLogIndicator(int first, int last, int interval) override {
    Calls.push_back("animate " + std::to_string(first) + " " + std::to_string(last) + " " +
                    std::to_string(interval));
  }
  void StopLogIndicator() override { Calls.push_back("indicator stopped"); }
  void ShowLogOptions(bool saveFlag) override {
    Calls.push_back(saveFlag ? "options save" : "options open");
    if (OnLogOptions) OnLogOptions(saveFlag);
  }
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class LogRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log.DIR = dir.string() + "/";
    log.FileName = "trace.csv";
    log.FileType = CSV_FILE;
    host.Settings.ASCIIDecode = host.Settings.MessageCount = host.Settings.MessagePeriod = false;
  }
  void TearDown() override { recorder.reset(); }

  TLogRecorder& Recorder() {
    if (!recorder) recorder = std::make_unique<TLogRecorder>(log, host, dialogs, gui);
    return *recorder;
  }

  TTarvoCAN Frame(uint32_t id, uint32_t ticks) {
    TTarvoCAN m;
    m.ID = id;
    m.DLC = 1;
    m.Data[0] = uint8_t(id);
    m.TimeStamp = ticks;
    return m;
  }
  // n received lines with identifiers first, first + 1, ...
  void Receive(uint32_t first, int n) {
    for (int i = 0; i < n; ++i) Recorder().LogReceiveMessage(Frame(first + uint32_t(i), 39063), 1, 0);
  }
  static std::string Lines(uint32_t first, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%X,%X", first + uint32_t(i), (first + uint32_t(i)) & 0xFF);
      text += std::string("RD11,1.0000,") + hex + "\r\n";
    }
    return text;
  }
  void HandOver() {
    for (int i = 0; i < LogHandOverSeconds; ++i) Recorder().SwapLogBuffers();
  }
  // Waits for the writer's end notification and runs it.
  void FinishWriter() {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (log.ThreadRunningFlag.load()) {
      ASSERT_LT(std::chrono::steady_clock::now(), limit) << "the writer thread did not end within 10 s";
      gui.WaitAndRun(std::chrono::milliseconds(50));
    }
  }
  std::string Header() {
    TLogLineFormat f;
    f.FileType = log.FileType;
    return LogHeader(f, log.FileName, host.HeaderClock());
  }
  std::string Footer() {
    TLogLineFormat f;
    f.FileType = log.FileType;
    return LogFooter(f, host.FooterInfo());
  }

  test::TempFolder folder{"tarvo-log"};
  const fs::path dir = folder.Path();
  TLog log;
  FakeHost host;
  ScriptedDialogs dialogs;
  QueuedGuiCalls gui;
  std::unique_ptr<TLogRecorder> recorder;
};

// ---- Numbered names ----------------------------------------------------------------

TEST(RenameLogFile, GivesTheNextNumberedName) {
  const char* cases[][2] = {
      {"log.txt", "log [1].txt"},   {"log [1].txt", "log [2].txt"}, {"run[9].csv", "run[10].csv"},
      {"a[x].asc", "a[x] [1].asc"}, {"a[].txt", "a[] [1].txt"},    {"a[12]b.txt", "a[13].txt"},
      {"noext", "noext [1]"},       {"[007].txt", "[8].txt"},      {"x][1.txt", "x][1 [1].txt"},
      {"big[99999999999999999999].csv", "big[100000000000000000000].csv"},
  };
  for (const auto& c : cases) {
    std::string name = c[0];
    RenameLogFile(name);
    EXPECT_EQ(name, c[1]) << c[0];
  }
}

// ---- Start command and overwrite policy -----------------------------------------------

TEST_F(LogRecorderTest, StartWithoutAFileNameAsksForOneAndCancelChangesNothing) {
  log.FileName.clear();
  dialogs.Answers = {TDialogResult::Cancel};
  Recorder().OnStartRecording();
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Please specify the log file name."});
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Information);
  EXPECT_EQ(dialogs.Boxes[0].Buttons, TDialogButtons::OKCancel);
  EXPECT_EQ(log.State, NO_LOG);
  EXPECT_TRUE(host.Calls.empty());
}

TEST_F(LogRecorderTest, OkOpensTheOptionsWithASaveDialogAndStartsWithTheirName) {
  log.FileName.clear();
  host.OnLogOptions = [this](bool) { log.FileName = "chosen.csv"; };
  Recorder().OnStartRecording();
  EXPECT_EQ(host.Calls.front(), "options save");
  EXPECT_TRUE(log.RecordRunningFlag.load());
  EXPECT_EQ(log.State, RECORD_LOG);
  Recorder().StopLogRecording();
  EXPECT_EQ(ReadFile(dir / "chosen.csv"), Header() + "\r\n" + Footer());
}

TEST_F(LogRecorderTest, AMissingDirectoryAfterTheOptionsDoesNothingMore) {
  log.DIR = (dir / "missing").string() + "/";
  Recorder().OnStartRecording();
  EXPECT_EQ(host.Calls, std::vector<std::string>{"options save"});
  EXPECT_EQ(log.State, NO_LOG);
}

TEST_F(LogRecorderTest, PromptOverwriteYesTruncatesNoAsksForAName) {
  std::ofstream(dir / "trace.csv") << "old content";
  dialogs.Answers = {TDialogResult::No, TDialogResult::Cancel};
  Recorder().OnStartRecording();
  ASSERT_EQ(dialogs.Texts().size(), 2u);
  EXPECT_EQ(dialogs.Texts()[0], "Log file 'trace.csv' already exists.\r\n\r\nOverwrite this log file?");
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Confirmation);
  EXPECT_EQ(dialogs.Boxes[0].Buttons, TDialogButtons::YesNo);
  EXPECT_EQ(dialogs.Texts()[1], "Please specify the log file name.");
  EXPECT_EQ(ReadFile(dir / "trace.csv"), "old content");

  dialogs.Answers = {TDialogResult::Yes};
  Recorder().OnStartRecording();
  EXPECT_TRUE(log.RecordRunningFlag.load());
  Recorder().StopLogRecording();
  EXPECT_EQ(ReadFile(dir / "trace.csv"), Header() + "\r\n" + Footer());
}

TEST_F(LogRecorderTest, AutomaticPoliciesOverwriteOrNumberWithoutAsking) {
  std::ofstream(dir / "trace.csv") << "old";
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  Recorder().OnStartRecording();
  Recorder().StopLogRecording();
  EXPECT_EQ(ReadFile(dir / "trace.csv"), Header() + "\r\n" + Footer());

  log.FileOverwrite = RENAME_OVERWRITE;
  Recorder().OnStartRecording();
  Recorder().StopLogRecording();
  EXPECT_EQ(log.FileName, "trace [1].csv");
  Recorder().OnStartRecording();
  Recorder().StopLogRecording();
  EXPECT_EQ(log.FileName, "trace [2].csv");
  EXPECT_TRUE(fs::exists(dir / "trace [2].csv"));
  EXPECT_TRUE(dialogs.Boxes.empty());
}

// Numbered names left by earlier runs are never overwritten: the numbering
// goes on until a name is free.
TEST_F(LogRecorderTest, AutomaticRenameSkipsEveryNameInUse) {
  std::ofstream(dir / "trace.csv") << "first";
  std::ofstream(dir / "trace [1].csv") << "second";
  std::ofstream(dir / "trace [2].csv") << "third";
  log.FileOverwrite = RENAME_OVERWRITE;
  Recorder().OnStartRecording();
  Recorder().StopLogRecording();
  EXPECT_EQ(log.FileName, "trace [3].csv");
  EXPECT_EQ(ReadFile(dir / "trace.csv"), "first");
  EXPECT_EQ(ReadFile(dir / "trace [1].csv"), "second");
  EXPECT_EQ(ReadFile(dir / "trace [2].csv"), "third");
  EXPECT_TRUE(fs::exists(dir / "trace [3].csv"));
}

// ---- Start and stop sequences ------------------------------------------------------------

TEST_F(LogRecorderTest, StartAndStopRunTheirStepsInOrder) {
  host.StatusCode = 0x12;
  log.FileLoadedFlag = true;
  Recorder().OnStartRecording();
  EXPECT_EQ(host.Calls, (std::vector<std::string>{"running", "animate 1 2 500"}));
  EXPECT_EQ(log.TarvoStatusCode, '!');
  EXPECT_FALSE(log.FileLoadedFlag);
  EXPECT_TRUE(log.FileOpenFlag.load());
  EXPECT_EQ(log.ImageIndex, 1);
  host.Calls.clear();
  Recorder().StopLogRecording();
  EXPECT_EQ(host.Calls, (std::vector<std::string>{"indicator stopped", "stopped"}));
  EXPECT_EQ(log.State, NO_LOG);
  EXPECT_FALSE(log.FileOpenFlag.load());
  EXPECT_FALSE(log.Buffer[0] || log.Buffer[1]);
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(LogRecorderTest, NumericBaseIsFixedWhenTheRecordingStarts) {
  host.Settings.NumericBase = NUMERIC_DECIMAL;
  Recorder().OnStartRecording();
  host.Settings.NumericBase = NUMERIC_HEXADECIMAL;
  Recorder().LogReceiveMessage(Frame(0x123, 39063), 1, 0);
  Recorder().StopLogRecording();
  EXPECT_NE(ReadFile(dir / "trace.csv").find("RD11,1.0000,291,35\r\n"), std::string::npos);
}

TEST_F(LogRecorderTest, EventsAreRecordedOnlyWhenTheirKindIsSelected) {
  log.RecordMessageTypes = {false, true, false, true, false};
  Recorder().LogReceiveMessage(Frame(1, 0), 1, 0);  // not recording yet
  Recorder().OnStartRecording();
  const uint8_t data[8] = {};
  Recorder().LogReceiveMessage(Frame(1, 0), 1, 0);
  Recorder().LogTransmitMessage(0, 2, 0, 0, data, 1000);
  Recorder().LogBusEvent(1, 0);
  Recorder().LogErrorCounters();
  Recorder().LogBusLoad();
  Recorder().LogStatus();
  Recorder().LogMessageMissing();
  host.TxEnabled = false;
  Recorder().LogTransmitMessage(0, 3, 0, 0, data, 1000);
  EXPECT_EQ(log.Buffer[0]->Text(),
            "TD11,1.0000,2,\r\nRE,0.0000,Count,0  \r\nTE,0.0000,Count,0  \r\nST,0.0000,Status,OK\r\nMM,!0.0000\r\n");
  Recorder().StopLogRecording();
}

TEST_F(LogRecorderTest, AStopBeforeTheFirstHandOverKeepsEveryLine) {
  Recorder().OnStartRecording();
  Receive(1, 1000);
  for (int i = 0; i < LogHandOverSeconds - 1; ++i) Recorder().SwapLogBuffers();
  EXPECT_FALSE(log.ThreadRunningFlag.load());
  Recorder().StopLogRecording();
  EXPECT_EQ(ReadFile(dir / "trace.csv"), Header() + Lines(1, 1000) + "\r\n" + Footer());
}

TEST_F(LogRecorderTest, HandOversWriteEveryLineInOrder) {
  log.FileType = ASC_FILE;
  log.FileName = "trace.asc";
  Recorder().OnStartRecording();
  std::string expected = Header();
  auto ascLines = [](uint32_t first, int n) {
    std::string t;
    for (int i = 0; i < n; ++i) {
      char line[128];
      std::snprintf(line, sizeof line, "   1.000000 1  %-16XRx   d 1 %02X\r\n", first + i, (first + i) & 0xFF);
      t += line;
    }
    return t;
  };
  for (int pass = 0; pass < 4; ++pass) {
    Receive(uint32_t(pass * 100000), 30000);
    expected += ascLines(uint32_t(pass * 100000), 30000);
    HandOver();
    EXPECT_EQ(log.NoOfMessages.load(), (pass + 1) * 30000);
    FinishWriter();
  }
  Receive(900000, 10);
  expected += ascLines(900000, 10);
  Recorder().StopLogRecording();
  EXPECT_EQ(ReadFile(dir / "trace.asc"), expected + "\r\n");  // ASC: no footer
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(LogRecorderTest, TheLineLimitEndsTheRecordingAtItsHandOver) {
  Recorder().OnStartRecording();
  log.NoOfMessages = MaxLogMessages - 5;
  Receive(1, 5);
  HandOver();
  EXPECT_EQ(log.State, NO_LOG);
  EXPECT_EQ(ReadFile(dir / "trace.csv"), Header() + Lines(1, 5) + "\r\n" + Footer());
  EXPECT_EQ(log.NoOfMessages.load(), MaxLogMessages);
  EXPECT_TRUE(dialogs.Boxes.empty());  // the message waits for the tick to return
  gui.RunPending();
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text,
            "Log recording stopped: the log file holds 2000000 lines, the most a log replay can take.");
}

// The file ends at the limit exactly, at a hand-over or at a stop, and the
// lines after it are counted for the user, never dropped in silence.
TEST_F(LogRecorderTest, TheFileEndsAtTheLineLimitExactlyAndTellsWhatCameAfter) {
  const struct {
    bool Stop;  // ended by the user's stop, else by the hand-over
    int Room, Received;
  } cases[] = {{false, 5, 8}, {true, 2, 4}, {true, 1, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Stop ? "stop" : "hand-over");
    dialogs.Boxes.clear();
    log.FileOverwrite = NO_PROMPT_OVERWRITE;
    Recorder().OnStartRecording();
    log.NoOfMessages = MaxLogMessages - c.Room;
    Receive(1, c.Received);
    if (c.Stop) Recorder().StopLogRecording();
    else HandOver();
    gui.RunPending();
    EXPECT_EQ(log.State, NO_LOG);
    EXPECT_EQ(log.NoOfMessages.load(), MaxLogMessages);
    EXPECT_EQ(ReadFile(dir / "trace.csv"), Header() + Lines(1, c.Room) + "\r\n" + Footer());
    const int beyond = c.Received - c.Room;
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Text,
              "Log recording stopped: the log file holds 2000000 lines, the most a log replay can take.\r\n\r\nThe " +
                  (beyond == 1 ? std::string("line") : std::to_string(beyond) + " lines") +
                  " after them were not recorded.");
  }
}

// A FIFO with nobody reading it would block the start of a recording.
TEST_F(LogRecorderTest, AFifoWithoutAReaderFailsAtOnce) {
  ASSERT_EQ(::mkfifo((dir / "trace.csv").c_str(), 0600), 0);
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  Recorder().OnStartRecording();
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Log file I/O error!"});
  EXPECT_FALSE(log.RecordRunningFlag.load());
}

// ---- Failures ------------------------------------------------------------------------------

TEST_F(LogRecorderTest, AnUnwritableDirectoryGivesAnIOErrorAndNoRecording) {
  log.DIR = "/proc/";
  log.FileName = "tarvo-cannot-create.csv";
  Recorder().OnStartRecording();
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Log file I/O error!"});
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Error);
  EXPECT_EQ(log.State, NO_LOG);
  EXPECT_FALSE(log.RecordRunningFlag.load());
  EXPECT_FALSE(log.FileOpenFlag.load());
  EXPECT_EQ(host.Calls.back(), "stopped");
}

TEST_F(LogRecorderTest, AFullDiskAtTheHeaderGivesAnIOError) {
  fs::create_symlink("/dev/full", dir / "trace.csv");
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  Recorder().OnStartRecording();
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Log file I/O error!"});
  EXPECT_EQ(log.State, NO_LOG);
  EXPECT_FALSE(log.FileOpenFlag.load());
}

// A file-size limit stands in for a disk that fills up during the recording.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST_F(LogRecorderTest, ADiskFullDuringAHandOverStopsTheRecordingAndCountsTheLostLines) {
  Recorder().OnStartRecording();
  const size_t header = Header().size();
  {
    FileSizeLimit limit(header + 1000);
    Receive(1, 5000);
    HandOver();
    FinishWriter();
  }
  EXPECT_EQ(log.State, NO_LOG);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Error);
  const std::string file = ReadFile(dir / "trace.csv");
  // Whole lines that reached the file stay; the message counts the others.
  const std::string written = file.substr(header, file.rfind("\r\n") + 2 - header);
  const int64_t kept = std::count(written.begin(), written.end(), '\n');
  EXPECT_EQ(written, Lines(1, int(kept)));
  const int64_t lost = 5000 - kept;
  EXPECT_GT(lost, 0);
  EXPECT_EQ(dialogs.Boxes[0].Text, "Log file I/O error!\r\n\r\nThe recording has stopped; " + std::to_string(lost) +
                                       " lines could not be written to the log file.");
}

TEST_F(LogRecorderTest, ADiskFullAtStopStillClosesFreesAndRestores) {
  Recorder().OnStartRecording();
  Receive(1, 2000);
  {
    FileSizeLimit limit(Header().size() + 100);
    Recorder().StopLogRecording();
  }
  const std::string file = ReadFile(dir / "trace.csv");
  const int64_t kept = std::count(file.begin() + long(Header().size()), file.end(), '\n');
  EXPECT_EQ(log.State, NO_LOG);
  EXPECT_FALSE(log.FileOpenFlag.load());
  EXPECT_FALSE(log.Buffer[0] || log.Buffer[1]);
  EXPECT_EQ(host.Calls.back(), "stopped");
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text,
            "Log file I/O error!\r\n\r\nThe recording has stopped; " + std::to_string(2000 - kept) +
                " lines could not be written to the log file.");
}

// A pipe read slowly stands in for a disk that cannot keep up: the writer
// blocks in its write until the reader takes the bytes.
class SlowReader {
 public:
  explicit SlowReader(const fs::path& fifo) {
    ::mkfifo(fifo.c_str(), 0600);
    fd_ = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  }
  void Start(std::chrono::milliseconds pause) {
    thread_ = std::thread([this, pause] {
      char chunk[16384];
      ::fcntl(fd_, F_SETFL, 0);
      for (;;) {
        std::this_thread::sleep_for(pause);
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n <= 0) break;
        text_.append(chunk, size_t(n));
      }
    });
  }
  // The whole text once the writer has closed the file.
  std::string Text() {
    thread_.join();
    ::close(fd_);
    return text_;
  }

 private:
  int fd_ = -1;
  std::thread thread_;
  std::string text_;
};

TEST_F(LogRecorderTest, AWriterStillBusyAtTheHandOverEndsTheRecordingWithItsFooter) {
  SlowReader reader(dir / "trace.csv");
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  Recorder().OnStartRecording();
  ASSERT_TRUE(log.RecordRunningFlag.load());
  Receive(1, 40000);  // about 1 MB: the pipe takes 64 KiB
  HandOver();
  reader.Start(std::chrono::milliseconds(40));
  Receive(100000, 3);
  HandOver();  // the writer is still busy: the recording ends here
  EXPECT_EQ(log.State, NO_LOG);
  const std::string file = reader.Text();
  const std::string warning = "Warning - Messages possibly lost due to forced termination.\r\n";
  const size_t at = file.find(warning);
  ASSERT_NE(at, std::string::npos);
  const std::string written = file.substr(Header().size(), at - Header().size());
  const int kept = int(std::count(written.begin(), written.end(), '\n'));
  EXPECT_LT(kept, 40000);
  EXPECT_EQ(file, Header() + Lines(1, kept) + warning + Lines(100000, 3) + "\r\n" + Footer());
  gui.RunPending();
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text,
            "Log recording stopped: the log file could not be written as fast as the messages arrived.\r\n\r\n"
            "Messages possibly lost due to forced termination: " +
                std::to_string(40000 - kept) + " lines could not be written to the log file.");
}

TEST_F(LogRecorderTest, AStopThatMustEndABusyWriterLeavesTheWarningLine) {
  SlowReader reader(dir / "trace.csv");
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  Recorder().OnStartRecording();
  Receive(1, 40000);
  HandOver();
  reader.Start(std::chrono::milliseconds(40));
  Receive(100000, 2);
  Recorder().StopLogRecording();
  const std::string file = reader.Text();
  const std::string warning = "Warning - Messages possibly lost due to forced termination.\r\n";
  const size_t at = file.find(warning);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(file.substr(at), warning + Lines(100000, 2) + "\r\n" + Footer());
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Warning);
  EXPECT_EQ(log.State, NO_LOG);
  EXPECT_FALSE(log.ThreadRunningFlag.load());
}

TEST_F(LogRecorderTest, ALateEndNotificationOfAnEarlierWriterChangesNothing) {
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  Recorder().OnStartRecording();
  Receive(1, 10);
  HandOver();
  Recorder().StopLogRecording();  // waits for the writer itself
  Recorder().OnStartRecording();
  Receive(1, 10);
  HandOver();
  gui.WaitAndRun();  // both notifications: the first one is stale
  FinishWriter();
  EXPECT_TRUE(log.RecordRunningFlag.load());
  Recorder().StopLogRecording();
  EXPECT_TRUE(dialogs.Boxes.empty());
}

}  // namespace
}  // namespace tarvo
