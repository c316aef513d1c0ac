#include "view/qt/CANViewList.h"

#include <QCursor>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <cmath>

#include "view/qt/BalloonHint.h"
#include "view/qt/CANViewDelegate.h"
#include "view/CANViewRefresh.h"
#include "view/CANViewText.h"

namespace tarvo {

namespace {

struct TColumnWidth {
  int Minimum;
  int Width;
};

TColumnWidth ColumnWidth(TCANViewColumn column, double scaling) {
  switch (column) {
    case COLUMN_TYPE: return {70, 80};
    case COLUMN_TIME: return {70, 90};
    case COLUMN_ID: return {70, 80};
    case COLUMN_ASCII:
    case COLUMN_COUNT:
    case COLUMN_PERIOD: return {40, int(std::lrint(80 * scaling))};  // lrint: halves to even
    case COLUMN_NAME: return {70, int(std::lrint(180 * scaling))};
    default: return {40, 40};
  }
}

}  // namespace

CANViewList::CANViewList(TCANViewState& state, const TDisplaySettings& settings, QWidget* parent)
    : QTableView(parent),
      state_(state),
      settings_(settings),
      model_(new CANViewModel(state, settings, this)),
      balloon_(new BalloonHint(this)) {
  setObjectName(QStringLiteral("ListView1"));
  setModel(model_);
  setItemDelegate(new CANViewDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Per-item scrolling makes the scroll bar's position the top row's index.
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setShowGrid(true);
  // The selection stays visible while another control has the focus.
  QPalette p = palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(p);
  setWordWrap(false);
  setTabKeyNavigation(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(RowHeight());
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setMinimumSectionSize(40);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &CANViewList::VerticalScrollBarAction);
  // The keyboard moves the selection too, not only the mouse: the commands
  // that act on the selected row follow every change.
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CANViewList::UpdateSelectionCommands);
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, &CANViewList::KeepMinimumWidth);
  ConfigureCANView();
}

void CANViewList::ConfigureCANView(double scaling) {
  model_->ConfigureColumns();
  for (int c = 0; c < model_->columnCount(); ++c) setColumnWidth(c, ColumnWidth(model_->ColumnKind(c), scaling).Width);
}

void CANViewList::KeepMinimumWidth(int column, int, int newSize) {
  if (column >= model_->columnCount()) return;
  const int minimum = ColumnWidth(model_->ColumnKind(column), 1.0).Minimum;
  if (newSize < minimum) setColumnWidth(column, minimum);
}

void CANViewList::RefreshStep(uint32_t deltaMs) {
  if (!CANViewRefreshDue(state_.CANViewUpdateTimer, settings_.UpdateInterval, deltaMs)) return;
  const TCANViewRefresh refresh = PlanCANViewRefresh(state_, model_->ItemCount());
  model_->ApplyRefresh(refresh);
  if (refresh.SelectRow >= 0) SelectItem(refresh.SelectRow, refresh.ScrollToSelected);
}

void CANViewList::SyncItemCount() { model_->SetItemCount(state_.CANView.Count); }

void CANViewList::ClearCommand(bool running) {
  if (CANViewClear(state_, running)) model_->SetItemCount(0);
  clearSelection();
  UpdateSelectionCommands();
}

bool CANViewList::FixedCommand(bool running) {
  if (!CANViewSelectFixed(state_, settings_)) return false;
  // The list never shows rows beyond the resized store, running or not.
  SyncItemCount();
  emit ModeChanged();
  if (running) UpdateSelectionCommands();
  return true;
}

bool CANViewList::CyclicCommand(bool running) {
  if (!CANViewSelectCyclic(state_, settings_)) return false;
  SyncItemCount();
  emit ModeChanged();
  if (running) UpdateSelectionCommands();
  return true;
}

void CANViewList::ResetForStart() {
  ResetCANViewForStart(state_);
  model_->SetItemCount(0);
  UpdateSelectionCommands();
}

int32_t CANViewList::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void CANViewList::UpdateSelectionCommands() {
  emit SelectionCommandsChanged(CANViewSelectionCommandsEnabled(state_.CANView, SelectedRow()));
}

void CANViewList::ShowConversion() {
  const TConversionBalloon b =
      BuildConversionBalloon(state_.CANView, SelectedRow(), settings_.NumericBase, model_->DecimalSeparator());
  if (!b.Show) return;
  QPoint at = QCursor::pos();
  at.setX(std::max(at.x(), BalloonMinimumX));
  balloon_->ShowBalloon(at, QString::fromStdString(b.Title), QString::fromStdString(b.Text), b.TimeoutMs);
}

void CANViewList::HideConversion() { balloon_->HideBalloon(); }

// The wheel reaches a scroll bar as a move with the slider up; only a drag
// moves it with the slider down.
bool CANViewList::IsScrollBarAction(const QAbstractSlider& bar, int action) {
  return action != QAbstractSlider::SliderMove || bar.isSliderDown();
}

void CANViewList::VerticalScrollBarAction(int action) {
  if (IsScrollBarAction(*verticalScrollBar(), action)) UserScrolled();
}

void CANViewList::UserScrolled() {
  // actionTriggered comes before the list scrolls; the slider already holds
  // the new top row.
  const int32_t row = CANViewUserScrolled(state_, verticalScrollBar()->sliderPosition(), model_->ItemCount());
  if (row >= 0) SelectItem(row, false);
}

void CANViewList::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  UpdateSelectionCommands();
  HideConversion();
}

void CANViewList::SelectItem(int32_t row, bool scrollIntoView) {
  const QModelIndex index = model_->index(row, 0);
  if (!index.isValid()) return;
  // Selecting must not scroll by itself while the user holds the view.
  const bool autoScroll = hasAutoScroll();
  setAutoScroll(false);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  setAutoScroll(autoScroll);
  if (scrollIntoView) scrollTo(index);
}

int CANViewList::RowHeight() const { return std::max(fontMetrics().height(), 16) + 4; }  // 16: the icons

void CANViewList::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) verticalHeader()->setDefaultSectionSize(RowHeight());
}

void CANViewList::paintEvent(QPaintEvent* event) {
  CheckRowsShown();
  QTableView::paintEvent(event);
}

void CANViewList::CheckRowsShown() {
  const int32_t count = model_->ItemCount();
  const int first = rowAt(0);
  if (first < 0) return;
  int last = rowAt(viewport()->height() - 1);
  if (last < 0) last = count - 1;
  CANViewRowsShown(state_, first, last, count);
}

}  // namespace tarvo
