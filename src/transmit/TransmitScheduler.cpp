#include "transmit/TransmitScheduler.h"

#include "common/TimeUnits.h"

namespace tarvo {

TTransmitScheduler::TTransmitScheduler(TCANTransmit& list, TransmitHost& host, CANMessageSender& sender,
                                     TransmitEcho& echo, Clock& clock)
    : list_(list), host_(host), sender_(sender), echo_(echo), clock_(clock) {}

// ---- Sending and echoing -------------------------------------------------------

TResult TTransmitScheduler::Send(const TCANTransmitMessage& m, int32_t bufferNo, uint32_t periodCode) {
  return sender_.SendCANMessage(m.IDE, m.ID, m.RTR, WireDLC(m.DLC), m.Data.data(), uint8_t(bufferNo),
                                uint8_t(periodCode));
}

TResult TTransmitScheduler::StopBuffer(int32_t bufferNo) {
  return sender_.SendCANMessage(0, 0, 0, 0, nullptr, uint8_t(bufferNo), 0);
}

void TTransmitScheduler::Echo(const TCANTransmitMessage& m, uint32_t timeMs) {
  echo_.EchoTransmitMessage(m.IDE, m.ID, m.RTR, WireDLC(m.DLC), m.Data.data(), timeMs);
}

// The first multiple of the period after the present adapter time.
uint32_t TTransmitScheduler::NextMultipleAfterNow(uint32_t periodMs) {
  const uint32_t now = host_.TarvoTime();
  return periodMs + now - now % periodMs;
}

// ---- Start of a run --------------------------------------------------------------

TResult TTransmitScheduler::LoadRepetitionBuffer(int32_t row, bool align) {
  TCANTransmitMessage& item = list_.List[row];
  const uint32_t period = PeriodMs(item.PeriodIndex);
  if (period == 0) {
    item.BufferNo = 0;
    return RES_OK;
  }
  item.Time = align ? NextMultipleAfterNow(period) : period;
  if (list_.RepetitionBufferNo > RepetitionBufferCount) {
    item.BufferNo = 0;  // the host sends it from the tick
    return RES_OK;
  }
  item.BufferNo = list_.RepetitionBufferNo++;
  // A disabled item still holds its buffer, silent, so ticking its check box
  // later only has to reload that buffer.
  return Send(item, item.BufferNo, item.EnabledFlag ? item.PeriodIndex : 0);
}

TResult TTransmitScheduler::LoadTransmitList() {
  list_.RepetitionBufferNo = 1;
  for (int32_t row = 0; row < list_.Count; ++row) {
    const TResult result = LoadRepetitionBuffer(row, false);
    // A failed load would leave a buffer silent while its echoes claim
    // otherwise, so it fails the start whichever item it was.
    if (result != RES_OK) return result;
    clock_.WaitProcessingMessages(RepetitionBufferLoadGapMs);
    if (host_.StartCancelled()) {
      StopLoadedBuffers();
      return RES_OK;
    }
  }
  MarkAllItemsHandedOver();
  return RES_OK;
}

// A cancelled start leaves nothing repeating on the bus behind controls that
// show the adapter stopped.
void TTransmitScheduler::StopLoadedBuffers() {
  for (int32_t bufferNo = 1; bufferNo < list_.RepetitionBufferNo; ++bufferNo) StopBuffer(bufferNo);
}

void TTransmitScheduler::MarkAllItemsHandedOver() { list_.DisplayCount = list_.Count; }

void TTransmitScheduler::PrepareReceiveOnlyRun() {
  list_.DisplayCount = 0;
  list_.RepetitionBufferNo = 1;
}

// ---- Update tick -------------------------------------------------------------------

// Transmission switched on in a receive-only run: one item per tick, each
// aligned to its period; the run counts as transmitting one tick after the
// last item, so that item's echoes too start a tick after its loading.
void TTransmitScheduler::HandOverNextItem() {
  if (list_.DisplayCount < list_.Count) {
    LoadRepetitionBuffer(list_.DisplayCount, true);
    ++list_.DisplayCount;
  } else {
    host_.HandOverComplete();
  }
}

void TTransmitScheduler::AddScheduleEntry(int32_t row, uint32_t timeMs) {
  schedule_[scheduleCount_] = {row, uint32_t(MsToTicks(timeMs))};
  if (scheduleCount_ < TransmitScheduleUsable) ++scheduleCount_;
}

// One pass over the handed-over items; true when an item is still late by
// more than one period and needs another pass.
bool TTransmitScheduler::SchedulePass(uint32_t dueLimit) {
  bool anotherPass = false;
  const uint32_t now = host_.TarvoTime();
  for (int32_t row = 0; row < list_.DisplayCount; ++row) {
    TCANTransmitMessage& item = list_.List[row];
    const uint32_t period = PeriodMs(item.PeriodIndex);
    if (!item.EnabledFlag || period == 0 || item.Time >= dueLimit) continue;
    AddScheduleEntry(row, item.Time);
    item.Time += period;
    if (item.Time <= now) anotherPass = true;
  }
  return anotherPass;
}

void TTransmitScheduler::BuildTransmitSchedule() {
  scheduleCount_ = 0;
  schedulePos_ = 0;
  if (host_.ListenOnly()) return;
  if (host_.Phase() == TTransmitPhase::HandingOver) HandOverNextItem();
  // Due before the next tick, assuming it comes as late as this one did.
  const uint32_t dueLimit = host_.TarvoTime() + host_.DeltaPCTime();
  while (SchedulePass(dueLimit)) {
  }
}

// The adapter repeats a buffered item itself; its echo waits until the
// buffer was loaded at least one tick ago.
bool TTransmitScheduler::EchoesRepeatedItem(int32_t row) {
  switch (host_.Phase()) {
    case TTransmitPhase::Full: return true;
    case TTransmitPhase::HandingOver: return row < list_.DisplayCount - 1;
    default: return false;
  }
}

void TTransmitScheduler::ProcessTransmitSchedule(bool final, uint32_t nextTimeStamp) {
  for (; schedulePos_ < scheduleCount_; ++schedulePos_) {
    const TTransmitScheduleEntry& entry = schedule_[schedulePos_];
    if (!final && entry.DueTicks > nextTimeStamp) return;
    const uint32_t dueMs = uint32_t(TicksToMs(entry.DueTicks));
    const TCANTransmitMessage& item = list_.List[entry.Row];
    if (item.BufferNo == 0) {
      if (Send(item, 0, 0) == RES_OK) Echo(item, dueMs);
    } else if (EchoesRepeatedItem(entry.Row)) {
      Echo(item, dueMs);
    }
  }
}

// ---- Changes while running -------------------------------------------------------

void TTransmitScheduler::UpdateRepetitionBuffer(int32_t row) {
  if (!host_.Running() || host_.ListenOnly() || row < 0 || row >= list_.Count) return;
  TCANTransmitMessage& item = list_.List[row];
  const uint32_t period = PeriodMs(item.PeriodIndex);
  const bool repeats = item.EnabledFlag && period != 0;
  if (item.BufferNo == 0) {
    // A host-sent item that was disabled or had another trigger would
    // otherwise be "late" by every period it missed and go out in a burst.
    if (repeats && row < list_.DisplayCount) item.Time = NextMultipleAfterNow(period);
    return;
  }
  // While transmission is being switched on, only the items already handed
  // over hold their buffers; the others are loaded as they are when their
  // turn comes. A loaded buffer takes the change at once, or it would keep
  // sending what the list no longer says.
  if (host_.Phase() == TTransmitPhase::ReceiveOnly || row >= list_.DisplayCount) return;
  if (repeats) {
    item.Time = NextMultipleAfterNow(period);
    Send(item, item.BufferNo, item.PeriodIndex);
  } else {
    StopBuffer(item.BufferNo);
  }
}

// ---- Single sends -------------------------------------------------------------------

bool TTransmitScheduler::MaySendOnTrigger() { return host_.Running() && !host_.ListenOnly(); }

void TTransmitScheduler::OnKeyDown(int virtualKey, TShiftState shift) {
  const int keyNo = TransmitKeyNo(virtualKey, shift);
  if (keyNo != 0) SendKeyItems(keyNo);
}

void TTransmitScheduler::SendKeyItems(int keyNo) {
  if (!MaySendOnTrigger()) return;
  for (int32_t row = 0; row < list_.Count; ++row) {
    const TCANTransmitMessage& item = list_.List[row];
    if (!item.EnabledFlag || item.Key != keyNo) continue;
    if (Send(item, 0, 0) == RES_OK) Echo(item, host_.TarvoTime());
  }
}

TResult TTransmitScheduler::SendNow(const TCANTransmitMessage& message) {
  const TResult result = Send(message, 0, 0);
  if (result == RES_OK) Echo(message, host_.TarvoTime());
  return result;
}

}  // namespace tarvo
