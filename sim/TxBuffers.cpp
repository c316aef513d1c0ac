#include "sim/TxBuffers.h"

namespace tarvo::sim {

bool TxBuffers::QueueSingle(const CanFrame& f, int64_t now) {
  if (singles_.size() >= MaxPendingSingles) return false;
  singles_.push_back({f, now});
  return true;
}

void TxBuffers::Load(int buffer, const CanFrame& f, uint32_t periodMs, int64_t now) {
  Buffer& b = buffers_[buffer - 1];
  b.Frame = f;
  b.PeriodNs = int64_t(periodMs) * NsPerMs;
  b.NextDue = running_ ? FirstMultipleAfter(now, b.PeriodNs) : NoTime;
}

void TxBuffers::Stop(int buffer) { buffers_[buffer - 1] = Buffer{}; }

void TxBuffers::StartRun(int64_t runStart) {
  running_ = true;
  runStart_ = runStart;
  for (Buffer& b : buffers_) b.NextDue = b.PeriodNs ? runStart + b.PeriodNs : NoTime;
}

void TxBuffers::EndRun() {
  running_ = false;
  singles_.clear();
  for (Buffer& b : buffers_) b = Buffer{};
}

int64_t TxBuffers::ReadyOf(int slot) const {
  if (slot == SingleSlot) return singles_.empty() ? NoTime : singles_.front().Ready;
  return buffers_[slot - 1].NextDue;
}

int64_t TxBuffers::EarliestReady() const { return ReadyOf(EarliestSlot()); }

int TxBuffers::EarliestSlot() const {
  int best = SingleSlot;
  for (int slot = 1; slot <= RepetitionBuffers; ++slot)
    if (ReadyOf(slot) < ReadyOf(best)) best = slot;
  return best;
}

int TxBuffers::Best(int64_t t, uint64_t& key) const {
  int best = -1;
  for (int slot = 0; slot <= RepetitionBuffers; ++slot) {
    if (ReadyOf(slot) > t) continue;
    const CanFrame& f = slot == SingleSlot ? singles_.front().Frame : buffers_[slot - 1].Frame;
    const uint64_t k = ArbitrationKey(f);
    if (best < 0 || k < key) {
      best = slot;
      key = k;
    }
  }
  return best;
}

CanFrame TxBuffers::Take(int slot, int64_t t) {
  if (slot == SingleSlot) {
    const CanFrame f = singles_.front().Frame;
    singles_.pop_front();
    return f;
  }
  Buffer& b = buffers_[slot - 1];
  // A send delayed past later multiples skips them: the buffer holds one frame.
  b.NextDue = FirstMultipleAfter(t, b.PeriodNs);
  return b.Frame;
}

int64_t TxBuffers::FirstMultipleAfter(int64_t t, int64_t period) const {
  if (t < runStart_) return runStart_ + period;
  return runStart_ + ((t - runStart_) / period + 1) * period;
}

}  // namespace tarvo::sim
