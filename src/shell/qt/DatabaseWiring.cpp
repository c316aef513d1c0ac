#include "shell/qt/DatabaseWiring.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSplitter>
#include <QTableWidget>

#include "common/FilePaths.h"
#include "dbc/qt/SignalsPanel.h"
#include "dbc/qt/TransmitSignalsEditor.h"
#include "analysis/qt/AnalysisWindow.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/MainWindow.h"
#include "shell/qt/PlotWiring.h"
#include "transmit/TransmitEditor.h"
#include "transmit/qt/CANTransmitPanel.h"
#include "view/qt/CANViewList.h"

namespace tarvo::qt {

namespace {
constexpr int kPanelHeight = 170;  // at 96 DPI

}  // namespace

DatabaseWiring::DatabaseWiring(TTarvoApp& app, MainWindow& window, UserDialogs& dialogs, PlotWiring& plot)
    : app_(app), window_(window), dialogs_(dialogs), plot_(plot) {
  panel_ = new SignalsPanel;
  panel_->hide();
  window.AttachUnderCANView(panel_);
  window.SetHandler(TCommand::LoadDatabase, [this] { ChooseDatabase(); });
  window.SetHandler(TCommand::UnloadDatabase, [this] { Unload(); });
  window.SetHandler(TCommand::OpenLog, [this] { ChooseLog(); });

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
  BuildPlotCommand();
  model->SetRowToolTip([this](const TCANViewMessage& entry) {
    if (!state_.LoadedFlag) return QString();
    return QString::fromStdString(FrameToolTip(state_.Database, entry.ItemType, entry.Item, Hex(),
                                               window_.CANView()->Model()->DecimalSeparator()));
  });
}

DatabaseWiring::~DatabaseWiring() = default;

// The signals panel: "Plot" on a signal's row puts the signal into the plot.
void DatabaseWiring::BuildPlotCommand() {
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

void DatabaseWiring::PlotSignalOfPanelRow(int row) {
  if (!panelMessage_ || row < 0 || size_t(row) >= panelMessage_->Signals.size()) return;
  const QTableWidgetItem* item = panel_->Table()->item(row, 0);
  if (!item) return;
  plot_.PlotSignal(panelMessage_->Name + "." + item->text().toStdString());
}

void DatabaseWiring::AttachTransmit(CANTransmitPanel& panel, TTransmitEditor& editor) {
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

void DatabaseWiring::ChooseDatabase() {
  window_.HideConversionBalloon();
  if (tarvo::ChooseDatabaseFile(state_, dialogs_, ShippedDatabaseDir())) DatabaseLoaded();
}

bool DatabaseWiring::Load(const std::string& path) {
  if (!LoadDatabase(state_, dialogs_, path)) return false;
  DatabaseLoaded();
  return true;
}

// A log in an analysis window of its own; the database loaded now names its
// messages and decodes its signals.
void DatabaseWiring::ChooseLog() {
  TFileDialogRequest request;
  request.Title = "Open Log";
  // Where the last log was opened; the first time, the recordings' folder.
  request.InitialDir = lastLogDir_.empty() ? app_.Dirs.LogDIR : lastLogDir_;
  request.Filter = "Log Files (*.txt;*.csv;*.asc;*.log;*.blf;*.trc)|*.txt;*.csv;*.asc;*.log;*.blf;*.trc|All Files (*.*)|*.*";
  const std::optional<std::string> path = dialogs_.OpenFileDialog(request);
  if (!path || path->empty()) return;
  // The folder without its closing separator; a bare name leaves it as it was.
  if (const size_t start = FileNameStart(*path); start > 0) lastLogDir_ = path->substr(0, start - 1);
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
  plot_.SetDatabase(nullptr);
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
  plot_.SetDatabase(&state_.Database);
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
