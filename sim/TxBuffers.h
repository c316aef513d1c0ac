#pragma once
// What the adapter has to send: a queue of single frames, sent in order, and
// fifteen repetition buffers. A repetition buffer fires at every multiple of
// its period counted from the start of the run (the firmware's millisecond
// timer), so a buffer loaded before the run first fires one period after the
// start, and one loaded during the run at the next multiple of its period.
#include <cstddef>
#include <cstdint>
#include <deque>

#include "sim/CanFrame.h"

namespace tarvo::sim {

inline constexpr int RepetitionBuffers = 15;
inline constexpr size_t MaxPendingSingles = 64;

class TxBuffers {
 public:
  // Slot 0 is the oldest single frame, slots 1..15 the repetition buffers.
  static constexpr int SingleSlot = 0;

  bool QueueSingle(const CanFrame& f, int64_t now);  // false when the queue is full
  void Load(int buffer, const CanFrame& f, uint32_t periodMs, int64_t now);
  void Stop(int buffer);

  void StartRun(int64_t runStart);
  void EndRun();  // ends every repetition and drops the single frames
  void DropSingles() { singles_.clear(); }

  // Earliest time a slot wants to send, NoTime when nothing is pending.
  int64_t EarliestReady() const;
  int EarliestSlot() const;
  // The slot ready at t that wins arbitration; -1 when none is ready.
  int Best(int64_t t, uint64_t& key) const;
  // Takes the slot's frame for sending at t and schedules its next repetition.
  CanFrame Take(int slot, int64_t t);

 private:
  struct Single { CanFrame Frame; int64_t Ready; };
  struct Buffer {
    CanFrame Frame;
    int64_t PeriodNs = 0;  // 0 = stopped
    int64_t NextDue = NoTime;
  };
  int64_t ReadyOf(int slot) const;
  int64_t FirstMultipleAfter(int64_t t, int64_t period) const;

  std::deque<Single> singles_;
  Buffer buffers_[RepetitionBuffers];
  bool running_ = false;
  int64_t runStart_ = 0;
};

}  // namespace tarvo::sim
