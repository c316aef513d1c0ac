#pragma once
// The settings file and the configuration files joined to the program: what
// start-up and shutdown ask of them (the PersistencePort), what the files
// need from the window and the other subsystems, and the File commands New,
// Load, Save and Save As.
#include <memory>
#include <string>

#include "persistence/LogOptionKeys.h"
#include "persistence/SettingsFile.h"

namespace tarvo {
class CANViewList;
class TTarvoApp;
class TConfigurationFiles;
struct TLog;
class UserDialogs;
}  // namespace tarvo

namespace tarvo::qt {

class DatabaseWiring;
class PlotWiring;
class MainWindow;
class SetupWiring;
class TransmitWiring;

class PersistenceWiring {
 public:
  // configModified is the configuration's "changed" flag the pages set.
  PersistenceWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, SetupWiring& setup,
                    TransmitWiring& transmit, bool& configModified);
  ~PersistenceWiring();
  PersistenceWiring(const PersistenceWiring&) = delete;
  PersistenceWiring& operator=(const PersistenceWiring&) = delete;

  TConfigurationFiles& Files() { return *files_; }
  // The log record the files' log options go to and come from.
  void UseLogRecord(TLog& log);
  // The database the files remember (their DATABASE keys); before Start.
  void UseDatabase(DatabaseWiring& database) { database_ = &database; }
  // The plot whose signals, axis, window and dock the files keep.
  void UsePlot(PlotWiring& plot) { plot_ = &plot; }
  // The settings as the program holds them now, as SaveSettings writes them.
  TSettings CurrentSettings() const;

 private:
  class Port;
  class Host;

  TSettings SettingsDefaults() const;
  void ApplySettings(const TSettings& s);
  TLogOptionValues LogValues() const;
  void SetLogValues(const TLogOptionValues& values);
  void PlaceWindow(const TSettings& s);
  TPlotKeys PlotLayout() const;
  void SetPlotLayout(const TPlotKeys& keys);
  void BindHandlers();

  TTarvoApp& app_;
  MainWindow& window_;
  UserDialogs& dialogs_;
  SetupWiring& setup_;
  TransmitWiring& transmit_;
  bool& configModified_;
  // The log options the files keep while no log record is given.
  TLogOptionValues log_;
  TLog* logRecord_ = nullptr;
  DatabaseWiring* database_ = nullptr;
  PlotWiring* plot_ = nullptr;
  // The database the settings file named: kept for the next save also when
  // it could not be loaded this time.
  std::string databaseFile_;
  // The plot the settings file named, kept likewise.
  std::optional<TPlotKeys> plotKeys_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<TConfigurationFiles> files_;
  std::unique_ptr<Port> port_;
};

}  // namespace tarvo::qt
