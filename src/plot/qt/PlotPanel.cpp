#include "plot/qt/PlotPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <fstream>

#include "common/FilePaths.h"
#include "common/qt/WidgetNames.h"
#include "plot/qt/PlotWidget.h"

namespace tarvo {

namespace {

constexpr const char* WindowChoices[] = {"10 s", "60 s", "All"};

}  // namespace

PlotPanel::PlotPanel(UserDialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
  setObjectName("PlotPanel");
  BuildControls();
  // Redrawn a few times a second while points come; nothing to do otherwise.
  refresh_ = new QTimer(this);
  refresh_->setInterval(100);
  connect(refresh_, &QTimer::timeout, this, [this] {
    if (!isVisible()) return;
    ShowViewState();
    if (Plotting() && model_.Follow != TPlotFollow::Hold) plot_->update();
  });
  refresh_->start();
}

PlotPanel::~PlotPanel() = default;

void PlotPanel::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* row = new QHBoxLayout;
  chooser_ = Named(new QComboBox(this), "SignalChooser");
  chooser_->setEditable(true);
  chooser_->setMinimumContentsLength(24);
  chooser_->setToolTip("A signal of the database, as Message.Signal");
  auto* add = Named(new QPushButton("Add", this), "PlotAddButton");
  plotted_ = Named(new QComboBox(this), "PlottedSignals");
  plotted_->setMinimumContentsLength(16);
  shown_ = Named(new QCheckBox("Shown", this), "PlotShown");
  shown_->setToolTip("Draw the signal chosen beside");
  shown_->setEnabled(false);
  auto* remove = Named(new QPushButton("Remove", this), "PlotRemoveButton");
  window_ = Named(new QComboBox(this), "PlotWindow");
  for (const char* c : WindowChoices) window_->addItem(c);
  hold_ = Named(new QCheckBox("Hold", this), "PlotHold");
  shared_ = Named(new QCheckBox("One value axis", this), "PlotSharedAxis");
  auto* box = Named(new QCheckBox("Box zoom", this), "PlotBoxZoom");
  box->setToolTip("A drag zooms to its box (also Ctrl+drag); Ctrl+wheel zooms a lane's values, 0 resets them");
  auto* clearButton = Named(new QPushButton("Clear", this), "PlotClearButton");
  clearButton->setToolTip("Drop every point; the signals stay plotted");
  auto* menuButton = Named(new QToolButton(this), "PlotMenuButton");
  menuButton->setText("Plot");
  menuButton->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(menuButton);
  menu->setObjectName("PlotMenu");
  QAction* png = menu->addAction("Export &PNG...");
  png->setObjectName("PlotExportPng");
  QAction* csv = menu->addAction("Export &CSV...");
  csv->setObjectName("PlotExportCsv");
  menu->addSeparator();
  QAction* clear = menu->addAction("C&lear Points");
  clear->setObjectName("PlotClear");
  menuButton->setMenu(menu);
  row->addWidget(chooser_, 2);
  row->addWidget(add);
  row->addSpacing(8);
  row->addWidget(plotted_, 1);
  row->addWidget(shown_);
  row->addWidget(remove);
  layout->addLayout(row);
  // The view's controls on a row of their own, so the panel fits a window of
  // ordinary width and the legend beside the curves stays in view.
  auto* viewRow = new QHBoxLayout;
  viewRow->addWidget(new QLabel("Window", this));
  viewRow->addWidget(window_);
  viewRow->addWidget(hold_);
  viewRow->addWidget(shared_);
  viewRow->addWidget(box);
  viewRow->addStretch(1);
  viewRow->addWidget(clearButton);
  viewRow->addWidget(menuButton);
  layout->addLayout(viewRow);
  plot_ = new PlotWidget(model_, this);
  plot_->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(plot_, 1);

  connect(add, &QPushButton::clicked, this, [this] { AddSignal(chooser_->currentText().toStdString()); });
  connect(remove, &QPushButton::clicked, this, [this] {
    const int i = plotted_->currentIndex();
    if (i < 0) return;
    model_.Remove(size_t(i));
    RefreshPlottedList();
    plot_->update();
  });
  connect(plotted_, &QComboBox::currentIndexChanged, this, [this] { ShowPlottedState(); });
  connect(shown_, &QCheckBox::toggled, this, [this](bool on) {
    if (plotted_->currentIndex() >= 0) SetHidden(size_t(plotted_->currentIndex()), !on);
  });
  // Activated, not changed: choosing the entry shown again (after a zoom
  // held the view) follows it again.
  connect(window_, &QComboBox::activated, this, [this](int i) { ApplyWindowChoice(i); });
  connect(hold_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) {
      double t0, t1;
      model_.View(t0, t1);
      model_.SetView(t0, t1);
    } else {
      model_.FollowAgain();
    }
    ShowViewState();
    plot_->update();
  });
  connect(shared_, &QCheckBox::toggled, this, [this](bool on) {
    model_.SharedYAxis = on;
    plot_->update();
  });
  connect(box, &QCheckBox::toggled, this, [this](bool on) { plot_->SetBoxZoom(on); });
  connect(plot_, &PlotWidget::ViewChanged, this, [this] { ShowViewState(); });
  connect(plot_, &QWidget::customContextMenuRequested, this,
          [this, menu](const QPoint& at) { menu->exec(plot_->mapToGlobal(at)); });
  connect(png, &QAction::triggered, this, [this] {
    if (auto path = AskExportPath("Export Plot", "PNG Image (*.png)|*.png", "plot.png")) ExportPng(*path);
  });
  connect(csv, &QAction::triggered, this, [this] {
    if (auto path = AskExportPath("Export Signals", "CSV File (*.csv)|*.csv", "signals.csv")) ExportCsv(*path);
  });
  connect(clear, &QAction::triggered, this, [this] { ClearPoints(); });
  connect(clearButton, &QPushButton::clicked, this, [this] { ClearPoints(); });
}

void PlotPanel::SetDatabase(const TDbcDatabase* database) {
  database_ = database;
  chooser_->clear();
  if (database) model_.Resolve(*database);
  else model_.Detach();
  RefreshPlottedList();
  plot_->update();
  if (!database) return;
  for (const TDbcMessage& m : database->Messages)
    for (const TDbcSignal& s : m.Signals) chooser_->addItem(QString::fromStdString(m.Name + "." + s.Name));
}

void PlotPanel::SetHidden(size_t index, bool hidden) {
  if (index >= model_.Signals().size() || model_.Signals()[index].Hidden == hidden) return;
  model_.Signals()[index].Hidden = hidden;
  const int current = plotted_->currentIndex();
  RefreshPlottedList();
  plotted_->setCurrentIndex(current);
  plot_->update();
}

void PlotPanel::ClearPoints() {
  model_.Clear();
  plot_->update();
}

std::vector<std::string> PlotPanel::ReplaceSignals(const std::vector<std::pair<std::string, bool>>& named) {
  while (!model_.Signals().empty()) model_.Remove(model_.Signals().size() - 1);
  std::vector<std::string> left;
  for (const auto& [name, hidden] : named) {
    std::string error;
    if (!database_ || !model_.Add(*database_, name, error)) {
      left.push_back(name);
      continue;
    }
    model_.Signals().back().Hidden = hidden;
    emit SignalAdded();
  }
  RefreshPlottedList();
  plot_->update();
  return left;
}

void PlotPanel::SetSharedAxis(bool shared) {
  model_.SharedYAxis = shared;
  shared_->setChecked(shared);
  plot_->update();
}

void PlotPanel::SetWindow(bool all, double seconds) {
  model_.Follow = all ? TPlotFollow::All : TPlotFollow::Window;
  if (seconds > 0) model_.WindowSeconds = seconds;
  model_.Resume = model_.Follow;
  ShowViewState();
  plot_->update();
}

bool PlotPanel::AddSignal(const std::string& name) {
  std::string error = "no database is loaded";
  if (!database_ || !model_.Add(*database_, name, error)) {
    dialogs_.ShowMessage("Cannot plot \"" + name + "\": " + error + ".", TDialogType::Warning, TDialogButtons::OK);
    return false;
  }
  RefreshPlottedList();
  emit SignalAdded();
  plot_->update();
  return true;
}

void PlotPanel::Feed(const TTarvoCAN& frame, double seconds) {
  if (database_) model_.Feed(*database_, frame, seconds);
}

void PlotPanel::FeedSignal(size_t index, const TTarvoCAN& frame, double seconds) {
  if (database_) model_.FeedSignal(index, *database_, frame, seconds);
}

void PlotPanel::FeedFrame(bool extended, uint32_t id, const uint8_t* data, size_t length, double seconds) {
  if (database_) model_.FeedFrame(*database_, extended, id, data, length, seconds);
}

void PlotPanel::RefreshPlottedList() {
  const QSignalBlocker block(plotted_);
  plotted_->clear();
  for (const TPlottedSignal& s : model_.Signals())
    plotted_->addItem(QString::fromStdString(s.Message + "." + s.Name + (s.Unresolved ? " (unloaded database)" : "") +
                                             (s.Hidden ? " (hidden)" : "")));
  plotted_->setCurrentIndex(plotted_->count() - 1);
  ShowPlottedState();
}

void PlotPanel::ShowPlottedState() {
  const int i = plotted_->currentIndex();
  const QSignalBlocker block(shown_);
  shown_->setEnabled(i >= 0);
  shown_->setChecked(i < 0 || !model_.Signals()[size_t(i)].Hidden);
}

void PlotPanel::ApplyWindowChoice(int index) {
  const QString text = window_->itemText(index);
  if (text == "All") {
    model_.Follow = TPlotFollow::All;
  } else {
    model_.Follow = TPlotFollow::Window;
    model_.WindowSeconds = text.section(' ', 0, 0).toDouble();
  }
  model_.Resume = model_.Follow;
  ShowViewState();
  plot_->update();
}

void PlotPanel::ShowViewState() {
  if (model_.Follow != TPlotFollow::Hold) model_.Resume = model_.Follow;
  const QSignalBlocker blockHold(hold_);
  hold_->setChecked(model_.Follow == TPlotFollow::Hold);
  // The window entry names what the plot follows (or follows again after
  // the hold); a window of another length gets an entry of its own.
  int index = window_->findText("All");
  if (model_.Resume == TPlotFollow::Window) {
    const QString text = QString::number(model_.WindowSeconds) + " s";
    index = window_->findText(text);
    if (index < 0) {
      window_->addItem(text);
      index = window_->count() - 1;
    }
  }
  const QSignalBlocker blockWindow(window_);
  window_->setCurrentIndex(index);
}

std::optional<std::string> PlotPanel::AskExportPath(const char* title, const char* filter, const char* name) {
  std::optional<std::string> path = dialogs_.SaveFileDialog({title, filter, exportDir_, name});
  if (!path || path->empty()) return std::nullopt;
  // The folder without its closing separator; a bare name leaves it as it was.
  if (const size_t start = FileNameStart(*path); start > 0) exportDir_ = path->substr(0, start - 1);
  return path;
}

bool PlotPanel::ExportPng(const std::string& path) {
  const QImage image = plot_->Render(plot_->size().expandedTo(QSize(640, 360)));
  if (image.save(QString::fromStdString(path), "PNG")) return true;
  dialogs_.ShowMessage("Unable to save the plot to file '" + path + "'.", TDialogType::Error, TDialogButtons::OK);
  return false;
}

bool PlotPanel::ExportCsv(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  if (out) model_.WriteCsv(out);
  out.close();
  if (out) return true;
  dialogs_.ShowMessage("Unable to save the signals to file '" + path + "'.", TDialogType::Error, TDialogButtons::OK);
  return false;
}

}  // namespace tarvo
