#include "bus/SharedAdapterPort.h"

#include <algorithm>
#include <chrono>

#include "adapter/TarvoAPI.h"

namespace tarvo::bus {

namespace {

// A second of adapter ticks: a stamp this far behind the last one is no
// message arriving a little out of order but the first of a new run.
constexpr uint32_t NewRunTicks = 39062;

int64_t SystemMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

TSharedAdapterPort::TSharedAdapterPort(TSendFunction send, TModeFunction mode)
    : send_(std::move(send)), mode_(std::move(mode)) {}

void TSharedAdapterPort::Received(const TTarvoCAN& m) {
  if (!IsValidCANMessage(m)) return;
  const bool newRun = clockStarted_ && m.TimeStamp < lastTicks_ && lastTicks_ - m.TimeStamp > NewRunTicks;
  if (!clockStarted_ || newRun) {
    clock_.Start(SystemMicroseconds() - TicksToUs(m.TimeStamp));
    clockStarted_ = true;
  }
  lastTicks_ = m.TimeStamp;
  const TBusFrame frame = FrameOfMessage(m, clock_.TimeOf(m.TimeStamp));
  if (queue_.size() >= QueueLimit) {
    ++dropped_;
    return;
  }
  queue_.push_back(frame);
}

bool TSharedAdapterPort::Poll(std::vector<TBusFrame>& frames) {
  frames.insert(frames.end(), queue_.begin(), queue_.end());
  queue_.clear();
  return true;
}

// A mode changed to listen-only after a client connected still sends
// nothing; frames go out in the batches one write of the driver takes.
bool TSharedAdapterPort::Send(std::span<const TBusFrame> frames) {
  if (mode_() == TBusMode::ListenOnly) return false;
  std::vector<TTarvoCAN> messages;
  for (const TBusFrame& f : frames)
    if ((f.CanId & CanErrFlag) == 0) messages.push_back(MessageOfFrame(f));
  bool ok = true;
  for (size_t first = 0; first < messages.size(); first += MaxMessagesPerWrite) {
    const size_t n = std::min(MaxMessagesPerWrite, messages.size() - first);
    ok = send_(std::span(messages).subspan(first, n)) && ok;
  }
  return ok;
}

}  // namespace tarvo::bus
