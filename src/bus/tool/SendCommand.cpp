// tarvo-bus send: frames written as cansend takes them, sent once, in order.
#include <chrono>
#include <thread>

#include "bus/tool/BusTool.h"

namespace tarvo::bus {

namespace {

// The adapter queues at most 64 single frames for the bus and drops what
// waits when it stops, so frames go out in batches that each get their time
// on the bus (the longest classic frame with stuff bits, twice over for
// arbitration lost to other nodes) before the next batch or the stop.
constexpr size_t BatchSize = 32;
constexpr uint32_t LongestFrameBits = 160;

std::chrono::microseconds BusTime(size_t frames, uint32_t bitRate) {
  const uint64_t bits = uint64_t(frames) * LongestFrameBits * 2;
  return std::chrono::microseconds(bits * 1000000 / bitRate + 10000);
}

}  // namespace

int SendCommand(const TToolOptions& options) {
  if (options.Operands.empty()) return Fail("send", "no frame given (ID#DATA ...)", ExitUsage);
  if (options.Setup.Mode == TBusMode::ListenOnly)
    return Fail("send", "--listen-only sends nothing; leave it out to send", ExitUsage);
  // Every frame is checked before the adapter is touched: a mistake in the
  // last one sends none of them.
  std::vector<TBusFrame> frames;
  for (const std::string& text : options.Operands) {
    TBusFrame f;
    std::string error;
    if (!ParseCansendFrame(text, f, error)) return Fail("send", "'" + text + "': " + error, ExitUsage);
    frames.push_back(f);
  }
  TBusLink link;
  if (const int r = OpenAndStart("send", options, link); r != ExitOk) return r;
  int status = ExitOk;
  std::vector<TBusFrame> received;
  for (size_t first = 0; first < frames.size() && !StopRequest().load(); first += BatchSize) {
    const size_t n = std::min(BatchSize, frames.size() - first);
    if (!link.Send(std::span(frames).subspan(first, n))) {
      status = Fail("send", "the adapter did not take the frames", ExitFailure);
      break;
    }
    // Reading meanwhile keeps the adapter's queue toward the host drained.
    const auto until = std::chrono::steady_clock::now() + BusTime(n, link.BitRate());
    while (std::chrono::steady_clock::now() < until && !StopRequest().load()) {
      received.clear();
      link.Poll(received);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  link.Close();
  return status;
}

}  // namespace tarvo::bus
