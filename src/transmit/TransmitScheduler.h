#pragma once
// Puts the transmit list on the bus while the adapter runs.
//
// At the start of a run the first fifteen periodic items go into the
// adapter's fifteen repetition buffers; the adapter repeats them itself.
// Every further periodic item is sent by the host from the update tick.
// The adapter does not report what it sends, so the host computes every
// periodic due time itself, for the repeated items too, and echoes each
// transmission at its due time, interleaved with the received messages by
// time stamp. Keys and "Now" send at once and echo at the present time.
//
// Update tick, per 10 ms:
//   BuildTransmitSchedule();                       // before the receive path
//   for each received message m in order:
//     ProcessTransmitSchedule(false, m.TimeStamp); // transmissions due first
//     ... enter m into the CAN View ...
//   ProcessTransmitSchedule(true, 0);              // the rest of this tick
#include <array>
#include <cstdint>

#include "common/Clock.h"
#include "common/ResultCodes.h"
#include "transmit/TransmitKeys.h"
#include "transmit/TransmitList.h"
#include "transmit/TransmitSeams.h"

namespace tarvo {

inline constexpr int32_t RepetitionBufferCount = 15;
inline constexpr int32_t TransmitScheduleSize = 1000;
// Entries beyond this overwrite the last slot, which is never processed.
inline constexpr int32_t TransmitScheduleUsable = TransmitScheduleSize - 1;
// Pause between two repetition-buffer loads at the start of a run.
inline constexpr uint32_t RepetitionBufferLoadGapMs = 5;

struct TTransmitScheduleEntry {
  int32_t Row = 0;
  uint32_t DueTicks = 0;  // adapter ticks of 25.6 us
};

class TTransmitScheduler {
 public:
  TTransmitScheduler(TCANTransmit& list, TransmitHost& host, CANMessageSender& sender, TransmitEcho& echo,
                    Clock& clock);

  // ---- Start of a run -------------------------------------------------------
  // Gives the item a repetition buffer and loads it, silent when the item is
  // disabled; an item without a period gets none, and once the fifteen are
  // handed out the host sends the item itself. align: the first due time is
  // the next multiple of the period after the present adapter time.
  TResult LoadRepetitionBuffer(int32_t row, bool align);
  // Every item in list order, 5 ms apart. Stops at the first failed load and
  // returns its result; on success every item counts as handed over. When
  // the start is cancelled during a pause, the buffers loaded so far are
  // stopped and nothing more is loaded.
  TResult LoadTransmitList();
  void MarkAllItemsHandedOver();
  // A receive-only start: nothing handed over, buffers handed out from 1.
  void PrepareReceiveOnlyRun();

  // ---- Update tick ----------------------------------------------------------
  void BuildTransmitSchedule();
  // final false: the transmissions due not later than nextTimeStamp (adapter
  // ticks of the received message about to be entered); final true: all
  // that remain in this tick.
  void ProcessTransmitSchedule(bool final, uint32_t nextTimeStamp);

  // ---- Changes while running ------------------------------------------------
  // After "Modify" and a click on an item's check box.
  void UpdateRepetitionBuffer(int32_t row);

  // ---- Single sends ---------------------------------------------------------
  // The main window's key handler; the key press is not consumed.
  void OnKeyDown(int virtualKey, TShiftState shift);
  // Sends every enabled item bound to keyNo (1..18), when allowed.
  void SendKeyItems(int keyNo);
  // Sends the message once now and echoes it at the present adapter time;
  // the caller has checked that the adapter runs and may transmit.
  TResult SendNow(const TCANTransmitMessage& message);

  // ---- Inspection -----------------------------------------------------------
  int32_t TransmitScheduleCount() const { return scheduleCount_; }
  int32_t TransmitSchedulePos() const { return schedulePos_; }
  const TTransmitScheduleEntry& ScheduleEntry(int32_t index) const { return schedule_[index]; }

 private:
  TResult Send(const TCANTransmitMessage& m, int32_t bufferNo, uint32_t periodCode);
  TResult StopBuffer(int32_t bufferNo);
  void StopLoadedBuffers();
  void Echo(const TCANTransmitMessage& m, uint32_t timeMs);
  uint32_t NextMultipleAfterNow(uint32_t periodMs);
  void HandOverNextItem();
  bool SchedulePass(uint32_t dueLimit);
  void AddScheduleEntry(int32_t row, uint32_t timeMs);
  bool EchoesRepeatedItem(int32_t row);
  bool MaySendOnTrigger();

  TCANTransmit& list_;
  TransmitHost& host_;
  CANMessageSender& sender_;
  TransmitEcho& echo_;
  Clock& clock_;
  std::array<TTransmitScheduleEntry, TransmitScheduleSize> schedule_{};
  int32_t scheduleCount_ = 0;
  int32_t schedulePos_ = 0;
};

}  // namespace tarvo
