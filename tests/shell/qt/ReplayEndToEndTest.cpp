// Log replay end to end: the whole program on the simulated adapter of a bus
// with no other node, in loopback. A log file is named in the log record as
// the Log Options dialog would name it, and the Log menu's commands run as a
// user chooses them. What went onto the bus is read from the simulator's
// protocol trace (the SendCAN packets with the time the adapter took them);
// what the user sees is read from the CAN View store.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include <fstream>
#include <string>
#include <vector>

#include "EndToEndFixture.h"
#include "logging/LogTypes.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "shell/qt/LogWiring.h"
#include "shell/qt/MainWindow.h"

namespace tarvo::test {
namespace {

// One SendCAN packet of the trace: the identifier and the host time in seconds.
struct Sent {
  uint32_t ID;
  double Seconds;
};

class ReplayEndToEndTest : public EndToEndTest {
 protected:
  // A bus with no other node, in loopback.
  void SetUp() override {
    EndToEndTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    UseScenario(TARVO_SIM_SCENARIO_DIR "/quiet.scn");
    StartProgram();
    ASSERT_FALSE(HasFatalFailure());
    Window().ActivatePage(TPage::CANSetup);
    auto* loopback = Find<QRadioButton>("RadioButton14");
    ASSERT_NE(loopback, nullptr);
    loopback->click();
  }
  void TearDown() override {
    if (shell_ && Log().State != NO_LOG) Trigger("StopLog1");
    EndToEndTest::TearDown();
  }

  // A TXT log of received data frames with identifiers 0x100, 0x101, ...
  // gapMs apart, named in the log record.
  void UseLog(int count, double gapMs, bool continuous) {
    const std::string path = HomePath("replay.txt").toStdString();
    std::ofstream f(path, std::ios::binary);
    const std::string rule(67, '~');
    f << rule << "\r\nreplay - 09:04:05 08.12.2026 - Hexadecimal\r\n" << rule
      << "\r\n\r\nTYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8\r\n";
    char line[128];
    for (int i = 0; i < count; ++i) {
      std::snprintf(line, sizeof line, "RD11  %.4f       %X        %02X   A5  \r\n", 1.0 + i * gapMs / 1000.0,
                    0x100 + i, i & 0xFF);
      f << line;
    }
    f << "\r\n";
    f.close();
    Log().DIR = HomePath().toStdString() + "/";
    Log().FileName = "replay.txt";
    Log().FileType = TXT_FILE;
    Log().ReplayTypeFlag = continuous;
    Log().ReplayMessageTypes = {true, false};
    Log().FileLoadedFlag = false;
  }

  std::vector<Sent> TraceSends() {
    QFile f(trace_);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    static const QRegularExpression send(R"(^(\d+\.\d+) dev\d+ H>A SendCAN 11-bit ID=([0-9A-F]+) .*BUF=0 PERIOD=0)");
    std::vector<Sent> sends;
    for (const QByteArray& line : f.readAll().split('\n')) {
      const QRegularExpressionMatch m = send.match(QString::fromUtf8(line));
      if (m.hasMatch()) sends.push_back({m.captured(2).toUInt(nullptr, 16), m.captured(1).toDouble()});
    }
    return sends;
  }
  double TraceTimeOf(const QString& what) {
    QFile f(trace_);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    double last = -1;
    for (const QByteArray& line : f.readAll().split('\n'))
      if (QString::fromUtf8(line).contains(what)) last = line.split(' ')[0].toDouble();
    return last;
  }
  std::vector<uint32_t> ViewTransmitted() {
    std::vector<uint32_t> ids;
    const TCANView& v = App().View.CANView;
    for (int32_t i = 0; i < v.Count; ++i)
      if (v.List[size_t(i)].ItemType == ITEM_TD) ids.push_back(v.List[size_t(i)].Item.ID);
    return ids;
  }
};

TEST_F(ReplayEndToEndTest, ALogIsReplayedWithItsSpacingAndShownAsTransmitted) {
  UseLog(20, 15, false);
  Trigger("StartLogReplay1");
  EXPECT_EQ(Log().State, REPLAY_LOG_RUNNING);
  EXPECT_TRUE(App().Run.RunningFlag);
  EXPECT_TRUE(Window().Action("PauseLogReplay1")->isEnabled());
  EXPECT_FALSE(Window().Action("StartLogReplay1")->isEnabled());
  EXPECT_FALSE(Window().Action("Start1")->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return Log().State == NO_LOG; }, 10000));
  EXPECT_FALSE(App().Run.RunningFlag);
  EXPECT_TRUE(Window().Action("StartLogReplay1")->isEnabled());
  EXPECT_FALSE(Window().Action("StopLog1")->isEnabled());

  const std::vector<Sent> sends = TraceSends();
  ASSERT_EQ(sends.size(), 20u);
  for (size_t i = 0; i < sends.size(); ++i) EXPECT_EQ(sends[i].ID, 0x100 + i);
  // The recorded 15 ms: each message at its own offset from the first, never
  // early. The simulator notes a send when its write arrives, so a late note
  // of the first send makes the others look early by as much: one recorded
  // gap of slack for that, which still catches a replay that runs fast.
  for (size_t i = 1; i < sends.size(); ++i) {
    EXPECT_GE(sends[i].Seconds, sends[i - 1].Seconds) << i;
    EXPECT_GE(sends[i].Seconds - sends[0].Seconds, 0.015 * double(i - 1)) << i;
  }
  std::vector<uint32_t> expected;
  for (uint32_t i = 0; i < 20; ++i) expected.push_back(0x100 + i);
  EXPECT_EQ(ViewTransmitted(), expected);
}

// A dense log at 1 Mbit/s, a message every 0.25 ms (4,000 a second): every
// message reaches the adapter, in order, and the replay keeps the recorded
// duration. The bound allows for a busy machine's late wake-ups (tens of ms),
// far below the three quarters of a second a replay of one message per
// millisecond would add.
TEST_F(ReplayEndToEndTest, ADenseLogKeepsItsDurationAtAFullBitRate) {
  Find<QRadioButton>("RadioButton112")->click();  // "1M"
  UseLog(1000, 0.25, false);
  Trigger("StartLogReplay1");
  ASSERT_TRUE(WaitFor([&] { return Log().State == NO_LOG; }, 10000));
  const std::vector<Sent> sends = TraceSends();
  ASSERT_EQ(sends.size(), 1000u);
  for (size_t i = 0; i < sends.size(); ++i) ASSERT_EQ(sends[i].ID, 0x100 + i) << i;
  const double recorded = (Log().ReplayBuffer[999].TimeStamp - Log().ReplayBuffer[0].TimeStamp) * 0.0256 / 1000.0;
  const double took = sends.back().Seconds - sends.front().Seconds;
  EXPECT_GE(took, recorded - 0.001);
  EXPECT_LE(took, recorded + 0.100) << "recorded " << recorded << " s";
}

TEST_F(ReplayEndToEndTest, ASinglePassOfOneMessageStopsTheAdapter20MillisecondsLater) {
  UseLog(1, 0, false);
  Trigger("StartLogReplay1");
  ASSERT_TRUE(WaitFor([&] { return Log().State == NO_LOG; }, 10000));
  const std::vector<Sent> sends = TraceSends();
  ASSERT_EQ(sends.size(), 1u);
  const double stopped = TraceTimeOf("H>A SetRunState RUN=0");
  EXPECT_GE(stopped - sends[0].Seconds, 0.020);
  EXPECT_FALSE(App().Run.RunningFlag);
}

TEST_F(ReplayEndToEndTest, SingleStepsAcrossTheEndOfAContinuousPassWrapToMessageZero) {
  UseLog(3, 10, true);
  Trigger("Cyclic1");  // every step a row of its own
  for (int i = 0; i < 4; ++i) Trigger("SingleStepLogReplay1");
  EXPECT_EQ(Log().State, REPLAY_LOG_SINGLE_STEP);
  EXPECT_TRUE(App().Run.RunningFlag);
  QTest::qWait(50);  // a tick shows the last step
  std::vector<uint32_t> ids;
  for (const Sent& s : TraceSends()) ids.push_back(s.ID);
  EXPECT_EQ(ids, (std::vector<uint32_t>{0x100, 0x101, 0x102, 0x100}));
  EXPECT_EQ(ViewTransmitted(), (std::vector<uint32_t>{0x100, 0x101, 0x102, 0x100}));
  Trigger("StopLog1");
  EXPECT_EQ(Log().State, NO_LOG);
  EXPECT_FALSE(App().Run.RunningFlag);
}

TEST_F(ReplayEndToEndTest, PauseThenSingleStepThenStartContinuesAfterTheSteppedMessage) {
  UseLog(200, 5, true);
  Trigger("StartLogReplay1");
  ASSERT_TRUE(WaitFor([&] { return Log().MessageNo >= 5; }, 10000));
  Trigger("PauseLogReplay1");
  EXPECT_EQ(Log().State, REPLAY_LOG_PAUSED);
  EXPECT_TRUE(App().Run.RunningFlag);
  const size_t paused = TraceSends().size();
  Trigger("SingleStepLogReplay1");
  Trigger("StartLogReplay1");
  ASSERT_TRUE(WaitFor([&] { return TraceSends().size() >= paused + 3; }, 10000));
  Trigger("StopLog1");
  const std::vector<Sent> sends = TraceSends();
  ASSERT_GE(sends.size(), paused + 3);
  for (size_t i = 0; i < paused + 3; ++i) EXPECT_EQ(sends[i].ID, 0x100 + i) << i;
}

TEST_F(ReplayEndToEndTest, AnInvalidLogIsRefusedWithItsMessage) {
  UseLog(3, 10, false);
  std::ofstream(HomePath("replay.txt").toStdString(), std::ios::binary) << "not a log\r\n";
  MessageBoxAnswers answers;
  Trigger("StartLogReplay1");
  EXPECT_EQ(Log().State, NO_LOG);
  EXPECT_FALSE(App().Run.RunningFlag);
  EXPECT_TRUE(TraceSends().empty());
  EXPECT_EQ(answers.Texts, QStringList{"Log file format invalid.\r\n\r\nLine 1: header line 1 lacks ten \"~\"."});
}

}  // namespace
}  // namespace tarvo::test
