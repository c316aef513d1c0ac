#include "shell/qt/ApplicationShell.h"

#include <stdexcept>

#include "logio/LogReader.h"

#include "setup/CANSetupState.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/DatabaseWiring.h"
#include "shell/qt/LogWiring.h"
#include "logging/qt/LogOptionsDialog.h"
#include "shell/qt/ReplayWiring.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/OptionsWiring.h"
#include "shell/qt/PersistenceWiring.h"
#include "shell/qt/PlotWiring.h"
#include "shell/qt/SetupWiring.h"
#include "shell/qt/ShareWiring.h"
#include "shell/qt/StartupWiring.h"
#include "shell/qt/TransmitWiring.h"
#include "shell/qt/ViewWiring.h"

namespace tarvo::qt {

ApplicationShell::ApplicationShell() : window_(std::make_unique<MainWindow>()) {
  dialogs_ = std::make_unique<QtUserDialogs>(window_.get());
  app_ = std::make_unique<TTarvoApp>(clock_, *window_, folders_, RegionalDecimalSeparator());
  view_ = std::make_unique<ViewWiring>(*app_, *window_);
  setup_ = std::make_unique<SetupWiring>(*app_, *window_, *dialogs_, configModified_);
  plot_ = std::make_unique<PlotWiring>(*app_, *window_, *dialogs_);
  database_ = std::make_unique<DatabaseWiring>(*app_, *window_, *dialogs_, *plot_);
  transmit_ = std::make_unique<TransmitWiring>(*app_, *window_, *dialogs_, clock_,
                                               [this] { return setup_->ListenOnly(); }, configModified_);
  database_->AttachTransmit(transmit_->Panel(), transmit_->Editor());
  log_ = std::make_unique<LogWiring>(*app_, *window_, *dialogs_,
                                     [this] { return setup_->State().BitTiming.Values(); });
  transmit_->AddEcho(log_->Echo());
  replay_ = std::make_unique<ReplayWiring>(
      *app_, *window_, *dialogs_, clock_, log_->Log(), [this] { return setup_->State().BitTiming.ReplayMinimumGap; },
      [this](bool saveFlag) { log_->Options().ShowLogOptions(saveFlag); });
  log_->UseReplay(replay_->Replay());
  persistence_ = std::make_unique<PersistenceWiring>(*app_, *window_, *dialogs_, *setup_, *transmit_, configModified_);
  persistence_->UseLogRecord(log_->Log());
  persistence_->UseDatabase(*database_);
  persistence_->UsePlot(*plot_);
  options_ = std::make_unique<OptionsWiring>(*app_, *window_, *dialogs_, *setup_, *transmit_);
  startup_ = std::make_unique<StartupWiring>(*app_, *window_);
  share_ = std::make_unique<ShareWiring>(*app_, *window_, *dialogs_, setup_->State());
  BindCommands();
  RefuseUnboundCommands();
}

ApplicationShell::~ApplicationShell() = default;

void ApplicationShell::Start(const std::vector<std::string>& arguments) {
  // A log named on the command line (or handed over by a file manager)
  // opens in a log window; the first other argument is the configuration.
  std::vector<std::string> configuration, logs;
  for (const std::string& a : arguments) (IsLogFileName(a) ? logs : configuration).push_back(a);
  app_->Initialise(configuration);
  view_->Start();
  transmit_->LocateCANTransmit();
  window_->show();
  for (const std::string& log : logs) database_->OpenLog(log);
}

bool ApplicationShell::IsLogFileName(const std::string& path) {
  // The content decides: a .txt of notes stays a (refused) configuration.
  TByteSource source;
  std::string error;
  return LogFormatFromName(path) != LOG_FORMAT_UNKNOWN && source.Open(path, error) &&
         ProbeLogFormat(source.Head(), "") != LOG_FORMAT_UNKNOWN;
}

void ApplicationShell::BindCommands() {
  MainWindow& w = *window_;
  TTarvoApp& app = *app_;
  w.SetCloseHandler([&app] { return app.Close(); });
  w.SetHandler(TCommand::StartRun, [&app] { app.Start(); });
  w.SetHandler(TCommand::StartRunRxTx, [&app] { app.StartRxTx(); });
  w.SetHandler(TCommand::StopRun, [&app] { app.Stop(); });
  w.SetHandler(TCommand::Tick, [&app] { app.OnTick(); });
}

// A command without a handler would leave a menu item, key or tool button
// that does nothing; start-up stops with the commands' names instead.
void ApplicationShell::RefuseUnboundCommands() const {
  const std::vector<TCommand> unbound = window_->UnboundCommands();
  if (unbound.empty()) return;
  std::string names;
  for (TCommand command : unbound) names += std::string(names.empty() ? "" : ", ") + CommandName(command);
  throw std::logic_error("commands without a handler: " + names);
}

}  // namespace tarvo::qt
