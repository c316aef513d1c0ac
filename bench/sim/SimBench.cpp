// How much CPU the simulated adapter needs to keep up with a fully loaded
// 1 Mbit/s bus: one second of the flood scenario, drained every 10 ms as the
// application's tick does. Real time must stay far below one second.
#include <benchmark/benchmark.h>

#include <vector>

#include "adapter/Framing.h"
#include "sim/Scenario.h"
#include "sim/SimDriver.h"

namespace {

using namespace tarvo::sim;

class ManualTime : public SimTime {
 public:
  int64_t now = 0;
  int64_t Now() override { return now; }
  void Sleep(int64_t ns) override { now += ns; }
};

void Write(SimDriver& d, void* h, std::vector<uint8_t> packet) {
  uint8_t frame[64];
  const size_t n = tarvo::BuildFrame(packet.data(), packet.size(), frame);
  uint32_t written = 0;
  d.Write(h, frame, uint32_t(n), &written);
}

void BM_FloodSecondDrainedEvery10ms(benchmark::State& state) {
  std::vector<ScenarioIssue> issues;
  const Scenario flood = ParseScenario("adapter TarvoISO 1\nbus 1M\nnode 000 0 dlc 0\n", issues);
  std::vector<uint8_t> buffer(HostQueueBytes);
  int64_t frames = 0;
  for (auto _ : state) {
    ManualTime time;
    SimDriver d(flood, time);
    void* h = nullptr;
    d.Open(0, &h);
    Write(d, h, {2, 0, 0x41, 3, 2, 1, 0});
    Write(d, h, {5, 1});
    for (int tick = 0; tick < 100; ++tick) {
      time.now += 10'000'000;
      uint32_t bytes = 0, status = 0, read = 0;
      d.CheckRXQueue(h, &bytes, &status);
      d.Read(h, buffer.data(), bytes, &read);
    }
    frames += 21276;
  }
  state.SetItemsProcessed(frames);
}
BENCHMARK(BM_FloodSecondDrainedEvery10ms)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
