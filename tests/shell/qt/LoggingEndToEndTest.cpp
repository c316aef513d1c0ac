// Recording end to end: the whole program on the simulated adapter's default
// bus, every record type on, one periodic transmit item. The message lines
// of the file must be exactly the frames the adapter delivered, in order and
// with their times, as the simulator's protocol trace lists them.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "EndToEndFixture.h"
#include "logging/LogRecorder.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "shell/qt/LogWiring.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/StatusPanels.h"
#include "shell/qt/TransmitWiring.h"
#include "transmit/TransmitList.h"

namespace tarvo::test {
namespace {

// One frame as the trace or a log line gives it.
struct Frame {
  bool Transmit = false;
  int IDE = 0, RTR = 0;
  uint32_t ID = 0;
  int DLC = 0;
  std::vector<int> Data;
  double Seconds = 0;  // from the file; the trace gives Ticks
  uint32_t Ticks = 0;
};

std::vector<Frame> TraceFrames(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  static const QRegularExpression can(
      R"( CAN (11|29)-bit( RTR)? ID=([0-9A-F]+) DLC=(\d)(?: DATA=([0-9A-F ]+))? BS=[0-9A-F]{2} TS=(\d+))");
  std::vector<Frame> frames;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QRegularExpressionMatch m = can.match(QString::fromUtf8(line));
    if (!m.hasMatch()) continue;
    Frame fr;
    fr.IDE = m.captured(1) == "29";
    fr.RTR = !m.captured(2).isEmpty();
    fr.ID = m.captured(3).toUInt(nullptr, 16);
    fr.DLC = m.captured(4).toInt();
    for (const QString& b : m.captured(5).split(' ', Qt::SkipEmptyParts)) fr.Data.push_back(b.toInt(nullptr, 16));
    fr.Ticks = m.captured(6).toUInt();
    frames.push_back(fr);
  }
  return frames;
}

std::vector<std::string> Split(const std::string& s, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(s);
  if (separator == ' ') {
    while (in >> field) fields.push_back(field);
  } else {
    while (std::getline(in, field, separator)) fields.push_back(field);
    if (!s.empty() && s.back() == separator) fields.push_back("");
  }
  return fields;
}

// The message lines (RD, RR, TD, TR) of a file in hexadecimal.
std::vector<Frame> FileFrames(const std::string& text, TLogFileType type) {
  std::vector<Frame> frames;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Frame fr;
    std::vector<std::string> f;
    if (type == ASC_FILE) {
      f = Split(line, ' ');
      if (f.size() < 6 || (f[3] != "Rx" && f[3] != "Tx")) continue;
      fr.Transmit = f[3] == "Tx";
      fr.Seconds = std::stod(f[0]);
      fr.IDE = f[2].back() == 'x';
      fr.ID = uint32_t(std::stoul(f[2], nullptr, 16));
      fr.RTR = f[4] == "r";
      fr.DLC = std::stoi(f[5]);
      for (size_t i = 6; i < f.size(); ++i) fr.Data.push_back(std::stoi(f[i], nullptr, 16));
    } else {
      // The data columns end before the optional ones.
      f = type == CSV_FILE ? Split(line, ',') : Split(line.substr(0, 68), ' ');
      static const QRegularExpression type("^[RT][DR](11|29)$");
      if (f.size() < 3 || !type.match(QString::fromStdString(f[0])).hasMatch()) continue;
      fr.Transmit = f[0][0] == 'T';
      fr.RTR = f[0][1] == 'R';
      fr.IDE = f[0].substr(2) == "29";
      fr.Seconds = std::stod(f[1][0] == '!' ? f[1].substr(1) : f[1]);
      fr.ID = uint32_t(std::stoul(f[2], nullptr, 16));
      for (size_t i = 3; i < f.size() && i < 11 && !f[i].empty(); ++i) {
        ++fr.DLC;
        if (!fr.RTR) fr.Data.push_back(std::stoi(f[i], nullptr, 16));
      }
    }
    frames.push_back(fr);
  }
  return frames;
}

std::vector<Frame> FileFramesChecked(const std::string& text, TLogFileType type) {
  try {
    return FileFrames(text, type);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unreadable line: " << e.what();
    return {};
  }
}

struct Recording {
  TLogFileType Type;
  const char* Name;
  uint32_t RunMs;
};

class LoggingEndToEndBase : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    StartProgram();
  }
};

class LoggingEndToEnd : public LoggingEndToEndBase, public ::testing::WithParamInterface<Recording> {};

using LoggingCommands = LoggingEndToEndBase;

// While a recording runs its commands change, and closing the window
// finishes the file.
TEST_F(LoggingCommands, ControlsWhileRecordingAndCloseFinishesTheFile) {
  TLog& log = Log();
  log.DIR = HomePath().toStdString() + "/";
  log.FileName = "closed.txt";
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  qt::MainWindow& w = Window();
  Trigger("StartLogRecording1");
  EXPECT_FALSE(w.Action("StartLogRecording1")->isEnabled());
  EXPECT_TRUE(w.Action("StartLogRecording1")->shortcut().isEmpty());
  EXPECT_TRUE(w.Action("StopLog1")->isEnabled());
  EXPECT_EQ(w.Action("StopLog1")->shortcut().toString(), "Ctrl+L");
  EXPECT_FALSE(w.Action("LogOptions1")->isEnabled());
  EXPECT_FALSE(w.Action("StartLogReplay1")->isEnabled());
  EXPECT_EQ(w.Status().Log()->Frame(), 1);
  EXPECT_EQ(w.Status().Log()->HintText().toStdString(), "Log Recording - " + log.DIR + "closed.txt");
  ASSERT_TRUE(WaitFor([&] { return w.Status().Log()->Frame() == 2; }, 2000));
  Trigger("Start1");
  ASSERT_TRUE(WaitFor([&] { return App().Run.TarvoTime >= 1500; }, 20000));
  w.close();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(log.State, NO_LOG);
  QFile file(QString::fromStdString(log.DIR + log.FileName));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("\r\nRD"));
  EXPECT_TRUE(text.endsWith("  Status OK\r\n" + QByteArray(67 + 11 + 13 + 13, '~') + "\r\n"));
}

TEST_P(LoggingEndToEnd, TheFileHoldsEveryFrameTheBusDelivered) {
  const Recording& r = GetParam();
  TLog& log = Log();
  log.DIR = HomePath().toStdString() + "/";
  log.FileName = std::string(r.Name);
  log.FileType = r.Type;
  log.FileOverwrite = NO_PROMPT_OVERWRITE;
  log.RecordMessageTypes = {true, true, true, true, true};
  TCANTransmit& list = shell_->Transmit().List();
  list.List[0] = TCANTransmitMessage{};
  list.List[0].EnabledFlag = true;
  list.List[0].ID = 0x555;
  list.List[0].DLC = 2;
  list.List[0].Data = {0xAB, 0xCD};
  list.List[0].PeriodIndex = 4;  // 100 ms
  list.Count = 1;

  // Recording first, so that the file sees the run from its first frame.
  Trigger("StartLogRecording1");
  ASSERT_TRUE(log.RecordRunningFlag.load());
  Trigger("Start1");
  ASSERT_TRUE(App().Run.RunningFlag);
  ASSERT_TRUE(WaitFor([&] { return App().Run.TarvoTime >= r.RunMs; }, int(r.RunMs) + 20000));
  Trigger("StopLog1");
  EXPECT_EQ(log.State, NO_LOG);
  Trigger("Stop1");
  EXPECT_FALSE(Window().Action("StopLog1")->isEnabled());
  EXPECT_TRUE(Window().Action("StartLogRecording1")->isEnabled());

  QFile file(QString::fromStdString(log.DIR + log.FileName));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const std::string text = file.readAll().toStdString();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), int64_t(QByteArray::fromStdString(text).count("\r\n")))
      << "every line ends in CR LF";
  if (r.Type == ASC_FILE) {
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
  } else {
    EXPECT_NE(text.find("\r\nKey\r\n"), std::string::npos);
    EXPECT_NE(text.find("BL = Bus Load\r\n"), std::string::npos);
    EXPECT_NE(text.find("RE = Receive Error Count\r\n"), std::string::npos);
    // Once a second: bus load and both error counters.
    EXPECT_GE(int(QByteArray::fromStdString(text).count("\r\nBL")), int(r.RunMs / 1000) - 2);
    EXPECT_GE(int(QByteArray::fromStdString(text).count("\r\nTE")), int(r.RunMs / 1000) - 2);
  }

  std::vector<Frame> received, sent;
  for (const Frame& f : FileFramesChecked(text, r.Type)) {
    if (f.Transmit)
      sent.push_back(f);
    else
      received.push_back(f);
  }
  const std::vector<Frame> bus = TraceFrames(trace_);
  // The adapter may have queued a few frames after the recording stopped.
  ASSERT_GE(bus.size(), received.size());
  EXPECT_LE(bus.size() - received.size(), 100u);
  EXPECT_GT(received.size(), size_t(r.RunMs) / 4);  // the default bus: about 400 frames a second
  for (size_t i = 0; i < received.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    const Frame& a = received[i];
    const Frame& b = bus[i];
    ASSERT_EQ(a.ID, b.ID);
    ASSERT_EQ(a.IDE, b.IDE);
    ASSERT_EQ(a.RTR, b.RTR);
    ASSERT_EQ(a.DLC, b.DLC);
    if (!a.RTR) {
      ASSERT_EQ(a.Data, b.Data);
    }
    ASSERT_NEAR(a.Seconds, b.Ticks / 39062.5, 0.00005 + 1e-9);
  }
  // The transmit item every 100 ms, at exact multiples of its period.
  ASSERT_GE(sent.size(), size_t(r.RunMs / 100 - 2));
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].ID, 0x555u);
    EXPECT_EQ(sent[i].Data, (std::vector<int>{0xAB, 0xCD}));
    EXPECT_NEAR(sent[i].Seconds, 0.1 * double(i + 1), 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, LoggingEndToEnd,
                         ::testing::Values(Recording{TXT_FILE, "run.txt", 10000}, Recording{CSV_FILE, "run.csv", 10000},
                                           Recording{ASC_FILE, "run.asc", 10000},
                                           // Stopped before the first hand-over.
                                           Recording{CSV_FILE, "short.csv", 3000}),
                         [](const auto& info) { return std::string(info.param.Name).substr(0, std::string(info.param.Name).find('.')) + "_" + std::to_string(int(info.param.Type)); });

}  // namespace
}  // namespace tarvo::test
