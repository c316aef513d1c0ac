// The replay's commands, passes, steps, pause and stop over a recording host:
// the replay thread runs for real, the test thread plays the GUI thread (it
// runs posted calls and the tick's display while it waits).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "logging/HPTimer.h"
#include "logging/LogReplay.h"
#include "support/QueuedGuiCalls.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

using namespace std::chrono_literals;

// Real time; waiting runs the GUI thread's work: posted calls and, while a
// replay runs, the tick's display of what was sent.
class GuiClock : public Clock {
 public:
  test::QueuedGuiCalls& Gui;
  std::function<void()> Tick;
  explicit GuiClock(test::QueuedGuiCalls& gui) : Gui(gui) {}
  uint32_t TickCount() override {
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
  }
  void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  void WaitProcessingMessages(uint32_t ms) override {
    const uint32_t start = TickCount();
    do {
      Gui.RunPending();
      if (Tick) Tick();
      std::this_thread::sleep_for(200us);
    } while (TickCount() - start <= ms);
  }
};

class FakeHost : public ReplayHost {
 public:
  TLog& Log;
  explicit FakeHost(TLog& log) : Log(log) {}

  // Sends, as the messages' identifiers, with the counter at each send.
  std::mutex Mutex;
  std::vector<uint32_t> Sent;
  std::vector<int64_t> SentAt;
  int FailSendsFrom = -1;  // this send and all later ones fail
  std::vector<uint32_t> Displayed;
  bool FailStart = false;
  bool Running = false;
  int Starts = 0, Stops = 0;
  int64_t StoppedAt = 0;
  std::vector<std::pair<bool, TLogState>> StoppedControls;  // (logChange, state then)
  std::map<std::string, bool> Enabled;
  std::vector<std::pair<int, int>> Indicator;
  std::function<void()> OnShowLogOptions;

  TResult SendCANMessage(const TTarvoCAN& m) override {
    std::lock_guard<std::mutex> lock(Mutex);
    if (FailSendsFrom >= 0 && int(Sent.size()) >= FailSendsFrom) return RES_WRITE_FAILED;
    Sent.push_back(m.ID);
    SentAt.push_back(HPTimerCount());
    return RES_OK;
  }
  // A write of several messages; it takes WriteTime, as a USB link whose
  // every write waits for its frame does, and the first one FirstWriteTime
  // when that is set (a link that stalls once).
  std::chrono::microseconds WriteTime{0};
  std::chrono::microseconds FirstWriteTime{0};
  std::vector<size_t> Writes;  // messages in each write of the replay thread
  std::vector<std::string> Progress;
  // The replay's schedule as the first write found it: the counter at its
  // start and the time stamp that start stands for.
  int64_t ScheduleStart = 0;
  uint32_t ScheduleBase = 0;
  TResult SendCANMessages(std::span<const TTarvoCAN> messages) override {
    bool first = false;
    {
      std::lock_guard<std::mutex> lock(Mutex);
      first = Writes.empty();
      if (first) {
        ScheduleStart = Log.ReplayScheduleStart;
        ScheduleBase = Log.ReplayScheduleBase;
      }
      Writes.push_back(messages.size());
    }
    for (const TTarvoCAN& m : messages)
      if (const TResult r = SendCANMessage(m); r != RES_OK) return r;
    const auto time = first && FirstWriteTime.count() > 0 ? FirstWriteTime : WriteTime;
    if (time.count() > 0) std::this_thread::sleep_for(time);
    return RES_OK;
  }
  void ShowReplayProgress(const std::string& text) override { Progress.push_back(text); }
  std::vector<uint32_t> SentIds() {
    std::lock_guard<std::mutex> lock(Mutex);
    return Sent;
  }
  void StartDevice() override {
    ++Starts;
    Running = !FailStart;
  }
  void StopDevice() override {
    ++Stops;
    Running = false;
    StoppedAt = HPTimerCount();
  }
  bool DeviceRunning() override { return Running; }
  void SetRunningControls(bool) override {}
  void SetStoppedControls(bool logChange) override { StoppedControls.push_back({logChange, Log.State}); }
  void SetControlEnabled(const std::string& name, bool enabled) override { Enabled[name] = enabled; }
  void SetControlShortcut(const std::string&, const std::string&) override {}
  void AnimateLogIndicator(int first, int last, int) override { Indicator.push_back({first, last}); }
  void StopLogIndicator() override { Indicator.push_back({0, 0}); }
  void DisplayReplayed(std::span<const TTarvoCAN> messages, uint32_t end, uint32_t& position) override {
    for (; position < end && position < messages.size(); ++position) Displayed.push_back(messages[position].ID);
  }
  uint32_t MinimumGap = 39;
  uint32_t ReplayMinimumGap() override { return MinimumGap; }
  void ShowLogOptions(bool) override {
    if (OnShowLogOptions) OnShowLogOptions();
  }
};

class LogReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log.DIR = Dir.string() + "/";
    Log.FileName = "replay.txt";
    Log.FileType = TXT_FILE;
    Log.HPTimerSupportedFlag = HPTimerInit(Log.HPTimeCountsPerSecond);
    Clock.Tick = [this] {
      if (Log.ReplayRunningFlag) Replay.DisplayReplayMessage();
    };
    // The suite runs beside timing-sensitive tests of other parts: its
    // threads keep the ordinary priority.
    Replay.SetRaisePriority(false);
  }

  // A TXT log of count received messages with identifiers 0, 1, ... spaced gapMs apart.
  void WriteLog(int count, double gapMs, const std::string& name = "replay.txt") {
    std::ofstream f(Dir / name, std::ios::binary);
    const std::string rule(67, '~');
    f << rule << "\r\nreplay - 09:04:05 08.12.2026 - Hexadecimal\r\n" << rule
      << "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r\n";
    char line[128];
    for (int i = 0; i < count; ++i) {
      std::snprintf(line, sizeof line, "RD11  %.4f       %X          01  \r\n", 1.0 + i * gapMs / 1000.0, i);
      f << line;
    }
    f << "\r\n";
  }

  // How late each message of a single pass went, in ms, against its time on
  // the schedule: the schedule's start plus its recorded offset (25.6 us a
  // tick) from the first message. Never below 0: no message goes early.
  std::vector<double> LatenessMs() {
    std::vector<double> late;
    const int64_t frequency = Log.HPTimeCountsPerSecond;
    for (size_t i = 0; i < Host.SentAt.size(); ++i) {
      const uint32_t ticks = Log.ReplayBuffer[i].TimeStamp - Host.ScheduleBase;
      const int64_t due = Host.ScheduleStart + int64_t((unsigned __int128)ticks * uint64_t(frequency) * 2 / 78125u);
      late.push_back(double(Host.SentAt[i] - due) * 1000.0 / double(frequency));
    }
    return late;
  }
  // The least lateness, from message `from` on, of the messages that opened
  // a write: those the replay waited for (the others due by then go along,
  // on time however late the wait). A replay late by a constant or growing
  // amount is late on every one of them, a busy machine on some.
  double LeastWaitedFor(const std::vector<double>& late, size_t from) {
    double least = 1e9;
    size_t first = 0;
    for (size_t n : Host.Writes) {
      if (first >= from && first < late.size()) least = std::min(least, late[first]);
      first += n;
    }
    return least;
  }

  // Plays the GUI thread until done() or the time is up.
  bool PumpUntil(const std::function<bool()>& done, uint32_t ms = 3000) {
    const uint32_t start = Clock.TickCount();
    while (!done()) {
      if (Clock.TickCount() - start > ms) return false;
      Clock.WaitProcessingMessages(1);
    }
    return true;
  }

  test::TempFolder Folder{"tarvo-replay"};
  const std::filesystem::path Dir = Folder.Path();
  TLog Log;
  FakeHost Host{Log};
  test::ScriptedDialogs Dialogs;
  test::QueuedGuiCalls Gui;
  GuiClock Clock{Gui};
  TLogReplay Replay{Log, Host, Dialogs, Clock, Gui};
};

TEST_F(LogReplayTest, SinglePassOfOneMessageStopsTheAdapter20MillisecondsLater) {
  WriteLog(1, 0);
  Replay.OnStartReplay();
  EXPECT_EQ(Log.State, REPLAY_LOG_RUNNING);
  EXPECT_TRUE(Log.ReplayRunningFlag);
  ASSERT_TRUE(PumpUntil([&] { return Log.State == NO_LOG; }));
  EXPECT_EQ(Host.SentIds(), std::vector<uint32_t>{0});
  EXPECT_EQ(Host.Displayed, std::vector<uint32_t>{0});
  EXPECT_EQ(Host.Starts, 1);
  EXPECT_GE(Host.Stops, 1);
  EXPECT_GE(Host.StoppedAt - Host.SentAt[0], Log.HPTimeCountsPerSecond / 50);
  EXPECT_FALSE(Log.ReplayRunningFlag);
  EXPECT_TRUE(Log.FileLoadedFlag);
  ASSERT_FALSE(Host.StoppedControls.empty());
  EXPECT_EQ(Host.StoppedControls[0], std::make_pair(true, REPLAY_LOG_RUNNING));
  EXPECT_EQ(Host.Indicator.front(), std::make_pair(3, 4));
  EXPECT_EQ(Host.Indicator.back(), std::make_pair(0, 0));
}

TEST_F(LogReplayTest, ContinuousPassesRepeatTheFileAndShowEveryMessage) {
  WriteLog(5, 2);
  Log.ReplayTypeFlag = true;
  Replay.OnStartReplay();
  ASSERT_TRUE(PumpUntil([&] { return Host.SentIds().size() >= 13; }));
  Replay.OnPause();
  EXPECT_EQ(Log.State, REPLAY_LOG_PAUSED);
  EXPECT_TRUE(Host.Running);  // the adapter keeps running
  Replay.DisplayReplayMessage();
  const std::vector<uint32_t> sent = Host.SentIds();
  for (size_t i = 0; i < sent.size(); ++i) ASSERT_EQ(sent[i], i % 5) << i;
  EXPECT_EQ(Host.Displayed, sent);
  EXPECT_FALSE(Host.Enabled["PauseLogReplay1"]);
  EXPECT_TRUE(Host.Enabled["SingleStepLogReplay1"]);
  EXPECT_TRUE(Host.Enabled["StopLog1"]);
  EXPECT_EQ(Host.Indicator.back(), std::make_pair(5, 6));
}

TEST_F(LogReplayTest, SingleStepsAcrossTheEndOfAContinuousPassWrapToMessageZero) {
  WriteLog(3, 10);
  Log.ReplayTypeFlag = true;
  for (int i = 0; i < 4; ++i) Replay.OnSingleStep();
  EXPECT_EQ(Host.SentIds(), (std::vector<uint32_t>{0, 1, 2, 0}));
  EXPECT_EQ(Log.State, REPLAY_LOG_SINGLE_STEP);
  EXPECT_EQ(Log.MessageNo, 1);
  Replay.DisplayReplayMessage();
  // The last message of the pass was shown before the indices restarted.
  EXPECT_EQ(Host.Displayed, (std::vector<uint32_t>{0, 1, 2, 0}));
  EXPECT_EQ(Host.Indicator.back(), std::make_pair(5, 6));
}

TEST_F(LogReplayTest, SingleStepsOfASinglePassStopAfterTheLastMessage) {
  WriteLog(2, 10);
  Replay.OnSingleStep();
  Replay.OnSingleStep();
  EXPECT_EQ(Host.SentIds(), (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(Log.State, NO_LOG);
  EXPECT_FALSE(Log.ReplayRunningFlag);
  EXPECT_EQ(Host.Stops, 1);
}

TEST_F(LogReplayTest, PauseThenSingleStepThenStartContinuesAfterTheSteppedMessage) {
  WriteLog(200, 3);
  Log.ReplayTypeFlag = true;
  Replay.OnStartReplay();
  ASSERT_TRUE(PumpUntil([&] { return Host.SentIds().size() >= 5; }));
  Replay.OnPause();
  const size_t paused = Host.SentIds().size();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Host.SentIds().size(), paused);  // nothing is sent while paused
  Replay.OnSingleStep();
  EXPECT_EQ(Log.State, REPLAY_LOG_SINGLE_STEP);
  ASSERT_EQ(Host.SentIds().size(), paused + 1);
  EXPECT_EQ(Host.SentIds().back(), paused);
  Replay.OnStartReplay();
  EXPECT_EQ(Log.State, REPLAY_LOG_RUNNING);
  EXPECT_TRUE(Host.Enabled["PauseLogReplay1"]);
  EXPECT_FALSE(Host.Enabled["StartLogReplay1"]);
  ASSERT_TRUE(PumpUntil([&] { return Host.SentIds().size() >= paused + 3; }));
  const std::vector<uint32_t> sent = Host.SentIds();
  EXPECT_EQ(sent[paused + 1], paused + 1);
  EXPECT_EQ(Host.Starts, 1);  // resuming does not restart the adapter
  Replay.StopLogReplay();
  EXPECT_EQ(Log.State, NO_LOG);
}

// Stop while the thread runs: the end notification runs the stop inside the
// outer one's wait; the outer run then only stops the adapter once more.
TEST_F(LogReplayTest, StopEnteredTwiceCompletesOnce) {
  WriteLog(1000, 1);
  Log.ReplayTypeFlag = true;
  Replay.OnStartReplay();
  ASSERT_TRUE(PumpUntil([&] { return Host.SentIds().size() >= 3; }));
  Replay.StopLogReplay();
  EXPECT_EQ(Log.State, NO_LOG);
  EXPECT_FALSE(Log.ReplayRunningFlag);
  EXPECT_FALSE(Log.ThreadRunningFlag);
  EXPECT_EQ(Host.Stops, 2);
  ASSERT_EQ(Host.StoppedControls.size(), 2u);
  EXPECT_EQ(Host.StoppedControls[0].second, REPLAY_LOG_RUNNING);
  EXPECT_EQ(Host.StoppedControls[1].second, NO_LOG);
  const size_t sent = Host.SentIds().size();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Host.SentIds().size(), sent);
}

TEST_F(LogReplayTest, AFailedSendEndsTheRun) {
  WriteLog(10, 1);
  Log.ReplayTypeFlag = true;
  Host.FailSendsFrom = 3;
  Replay.OnStartReplay();
  ASSERT_TRUE(PumpUntil([&] { return Log.State == NO_LOG; }));
  EXPECT_EQ(Host.SentIds().size(), 3u);
  EXPECT_TRUE(Dialogs.Texts().empty());
}

TEST_F(LogReplayTest, AFailedSingleStepIsSentAgainAtTheNextStep) {
  WriteLog(3, 1);
  Host.FailSendsFrom = 0;
  Replay.OnSingleStep();
  EXPECT_EQ(Log.MessageNo, 0);
  Host.FailSendsFrom = -1;
  Replay.OnSingleStep();
  EXPECT_EQ(Host.SentIds(), std::vector<uint32_t>{0});
}

TEST_F(LogReplayTest, FailuresBeforeTheStart) {
  struct Case {
    const char* Name;
    std::string Bytes;  // empty: no file
    TDialogResult Answer;
    std::vector<std::string> Texts;
  };
  const std::string rule(67, '~');
  const std::string header = rule + "\r\nx - Hexadecimal\r\n" + rule + "\r\n\r\nTYPE  ___TIME____  ___ID__\r\n";
  const std::vector<Case> cases = {
      {"no file, Cancel", "", TDialogResult::Cancel, {"Please select a log file to replay."}},
      {"no file, OK, still none", "", TDialogResult::OK, {"Please select a log file to replay."}},
      // One box: the described text, then the reader's reason and its line.
      {"damaged header", "garbage\r\n", TDialogResult::OK,
       {"Log file format invalid.\r\n\r\nLine 1: header line 1 lacks ten \"~\"."}},
      {"lower-case identifier", header + "RD11  1.0000       7ff        01  \r\n", TDialogResult::OK,
       {"Log file format invalid.\r\n\r\nLine 6: identifier not valid."}},
      {"time beyond the time stamps", header + "RD11  999999.0000  7FF        01  \r\n", TDialogResult::OK,
       {"Log file error!\r\n\r\nLine 6: time outside the adapter's 32-bit time stamps."}},

  };
  for (const Case& c : cases) {
    std::filesystem::remove(Dir / "replay.txt");
    if (!c.Bytes.empty()) std::ofstream(Dir / "replay.txt", std::ios::binary) << c.Bytes;
    Dialogs.Boxes.clear();
    Dialogs.Answers = {c.Answer};
    Host.Starts = 0;
    Replay.OnStartReplay();
    EXPECT_EQ(Dialogs.Texts(), c.Texts) << c.Name;
    EXPECT_EQ(Log.State, NO_LOG) << c.Name;
    EXPECT_EQ(Host.Starts, 0) << c.Name;
    EXPECT_FALSE(Log.FileLoadedFlag) << c.Name;
    EXPECT_TRUE(Host.SentIds().empty()) << c.Name;
  }
}

TEST_F(LogReplayTest, TheLogOptionsNamingAFileStartTheReplay) {
  WriteLog(1, 0, "chosen.txt");
  Log.FileName = "none.txt";
  Host.OnShowLogOptions = [&] { Log.FileName = "chosen.txt"; };
  Replay.OnSingleStep();
  EXPECT_EQ(Dialogs.Texts(), std::vector<std::string>{"Please select a log file to replay."});
  EXPECT_EQ(Host.SentIds(), std::vector<uint32_t>{0});
}

TEST_F(LogReplayTest, AnAdapterThatDoesNotStartGetsNoReplay) {
  WriteLog(3, 1);
  Host.FailStart = true;
  Replay.OnStartReplay();
  EXPECT_EQ(Log.State, NO_LOG);
  EXPECT_FALSE(Log.ReplayRunningFlag);
  EXPECT_FALSE(Log.ThreadRunningFlag);
  std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(Host.SentIds().empty());
}

TEST_F(LogReplayTest, AFileWithoutMessagesOfTheChosenDirectionsEndsAtOnce) {
  WriteLog(3, 1);
  Log.ReplayMessageTypes = {false, true};  // only transmitted lines; the file has none
  Replay.OnSingleStep();
  EXPECT_EQ(Log.State, NO_LOG);
  EXPECT_TRUE(Host.SentIds().empty());
  Replay.OnStartReplay();
  ASSERT_TRUE(PumpUntil([&] { return Log.State == NO_LOG; }));
  EXPECT_TRUE(Host.SentIds().empty());
}

TEST_F(LogReplayTest, ASecondStartReusesTheParsedFileUntilTheOptionsChange) {
  WriteLog(2, 1);
  Replay.OnSingleStep();
  Replay.OnSingleStep();
  ASSERT_EQ(Log.State, NO_LOG);
  WriteLog(1, 1);  // changed on disk, but the parse is kept while FileLoadedFlag is set
  Replay.OnSingleStep();
  EXPECT_EQ(Log.NoOfMessages, 2);
  Replay.StopLogReplay();
  Log.FileLoadedFlag = false;
  Replay.OnSingleStep();
  EXPECT_EQ(Log.NoOfMessages, 1);
}

TEST_F(LogReplayTest, RecordedSpacingIsKept) {
  WriteLog(20, 10);
  Replay.OnStartReplay();
  ASSERT_TRUE(PumpUntil([&] { return Log.State == NO_LOG; }));
  ASSERT_EQ(Host.SentAt.size(), 20u);
  // Against the schedule both ways. No message before its time: a replay
  // that ignored the timing or ran fast fails. And on time: the least
  // lateness of those waited for in the second half within half a recorded
  // gap, so a replay that runs late (a gap behind, a slow clock) fails,
  // while a late wake-up or a few on a busy machine do not. How late single
  // sends are is the benchmark's business.
  const std::vector<double> late = LatenessMs();
  for (size_t i = 0; i < late.size(); ++i) EXPECT_GE(late[i], 0.0) << i;
  EXPECT_LT(LeastWaitedFor(late, 10), 5.0);
}

// A link that stalls on its first write for 100 ms, with a message due
// every millisecond: the overdue ones go at once, at most the cap in one
// write (the first of them a full one), and the messages after the
// catch-up go at their own times from the start of the schedule, not a
// stall later, as they would if each wait counted from the previous send.
TEST_F(LogReplayTest, AfterAStallTheReplayCatchesUpInCappedWritesAndKeepsItsSchedule) {
  WriteLog(200, 1);
  Host.MinimumGap = 1;
  Host.FirstWriteTime = std::chrono::milliseconds(100);
  Replay.OnStartReplay();
  ASSERT_TRUE(PumpUntil([&] { return Log.State == NO_LOG; }, 5000));
  std::vector<uint32_t> expected(200);
  for (uint32_t i = 0; i < 200; ++i) expected[i] = i;
  ASSERT_EQ(Host.SentIds(), expected);
  ASSERT_GE(Host.Writes.size(), 2u);
  EXPECT_EQ(Host.Writes[1], size_t(ReplayMessagesPerWrite));
  EXPECT_EQ(*std::max_element(Host.Writes.begin(), Host.Writes.end()), size_t(ReplayMessagesPerWrite));
  const std::vector<double> late = LatenessMs();
  for (size_t i = 0; i < late.size(); ++i) EXPECT_GE(late[i], 0.0) << i;
  EXPECT_GE(late[1], 90.0);  // the stall
  EXPECT_LT(LeastWaitedFor(late, 150), 20.0);
}

// A link where every write takes a millisecond (one USB frame): messages
// 0.25 ms apart go out together, so the replay keeps the log's duration
// instead of stretching it to one message a millisecond; 20 ms apart, each
// goes alone at its time. Lateness is measured against the schedule; its
// bound is generous for a busy machine, and still far below the 300 ms a
// stretched replay would lose.
TEST_F(LogReplayTest, ASlowLinkGetsMessagesDueTogetherInOneWrite) {
  const struct {
    int Count;
    double GapMs;
    bool Batched;
  } cases[] = {{400, 0.25, true}, {10, 20, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.GapMs) + " ms apart");
    Host.Sent.clear();
    Host.SentAt.clear();
    Host.Writes.clear();
    Host.WriteTime = std::chrono::milliseconds(1);
    Host.MinimumGap = 1;  // as at 1 Mbit/s: the log's own spacing is kept
    Log.FileLoadedFlag = false;
    WriteLog(c.Count, c.GapMs);
    Replay.OnStartReplay();
    ASSERT_TRUE(PumpUntil([&] { return Log.State == NO_LOG; }, 5000));
    std::vector<uint32_t> expected(size_t(c.Count));
    for (int i = 0; i < c.Count; ++i) expected[size_t(i)] = uint32_t(i);
    ASSERT_EQ(Host.SentIds(), expected) << "every message, in order";
    // Against the schedule: none early, and the last quarter on time but for
    // a busy machine's late wake-ups (the least of those waited for), where
    // a stretched replay has them all hundreds of ms late.
    const std::vector<double> late = LatenessMs();
    for (size_t i = 0; i < late.size(); ++i) EXPECT_GE(late[i], 0.0) << i;
    EXPECT_LT(LeastWaitedFor(late, size_t(c.Count) * 3 / 4), 25.0);
    if (c.Batched) EXPECT_LT(Host.Writes.size(), size_t(c.Count) / 2);
    else EXPECT_EQ(Host.Writes, std::vector<size_t>(size_t(c.Count), 1));
  }
}

// A replay that falls behind its log says so while it is behind, and keeps
// the largest lag of its pass for after it.
TEST_F(LogReplayTest, ALateReplaySaysHowFarBehindItIs) {
  WriteLog(3, 10);
  Host.WriteTime = std::chrono::milliseconds(40);  // the first write stalls the link
  Replay.OnStartReplay();
  ASSERT_TRUE(PumpUntil([&] { return Log.State == NO_LOG; }, 5000));
  bool toldBehind = false;
  for (const std::string& text : Host.Progress) toldBehind |= text.find("Replay behind by") != std::string::npos;
  EXPECT_TRUE(toldBehind);
  ASSERT_FALSE(Host.Progress.empty());
  EXPECT_TRUE(Host.Progress.back().starts_with("Last replay was behind its log by up to ")) << Host.Progress.back();
  EXPECT_GE(double(Log.ReplayMaxLagCounts.load()) * 1000.0 / double(Log.HPTimeCountsPerSecond), 25.0);
}

// Progress: messages sent of all, and log time reached of the whole.
TEST_F(LogReplayTest, ProgressCountsMessagesAndLogTime) {
  WriteLog(5, 250);
  Replay.OnSingleStep();
  Replay.OnSingleStep();
  EXPECT_EQ(Replay.ProgressText(), "Replay 2 of 5, 0.25 of 1.00 s");
  Replay.StopLogReplay();
  EXPECT_EQ(Replay.ProgressText(), "");
}

// A log denser than the adapter's minimum gap is spaced out: the replay
// takes longer than the log, and says so.
TEST_F(LogReplayTest, ALogSpacedOutToTheMinimumGapSaysSo) {
  WriteLog(11, 0.5);  // 5 ms of log; the fake adapter's gap is 39 ticks (1 ms)
  Replay.OnSingleStep();
  EXPECT_EQ(Log.ReplaySpacedOut, 10);
  EXPECT_EQ(Replay.ProgressText(), "Replay 1 of 11, 0.00 of 0.01 s (0.01 s of log spaced out to the minimum gap)");
  Replay.StopLogReplay();
}

// The replay object goes while its thread sends: the thread ends first.
TEST(LogReplayLifetime, DestroyedWhileRunning) {
  test::TempFolder folder("tarvo-replay-life");
  const std::filesystem::path dir = folder.Path();
  {
    std::ofstream f(dir / "r.csv", std::ios::binary);
    f << std::string(95, '~') << "\r\nx - Hexadecimal\r\n" << std::string(95, '~') << "\r\n\r\nTYPE,TIME,ID\r\n";
    for (int i = 0; i < 1000; ++i) f << "RD11," << i << ".0,1,1\r\n";
  }
  TLog log;
  log.DIR = dir.string() + "/";
  log.FileName = "r.csv";
  log.FileType = CSV_FILE;
  log.HPTimerSupportedFlag = HPTimerInit(log.HPTimeCountsPerSecond);
  FakeHost host(log);
  test::ScriptedDialogs dialogs;
  test::QueuedGuiCalls gui;
  GuiClock clock(gui);
  {
    TLogReplay replay(log, host, dialogs, clock, gui);
    replay.OnStartReplay();
    // The first message goes at once, the next a second later: the replay
    // goes between the two.
    const auto limit = std::chrono::steady_clock::now() + 5s;
    while (host.SentIds().empty() && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(1ms);
  }
  gui.RunPending();  // a late end notification finds no replay and does nothing
  EXPECT_EQ(host.SentIds().size(), 1u);
}

}  // namespace
}  // namespace tarvo
