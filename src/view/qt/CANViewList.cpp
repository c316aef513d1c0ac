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
      m_state(state),
      m_settings(settings),
      m_model(new CANViewModel(state, settings, this)),
      m_balloon(new BalloonHint(this)) {
  setObjectName(QStringLiteral("ListView1"));
  setModel(m_model);
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
  m_model->ConfigureColumns();
  for (int c = 0; c < m_model->columnCount(); ++c) setColumnWidth(c, ColumnWidth(m_model->ColumnKind(c), scaling).Width);
}

void CANViewList::KeepMinimumWidth(int column, int, int newSize) {
  if (column >= m_model->columnCount()) return;
  const int minimum = ColumnWidth(m_model->ColumnKind(column), 1.0).Minimum;
  if (newSize < minimum) setColumnWidth(column, minimum);
}

void CANViewList::RefreshStep(uint32_t deltaMs) {
  if (!CANViewRefreshDue(m_state.CANViewUpdateTimer, m_settings.UpdateInterval, deltaMs)) return;
  const TCANViewRefresh refresh = PlanCANViewRefresh(m_state, m_model->ItemCount());
  m_model->ApplyRefresh(refresh);
  if (refresh.SelectRow >= 0) SelectItem(refresh.SelectRow, refresh.ScrollToSelected);
}

void CANViewList::SyncItemCount() { m_model->SetItemCount(m_state.CANView.Count); }

void CANViewList::ClearCommand(bool running) {
  if (CANViewClear(m_state, running)) m_model->SetItemCount(0);
  clearSelection();
  UpdateSelectionCommands();
}

bool CANViewList::FixedCommand(bool running) {
  if (!CANViewSelectFixed(m_state, m_settings)) return false;
  // The list never shows rows beyond the resized store, running or not.
  SyncItemCount();
  emit ModeChanged();
  if (running) UpdateSelectionCommands();
  return true;
}

bool CANViewList::CyclicCommand(bool running) {
  if (!CANViewSelectCyclic(m_state, m_settings)) return false;
  SyncItemCount();
  emit ModeChanged();
  if (running) UpdateSelectionCommands();
  return true;
}

void CANViewList::ResetForStart() {
  ResetCANViewForStart(m_state);
  m_model->SetItemCount(0);
  UpdateSelectionCommands();
}

int32_t CANViewList::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void CANViewList::UpdateSelectionCommands() {
  emit SelectionCommandsChanged(CANViewSelectionCommandsEnabled(m_state.CANView, SelectedRow()));
}

void CANViewList::ShowConversion() {
  const TConversionBalloon b =
      BuildConversionBalloon(m_state.CANView, SelectedRow(), m_settings.NumericBase, m_model->DecimalSeparator());
  if (!b.Show) return;
  QPoint at = QCursor::pos();
  at.setX(std::max(at.x(), BalloonMinimumX));
  m_balloon->ShowBalloon(at, QString::fromStdString(b.Title), QString::fromStdString(b.Text), b.TimeoutMs);
}

void CANViewList::HideConversion() { m_balloon->HideBalloon(); }

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
  const int32_t row = CANViewUserScrolled(m_state, verticalScrollBar()->sliderPosition(), m_model->ItemCount());
  if (row >= 0) SelectItem(row, false);
}

void CANViewList::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  UpdateSelectionCommands();
  HideConversion();
}

void CANViewList::SelectItem(int32_t row, bool scrollIntoView) {
  const QModelIndex index = m_model->index(row, 0);
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
  const int32_t count = m_model->ItemCount();
  const int first = rowAt(0);
  if (first < 0) return;
  int last = rowAt(viewport()->height() - 1);
  if (last < 0) last = count - 1;
  CANViewRowsShown(m_state, first, last, count);
}

}  // namespace tarvo
