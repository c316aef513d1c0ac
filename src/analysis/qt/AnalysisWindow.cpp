#include "analysis/qt/AnalysisWindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QSignalBlocker>

#include <chrono>
#include <QVBoxLayout>

#include "common/qt/WidgetNames.h"
#include "dbc/DatabaseState.h"
#include "dbc/qt/SignalsPanel.h"
#include "plot/qt/PlotPanel.h"
#include "plot/qt/PlotWidget.h"

namespace tarvo {

namespace {

constexpr const char* Headers[ANALYSIS_COUNT] = {"Time (s)", "Delta (s)", "Ch", "Dir", "Type", "ID", "Name", "DLC", "Data"};

QString Seconds(double s) { return QString::number(s * 1000.0, 'f', 3); }

}  // namespace

AnalysisModel::AnalysisModel(const TLogAnalysis& analysis, QObject* parent)
    : QAbstractTableModel(parent), analysis_(analysis), shown_(analysis.RowCount()) {}

int AnalysisModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(std::min<size_t>(shown_, size_t(INT32_MAX)));
}

void AnalysisModel::Grow() {
  const size_t rows = std::min<size_t>(analysis_.RowCount(), size_t(INT32_MAX));
  if (rows <= shown_) return;
  beginInsertRows(QModelIndex(), int(shown_), int(rows - 1));
  shown_ = rows;
  endInsertRows();
}

int AnalysisModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ANALYSIS_COUNT; }

QVariant AnalysisModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= shown_) return {};
  return QString::fromStdString(analysis_.Cell(size_t(index.row()), TAnalysisColumn(index.column()), database_));
}

QVariant AnalysisModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= ANALYSIS_COUNT) return {};
  return QString(Headers[section]);
}

AnalysisWindow::AnalysisWindow(std::unique_ptr<TLogAnalysis> analysis, const TDbcDatabase* database,
                               UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), analysis_(std::move(analysis)), database_(database), dialogs_(dialogs) {
  setObjectName("AnalysisWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Log Analysis - " + QString::fromStdString(analysis_->Path()));
  resize(1000, 700);
  BuildControls();
  ShowCounts();
  ShowStatistics();
  // The rest of a long log is indexed in pieces between the window's events.
  if (!analysis_->Complete()) {
    indexing_ = new QTimer(this);
    indexing_->setInterval(0);
    connect(indexing_, &QTimer::timeout, this, [this] { IndexSome(); });
    indexing_->start();
  }
  // The log's signals into the plot, when a database is loaded.
  plot_->SetDatabase(database_);
}

AnalysisWindow::~AnalysisWindow() = default;

void AnalysisWindow::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  auto* filters = new QHBoxLayout;
  ids_ = Named(new QLineEdit(this), "FilterIDs");
  ids_->setPlaceholderText("IDs (hex)");
  name_ = Named(new QLineEdit(this), "FilterName");
  name_->setPlaceholderText("Name");
  direction_ = Named(new QComboBox(this), "FilterDirection");
  direction_->addItems({"Rx and Tx", "Rx", "Tx"});
  channel_ = Named(new QComboBox(this), "FilterChannel");
  FillChannels();
  data_ = Named(new QLineEdit(this), "FilterData");
  data_->setPlaceholderText("Data, as \"12 34\"");
  auto* apply = Named(new QPushButton("Filter", this), "ApplyFilter");
  for (QWidget* w : std::initializer_list<QWidget*>{ids_, name_, direction_, channel_, data_, apply})
    filters->addWidget(w);
  filters->addSpacing(12);
  search_ = Named(new QLineEdit(this), "SearchText");
  search_->setPlaceholderText("Search");
  auto* previous = Named(new QPushButton("Previous", this), "SearchPrevious");
  auto* next = Named(new QPushButton("Next", this), "SearchNext");
  filters->addWidget(search_);
  filters->addWidget(previous);
  filters->addWidget(next);
  filters->addSpacing(12);
  time_ = Named(new QLineEdit(this), "GoToTime");
  time_->setPlaceholderText("Go to s");
  time_->setMinimumWidth(70);
  time_->setMaximumWidth(90);
  filters->addWidget(time_);
  // The file's own times by default; from the first message at a click.
  timeBase_ = Named(new QComboBox(this), "TimeBase");
  timeBase_->addItems({"File time", "From first message"});
  timeBase_->setToolTip("Times as the file writes them, or from the log's first message");
  filters->addWidget(timeBase_);
  layout->addLayout(filters);

  auto* split = new QSplitter(Qt::Vertical, this);
  model_ = new AnalysisModel(*analysis_, this);
  model_->SetDatabase(database_);
  list_ = Named(new QTableView(split), "AnalysisList");
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setStretchLastSection(true);
  const int widths[ANALYSIS_COUNT] = {140, 90, 50, 35, 80, 90, 160, 40, 200};
  for (int c = 0; c < ANALYSIS_COUNT; ++c) list_->setColumnWidth(c, widths[c]);
  auto* tabs = Named(new QTabWidget(split), "AnalysisTabs");
  signals_ = new SignalsPanel(tabs);
  tabs->addTab(signals_, "Signals");
  statistics_ = Named(new QTableView(tabs), "StatisticsList");
  statisticsModel_ = new StatisticsModel(statistics_);
  statisticsModel_->channelNames_ = [this](uint16_t c) { return analysis_->ChannelName(c); };
  statistics_->setModel(statisticsModel_);
  statistics_->verticalHeader()->hide();
  statistics_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  statistics_->verticalHeader()->setDefaultSectionSize(statistics_->fontMetrics().height() + 4);
  statistics_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Fixed widths that fit the titles: measuring millions of rows would not.
  const int statisticsWidths[7] = {130, 80, 130, 90, 90, 90, 80};
  for (int c = 0; c < 7; ++c) statistics_->setColumnWidth(c, statisticsWidths[c]);
  tabs->addTab(statistics_, "Statistics");
  plot_ = new PlotPanel(dialogs_, tabs);
  tabs->addTab(plot_, "Plot");
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 2);
  layout->addWidget(split, 1);
  counts_ = Named(new QLabel(this), "AnalysisStatus");
  layout->addWidget(counts_);

  connect(apply, &QPushButton::clicked, this, [this] { ApplyFilter(); });
  connect(channel_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
  connect(timeBase_, &QComboBox::currentIndexChanged, this, [this](int index) {
    analysis_->SetAbsoluteTime(index == 0);
    model_->Reset();
  });
  for (QLineEdit* e : {ids_, name_, data_}) connect(e, &QLineEdit::returnPressed, this, [this] { ApplyFilter(); });
  connect(next, &QPushButton::clicked, this, [this] { Search(true); });
  connect(previous, &QPushButton::clicked, this, [this] { Search(false); });
  connect(search_, &QLineEdit::returnPressed, this, [this] { Search(true); });
  connect(time_, &QLineEdit::returnPressed, this, [this] {
    bool ok = false;
    const double t = time_->text().toDouble(&ok);
    if (ok) GoToTime(t);
  });
  connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
    ShowSelectedSignals();
    // The plot's cursor follows the table...
    const QModelIndex index = list_->currentIndex();
    if (index.isValid() && !followingPlot_)
      plot_->Plot()->SetCursorTime(analysis_->Seconds(analysis_->Message(analysis_->MessageOfRow(size_t(index.row())))));
  });
  // ...and the table the plot's cursor.
  connect(plot_->Plot(), &PlotWidget::CursorPlaced, this, [this](double seconds) {
    followingPlot_ = true;  // the cursor stays where it was placed
    SelectRow(analysis_->RowAtLogSeconds(seconds));
    followingPlot_ = false;
  });
  // "Plot" on a signal of the selected row, as in the main window's panel:
  // the signal over the whole log, in the Plot tab.
  QTableWidget* signalRows = signals_->Table();
  signalRows->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(signalRows, &QWidget::customContextMenuRequested, this, [this, signalRows](const QPoint& at) {
    const int row = signalRows->rowAt(at.y());
    if (row < 0) return;
    QMenu menu;
    QAction* plot = menu.addAction("&Plot");
    plot->setObjectName("PlotSignal");
    if (menu.exec(signalRows->viewport()->mapToGlobal(at)) == plot) PlotSignalOfRow(row);
  });
  // The signals of the whole log go into the plot as they are added.
  connect(plot_, &PlotPanel::SignalAdded, this, [this] {
    plot_->Model().Clear();
    for (size_t i = 0; i < analysis_->MessageCount(); ++i) {
      const TAnalysisMessage& m = analysis_->Message(i);
      if (m.Remote() || m.Event != LOG_FRAME || (m.Flags & LOG_ERROR_FRAME)) continue;
      plot_->FeedFrame(m.Extended(), m.ID, analysis_->DataOf(m), m.Length, analysis_->Seconds(m));
    }
    plot_->Model().Follow = TPlotFollow::All;
  });
}

void AnalysisWindow::ApplyFilter() {
  TAnalysisFilter f;
  f.Ids = ids_->text().toStdString();
  f.Name = name_->text().toStdString();
  f.Direction = direction_->currentIndex() - 1;
  f.Channel = channel_->currentData().toInt();
  f.Data = data_->text().toStdString();
  analysis_->SetFilter(f, database_);
  model_->Reset();
  ShowCounts();
}

void AnalysisWindow::SelectRow(long row) {
  if (row < 0) return;
  const QModelIndex index = model_->index(int(row), 0);
  list_->setCurrentIndex(index);
  list_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

bool AnalysisWindow::Search(bool forward) {
  const long from = list_->currentIndex().isValid() ? list_->currentIndex().row() : (forward ? -1 : 0);
  const long row = analysis_->Find(search_->text().toStdString(), from, forward, database_);
  if (row < 0) {
    counts_->setText(counts_->text().section(" - ", 0, 0) + " - \"" + search_->text() + "\" not found");
    return false;
  }
  SelectRow(row);
  return true;
}

bool AnalysisWindow::GoToTime(double seconds) {
  const long row = analysis_->RowAtTime(seconds);
  SelectRow(row);
  return row >= 0;
}

void AnalysisWindow::ShowStatistics() { statisticsModel_->Set(analysis_->Statistics()); }

int StatisticsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(std::min<size_t>(statistics_.size(), size_t(INT32_MAX)));
}

int StatisticsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 7; }

QVariant StatisticsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= statistics_.size()) return {};
  const TIdStatistics& s = statistics_[size_t(index.row())];
  switch (index.column()) {
    case 0: {
      const QString id = s.IDE ? QString("%1x").arg(s.ID, 8, 16, QChar('0')).toUpper() : QString::number(s.ID, 16).toUpper();
      return s.Remote ? id + " remote" : id;
    }
    case 6: return QString::fromStdString(channelNames_ ? channelNames_(s.Channel) : std::to_string(s.Channel));
    case 1: return QString::number(s.Count);
    case 2: return Seconds(s.MeanPeriod);
    case 3: return Seconds(s.MinPeriod);
    case 4: return Seconds(s.MaxPeriod);
    case 5: return Seconds(s.Jitter);
    default: return {};
  }
}

QVariant StatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const char* const titles[7] = {"ID", "Count", "Mean period (ms)", "Min (ms)", "Max (ms)", "Jitter (ms)",
                                        "Channel"};
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= 7) return {};
  return QString(titles[section]);
}

bool AnalysisWindow::PlotSignalOfRow(int row) {
  const QModelIndex index = list_->currentIndex();
  const QTableWidgetItem* item = signals_->Table()->item(row, 0);
  if (!index.isValid() || !database_ || !item) return false;
  const TAnalysisMessage& m = analysis_->Message(analysis_->MessageOfRow(size_t(index.row())));
  const TDbcMessage* message = database_->Find(m.Extended() ? 1 : 0, m.ID);
  if (!message) return false;
  if (auto* tabs = findChild<QTabWidget*>("AnalysisTabs")) tabs->setCurrentWidget(plot_);
  return plot_->AddSignal(message->Name + "." + item->text().toStdString());
}

void AnalysisWindow::ShowSelectedSignals() {
  const QModelIndex index = list_->currentIndex();
  TFrameDescription d;
  if (index.isValid() && database_) {
    const TAnalysisMessage& m = analysis_->Message(analysis_->MessageOfRow(size_t(index.row())));
    d = DescribeFrame(*database_, m.Remote() ? 1 : 0, analysis_->Frame(m), true, ".");
  }
  signals_->ShowDescription(d);
}

void AnalysisWindow::IndexSome() {
  analysis_->ReadFor(std::chrono::milliseconds(30));
  model_->Grow();
  if (analysis_->Complete()) {
    indexing_->stop();
    FillChannels();
    ShowStatistics();
  }
  ShowCounts();
}

void AnalysisWindow::FillChannels() {
  const int chosen = channel_->currentData().toInt();
  const QSignalBlocker quiet(channel_);
  channel_->clear();
  channel_->addItem("All channels", 0);
  for (uint16_t c : analysis_->Channels())
    channel_->addItem(QString("Channel %1").arg(QString::fromStdString(analysis_->ChannelName(c))), int(c));
  channel_->setCurrentIndex(std::max(0, channel_->findData(chosen)));
}

void AnalysisWindow::ShowCounts() {
  QString text = QString("%1 messages, %2 shown").arg(analysis_->MessageCount()).arg(analysis_->RowCount());
  if (!analysis_->Complete())
    text += QString(" - indexing, %1 %").arg(int(analysis_->Progress() * 100.0));
  if (!analysis_->Error().empty())
    text += " - reading stopped: " + QString::fromStdString(analysis_->Error());
  // What the reader could not use, so that nothing is left out in silence.
  for (const std::string& note : analysis_->ReadNotes()) text += " - " + QString::fromStdString(note);
  counts_->setText(text);
}

}  // namespace tarvo
