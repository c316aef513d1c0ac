#include "shell/qt/ReplayWiring.h"

#include <QLabel>
#include <QStatusBar>

#include "logging/HPTimer.h"
#include "logging/LogReplay.h"
#include "logging/qt/QtGuiThreadCalls.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/StatusPanels.h"

namespace tarvo::qt {

// What the replay asks of the program.
class ReplayWiring::Host : public ReplayHost {
 public:
  Host(TTarvoApp& app, MainWindow& window, std::function<uint32_t()> gap, std::function<void(bool)> options)
      : app_(app), window_(window), gap_(std::move(gap)), options_(std::move(options)) {}

  // From the replay thread too: each packet reaches the driver in one write.
  TResult SendCANMessage(const TTarvoCAN& m) override {
    return tarvo::SendCANMessage(app_.DeviceConnection, m.IDE, m.ID, m.RTR, m.DLC, m.Data, 0, 0);
  }
  TResult SendCANMessages(std::span<const TTarvoCAN> messages) override {
    return tarvo::SendCANMessages(app_.DeviceConnection, messages);
  }
  // A label at the right end of the status bar, beside the described panels.
  void ShowReplayProgress(const std::string& text) override {
    if (!progress_) {
      progress_ = new QLabel(window_.statusBar());
      progress_->setObjectName("ReplayProgress");
      window_.statusBar()->addPermanentWidget(progress_);
    }
    progress_->setText(QString::fromStdString(text));
    progress_->setVisible(!text.empty());
  }
  void StartDevice() override { app_.StartDevice(); }
  void StopDevice() override { app_.StopDevice(); }
  bool DeviceRunning() override { return app_.Run.RunningFlag; }
  void SetRunningControls(bool logChange) override { app_.SetRunningControls(logChange); }
  void SetStoppedControls(bool logChange) override { app_.SetStoppedControls(logChange); }
  void SetControlEnabled(const std::string& name, bool enabled) override { window_.SetControlEnabled(name, enabled); }
  void SetControlShortcut(const std::string& name, const std::string& shortcut) override {
    window_.SetControlShortcut(name, shortcut);
  }
  void AnimateLogIndicator(int first, int last, int intervalMs) override {
    window_.Status().Log()->Animate(first, last, intervalMs);
  }
  void StopLogIndicator() override { window_.Status().Log()->Stop(); }
  void DisplayReplayed(std::span<const TTarvoCAN> messages, uint32_t end, uint32_t& position) override {
    DisplayReplayMessages(app_.View, messages, end, position);
  }
  uint32_t ReplayMinimumGap() override { return gap_(); }
  void ShowLogOptions(bool saveFlag) override { options_(saveFlag); }

 private:
  TTarvoApp& app_;
  MainWindow& window_;
  std::function<uint32_t()> gap_;
  std::function<void(bool)> options_;
  QLabel* progress_ = nullptr;
};

ReplayWiring::ReplayWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, Clock& clock, TLog& log,
                           std::function<uint32_t()> replayMinimumGap, std::function<void(bool)> showLogOptions)
    : gui_(std::make_unique<QtGuiThreadCalls>()),
      host_(std::make_unique<Host>(app, window, std::move(replayMinimumGap), std::move(showLogOptions))) {
  log.HPTimerSupportedFlag = HPTimerInit(log.HPTimeCountsPerSecond);
  replay_ = std::make_unique<TLogReplay>(log, *host_, dialogs, clock, *gui_);
  window.SetHandler(TCommand::StartLogReplay, [this] {
    replay_->OnStartReplay();
  });
  window.SetHandler(TCommand::SingleStepLogReplay, [this] { replay_->OnSingleStep(); });
  window.SetHandler(TCommand::PauseLogReplay, [this] { replay_->OnPause(); });
}

ReplayWiring::~ReplayWiring() = default;

}  // namespace tarvo::qt
