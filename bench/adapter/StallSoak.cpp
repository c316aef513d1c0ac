// Soak: does a stalled GUI thread lose frames on a fully loaded bus?
//
// Runs the adapter link as the program's 10 ms tick does (ParseRxRing, then
// the message ring emptied), over the simulated adapter library beside this
// program on sim/scenarios/flood.scn: 1 Mbit/s, DLC 0 frames back to back,
// about 21,277 frames a second. Every second the "GUI" stalls for a while;
// each stall length is tried several times. Loss is seen three ways: the
// message ring's LostCount (full ring, driver overruns), the overrun bit of
// ParseRxRing, and gaps in the adapter's time stamps (frames follow each other
// every 47 bits = 1.84 ticks, so a gap above 4 ticks is a missing frame).
//
//   build/bin/adapter_stall_soak [scenario] [stall ms ...]
// Default stalls: 50 100 150, then upward in 10 ms steps to the first one that
// loses frames. Prints one line per stall length and the largest without loss.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "adapter/SiUSBXp.h"
#include "adapter/TarvoAPI.h"
#include "common/Clock.h"

namespace {

using namespace tarvo;
using Clock = std::chrono::steady_clock;

constexpr int TriesPerStall = 3;
constexpr uint32_t GapTicks = 4;

struct Link {
  TDriver driver;
  SteadyClock waits;
  std::unique_ptr<TDeviceConnection> c = std::make_unique<TDeviceConnection>();
  std::unique_ptr<TCANMessageRing> ring = std::make_unique<TCANMessageRing>();
  TDeviceStatus status;
  uint32_t lastStamp = 0;
  bool haveStamp = false;
  uint64_t frames = 0, gaps = 0, overruns = 0;

  bool Open() {
    if (InitDriver(driver) != DRIVER_OK) return false;
    c->Driver = &driver;
    c->Waits = &waits;
    TDeviceInfo any;
    if (OpenDevice(*c, any) != RES_OK) return false;
    // 1 Mbit/s at 40 MHz: BRP 2, PROPSEG 2, PHSEG1 4, PHSEG2 3.
    return SetBitTiming(*c, 0, 0x41, 3, 2, 1, 0) == RES_OK && SetOperatingMode(*c, OPMODE_NORMAL) == RES_OK &&
           SetFilters(*c, AcceptAllFilters()) == RES_OK && FlushDevice(*c) == RES_OK &&
           EndConfiguration(*c) == RES_OK && SetRunState(*c, 1) == RES_OK;
  }
  void Close() {
    SetRunState(*c, 0);
    CloseDevice(*c);
    DoneDriver(driver);
  }
  // One tick: the receive path, then every message taken from the ring.
  void Tick() {
    if (ParseRxRing(*c, *ring, status) & RES_RX_OVERRUN) ++overruns;
    for (TTarvoCAN m; ring->Pop(m);) {
      if (haveStamp && m.TimeStamp - lastStamp > GapTicks) ++gaps;
      lastStamp = m.TimeStamp;
      haveStamp = true;
      ++frames;
    }
  }
  // Ticks every 10 ms for the given time.
  void Run(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    auto next = Clock::now();
    while (Clock::now() < end) {
      Tick();
      next += std::chrono::milliseconds(10);
      std::this_thread::sleep_until(next);
    }
  }
  uint64_t Losses() const { return ring->LostCount + gaps + overruns; }
};

struct Result {
  int stallMs;
  uint64_t frames, lost, gaps, overruns;
};

Result TryStall(Link& link, int stallMs) {
  const uint64_t frames0 = link.frames, lost0 = link.ring->LostCount, gaps0 = link.gaps, over0 = link.overruns;
  for (int i = 0; i < TriesPerStall; ++i) {
    link.Run(500);
    std::this_thread::sleep_for(std::chrono::milliseconds(stallMs));  // the stalled GUI thread
    link.Run(500);
  }
  return {stallMs, link.frames - frames0, link.ring->LostCount - lost0, link.gaps - gaps0, link.overruns - over0};
}

}  // namespace

int main(int argc, char** argv) {
  std::string scenario = TARVO_SIM_SCENARIO_DIR "/flood.scn";
  std::vector<int> stalls;
  for (int i = 1; i < argc; ++i) {
    const int ms = std::atoi(argv[i]);
    if (ms > 0) stalls.push_back(ms);
    else scenario = argv[i];
  }
  setenv("TARVO_SIM_SCENARIO", scenario.c_str(), 1);
  const bool search = stalls.empty();
  if (search) stalls = {50, 100, 150};

  Link link;
  if (!link.Open()) {
    std::fprintf(stderr, "cannot open the simulated adapter (is libTarvoUSB beside this program?)\n");
    return 1;
  }
  link.Run(300);  // settle
  std::printf("%8s %10s %8s %8s %9s\n", "stall_ms", "frames", "lost", "gaps", "overruns");
  int largestClean = 0;
  bool anyLoss = false;
  for (size_t i = 0; i < stalls.size(); ++i) {
    const Result r = TryStall(link, stalls[i]);
    std::printf("%8d %10llu %8llu %8llu %9llu\n", r.stallMs, (unsigned long long)r.frames,
                (unsigned long long)r.lost, (unsigned long long)r.gaps, (unsigned long long)r.overruns);
    std::fflush(stdout);
    const bool clean = r.lost + r.gaps + r.overruns == 0;
    if (clean && !anyLoss) largestClean = r.stallMs;
    anyLoss |= !clean;
    if (search && clean && i + 1 == stalls.size() && r.stallMs < 400) stalls.push_back(r.stallMs + 10);
  }
  link.Close();
  std::printf("largest stall without loss: %d ms\n", largestClean);
  return 0;
}
