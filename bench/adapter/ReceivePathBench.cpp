// Deframing throughput of the receive path over a realistic adapter stream:
// 11- and 29-bit CAN messages with 0..8 data bytes, now and then a status
// packet, escaped DLE bytes where identifiers, data or CRCs contain 0x10.
// Each iteration hands the parser one read's worth of new bytes and drains
// the message ring afterwards, as the update tick does.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "adapter/Framing.h"
#include "adapter/TarvoAPI.h"
#include "support/HeapCounter.h"


namespace tarvo {
namespace {

std::vector<uint8_t> NextPacket(std::mt19937& rng, uint32_t& timeStamp, uint32_t sequence) {
  std::uniform_int_distribution<uint32_t> any;
  timeStamp += 20 + any(rng) % 200;
  std::vector<uint8_t> p;
  auto put32 = [&p](uint32_t v) { for (int i = 0; i < 4; ++i) p.push_back(uint8_t(v >> (8 * i))); };
  if (sequence % 100 == 99) {  // the tick's status and bus-load requests are answered now and then
    p = {uint8_t(sequence % 200 == 199 ? 3 : 1), 70, 30, 0, 0};
    put32(timeStamp);
    return p;
  }
  const bool extended = any(rng) % 10 < 3;
  const uint8_t dlc = uint8_t(any(rng) % 9);
  p = {0x00, uint8_t(extended ? 0x02 : 0x00)};
  put32(extended ? any(rng) & 0x1FFFFFFF : any(rng) & 0x7FF);
  p.push_back(dlc);
  // One data byte in twenty is 0x10, well above what random data gives, to
  // keep the escape path busy.
  for (int i = 0; i < dlc; ++i) p.push_back(any(rng) % 20 == 0 ? 0x10 : uint8_t(any(rng)));
  p.push_back(0);
  put32(timeStamp);
  return p;
}

// Fills the whole byte ring with frames; the few bytes left at its end are
// noise between frames, so the stream is valid however often it wraps.
std::unique_ptr<TRxRing> RingOfFrames() {
  auto rx = std::make_unique<TRxRing>();
  std::mt19937 rng(1234);
  uint32_t timeStamp = 0;
  size_t used = 0;
  uint8_t frame[MaxFrameBytes];
  for (uint32_t sequence = 0;; ++sequence) {
    const std::vector<uint8_t> packet = NextPacket(rng, timeStamp, sequence);
    const size_t n = BuildFrame(packet.data(), packet.size(), frame);
    if (used + n > RxRingSize) break;
    std::copy(frame, frame + n, rx->Bytes.begin() + ptrdiff_t(used));
    used += n;
  }
  return rx;
}

void BM_ParseRxBytes(benchmark::State& state) {
  const uint32_t chunk = uint32_t(state.range(0));
  auto rx = RingOfFrames();
  auto messages = std::make_unique<TCANMessageRing>();
  TDeviceStatus status;
  uint64_t frames = 0;
  uint32_t checksum = 0;
  uint64_t faultyCalls = 0;
  const size_t allocationsBefore = tarvo::HeapAllocations();
  for (auto _ : state) {
    rx->WriteIndex = (rx->WriteIndex + chunk) % RxRingSize;
    // A read that ends on the DLE of a frame's opening pair costs that frame
    // (the DLE is consumed alone); count such losses rather than hide them.
    if (ParseRxBytes(*rx, *messages, status) != RES_OK) ++faultyCalls;
    for (TTarvoCAN m; messages->Pop(m); ++frames) checksum += m.ID + m.Data[0];
    if (status.StatusType != 0) {
      ++frames;
      status.StatusType = 0;
    }
  }
  const size_t allocationsDuring = tarvo::HeapAllocations() - allocationsBefore;
  benchmark::DoNotOptimize(checksum);
  state.SetBytesProcessed(int64_t(state.iterations()) * chunk);
  state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  state.counters["calls_with_error"] = double(faultyCalls);
  state.counters["allocs"] = double(allocationsDuring);
}
// 4 KiB is about one tick of a fully loaded 1 Mbit/s bus; 32 KiB stays below
// the 2048 messages the ring holds between two drains.
BENCHMARK(BM_ParseRxBytes)->Arg(4096)->Arg(32768);

}  // namespace
}  // namespace tarvo

BENCHMARK_MAIN();
