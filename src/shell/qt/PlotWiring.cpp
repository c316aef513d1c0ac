#include "shell/qt/PlotWiring.h"

#include <algorithm>
#include <vector>

#include <QDockWidget>

#include "common/TimeUnits.h"
#include "plot/qt/PlotPanel.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"

namespace tarvo::qt {

namespace {

// The plot's time of a received frame in its run: the adapter's time stamp
// in 25.6 us ticks.
double PlotSeconds(const TTarvoCAN& m) { return TicksToSeconds(double(m.TimeStamp)); }

bool Received(const TCANViewMessage& e) { return e.ItemType == ITEM_RD || e.ItemType == ITEM_RR; }

// The received frames of the present run that the CAN View store holds,
// oldest first. The cyclic ring keeps every frame (the oldest overwritten
// once it is full); the run is the stretch back from the newest over which
// the time stamps do not go back. The fixed list keeps the newest frame of
// each identifier, of the present run when its time is not past the last
// frame received.
std::vector<const TTarvoCAN*> FramesOfThisRun(const TCANViewState& view, double lastSeconds) {
  const TCANView& v = view.CANView;
  const size_t count = size_t(std::max(0, v.Count));
  std::vector<const TTarvoCAN*> frames;
  if (view.Mode == VIEW_FIXED) {
    for (size_t i = 0; i < count; ++i)
      if (Received(v.List[i]) && PlotSeconds(v.List[i].Item) <= lastSeconds) frames.push_back(&v.List[i].Item);
    return frames;
  }
  // The oldest entry: the slot the next one overwrites, once the ring has wrapped.
  const size_t oldest = view.CyclicOverwriteFlag && size_t(view.CyclicItemNo) < count ? size_t(view.CyclicItemNo) : 0;
  const auto at = [&](size_t k) -> const TCANViewMessage& { return v.List[(oldest + k) % count]; };
  size_t start = count;
  uint32_t later = 0;
  bool seen = false;
  while (start > 0) {
    const TCANViewMessage& e = at(start - 1);
    if (Received(e)) {
      if (seen && e.Item.TimeStamp > later) break;  // the run before
      later = e.Item.TimeStamp;
      seen = true;
    }
    --start;
  }
  for (size_t k = start; k < count; ++k)
    if (Received(at(k))) frames.push_back(&at(k).Item);
  return frames;
}

}  // namespace

PlotWiring::PlotWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs) : app_(app), window_(window) {
  plot_ = new PlotPanel(dialogs);
  plot_->setMinimumHeight(window_.Scaled(260));  // room for a few curves with their axes
  plotDock_ = new QDockWidget("Signal Plot", &window_);
  plotDock_->setObjectName("PlotDock");
  plotDock_->setWidget(plot_);
  window_.addDockWidget(Qt::BottomDockWidgetArea, plotDock_);
  plotDock_->hide();
  window_.SetHandler(TCommand::ToggleSignalPlot, [this] { ShowPlot(!plotDock_->isVisible()); });
  // Each received frame of a plotted message adds its points; the adapter's
  // time stamps (25.6 us ticks) give the time axis. A run starts its clock
  // at 0: a time earlier than the last one received begins a new run, which
  // the plot draws after the points of the earlier ones, past a gap.
  app_.OnReceivedMessage = [this](const TTarvoCAN& m) {
    const double seconds = PlotSeconds(m);
    const bool newRun = seconds < lastReceivedSeconds_;
    lastReceivedSeconds_ = seconds;
    if (!plot_->Plotting()) return;
    if (newRun) plot_->Model().NewRun();
    plot_->Feed(m, seconds);
  };
  // A signal added now starts with the frames of this run the CAN View
  // holds, at the times the live feed gives them; the signals plotted
  // before have them already.
  QObject::connect(plot_, &PlotPanel::SignalAdded, plot_,
                   [this] { PlotTrafficSeen(plot_->Model().Signals().size() - 1); });
}

void PlotWiring::ShowPlot(bool show) {
  const bool wasHidden = plotDock_->isHidden();
  plotDock_->setVisible(show);
  if (!show) return;
  plotDock_->raise();
  // The curves need room: the plot opens at half the window's height.
  if (wasHidden) window_.resizeDocks({plotDock_}, {window_.height() / 2}, Qt::Vertical);
}

bool PlotWiring::PlotShown() const { return !plotDock_->isHidden(); }

void PlotWiring::PlotSignal(const std::string& name) {
  ShowPlot(true);
  plot_->AddSignal(name);
}

void PlotWiring::SetDatabase(const TDbcDatabase* database) { plot_->SetDatabase(database); }

void PlotWiring::PlotTrafficSeen(std::size_t index) {
  for (const TTarvoCAN* m : FramesOfThisRun(app_.View, lastReceivedSeconds_))
    plot_->FeedSignal(index, *m, PlotSeconds(*m));
}

}  // namespace tarvo::qt
