#pragma once
// The signal plot joined to the program: its dock in the main window
// ("PlotDock") that the View menu's "Signal Plot" shows and hides, and the
// live feed from the bus, each received frame of a plotted message decoded
// into points. The database it decodes with comes from DatabaseWiring.
#include <cstddef>
#include <string>

namespace tarvo {
class PlotPanel;
class TTarvoApp;
class UserDialogs;
struct TDbcDatabase;
}  // namespace tarvo

class QDockWidget;

namespace tarvo::qt {

class MainWindow;

class PlotWiring {
 public:
  // Built before anything that chains onto the application's received-frame
  // hook (the shared adapter), so the plot's feed is the first link.
  PlotWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs);
  PlotWiring(const PlotWiring&) = delete;
  PlotWiring& operator=(const PlotWiring&) = delete;

  PlotPanel* Plot() const { return plot_; }
  void ShowPlot(bool show);
  // The plot's window is open (also while the main window closes).
  bool PlotShown() const;
  // Shows the plot and adds a signal named "Message.Signal".
  void PlotSignal(const std::string& name);
  // The database the plot decodes with, or null once it is unloaded (the
  // curves stay, marked as of the unloaded database).
  void SetDatabase(const TDbcDatabase* database);

 private:
  void PlotTrafficSeen(std::size_t index);

  TTarvoApp& app_;
  MainWindow& window_;
  double lastReceivedSeconds_ = 0;  // the time of the last frame received, in its run
  PlotPanel* plot_ = nullptr;       // owned by its dock
  QDockWidget* plotDock_ = nullptr;  // owned by the window
};

}  // namespace tarvo::qt
