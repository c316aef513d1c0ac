#pragma once
// The DBC database joined to the program: the "Database" command, the
// signals panel under the CAN View list with the rows' tooltips (and "Plot"
// on a signal's row, handed to the plot's wiring), the signal line of the
// transmit editor, and logs opened in analysis windows. Nothing of it shows until a database
// is loaded, so the program without one looks and behaves as before.
#include <memory>
#include <string>

#include "dbc/DatabaseState.h"

namespace tarvo {
class AnalysisWindow;
class TTransmitEditor;
class CANTransmitPanel;
class SignalsPanel;
class TTarvoApp;
class TransmitSignalsEditor;
class UserDialogs;
}  // namespace tarvo

namespace tarvo::qt {

class MainWindow;
class PlotWiring;

class DatabaseWiring {
 public:
  // Built before the transmit side, so the CAN View list already shares its
  // place with the signals panel when the transmit list may join that page.
  // The plot decodes with the database loaded here.
  DatabaseWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, PlotWiring& plot);
  ~DatabaseWiring();
  DatabaseWiring(const DatabaseWiring&) = delete;
  DatabaseWiring& operator=(const DatabaseWiring&) = delete;

  // The editor's signal line, once the transmit side exists.
  void AttachTransmit(CANTransmitPanel& panel, TTransmitEditor& editor);

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
  TransmitSignalsEditor* SignalsEditor() const { return signalsEditor_; }

 private:
  void ChooseDatabase();
  void ChooseLog();
  void DatabaseLoaded();
  void UpdatePanel();
  void ShowEditorFrame();
  void ComposeMessage(int message);
  void BuildPlotCommand();
  void PlotSignalOfPanelRow(int row);
  void EditSignal(int message, int signal, const std::string& text);
  bool Hex() const;

  TTarvoApp& app_;
  std::string lastLogDir_;  // the folder of the last log opened
  MainWindow& window_;
  UserDialogs& dialogs_;
  PlotWiring& plot_;
  TDatabaseState state_;
  SignalsPanel* panel_ = nullptr;                    // owned by the CAN View page
  const TDbcMessage* panelMessage_ = nullptr;        // the message the panel shows
  TransmitSignalsEditor* signalsEditor_ = nullptr;  // owned by the editor group
  CANTransmitPanel* transmitPanel_ = nullptr;
  TTransmitEditor* editor_ = nullptr;
};

}  // namespace tarvo::qt
