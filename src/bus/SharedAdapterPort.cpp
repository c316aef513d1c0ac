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
    : m_send(std::move(send)), m_mode(std::move(mode)) {}

void TSharedAdapterPort::Received(const TTarvoCAN& m) {
  if (!IsValidCANMessage(m)) return;
  const bool newRun = m_clockStarted && m.TimeStamp < m_lastTicks && m_lastTicks - m.TimeStamp > NewRunTicks;
  if (!m_clockStarted || newRun) {
    m_clock.Start(SystemMicroseconds() - TicksToUs(m.TimeStamp));
    m_clockStarted = true;
  }
  m_lastTicks = m.TimeStamp;
  const TBusFrame frame = FrameOfMessage(m, m_clock.TimeOf(m.TimeStamp));
  if (m_queue.size() >= QueueLimit) {
    ++m_dropped;
    return;
  }
  m_queue.push_back(frame);
}

bool TSharedAdapterPort::Poll(std::vector<TBusFrame>& frames) {
  frames.insert(frames.end(), m_queue.begin(), m_queue.end());
  m_queue.clear();
  return true;
}

// A mode changed to listen-only after a client connected still sends
// nothing; frames go out in the batches one write of the driver takes.
bool TSharedAdapterPort::Send(std::span<const TBusFrame> frames) {
  if (m_mode() == TBusMode::ListenOnly) return false;
  std::vector<TTarvoCAN> messages;
  for (const TBusFrame& f : frames)
    if ((f.CanId & CanErrFlag) == 0) messages.push_back(MessageOfFrame(f));
  bool ok = true;
  for (size_t first = 0; first < messages.size(); first += MaxMessagesPerWrite) {
    const size_t n = std::min(MaxMessagesPerWrite, messages.size() - first);
    ok = m_send(std::span(messages).subspan(first, n)) && ok;
  }
  return ok;
}

}  // namespace tarvo::bus
