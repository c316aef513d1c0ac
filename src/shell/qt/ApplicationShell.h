#pragma once
// The program put together: the main window, the application object with
// the program's records and the shell logic, one wiring per subsystem, and
// the Qt platform services. The run commands (start, stop, the tick, close)
// are bound here; each wiring binds the commands of its subsystem, and
// start-up stops when a command has no handler.
#include <memory>
#include <string>
#include <vector>

#include "shell/qt/QtPlatform.h"

namespace tarvo {
class TTarvoApp;
}  // namespace tarvo

namespace tarvo::qt {

class DatabaseWiring;
class LogWiring;
class ReplayWiring;
class MainWindow;
class OptionsWiring;
class PersistenceWiring;
class PlotWiring;
class SetupWiring;
class ShareWiring;
class StartupWiring;
class TransmitWiring;
class ViewWiring;

class ApplicationShell {
 public:
  ApplicationShell();
  ~ApplicationShell();
  ApplicationShell(const ApplicationShell&) = delete;
  ApplicationShell& operator=(const ApplicationShell&) = delete;

  // Directories, settings, driver, adapter choice and identification, first
  // page; then the window shows. arguments excludes the program name.
  void Start(const std::vector<std::string>& arguments);
  // A log the program opens in a log window: a log's name (.txt, .csv,
  // .asc, .log, .blf, .trc) and a log's content; any other argument is a
  // configuration file.
  static bool IsLogFileName(const std::string& path);

  MainWindow& Window() { return *window_; }
  TTarvoApp& App() { return *app_; }
  UserDialogs& Dialogs() { return *dialogs_; }
  DatabaseWiring& Database() { return *database_; }
  PlotWiring& SignalPlot() { return *plot_; }
  PersistenceWiring& Persistence() { return *persistence_; }
  OptionsWiring& Options() { return *options_; }
  StartupWiring& Startup() { return *startup_; }
  SetupWiring& Setup() { return *setup_; }
  TransmitWiring& Transmit() { return *transmit_; }
  bool& ConfigModifiedFlag() { return configModified_; }
  LogWiring& Logging() { return *log_; }
  ReplayWiring& Replay() { return *replay_; }
  ShareWiring& Share() { return *share_; }

 private:
  void BindCommands();
  // Throws std::logic_error naming every command the window has no handler for.
  void RefuseUnboundCommands() const;

  QtClock clock_;
  QtKnownFolders folders_;
  // ConfigModifiedFlag: the set-up changed since it was loaded or saved.
  bool configModified_ = false;
  std::unique_ptr<QtUserDialogs> dialogs_;
  // Destroyed in reverse: the window first, as its widgets read the
  // subsystems' records, then the subsystems, then the application object.
  std::unique_ptr<TTarvoApp> app_;
  std::unique_ptr<ViewWiring> view_;
  std::unique_ptr<SetupWiring> setup_;
  std::unique_ptr<TransmitWiring> transmit_;
  std::unique_ptr<PlotWiring> plot_;
  std::unique_ptr<DatabaseWiring> database_;
  std::unique_ptr<PersistenceWiring> persistence_;
  std::unique_ptr<OptionsWiring> options_;
  std::unique_ptr<StartupWiring> startup_;
  std::unique_ptr<MainWindow> window_;
  // Before the window: a recording still open is finished through it.
  std::unique_ptr<LogWiring> log_;
  // Before the log record: its thread reads the record's messages.
  std::unique_ptr<ReplayWiring> replay_;
  // Destroyed first: its clients are closed while the window and the
  // adapter it serves are still there.
  std::unique_ptr<ShareWiring> share_;
};

}  // namespace tarvo::qt
