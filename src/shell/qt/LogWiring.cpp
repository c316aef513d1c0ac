#include "shell/qt/LogWiring.h"

#include <QDateTime>
#include <QLocale>

#include "logging/LogRecorder.h"
#include "logging/LogReplay.h"
#include "logging/qt/LogOptionsDialog.h"
#include "logging/qt/QtGuiThreadCalls.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/QtPlatform.h"
#include "shell/qt/StatusPanels.h"
#include "transmit/TransmitSeams.h"

namespace tarvo::qt {

namespace {

// "ddd mmm dd h:n:s yyyy" with the regional day and month names.
std::string AscDate(const QLocale& locale, const QDateTime& now) {
  const QDate d = now.date();
  const QTime t = now.time();
  return QString("%1 %2 %3 %4:%5:%6 %7")
      .arg(locale.dayName(d.dayOfWeek(), QLocale::ShortFormat), locale.monthName(d.month(), QLocale::ShortFormat))
      .arg(d.day(), 2, 10, QChar('0'))
      .arg(t.hour())
      .arg(t.minute())
      .arg(t.second())
      .arg(d.year(), 4, 10, QChar('0'))
      .toStdString();
}

}  // namespace

// What the recorder reads from the program and asks of the window.
class LogWiring::Host : public LogRecorderHost {
 public:
  Host(TTarvoApp& app, MainWindow& window, std::function<TBitTimingValues()> bitTiming,
       std::function<void(bool)> showOptions)
      : app_(app), window_(window), bitTiming_(std::move(bitTiming)), showOptions_(std::move(showOptions)) {}

  const TDisplaySettings& Display() override { return app_.Display; }
  const TDeviceStatus& DeviceStatus() override { return app_.DeviceStatus; }
  uint8_t LatestStatusCode() override { return app_.Run.LastStatusCode; }
  bool BusLoadValid() override { return app_.Run.BusLoadValidFlag; }
  bool TxDisplayEnabled() override { return app_.View.TxDisplayEnabledFlag; }
  TLogFooterInfo FooterInfo() override {
    TLogFooterInfo info;
    if (bitTiming_) {
      const TBitTimingValues v = bitTiming_();
      info.BRP = uint8_t(v.BRP);
      info.PROPSEG = uint8_t(v.PROPSEG);
      info.PHSEG1 = uint8_t(v.PHSEG1);
      info.PHSEG2 = uint8_t(v.PHSEG2);
    }
    info.CANClock40MHzFlag = app_.CANClock40MHzFlag;
    info.BusLoadSupportedFlag = app_.BusLoadSupportedFlag;
    info.TarvoInternalStatus = app_.Identity.TarvoInternalStatus;
    return info;
  }
  TLogHeaderClock HeaderClock() override {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return {RegionalLongTimeNow(),
            locale.toString(now.date(), QLocale::ShortFormat).toStdString(), AscDate(locale, now)};
  }
  void SetRunningControls() override { app_.SetRunningControls(true); }
  void SetStoppedControls() override { app_.SetStoppedControls(true); }
  void AnimateLogIndicator(int first, int last, int intervalMs) override {
    window_.Status().Log()->Animate(first, last, intervalMs);
  }
  void StopLogIndicator() override { window_.Status().Log()->Stop(); }
  void ShowLogOptions(bool saveFlag) override { showOptions_(saveFlag); }

 private:
  TTarvoApp& app_;
  MainWindow& window_;
  std::function<TBitTimingValues()> bitTiming_;
  std::function<void(bool)> showOptions_;
};

// The run control's and the update tick's view of logging.
class LogWiring::Port : public LogPort {
 public:
  Port(TLog& log, TLogRecorder& recorder) : log_(log), recorder_(recorder) {}

  TLogState State() override { return log_.State; }
  bool RecordRunning() override { return log_.RecordRunningFlag.load(); }
  bool ReplayRunning() override { return log_.ReplayRunningFlag.load(); }
  bool HPTimerSupported() override { return log_.HPTimerSupportedFlag; }
  bool Records(TRecordType type) override { return log_.RecordMessageTypes[size_t(type)]; }
  void SetTarvoDescription(const std::string& description) override { log_.TarvoDescription = description; }
  void SetLogDirectory(const std::string& dir) override { log_.DIR = dir; }
  void SwapLogBuffers() override { recorder_.SwapLogBuffers(); }
  void LogMessageMissing() override { recorder_.LogMessageMissing(); }
  void LogStatus(uint8_t) override { recorder_.LogStatus(); }
  void LogErrorCounters() override { recorder_.LogErrorCounters(); }
  void LogBusLoad() override { recorder_.LogBusLoad(); }
  void DisplayReplayMessages() override {
    if (replay_) replay_->DisplayReplayMessage();
  }
  void EndLogging() override {
    if (log_.RecordRunningFlag.load()) recorder_.StopLogRecording();
    else if (log_.ReplayRunningFlag.load() && replay_) replay_->StopLogReplay();
  }
  TLogReplay* replay_ = nullptr;

 private:
  TLog& log_;
  TLogRecorder& recorder_;
};

class LogWiring::Echoes : public TransmitEcho {
 public:
  explicit Echoes(TLogRecorder& recorder) : recorder_(recorder) {}
  void EchoTransmitMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8],
                           uint32_t timeMs) override {
    recorder_.LogTransmitMessage(ide, id, rtr, dlc, data, timeMs);
  }

 private:
  TLogRecorder& recorder_;
};

LogWiring::LogWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs,
                     std::function<TBitTimingValues()> bitTiming)
    : app_(app), window_(window), log_(std::make_unique<TLog>()), gui_(std::make_unique<QtGuiThreadCalls>()) {
  // The program's clock is std::chrono::steady_clock: a high-resolution
  // counter is always there.
  log_->HPTimerSupportedFlag = true;
  log_->HPTimeCountsPerSecond = 1000000000;
  TLog& log = *log_;
  options_ = new LogOptionsDialog(log, dialogs, [&app] { return app.BusLoadSupportedFlag; }, window.ScalingFactor(),
                                  &window);
  host_ = std::make_unique<Host>(app, window, std::move(bitTiming),
                                 [this](bool saveFlag) { options_->ShowLogOptions(saveFlag); });
  recorder_ = std::make_unique<TLogRecorder>(log, *host_, dialogs, *gui_);
  port_ = std::make_unique<Port>(log, *recorder_);
  echo_ = std::make_unique<Echoes>(*recorder_);
  app.UseLog(*port_);
  app.View.LogSink = recorder_.get();
  window.Status().Log()->SetHintSource([&log] {
    const std::string suffix = log.FileName.empty() ? std::string() : " - " + log.DIR + log.FileName;
    if (log.RecordRunningFlag.load()) return "Log Recording" + suffix;
    if (log.State == REPLAY_LOG_RUNNING) return "Log Replaying" + suffix;
    if (log.State == REPLAY_LOG_SINGLE_STEP || log.State == REPLAY_LOG_PAUSED) return "Log Replay Paused" + suffix;
    return "Log Stopped" + suffix;
  });
  BindHandlers();
}

// The recorder finishes an open recording; the view stops handing it events.
LogWiring::~LogWiring() {
  app_.View.LogSink = nullptr;
  recorder_.reset();
}

TransmitEcho& LogWiring::Echo() { return *echo_; }

void LogWiring::BindHandlers() {
  window_.SetHandler(TCommand::StartLogRecording, [this] { recorder_->OnStartRecording(); });
  window_.SetHandler(TCommand::StopLog, [this] { StopLog(); });
  window_.SetHandler(TCommand::LogOptions, [this] { EditLogOptions(); });
}

void LogWiring::StopLog() {
  if (log_->RecordRunningFlag.load()) recorder_->StopLogRecording();
  else if (log_->ReplayRunningFlag.load() && replay_) replay_->StopLogReplay();
}

void LogWiring::UseReplay(TLogReplay& replay) {
  replay_ = &replay;
  port_->replay_ = &replay;
}

void LogWiring::EditLogOptions() {
  window_.HideConversionBalloon();
  options_->ShowLogOptions(false);
}

}  // namespace tarvo::qt
