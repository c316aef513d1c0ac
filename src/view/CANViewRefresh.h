#pragma once
// The rules of the CAN View list that need no widget: the refresh cadence,
// what a refresh does to the list, the cyclic auto-scroll with its manual
// override, and the selection-dependent commands. CANViewList applies them
// to a QTableView; tests run them directly.
#include <cstdint>

#include "view/CANViewStore.h"

namespace tarvo {

// Called by the update tick on every tick with the ms since the previous
// tick. True when the list is to be refreshed now; the timer carries the
// excess over. With UpdateInterval 0 every tick refreshes; with 100 and a
// steady 10 ms tick every 11th tick does.
bool CANViewRefreshDue(uint32_t& updateTimer, uint32_t updateInterval, uint32_t deltaMs);

struct TCANViewRefresh {
  int32_t ItemCount = 0;          // the list's item count from now on (the store's Count)
  bool ItemCountChanged = false;  // rows to insert or remove; the list requests rows anew
  bool RepaintAll = false;        // same count, but rows changed in place
  int32_t SelectRow = -1;         // row to select; -1 leaves the selection alone
  bool ScrollToSelected = false;
};

// What one refresh does, given the list's current item count.
TCANViewRefresh PlanCANViewRefresh(const TCANViewState& s, int32_t listItemCount);

// The user moved the vertical scroll bar (not the wheel over the list or the
// keyboard); topRow is the first visible row after the scroll. In cyclic mode
// the view stops following. Returns the row to select, or -1.
int32_t CANViewUserScrolled(TCANViewState& s, int32_t topRow, int32_t listItemCount);

// The list is about to show rows startRow..endRow (both included). In cyclic
// mode with the manual override on, bringing the newest rows back into view
// resumes following.
void CANViewRowsShown(TCANViewState& s, int32_t startRow, int32_t endRow, int32_t listItemCount);

// The three "Copy To Tx" and the three "Filter On ID" commands are enabled
// only while a received data or remote frame is selected (row -1: none).
bool CANViewSelectionCommandsEnabled(const TCANView& view, int32_t selectedRow);

}  // namespace tarvo
