#pragma once
// The DBC database joined to the program: the "Database" command, the
// signals panel under the CAN View list with the rows' tooltips, and the
// signal line of the transmit editor. Nothing of it shows until a database
// is loaded, so the program without one looks and behaves as before.
#include <memory>
#include <string>

#include "dbc/DatabaseState.h"

namespace tarvo {
class AnalysisWindow;
class CANTransmitEditor;
class CANTransmitPanel;
class PlotPanel;
class SignalsPanel;
class TarvoApp;
class TransmitSignalsEditor;
class UserDialogs;
}  // namespace tarvo

class QDockWidget;

namespace tarvo::qt {

class MainWindow;

class DatabaseWiring {
 public:
  // Built before the transmit side, so the CAN View list already shares its
  // place with the signals panel when the transmit list may join that page.
  DatabaseWiring(TarvoApp& app, MainWindow& window, UserDialogs& dialogs);
  ~DatabaseWiring();
  DatabaseWiring(const DatabaseWiring&) = delete;
  DatabaseWiring& operator=(const DatabaseWiring&) = delete;

  // The editor's signal line, once the transmit side exists.
  void AttachTransmit(CANTransmitPanel& panel, CANTransmitEditor& editor);

  // Loads a database as the command does (a failure shows its message);
  // true when loaded.
  bool Load(const std::string& path);
  void Unload();
  // Opens a log in an analysis window (a failure shows its message).
  AnalysisWindow* OpenLog(const std::string& path);
  const TDatabaseState& State() const { return state_; }

  // Where the open dialog starts when no database is loaded: the databases
  // shipped beside the program.
  static std::string ShippedDatabaseDir();

  SignalsPanel* Panel() const { return panel_; }
  // The signal plot, in a dock of the main window ("PlotDock") that the
  // View menu's "Signal Plot" shows and hides.
  PlotPanel* Plot() const { return plot_; }
  void ShowPlot(bool show);
  // The plot's window is open (also while the main window closes).
  bool PlotShown() const;
  TransmitSignalsEditor* SignalsEditor() const { return signalsEditor_; }

 private:
  void Database1Click();
  void OpenLog1Click();
  void DatabaseLoaded();
  void UpdatePanel();
  void ShowEditorFrame();
  void ComposeMessage(int message);
  void BuildPlot();
  void PlotSignalOfPanelRow(int row);
  void PlotTrafficSeen(size_t index);
  void EditSignal(int message, int signal, const std::string& text);
  bool Hex() const;

  TarvoApp& app_;
  std::string lastLogDir_;  // the folder of the last log opened
  double lastReceivedSeconds_ = 0;  // the time of the last frame received, in its run
  MainWindow& window_;
  UserDialogs& dialogs_;
  TDatabaseState state_;
  SignalsPanel* panel_ = nullptr;                    // owned by the CAN View page
  const TDbcMessage* panelMessage_ = nullptr;        // the message the panel shows
  PlotPanel* plot_ = nullptr;                         // owned by its dock
  QDockWidget* plotDock_ = nullptr;                   // owned by the window
  TransmitSignalsEditor* signalsEditor_ = nullptr;  // owned by the editor group
  CANTransmitPanel* transmitPanel_ = nullptr;
  CANTransmitEditor* editor_ = nullptr;
};

}  // namespace tarvo::qt
