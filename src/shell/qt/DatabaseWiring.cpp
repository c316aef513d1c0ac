#include "shell/qt/DatabaseWiring.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QDockWidget>
#include <QMenu>
#include <QSplitter>
#include <QTableWidget>

#include "dbc/qt/SignalsPanel.h"
#include "dbc/qt/TransmitSignalsEditor.h"
#include "analysis/qt/AnalysisWindow.h"
#include "plot/qt/PlotPanel.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"
#include "transmit/TransmitEditor.h"
#include "transmit/qt/CANTransmitPanel.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {

namespace {
constexpr int kPanelHeight = 170;  // at 96 DPI

// The plot's time of a received frame in its run: the adapter's time stamp
// in 25.6 us ticks.
double PlotSeconds(const TTarvoCAN& m) { return double(m.TimeStamp) / 39062.5; }

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

DatabaseWiring::DatabaseWiring(TarvoApp& app, MainWindow& window, UserDialogs& dialogs)
    : app_(app), window_(window), dialogs_(dialogs) {
  panel_ = new SignalsPanel;
  panel_->hide();
  window.AttachUnderCANView(panel_);
  window.SetHandler("Database1Click", [this] { Database1Click(); });
  window.SetHandler("UnloadDatabase1Click", [this] { Unload(); });
  window.SetHandler("OpenLog1Click", [this] { OpenLog1Click(); });

  CANViewList* list = window.CANView();
  CANViewModel* model = list->Model();
  // The view's refresh reports its rows changed or added; the panel follows.
  QObject::connect(model, &QAbstractItemModel::dataChanged, panel_, [this] { UpdatePanel(); });
  QObject::connect(model, &QAbstractItemModel::rowsInserted, panel_, [this] { UpdatePanel(); });
  QObject::connect(model, &QAbstractItemModel::rowsRemoved, panel_, [this] { UpdatePanel(); });
  QObject::connect(model, &QAbstractItemModel::modelReset, panel_, [this] { UpdatePanel(); });
  QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, panel_, [this] { UpdatePanel(); });
  model->SetRowName([this](const TCANViewMessage& entry) {
    if (!state_.LoadedFlag || entry.ItemType < 0 || entry.ItemType > 3) return QString();
    const TDbcMessage* m = state_.Database.Find(entry.Item.IDE, entry.Item.ID);
    return m ? QString::fromStdString(m->Name) : QString();
  });
  BuildPlot();
  model->SetRowToolTip([this](const TCANViewMessage& entry) {
    if (!state_.LoadedFlag) return QString();
    return QString::fromStdString(FrameToolTip(state_.Database, entry.ItemType, entry.Item, Hex(),
                                               window_.CANView()->Model()->DecimalSeparator()));
  });
}

DatabaseWiring::~DatabaseWiring() = default;

void DatabaseWiring::BuildPlot() {
  plot_ = new PlotPanel(dialogs_);
  plot_->setMinimumHeight(window_.Scaled(260));  // room for a few curves with their axes
  plotDock_ = new QDockWidget("Signal Plot", &window_);
  plotDock_->setObjectName("PlotDock");
  plotDock_->setWidget(plot_);
  window_.addDockWidget(Qt::BottomDockWidgetArea, plotDock_);
  plotDock_->hide();
  window_.SetHandler("SignalPlot1Click", [this] { ShowPlot(!plotDock_->isVisible()); });
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
  // The signals panel: "Plot" on a signal's row.
  QTableWidget* table = panel_->Table();
  table->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(table, &QWidget::customContextMenuRequested, table, [this, table](const QPoint& at) {
    const int row = table->rowAt(at.y());
    if (row < 0) return;
    QMenu menu;
    QAction* plot = menu.addAction("&Plot");
    plot->setObjectName("PlotSignal");
    if (menu.exec(table->viewport()->mapToGlobal(at)) == plot) PlotSignalOfPanelRow(row);
  });
}

void DatabaseWiring::ShowPlot(bool show) {
  const bool wasHidden = plotDock_->isHidden();
  plotDock_->setVisible(show);
  if (!show) return;
  plotDock_->raise();
  // The curves need room: the plot opens at half the window's height.
  if (wasHidden) window_.resizeDocks({plotDock_}, {window_.height() / 2}, Qt::Vertical);
}

void DatabaseWiring::PlotTrafficSeen(size_t index) {
  for (const TTarvoCAN* m : FramesOfThisRun(app_.View, lastReceivedSeconds_))
    plot_->FeedSignal(index, *m, PlotSeconds(*m));
}

bool DatabaseWiring::PlotShown() const { return !plotDock_->isHidden(); }

void DatabaseWiring::PlotSignalOfPanelRow(int row) {
  if (!panelMessage_ || row < 0 || size_t(row) >= panelMessage_->Signals.size()) return;
  const QTableWidgetItem* item = panel_->Table()->item(row, 0);
  if (!item) return;
  ShowPlot(true);
  plot_->AddSignal(panelMessage_->Name + "." + item->text().toStdString());
}

void DatabaseWiring::AttachTransmit(CANTransmitPanel& panel, CANTransmitEditor& editor) {
  transmitPanel_ = &panel;
  editor_ = &editor;
  signalsEditor_ = new TransmitSignalsEditor;
  signalsEditor_->hide();
  panel.AddEditorLine(signalsEditor_);
  QObject::connect(&panel, &CANTransmitPanel::FormChanged, signalsEditor_, [this] { ShowEditorFrame(); });
  QObject::connect(signalsEditor_, &TransmitSignalsEditor::MessageChosen, signalsEditor_,
                   [this](int message) { ComposeMessage(message); });
  QObject::connect(signalsEditor_, &TransmitSignalsEditor::SignalEdited, signalsEditor_,
                   [this](int message, int signal, const QString& text) { EditSignal(message, signal, text.toStdString()); });
  if (state_.LoadedFlag) DatabaseLoaded();
}

std::string DatabaseWiring::ShippedDatabaseDir() {
  const QString dir = QCoreApplication::applicationDirPath() + "/databases";
  return QDir(dir).exists() ? QDir::toNativeSeparators(dir).toStdString() : std::string();
}

bool DatabaseWiring::Hex() const { return app_.Display.NumericBase != NUMERIC_DECIMAL; }

void DatabaseWiring::Database1Click() {
  window_.HideConversionBalloon();
  if (tarvo::Database1Click(state_, dialogs_, ShippedDatabaseDir())) DatabaseLoaded();
}

bool DatabaseWiring::Load(const std::string& path) {
  if (!LoadDatabase(state_, dialogs_, path)) return false;
  DatabaseLoaded();
  return true;
}

// A log in an analysis window of its own; the database loaded now names its
// messages and decodes its signals.
void DatabaseWiring::OpenLog1Click() {
  TFileDialogRequest request;
  request.Title = "Open Log";
  // Where the last log was opened; the first time, the recordings' folder.
  request.InitialDir = lastLogDir_.empty() ? app_.Dirs.LogDIR : lastLogDir_;
  request.Filter = "Log Files (*.txt;*.csv;*.asc;*.log;*.blf;*.trc)|*.txt;*.csv;*.asc;*.log;*.blf;*.trc|All Files (*.*)|*.*";
  const std::optional<std::string> path = dialogs_.OpenFileDialog(request);
  if (!path || path->empty()) return;
  const size_t slash = path->find_last_of("/\\");
  if (slash != std::string::npos) lastLogDir_ = path->substr(0, slash);
  OpenLog(*path);
}

AnalysisWindow* DatabaseWiring::OpenLog(const std::string& path) {
  auto analysis = std::make_unique<TLogAnalysis>();
  std::string error;
  // The first screen at once; the window indexes the rest while it is shown.
  if (analysis->Start(path, error)) {
    analysis->ReadFor(std::chrono::milliseconds(200));
    if (analysis->Complete()) error = analysis->Error();
  }
  if (!error.empty()) {
    dialogs_.ShowMessage("Log file '" + path + "' cannot be opened: " + error, TDialogType::Error,
                         TDialogButtons::OK);
    return nullptr;
  }
  auto* window = new AnalysisWindow(std::move(analysis), state_.LoadedFlag ? &state_.Database : nullptr, dialogs_,
                                    &window_);
  window->show();
  return window;
}

// Back to the program without a database: the panel, the editor's signal
// line and the names go; the plot keeps its curves, marked as of the
// unloaded database, until the user removes them.
void DatabaseWiring::Unload() {
  if (!state_.LoadedFlag) return;
  state_ = TDatabaseState{};
  state_.UnloadedFlag = true;
  panelMessage_ = nullptr;
  panel_->hide();
  if (signalsEditor_) {
    signalsEditor_->SetDatabase(nullptr);
    signalsEditor_->hide();
  }
  plot_->SetDatabase(nullptr);
  window_.SetControlEnabled("UnloadDatabase1", false);
  window_.RepaintCANView();
}

void DatabaseWiring::DatabaseLoaded() {
  state_.UnloadedFlag = false;
  window_.SetControlEnabled("UnloadDatabase1", true);
  panel_->setMinimumHeight(window_.Scaled(kPanelHeight) / 2);
  if (panel_->isHidden()) {
    panel_->show();
    if (auto* area = qobject_cast<QSplitter*>(window_.CANViewArea())) {
      const int total = area->height();
      const int panelHeight = window_.Scaled(kPanelHeight);
      if (total > 2 * panelHeight) area->setSizes({total - panelHeight, panelHeight});
    }
  }
  UpdatePanel();
  plot_->SetDatabase(&state_.Database);
  window_.RepaintCANView();  // the "Name" column
  if (signalsEditor_) {
    signalsEditor_->SetDatabase(&state_.Database);
    signalsEditor_->show();
    ShowEditorFrame();
  }
}

void DatabaseWiring::UpdatePanel() {
  if (!state_.LoadedFlag) return;
  const TCANView& view = app_.View.CANView;
  const int32_t row = window_.CANView()->SelectedRow();
  TFrameDescription d;
  if (row >= 0 && row < view.Count) {
    const TCANViewMessage& entry = view.List[size_t(row)];
    d = DescribeFrame(state_.Database, entry.ItemType, entry.Item, Hex(), window_.CANView()->Model()->DecimalSeparator());
  }
  panelMessage_ = d.Message;
  panel_->ShowDescription(d);
}

void DatabaseWiring::ShowEditorFrame() {
  if (!state_.LoadedFlag || !signalsEditor_) return;
  TTarvoCAN frame;
  const bool valid = editor_->PeekEditorFrame(frame);
  signalsEditor_->ShowFrame(valid, frame, Hex(), window_.CANView()->Model()->DecimalSeparator());
}

void DatabaseWiring::ComposeMessage(int message) {
  if (message < 0 || size_t(message) >= state_.Database.Messages.size()) return;
  TTarvoCAN current;
  if (!editor_->PeekEditorFrame(current)) current = TTarvoCAN{};
  editor_->SetEditorFrame(tarvo::ComposeMessage(state_.Database.Messages[size_t(message)], current));
}

void DatabaseWiring::EditSignal(int message, int signal, const std::string& text) {
  if (message < 0 || size_t(message) >= state_.Database.Messages.size()) return;
  const TDbcMessage& m = state_.Database.Messages[size_t(message)];
  TTarvoCAN frame;
  if (!editor_->PeekEditorFrame(frame) || frame.IDE != m.IDE || frame.ID != m.ID) {
    ShowEditorFrame();
    return;
  }
  if (signal < 0 || !SetSignalText(m, size_t(signal), text, window_.CANView()->Model()->DecimalSeparator(), frame)) {
    if (signal >= 0 && size_t(signal) < m.Signals.size())
      dialogs_.ShowMessage(SignalValueErrorText(m.Signals[size_t(signal)], text), TDialogType::Warning,
                           TDialogButtons::OK);
    ShowEditorFrame();
    return;
  }
  editor_->SetEditorFrame(frame);
}

}  // namespace tarvo::qt
