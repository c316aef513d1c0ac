#include "view/CANViewRefresh.h"

namespace tarvo {

namespace {
// Rows from the end within which a scrolled cyclic view counts as "at the newest".
constexpr int32_t NewestRowsMargin = 10;
}  // namespace

bool CANViewRefreshDue(uint32_t& updateTimer, uint32_t updateInterval, uint32_t deltaMs) {
  if (updateTimer < updateInterval) {
    updateTimer += deltaMs;
    return false;
  }
  updateTimer -= updateInterval;
  return true;
}

TCANViewRefresh PlanCANViewRefresh(const TCANViewState& s, int32_t listItemCount) {
  TCANViewRefresh r;
  r.ItemCount = s.CANView.Count;
  r.ItemCountChanged = listItemCount != r.ItemCount;
  // Fixed entries and a wrapped ring change rows the list already shows.
  r.RepaintAll = !r.ItemCountChanged && (s.Mode == VIEW_FIXED || s.CyclicOverwriteFlag);
  if (s.Mode != VIEW_CYCLIC) return r;
  if (s.CyclicOverwriteFlag) {
    r.SelectRow = s.CyclicItemNo - 1;
    r.ScrollToSelected = !s.CyclicManualScrollFlag;
  } else if (r.ItemCount > 0 && !s.CyclicManualScrollFlag) {
    r.SelectRow = r.ItemCount - 1;
    r.ScrollToSelected = true;
  }
  return r;
}

int32_t CANViewUserScrolled(TCANViewState& s, int32_t topRow, int32_t listItemCount) {
  if (s.Mode != VIEW_CYCLIC) return -1;
  s.CyclicManualScrollFlag = true;
  if (!s.CyclicOverwriteFlag && topRow >= 0 && topRow < listItemCount - NewestRowsMargin) return topRow;
  return -1;
}

void CANViewRowsShown(TCANViewState& s, int32_t startRow, int32_t endRow, int32_t listItemCount) {
  if (s.Mode != VIEW_CYCLIC || !s.CyclicManualScrollFlag) return;
  const bool newestShown = s.CyclicOverwriteFlag ? (startRow < s.CyclicItemNo && s.CyclicItemNo < endRow)
                                                 : endRow > listItemCount - NewestRowsMargin;
  if (newestShown) s.CyclicManualScrollFlag = false;
}

bool CANViewSelectionCommandsEnabled(const TCANView& view, int32_t selectedRow) {
  if (selectedRow < 0 || selectedRow >= view.Count) return false;
  return view.List[size_t(selectedRow)].ItemType <= ITEM_RR && view.List[size_t(selectedRow)].ItemType >= ITEM_RD;
}

}  // namespace tarvo
