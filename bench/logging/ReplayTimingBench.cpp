// How faithfully the replay keeps a log's timing: 2,000 messages with gaps
// drawn from 0.5 to 20 ms are replayed onto the simulated adapter in
// loopback, and the spacing of the frames as the simulated bus time-stamped
// them (25.6 us ticks) is compared with the recorded spacing.
//
// (ReplayTiming) Counters: median_ms, p99_ms and max_ms of |replayed gap - recorded gap|,
// host_median_ms and host_p99_ms the same for the moments the replay thread
// began each send (the simulated driver serialises its calls under one lock,
// so a tick's read on the GUI thread can hold a send back),
// cpu_share of the replay thread (its CPU time over the replay's wall time;
// 1.0 is a processor kept busy), frames (looped back and matched).
// Arguments: the wait (0 the busy loop, 1 sleep then spin), the number of
// messages, and whether the thread raises its priority. Run:
// build/bin/replay_timing_bench (about 20 s each).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <span>
#include <thread>
#include <vector>

#include "adapter/SiUSBXp.h"
#include "adapter/TarvoAPI.h"
#include "logging/HPTimer.h"
#include "logging/LogReplay.h"
#include "support/ScriptedDialogs.h"

namespace {

using namespace tarvo;

class Gui : public GuiThreadCalls {
 public:
  void Post(std::function<void()> call) override {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(call));
  }
  void Invoke(std::function<void()> call) override { Post(std::move(call)); }
  void RunPending() {
    std::deque<std::function<void()>> calls;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      calls.swap(queue_);
    }
    for (auto& c : calls) c();
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// The adapter is started by the benchmark; the replay only sends.
class SimHost : public ReplayHost {
 public:
  explicit SimHost(TDeviceConnection& link) : link_(link) {}
  TResult SendCANMessage(const TTarvoCAN& m) override {
    if (m.ID < SentAt.size()) SentAt[m.ID] = HPTimerCount();
    const double cpu = ThreadCpuSeconds();
    if (FirstCpu < 0) {
      FirstCpu = cpu;
      FirstWall = HPTimerCount();
    }
    LastCpu = cpu;
    LastWall = HPTimerCount();
    const int64_t before = HPTimerCount();
    const TResult r = tarvo::SendCANMessage(link_, m.IDE, m.ID, m.RTR, m.DLC, m.Data, 0, 0);
    SendNs.push_back(double(HPTimerCount() - before));
    return r;
  }
  TResult SendCANMessages(std::span<const TTarvoCAN> messages) override {
    if (!Batched) return ReplayHost::SendCANMessages(messages);
    for (const TTarvoCAN& m : messages)
      if (m.ID < SentAt.size()) SentAt[m.ID] = HPTimerCount();
    const double cpu = ThreadCpuSeconds();
    if (FirstCpu < 0) {
      FirstCpu = cpu;
      FirstWall = HPTimerCount();
    }
    LastCpu = cpu;
    LastWall = HPTimerCount();
    ++Writes;
    const int64_t before = HPTimerCount();
    const TResult r = tarvo::SendCANMessages(link_, messages);
    SendNs.push_back(double(HPTimerCount() - before));
    return r;
  }
  bool Batched = true;
  int64_t Writes = 0;
  void StartDevice() override {}
  void StopDevice() override {}
  bool DeviceRunning() override { return true; }
  void SetRunningControls(bool) override {}
  void SetStoppedControls(bool) override {}
  void SetControlEnabled(const std::string&, bool) override {}
  void SetControlShortcut(const std::string&, const std::string&) override {}
  void AnimateLogIndicator(int, int, int) override {}
  void StopLogIndicator() override {}
  void DisplayReplayed(std::span<const TTarvoCAN>, uint32_t end, uint32_t& position) override { position = end; }
  uint32_t ReplayMinimumGap() override { return 39; }
  void ShowLogOptions(bool) override {}

  std::vector<double> SendNs;
  std::vector<int64_t> SentAt;  // counter just before each message's send, by identifier
  double FirstCpu = -1, LastCpu = 0;
  int64_t FirstWall = 0, LastWall = 0;

 private:
  TDeviceConnection& link_;
};

class GuiClock : public SteadyClock {
 public:
  explicit GuiClock(Gui& gui) : gui_(gui) {}
  void WaitProcessingMessages(uint32_t ms) override {
    gui_.RunPending();
    SteadyClock::WaitProcessingMessages(ms);
    gui_.RunPending();
  }

 private:
  Gui& gui_;
};

// The simulated adapter opened, set up and running in loopback, as both
// benchmarks use it; stopped and closed again at the end.
struct TLoopbackRig {
  TDriver Driver;
  SteadyClock Steady;
  std::unique_ptr<TDeviceConnection> Link = std::make_unique<TDeviceConnection>();
  std::unique_ptr<TCANMessageRing> Ring = std::make_unique<TCANMessageRing>();
  TDeviceStatus Status;
  bool Bound = false, Running = false;

  // Bit timing as SetBitTiming takes it (SJW 1, one sample).
  bool Start(benchmark::State& state, uint8_t brpByte, uint8_t ph1, uint8_t ph2, uint8_t prop) {
    setenv("TARVO_SIM_SCENARIO", TARVO_SIM_SCENARIO_DIR "/quiet.scn", 1);
    if (InitDriver(Driver) != DRIVER_OK) {
      state.SkipWithError("no TarvoUSB library");
      return false;
    }
    Bound = true;
    Link->Driver = &Driver;
    Link->Waits = &Steady;
    TDeviceInfo any;
    TDeviceConnection& link = *Link;
    if (OpenDevice(link, any) != RES_OK || SetBitTiming(link, 0, brpByte, ph1, ph2, prop, 0) != RES_OK ||
        SetOperatingMode(link, OPMODE_LOOPBACK) != RES_OK || SetFilters(link, AcceptAllFilters()) != RES_OK ||
        FlushDevice(link) != RES_OK || EndConfiguration(link) != RES_OK || SetRunState(link, 1) != RES_OK) {
      state.SkipWithError("simulated adapter did not start");
      return false;
    }
    Running = true;
    return true;
  }
  // The frames that came back so far.
  void Drain(std::vector<TTarvoCAN>& back) {
    ParseRxRing(*Link, *Ring, Status);
    TTarvoCAN m;
    while (Ring->Pop(m)) back.push_back(m);
  }
  // Plays the GUI thread while the replay runs, then tailPolls more reads for
  // the last frames on their way.
  void Collect(const TLog& log, Gui& gui, std::vector<TTarvoCAN>& back, int tailPolls) {
    while (log.State != NO_LOG) {
      gui.RunPending();
      Drain(back);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (int i = 0; i < tailPolls; ++i) {
      Drain(back);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  ~TLoopbackRig() {
    if (Running) {
      SetRunState(*Link, 0);
      CloseDevice(*Link);
    }
    if (Bound) DoneDriver(Driver);
  }
};

void ReplayTiming(benchmark::State& state) {
  const TReplayWait wait = state.range(0) ? TReplayWait::SleepThenSpin : TReplayWait::BusyLoop;
  const int count = int(state.range(1));
  const bool raise = state.range(2) != 0;
  auto rig = std::make_unique<TLoopbackRig>();
  if (!rig->Start(state, 0x43, 7, 5, 4)) return;  // 250 kbit/s

  TLog log;
  log.HPTimerSupportedFlag = HPTimerInit(log.HPTimeCountsPerSecond);
  TTarvoCAN* buffer = log.EnsureReplayBuffer();
  std::mt19937 random(3);
  std::uniform_int_distribution<uint32_t> gap(20, 781);  // 0.5 .. 20 ms in ticks
  uint32_t t = 1000;
  for (int i = 0; i < count; ++i) {
    TTarvoCAN& m = buffer[i];
    m = TTarvoCAN{};
    m.IDE = 1;
    m.ID = uint32_t(i);
    m.DLC = uint8_t(i % 9);
    m.TimeStamp = t;
    t += gap(random);
  }
  log.NoOfMessages = count;
  log.FileLoadedFlag = true;

  Gui gui;
  GuiClock clock(gui);
  test::ScriptedDialogs dialogs;
  SimHost host(*rig->Link);
  host.SentAt.assign(size_t(count), 0);
  std::vector<TTarvoCAN> back;
  for (auto _ : state) {
    TLogReplay replay(log, host, dialogs, clock, gui);
    replay.SetWait(wait);
    replay.SetRaisePriority(raise);
    replay.StartLogReplay();
    rig->Collect(log, gui, back, 0);
  }
  rig.reset();

  // Consecutive replayed messages that both came back.
  std::vector<double> errorMs;
  for (size_t i = 1; i < back.size(); ++i) {
    const uint32_t a = back[i - 1].ID, b = back[i].ID;
    if (b != a + 1 || b >= uint32_t(count)) continue;
    const double replayed = double(back[i].TimeStamp - back[i - 1].TimeStamp) * 0.0256;
    const double recorded = double(buffer[b].TimeStamp - buffer[a].TimeStamp) * 0.0256;
    errorMs.push_back(std::fabs(replayed - recorded));
  }
  if (errorMs.empty()) {
    state.SkipWithError("no frames came back");
    return;
  }
  // The same on the host side: when the replay thread began each send.
  std::vector<double> hostErrorMs;
  const double countsPerMs = double(log.HPTimeCountsPerSecond) / 1000.0;
  for (int i = 1; i < count; ++i) {
    if (!host.SentAt[size_t(i)] || !host.SentAt[size_t(i) - 1]) continue;
    const double replayed = double(host.SentAt[size_t(i)] - host.SentAt[size_t(i) - 1]) / countsPerMs;
    const double recorded = double(buffer[i].TimeStamp - buffer[i - 1].TimeStamp) * 0.0256;
    hostErrorMs.push_back(std::fabs(replayed - recorded));
  }
  const auto quantile = [](std::vector<double>& v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
  };
  state.counters["median_ms"] = quantile(errorMs, 0.5);
  state.counters["p99_ms"] = quantile(errorMs, 0.99);
  state.counters["max_ms"] = errorMs.back();
  state.counters["host_median_ms"] = quantile(hostErrorMs, 0.5);
  state.counters["host_p99_ms"] = quantile(hostErrorMs, 0.99);
  state.counters["send_p99_us"] = quantile(host.SendNs, 0.99) / 1000;
  state.counters["send_max_us"] = host.SendNs.back() / 1000;
  state.counters["frames"] = double(errorMs.size() + 1);
  state.counters["cpu_share"] =
      (host.LastCpu - host.FirstCpu) / (double(host.LastWall - host.FirstWall) / double(log.HPTimeCountsPerSecond));
}

// Replay at a given rate on the simulated adapter at 1 Mbit/s in loopback:
// one second of frames of a given length, spaced evenly, or at the bus's
// limit (0: a frame every 25.6 us, faster than the bus carries them).
// Counters: duration_ratio (the span of the frames as the bus time-stamped
// them over the recorded span; at the limit the bus sets it), median_ms and
// p99_ms of each frame's offset from the first against its recorded offset,
// in_order (1 when every frame came back, in order), writes (driver writes
// of the replay thread), cpu_share of the replay thread.
void ReplayRate(benchmark::State& state) {
  const uint8_t dlc = uint8_t(state.range(0));
  const int rate = int(state.range(1));
  const int count = rate ? rate : 8000;
  const uint32_t spacingTicks100 = rate ? uint32_t(3906250 / rate) : 100;  // hundredths of a tick
  auto rig = std::make_unique<TLoopbackRig>();
  // 1 Mbit/s: BRP 2, PHSEG1 4, PHSEG2 3, PROPSEG 2 at 40 MHz.
  if (!rig->Start(state, 0x41, 3, 2, 1)) return;
  TLog log;
  log.HPTimerSupportedFlag = HPTimerInit(log.HPTimeCountsPerSecond);
  TTarvoCAN* buffer = log.EnsureReplayBuffer();
  for (int i = 0; i < count; ++i) {
    TTarvoCAN& m = buffer[i];
    m = TTarvoCAN{};
    m.IDE = 1;
    m.ID = uint32_t(i);
    m.DLC = dlc;
    m.TimeStamp = 1000 + uint32_t(uint64_t(i) * spacingTicks100 / 100);
  }
  log.NoOfMessages = count;
  log.FileLoadedFlag = true;
  Gui gui;
  GuiClock clock(gui);
  test::ScriptedDialogs dialogs;
  SimHost host(*rig->Link);
  host.SentAt.assign(size_t(count), 0);
  std::vector<TTarvoCAN> back;
  back.reserve(size_t(count) + 100);
  for (auto _ : state) {
    TLogReplay replay(log, host, dialogs, clock, gui);
    replay.StartLogReplay();
    rig->Collect(log, gui, back, 20);
  }
  rig.reset();

  bool inOrder = back.size() == size_t(count);
  for (size_t i = 0; inOrder && i < back.size(); ++i) inOrder = back[i].ID == uint32_t(i);
  if (back.size() < 2) {
    state.SkipWithError("no frames came back");
    return;
  }
  std::vector<double> errorMs;
  for (const TTarvoCAN& m : back) {
    if (m.ID >= uint32_t(count)) continue;
    const double replayed = double(m.TimeStamp - back.front().TimeStamp) * 0.0256;
    const double recorded = double(buffer[m.ID].TimeStamp - buffer[back.front().ID].TimeStamp) * 0.0256;
    errorMs.push_back(std::fabs(replayed - recorded));
  }
  std::sort(errorMs.begin(), errorMs.end());
  const double recordedSpan = double(buffer[count - 1].TimeStamp - buffer[0].TimeStamp);
  state.counters["duration_ratio"] = double(back.back().TimeStamp - back.front().TimeStamp) / recordedSpan;
  state.counters["median_ms"] = errorMs[errorMs.size() / 2];
  state.counters["p99_ms"] = errorMs[std::min(errorMs.size() - 1, errorMs.size() * 99 / 100)];
  state.counters["in_order"] = inOrder ? 1 : 0;
  state.counters["frames"] = double(back.size());
  state.counters["writes"] = double(host.Writes);
  state.counters["cpu_share"] =
      (host.LastCpu - host.FirstCpu) / (double(host.LastWall - host.FirstWall) / double(log.HPTimeCountsPerSecond));
}

BENCHMARK(ReplayRate)->ArgNames({"dlc", "per_second"})
    ->ArgsProduct({{2, 8}, {1000, 4000, 8000, 0}})
    ->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The third argument lets the replay thread ask for a raised priority (the
// program does; the system may refuse it to an ordinary user).
BENCHMARK(ReplayTiming)->ArgNames({"sleep_then_spin", "messages", "raised"})
    ->Args({0, 2000, 0})->Args({1, 2000, 0})->Args({1, 2000, 1})
    ->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
