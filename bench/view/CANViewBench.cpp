// CAN View costs per 10 ms tick at a fully loaded 1 Mbit/s bus (about 210
// frames), through the store and the model's refresh, in both modes; the
// cost of formatting one visible page of a million-entry cyclic view; and,
// for comparison, what a plain scan would cost the fixed view with many
// identities.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "view/qt/CANViewModel.h"
#include "view/CANViewStore.h"

namespace tarvo {
namespace {

constexpr int FramesPerTick = 210;

// Mixed traffic: identities spread over 11- and 29-bit, DLC 0..8, a remote
// frame now and then, time stamps about 48 us (1.9 ticks) apart.
std::vector<TTarvoCAN> Traffic(int identities, size_t frames) {
  std::mt19937 rng(7);
  std::vector<TTarvoCAN> ids(static_cast<size_t>(identities));
  for (int i = 0; i < identities; ++i) {
    TTarvoCAN& m = ids[size_t(i)];
    m.IDE = uint8_t(i % 5 == 0);
    m.ID = m.IDE ? 0x18FF0000u + uint32_t(i) * 17 : 0x100u + uint32_t(i) * 3;
    m.RTR = uint8_t(i % 23 == 7);
    m.DLC = uint8_t(i % 9);
  }
  std::vector<TTarvoCAN> out(frames);
  uint32_t t = 0xFFFFC000u;  // crosses the time-stamp wrap on the way
  for (size_t f = 0; f < frames; ++f) {
    out[f] = ids[rng() % ids.size()];
    for (auto& b : out[f].Data) b = uint8_t(rng());
    t += 1 + rng() % 2;
    out[f].TimeStamp = t;
  }
  return out;
}

struct TickFixture {
  TickFixture(TCANViewMode mode, int identities, int32_t cyclicSize) : traffic(Traffic(identities, 1 << 16)) {
    settings.CyclicBufferSize = cyclicSize;
    settings.UpdateInterval = 0;
    SetCANViewBufferSize(state, settings);
    if (mode == VIEW_CYCLIC) CANViewSelectCyclic(state, settings);
  }
  // One tick: the frames of 10 ms, then the refresh step.
  void Tick() {
    for (int i = 0; i < FramesPerTick; ++i) {
      DisplayReceiveMessage(state, settings, traffic[next]);
      next = (next + 1) & (traffic.size() - 1);
    }
    model.ApplyRefresh(PlanCANViewRefresh(state, model.ItemCount()));
  }
  TCANViewState state;
  TDisplaySettings settings;
  CANViewModel model{state, settings};
  std::vector<TTarvoCAN> traffic;
  size_t next = 0;
};

void BM_TickFixed(benchmark::State& bench) {
  TickFixture f(VIEW_FIXED, int(bench.range(0)), 1000);
  for (int i = 0; i < 2000; ++i) f.Tick();  // every identity seen: steady state
  for (auto _ : bench) f.Tick();
  bench.counters["entries"] = double(f.state.CANView.Count);
  bench.SetItemsProcessed(int64_t(bench.iterations()) * FramesPerTick);
}
BENCHMARK(BM_TickFixed)->Arg(50)->Arg(2000)->Arg(20000);

void BM_TickCyclic(benchmark::State& bench) {
  TickFixture f(VIEW_CYCLIC, 50, int32_t(bench.range(0)));
  for (auto _ : bench) f.Tick();
  bench.counters["wrapped"] = f.state.CyclicOverwriteFlag;
  bench.SetItemsProcessed(int64_t(bench.iterations()) * FramesPerTick);
}
BENCHMARK(BM_TickCyclic)->Arg(1000)->Arg(1000000);

// What a tick of the fixed view would cost with the scan from entry 0 for
// each frame instead of the index.
void BM_TickFixedScanReference(benchmark::State& bench) {
  TickFixture f(VIEW_FIXED, int(bench.range(0)), 1000);
  for (int i = 0; i < 2000; ++i) f.Tick();
  const TCANView& v = f.state.CANView;
  for (auto _ : bench) {
    for (int i = 0; i < FramesPerTick; ++i) {
      const TTarvoCAN& m = f.traffic[f.next];
      f.next = (f.next + 1) & (f.traffic.size() - 1);
      int32_t found = -1;
      for (int32_t e = 0; e < v.Count; ++e) {
        const TCANViewMessage& entry = v.List[size_t(e)];
        if (entry.ItemType == m.RTR && entry.Item.IDE == m.IDE && entry.Item.ID == m.ID) {
          found = e;
          break;
        }
      }
      benchmark::DoNotOptimize(found);
    }
  }
  bench.SetItemsProcessed(int64_t(bench.iterations()) * FramesPerTick);
}
BENCHMARK(BM_TickFixedScanReference)->Arg(50)->Arg(2000)->Arg(20000);

// data(DisplayRole) of every cell of a 40-row page, as a repaint asks.
void BM_VisiblePageData(benchmark::State& bench) {
  TickFixture f(VIEW_CYCLIC, 50, 1000000);
  while (!f.state.CyclicOverwriteFlag) f.Tick();
  f.model.ApplyRefresh(PlanCANViewRefresh(f.state, f.model.ItemCount()));
  const int columns = f.model.columnCount();
  std::mt19937 rng(3);
  for (auto _ : bench) {
    const int top = int(rng() % (1000000 - 40));
    for (int row = top; row < top + 40; ++row) {
      for (int c = 0; c < columns; ++c) benchmark::DoNotOptimize(f.model.data(f.model.index(row, c)));
    }
  }
  bench.SetItemsProcessed(int64_t(bench.iterations()) * 40 * columns);
}
BENCHMARK(BM_VisiblePageData);

}  // namespace
}  // namespace tarvo

BENCHMARK_MAIN();
