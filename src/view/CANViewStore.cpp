#include "view/CANViewStore.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/TimeUnits.h"

namespace tarvo {

namespace {

constexpr int32_t FixedGrowth = 1000;

// Kinds 0..3 follow from the RTR byte; any non-zero RTR is a remote frame, so
// a stray RTR value can never turn a message into a status entry.
int32_t ReceiveKind(uint8_t rtr) { return rtr ? ITEM_RR : ITEM_RD; }
int32_t TransmitKind(uint8_t rtr) { return rtr ? ITEM_TR : ITEM_TD; }

bool IsMessageKind(int32_t kind) { return kind <= ITEM_TR; }

bool Matches(const TCANViewMessage& e, int32_t kind, uint8_t ide, uint32_t id) {
  if (e.ItemType != kind) return false;
  return !IsMessageKind(kind) || (e.Item.IDE == ide && e.Item.ID == id);
}

// The fixed entry of an identity, or -1. Status kinds match on kind alone.
int32_t FindFixedEntry(const TCANView& v, int32_t kind, uint8_t ide = 0, uint32_t id = 0) {
  const uint64_t key = IsMessageKind(kind) ? TCANViewIndex::Key(kind, ide, id) : TCANViewIndex::Key(kind, 0, 0);
  const int32_t i = v.Index.Find(key);
  if (i >= 0 && i < v.Count && Matches(v.List[size_t(i)], kind, ide, id)) return i;
  return -1;
}

void IndexFixedEntry(TCANView& v, int32_t i) {
  const TCANViewMessage& e = v.List[size_t(i)];
  const bool message = IsMessageKind(e.ItemType);
  v.Index.Insert(TCANViewIndex::Key(e.ItemType, message ? e.Item.IDE : 0, message ? e.Item.ID : 0), i);
}

// Appends n (1 or 2) entries, growing the list by one step when needed;
// returns the first new position.
int32_t AppendFixedEntries(TCANView& v, int32_t n) {
  v.Count += n;
  if (v.Count > v.Size) {
    v.Size += FixedGrowth;
    v.List.resize(size_t(v.Size));
  }
  return v.Count - n;
}

// One slot of the cyclic ring; -1 only for a ring never sized.
int32_t AllocateCyclicSlot(TCANViewState& s) {
  TCANView& v = s.CANView;
  if (v.Size <= 0) return -1;
  if (!s.CyclicOverwriteFlag) {
    if (v.Count < v.Size) return v.Count++;
    s.CyclicOverwriteFlag = true;
    s.CyclicItemNo = 1;
    return 0;
  }
  if (s.CyclicItemNo >= v.Count) {
    s.CyclicItemNo = 1;
    return 0;
  }
  return s.CyclicItemNo++;
}

void ResizeList(TCANView& v, int32_t size) {
  v.List.resize(size_t(size));
  // Leaving a million-entry ring for a small list should give the memory back.
  if (v.List.capacity() > 2 * v.List.size()) v.List.shrink_to_fit();
  v.Size = size;
}

void EmptyStore(TCANViewState& s) {
  s.CANView.Count = 0;
  s.CANView.Index.Clear();
  // A wrapped flag over an empty ring would let the next entry land beyond
  // Count (or beyond a smaller ring), so emptying always ends the wrap.
  s.CyclicOverwriteFlag = false;
  s.CyclicItemNo = 0;
}

// Count and Period of a received message in the cyclic view.
void CountCyclicMessage(TCyclicMessageCounts& table, const TTarvoCAN& m, uint32_t& count, uint32_t& period) {
  for (int32_t i = 0; i < table.Used; ++i) {
    TCyclicMessageCount& c = table.Entries[size_t(i)];
    if (c.RTR == m.RTR && c.IDE == m.IDE && c.ID == m.ID) {
      c.Count += 1;
      period = m.TimeStamp - c.TimeStamp;
      c.TimeStamp = m.TimeStamp;
      count = c.Count;
      return;
    }
  }
  count = 0;
  period = 0;
  if (table.Used == CyclicMessageCountCapacity) return;
  table.Entries[size_t(table.Used++)] = {m.IDE, m.ID, m.RTR, 1, m.TimeStamp};
  count = 1;
}

void SetTransmitFields(TCANViewMessage& e, uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc,
                       const uint8_t data[8], uint32_t ticks) {
  e.ItemType = TransmitKind(rtr);
  e.Item.IDE = ide;
  e.Item.RTR = rtr;
  e.Item.ID = id;
  e.Item.DLC = dlc;
  std::memcpy(e.Item.Data, data, sizeof e.Item.Data);
  e.Item.TimeStamp = ticks;
}

// Bus-state classification of a status record; updates the last bus state.
int32_t ClassifyBusState(uint8_t& lastBusState, uint8_t statusCode, uint8_t busState) {
  if (busState != lastBusState) {
    lastBusState = busState;
    if (busState & 0x20) return 4;
    if (busState & 0x18) return 3;
    if (busState & 0x06) return 2;
    return 0;
  }
  return (statusCode & 0x20) ? 1 : 0;  // "CAN RX INVALID": an error frame
}

void SetCounterEntry(TCANViewMessage& e, int32_t kind, uint32_t timeStamp, uint8_t counter) {
  e.ItemType = kind;
  e.Item.TimeStamp = timeStamp;
  e.Item.Data[0] = counter;
}

}  // namespace

void DisplayReceiveMessage(TCANViewState& s, const TDisplaySettings& settings, const TTarvoCAN& m) {
  TCANView& v = s.CANView;
  const int32_t kind = ReceiveKind(m.RTR);
  uint32_t count = 0;
  uint32_t period = 0;
  if (s.Mode == VIEW_FIXED) {
    int32_t i = FindFixedEntry(v, kind, m.IDE, m.ID);
    if (i >= 0) {
      TCANViewMessage& e = v.List[size_t(i)];
      e.Count += 1;
      e.Period = m.TimeStamp - e.Item.TimeStamp;  // modulo 2^32: survives the wrap
      e.Item = m;
      count = e.Count;
      period = e.Period;
    } else {
      i = AppendFixedEntries(v, 1);
      v.List[size_t(i)] = {kind, 1, 0, m};
      IndexFixedEntry(v, i);
      count = 1;
    }
  } else {
    if (settings.MessageCount || settings.MessagePeriod) CountCyclicMessage(s.CyclicMessageCounts, m, count, period);
    const int32_t slot = AllocateCyclicSlot(s);
    if (slot >= 0) v.List[size_t(slot)] = {kind, count, period, m};
  }
  if (s.LogSink) s.LogSink->LogReceiveMessage(m, count, period);
}

void DisplayTransmitMessage(TCANViewState& s, uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc,
                            const uint8_t data[8], uint32_t timeMs) {
  if (!s.TxDisplayEnabledFlag) return;
  TCANView& v = s.CANView;
  const uint32_t ticks = uint32_t(MsToTicks(timeMs));  // modulo 2^32, as the adapter's clock
  if (s.Mode == VIEW_FIXED) {
    int32_t i = FindFixedEntry(v, TransmitKind(rtr), ide, id);
    if (i >= 0) {
      TTarvoCAN& item = v.List[size_t(i)].Item;
      item.TimeStamp = ticks;
      item.DLC = dlc;
      std::memcpy(item.Data, data, sizeof item.Data);
      return;
    }
    i = AppendFixedEntries(v, 1);
    SetTransmitFields(v.List[size_t(i)], ide, id, rtr, dlc, data, ticks);
    IndexFixedEntry(v, i);
    return;
  }
  const int32_t slot = AllocateCyclicSlot(s);
  if (slot >= 0) SetTransmitFields(v.List[size_t(slot)], ide, id, rtr, dlc, data, ticks);
}

void DisplayReplayMessages(TCANViewState& s, std::span<const TTarvoCAN> messages, uint32_t end,
                           uint32_t& readPosition) {
  end = uint32_t(std::min<size_t>(end, messages.size()));
  for (; readPosition < end; ++readPosition) {
    const TTarvoCAN& m = messages[readPosition];
    DisplayTransmitMessage(s, m.IDE, m.ID, m.RTR, m.DLC, m.Data, uint32_t(TicksToMs(m.TimeStamp)));
  }
}

int32_t DisplayBusState(TCANViewState& s, const TDeviceStatus& status) {
  if (status.StatusType != 1) return 0;
  const int32_t code = ClassifyBusState(s.CANBusState, status.Param[2], status.Param[3]);
  if (code == 0) return 0;
  const int32_t kind = code + 3;
  TCANView& v = s.CANView;
  int32_t i;
  if (s.Mode == VIEW_FIXED) {
    i = FindFixedEntry(v, kind);
    if (i < 0) {
      i = AppendFixedEntries(v, 1);
      v.List[size_t(i)].ItemType = kind;
      IndexFixedEntry(v, i);
    }
  } else {
    i = AllocateCyclicSlot(s);
    if (i >= 0) v.List[size_t(i)].ItemType = kind;
  }
  if (i >= 0) v.List[size_t(i)].Item.TimeStamp = status.TimeStamp;
  if (s.LogSink) s.LogSink->LogBusEvent(code, status.TimeStamp);
  return code;
}

void DisplayErrorCounters(TCANViewState& s, const TDeviceStatus& status) {
  if (status.StatusType != 3) return;
  const uint8_t rx = status.Param[2];
  const uint8_t tx = status.Param[3];
  const uint32_t t = status.TimeStamp;
  if (rx > 0 || tx > 0) s.ErrorCountersActiveFlag = true;
  if (!s.ErrorCountersActiveFlag) return;
  TCANView& v = s.CANView;
  if (s.Mode == VIEW_FIXED) {
    int32_t i = FindFixedEntry(v, ITEM_RE);
    if (i < 0) {
      i = AppendFixedEntries(v, 2);
      SetCounterEntry(v.List[size_t(i)], ITEM_RE, t, rx);
      IndexFixedEntry(v, i);
    } else {
      SetCounterEntry(v.List[size_t(i)], ITEM_RE, t, rx);
    }
    // The "TE" entry was appended right after its "RE" entry.
    if (i + 1 < v.Count) SetCounterEntry(v.List[size_t(i + 1)], ITEM_TE, t, tx);
  } else {
    // Two slots one after the other: the pair may straddle the ring's end.
    const int32_t re = AllocateCyclicSlot(s);
    if (re >= 0) SetCounterEntry(v.List[size_t(re)], ITEM_RE, t, rx);
    const int32_t te = AllocateCyclicSlot(s);
    if (te >= 0) SetCounterEntry(v.List[size_t(te)], ITEM_TE, t, tx);
  }
  if (rx == 0 && tx == 0) s.ErrorCountersActiveFlag = false;
}

bool SetCANViewBufferSize(TCANViewState& s, const TDisplaySettings& settings) {
  EmptyStore(s);
  if (s.Mode == VIEW_FIXED) {
    ResizeList(s.CANView, FixedGrowth);
    return true;
  }
  const int32_t size = std::clamp(settings.CyclicBufferSize, CyclicBufferSizeSmall, CyclicBufferSizeLarge);
  try {
    ResizeList(s.CANView, size);
    return true;
  } catch (const std::bad_alloc&) {
    ResizeList(s.CANView, CyclicBufferSizeSmall);
    return false;
  }
}

bool CANViewClear(TCANViewState& s, bool running) {
  EmptyStore(s);
  if (running && s.Mode == VIEW_CYCLIC) s.CyclicManualScrollFlag = false;
  return !running;
}

bool CANViewSelectFixed(TCANViewState& s, const TDisplaySettings& settings) {
  if (s.Mode == VIEW_FIXED) return false;
  s.Mode = VIEW_FIXED;
  SetCANViewBufferSize(s, settings);
  s.CyclicMessageCounts.Clear();
  return true;
}

bool CANViewSelectCyclic(TCANViewState& s, const TDisplaySettings& settings) {
  if (s.Mode == VIEW_CYCLIC) return false;
  s.Mode = VIEW_CYCLIC;
  s.CyclicManualScrollFlag = false;
  SetCANViewBufferSize(s, settings);  // also ends any wrap
  s.CyclicMessageCounts.Clear();
  return true;
}

void ResetCANViewForStart(TCANViewState& s) {
  EmptyStore(s);
  s.CyclicManualScrollFlag = false;
  s.CANViewUpdateTimer = 0;
  s.CyclicMessageCounts.Clear();
  s.CANBusState = 0;
  s.TxDisplayEnabledFlag = true;
  s.ErrorCountersActiveFlag = false;
}

}  // namespace tarvo
