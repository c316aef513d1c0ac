// How late the replay's waits wake up, and what they cost: the busy loop
// against sleeping until a margin before the deadline and spinning the rest.
// Each iteration waits for a gap drawn from 0.5 to 20 ms (the spread of a
// recorded log) and records how far past the deadline it returned.
//
// Counters: median_us and p99_us (lateness), max_us, cpu_share (thread CPU
// time over wall time; 1.0 is a processor kept busy).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <random>
#include <vector>

#include "logging/HPTimer.h"

namespace {

using namespace tarvo;

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void Report(benchmark::State& state, std::vector<double>& lateUs, double cpu, double wall) {
  std::sort(lateUs.begin(), lateUs.end());
  const auto at = [&](double q) { return lateUs[std::min(lateUs.size() - 1, size_t(q * double(lateUs.size())))]; };
  state.counters["median_us"] = at(0.5);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = lateUs.back();
  state.counters["cpu_share"] = cpu / wall;
}

// marginUs < 0: the busy loop of HPTimerDelay.
void Wait(benchmark::State& state) {
  const int64_t marginUs = state.range(0);
  int64_t frequency = 0;
  HPTimerInit(frequency);
  if (state.range(1)) HPTimerPrepareThread();
  const bool raised = state.range(2) && HPTimerRaiseThreadPriority();
  std::mt19937 random(7);
  std::uniform_int_distribution<int64_t> gapUs(500, 20000);
  std::vector<double> lateUs;
  const double cpu0 = ThreadCpuSeconds();
  const int64_t wall0 = HPTimerCount();
  for (auto _ : state) {
    const int64_t start = HPTimerCount();
    const int64_t counts = gapUs(random) * frequency / 1000000;
    if (marginUs < 0) HPTimerDelay(counts);
    else HPTimerWaitUntil(start + counts, marginUs * frequency / 1000000);
    const int64_t late = HPTimerCount() - (start + counts);
    lateUs.push_back(double(late) * 1e6 / double(frequency));
  }
  Report(state, lateUs, ThreadCpuSeconds() - cpu0, double(HPTimerCount() - wall0) / double(frequency));
  state.counters["raised"] = raised;
}

// Second argument: 1 = the thread's timer slack lowered (HPTimerPrepareThread);
// third: 1 = the thread asks for a raised priority (counter "raised" tells
// whether it got it; it keeps it for the later runs). The busy loop is not
// run raised: it would hold a processor against everything else.
BENCHMARK(Wait)->ArgNames({"spin_margin_us", "slack", "priority"})
    ->ArgsProduct({{-1, 0, 50, 100, 200, 500, 1000}, {0, 1}, {0}})
    ->ArgsProduct({{0, 100, 200, 500}, {1}, {1}})
    ->Iterations(400)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
