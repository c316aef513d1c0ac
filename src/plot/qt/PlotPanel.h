#pragma once
// The signal plot's page (objectName "PlotPanel"): a row of controls over
// the plot. Signals are added from a list of the database's signals (or
// from the signals panel's "Plot" action), hidden and shown, and removed
// again; the window follows the newest 10 s, 60 s or all points; Hold
// freezes the view while points keep coming; the value axis is shared or one
// per signal; Clear drops the points; the menu exports the plot as PNG and
// the plotted signals as CSV. The controls always say what the plot draws.
// A signal stays plotted when its database goes (marked so in the list and
// the legend) and is fed again when a database with it is loaded.
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/UserDialogs.h"
#include "plot/PlotModel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QTimer;

namespace tarvo {

class PlotWidget;

class PlotPanel : public QWidget {
  Q_OBJECT
 public:
  PlotPanel(UserDialogs& dialogs, QWidget* parent = nullptr);
  ~PlotPanel() override;

  TPlotModel& Model() { return model_; }
  PlotWidget* Plot() const { return plot_; }
  // The database whose signals can be plotted; null: none loaded.
  void SetDatabase(const TDbcDatabase* database);
  // Adds a signal ("Message.Signal" or "Signal"); false with a message box
  // when it cannot be plotted.
  bool AddSignal(const std::string& name);
  // A received frame at its time in seconds.
  void Feed(const TTarvoCAN& frame, double seconds);
  // A data frame of a log, of any length up to 64 bytes.
  void FeedFrame(bool extended, uint32_t id, const uint8_t* data, size_t length, double seconds);
  // A received frame for plotted signal index alone (one added late
  // catching up on the traffic the others have seen).
  void FeedSignal(size_t index, const TTarvoCAN& frame, double seconds);
  bool Plotting() const { return !model_.Signals().empty(); }
  // Hides or shows plotted signal index.
  void SetHidden(size_t index, bool hidden);
  // Drops every point, keeps the signals.
  void ClearPoints();
  // The plotted signals replaced by these (Message.Signal, hidden), quietly:
  // those the database lacks are left out, and returned.
  std::vector<std::string> ReplaceSignals(const std::vector<std::pair<std::string, bool>>& named);
  // One value axis or a lane per signal; the window followed (all points,
  // or the newest seconds), as the controls would set them.
  void SetSharedAxis(bool shared);
  void SetWindow(bool all, double seconds);
  // The controls set as the model now draws (after a change the panel did
  // not make: a zoom, the log window choosing "All").
  void ShowViewState();

  bool ExportPng(const std::string& path);
  // Where the export dialogs start: the folder of the last file the user
  // chose in one of them; before that, the folder set here.
  void SetExportDir(const std::string& dir) { exportDir_ = dir; }
  const std::string& ExportDir() const { return exportDir_; }
 signals:
  // A signal was added (a log's window fills it from the whole log).
  void SignalAdded();

 public:
  bool ExportCsv(const std::string& path);

 private:
  void BuildControls();
  void RefreshPlottedList();
  void ApplyWindowChoice(int index);
  void ShowPlottedState();
  std::optional<std::string> AskExportPath(const char* title, const char* filter, const char* name);

  UserDialogs& dialogs_;
  TPlotModel model_;
  const TDbcDatabase* database_ = nullptr;
  PlotWidget* plot_ = nullptr;
  QComboBox* chooser_ = nullptr;
  QComboBox* plotted_ = nullptr;
  QComboBox* window_ = nullptr;
  QCheckBox* shown_ = nullptr;
  QCheckBox* hold_ = nullptr;
  QCheckBox* shared_ = nullptr;
  QTimer* refresh_ = nullptr;
  std::string exportDir_;
};

}  // namespace tarvo
