// Recording costs on the GUI thread: formatting one log line of each format
// into the buffer (with the heap allocations per line counted), and one
// 10 ms tick at a fully loaded 1 Mbit/s bus (213 frames) through the CAN
// View store, the list model's refresh and the recorder's line formatting.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "logging/LogRecorder.h"
#include "logging/LogWriters.h"
#include "support/HeapCounter.h"
#include "support/ScriptedDialogs.h"
#include "view/qt/CANViewModel.h"


namespace tarvo {
namespace {

constexpr int FramesPerTick = 213;
constexpr int TicksPerHandOver = 500;  // five seconds of 10 ms ticks

// Mixed traffic: 11- and 29-bit identities, DLC 0..8, a remote frame now
// and then, time stamps about 47 us apart.
std::vector<TTarvoCAN> Traffic(size_t frames) {
  std::mt19937 rng(11);
  std::vector<TTarvoCAN> out(frames);
  uint32_t t = 0;
  for (size_t f = 0; f < frames; ++f) {
    const uint32_t i = rng() % 60;
    TTarvoCAN& m = out[f];
    m.IDE = uint8_t(i % 5 == 0);
    m.ID = m.IDE ? 0x18FF0000u + i * 17 : 0x100u + i * 3;
    m.RTR = uint8_t(i % 23 == 7);
    m.DLC = uint8_t(i % 9);
    for (auto& b : m.Data) b = uint8_t(rng());
    t += 1 + rng() % 3;
    m.TimeStamp = t;
  }
  return out;
}

// A recording that runs without a file: the hand-over is replaced by
// clearing the buffer, which is what the writer does to it.
class BenchHost : public LogRecorderHost {
 public:
  TDisplaySettings Settings;
  TDeviceStatus Status;
  const TDisplaySettings& Display() override { return Settings; }
  const TDeviceStatus& DeviceStatus() override { return Status; }
  uint8_t LatestStatusCode() override { return 0; }
  bool BusLoadValid() override { return true; }
  bool TxDisplayEnabled() override { return true; }
  TLogFooterInfo FooterInfo() override { return {}; }
  TLogHeaderClock HeaderClock() override { return {}; }
  void SetRunningControls() override {}
  void SetStoppedControls() override {}
  void AnimateLogIndicator(int, int, int) override {}
  void StopLogIndicator() override {}
  void ShowLogOptions(bool) override {}
};

class NoGui : public GuiThreadCalls {
 public:
  void Post(std::function<void()>) override {}
  void Invoke(std::function<void()> call) override { call(); }
};

struct Recording {
  explicit Recording(TLogFileType type) {
    log.FileType = type;
    log.NumericBase = 1;
    log.RecordMessageTypes = {true, true, true, true, true};
    log.Buffer[0] = std::make_unique<TLogBuffer>(8u << 20);
    log.Buffer[1] = std::make_unique<TLogBuffer>(8u << 20);
    log.RecordRunningFlag = true;
  }
  ~Recording() { log.RecordRunningFlag = false; }
  TLog log;
  BenchHost host;
  NoGui gui;
  test::ScriptedDialogs dialogs;
  TLogRecorder recorder{log, host, dialogs, gui};
};

// Arg: file type 0 TXT, 1 CSV, 2 ASC; the display options' optional columns on.
void BM_FormatReceiveLine(benchmark::State& bench) {
  Recording r(TLogFileType(bench.range(0)));
  const std::vector<TTarvoCAN> traffic = Traffic(1 << 16);
  TLogBuffer& buffer = *r.log.Buffer[0];
  size_t next = 0;
  uint64_t lines = 0;
  const uint64_t before = HeapAllocations();
  for (auto _ : bench) {
    r.recorder.LogReceiveMessage(traffic[next], 17, 3906);
    next = (next + 1) & (traffic.size() - 1);
    if (++lines % 65536 == 0) buffer.Clear();
  }
  bench.counters["allocations/line"] = double(HeapAllocations() - before) / double(lines);
  bench.counters["bytes/line"] = double(buffer.Text().size()) / double(std::max<int32_t>(buffer.Count(), 1));
  bench.SetItemsProcessed(int64_t(bench.iterations()));
}
BENCHMARK(BM_FormatReceiveLine)->Arg(TXT_FILE)->Arg(CSV_FILE)->Arg(ASC_FILE);

void BM_FormatTransmitLine(benchmark::State& bench) {
  Recording r(TLogFileType(bench.range(0)));
  const std::vector<TTarvoCAN> traffic = Traffic(1 << 16);
  TLogBuffer& buffer = *r.log.Buffer[0];
  size_t next = 0;
  uint64_t lines = 0;
  for (auto _ : bench) {
    const TTarvoCAN& m = traffic[next];
    r.recorder.LogTransmitMessage(m.IDE, m.ID, m.RTR, m.DLC, m.Data, m.TimeStamp / 39);
    next = (next + 1) & (traffic.size() - 1);
    if (++lines % 65536 == 0) buffer.Clear();
  }
  bench.SetItemsProcessed(int64_t(bench.iterations()));
}
BENCHMARK(BM_FormatTransmitLine)->Arg(TXT_FILE)->Arg(CSV_FILE)->Arg(ASC_FILE);

// One tick: 213 frames into the store (which hands each to the recorder),
// then the list model's refresh. Args: view mode (0 fixed, 1 cyclic), file type.
void BM_TickWithRecording(benchmark::State& bench) {
  Recording r(TLogFileType(bench.range(1)));
  TCANViewState view;
  TDisplaySettings& settings = r.host.Settings;
  settings.UpdateInterval = 0;
  settings.CyclicBufferSize = CyclicBufferSizeSmall;
  SetCANViewBufferSize(view, settings);
  if (bench.range(0) == VIEW_CYCLIC) CANViewSelectCyclic(view, settings);
  view.LogSink = &r.recorder;
  CANViewModel model{view, settings};
  const std::vector<TTarvoCAN> traffic = Traffic(1 << 16);
  size_t next = 0;
  int ticks = 0;
  auto tick = [&] {
    for (int i = 0; i < FramesPerTick; ++i) {
      DisplayReceiveMessage(view, settings, traffic[next]);
      next = (next + 1) & (traffic.size() - 1);
    }
    model.ApplyRefresh(PlanCANViewRefresh(view, model.ItemCount()));
    if (++ticks % TicksPerHandOver == 0) r.log.Buffer[0]->Clear();
  };
  for (int i = 0; i < 2 * TicksPerHandOver; ++i) tick();  // steady state: identities seen, buffer grown
  const uint64_t before = HeapAllocations();
  for (auto _ : bench) tick();
  bench.counters["allocations/tick"] = double(HeapAllocations() - before) / double(bench.iterations());
  bench.SetItemsProcessed(int64_t(bench.iterations()) * FramesPerTick);
  view.LogSink = nullptr;
}
BENCHMARK(BM_TickWithRecording)
    ->Args({VIEW_FIXED, TXT_FILE})
    ->Args({VIEW_FIXED, CSV_FILE})
    ->Args({VIEW_FIXED, ASC_FILE})
    ->Args({VIEW_CYCLIC, TXT_FILE})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvo

BENCHMARK_MAIN();
