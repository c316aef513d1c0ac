// tarvo-bus serve under load, in one process: the server on its own thread
// over the simulated adapter (which simulates inside the server's calls, so
// its work counts as the server's), one socketcand client on another.
//
//   1. flood.scn with the simulator's trace: every frame the client got is
//      matched against the frames the adapter sent (the trace's A>H CAN
//      lines, by time stamp), so a lost frame is counted.
//   2. flood.scn without the trace: the server thread's CPU time over the
//      run, and the same check by the bus's own timing (neighbours one frame
//      time apart).
//   3. quiet.scn: "< send >" every 5 ms; the time from the client's write to
//      the moment the server hands the frame's packet to the driver
//      (SI_Write, seen through a loader in front of the simulated library,
//      on the same clock as the client).
//
//   build/bin/bus_serve_bench [seconds per phase, default 10]
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "adapter/DriverApi.h"
#include "adapter/SiUSBXp.h"
#include "bus/SocketcandServer.h"
#include "support/SocketcandClient.h"

namespace {

using namespace tarvo;
using namespace tarvo::bus;
using Clock = std::chrono::steady_clock;

// ---- the driver's writes, time-stamped ----

SI_Write_t g_write = nullptr;
std::mutex g_writesLock;
std::vector<std::pair<Clock::time_point, std::string>> g_writes;
std::atomic<bool> g_watchWrites{false};

extern "C" int WatchedWrite(void* h, void* b, uint32_t n, uint32_t* written, void* o) {
  if (g_watchWrites) {
    const auto now = Clock::now();
    std::lock_guard<std::mutex> lock(g_writesLock);
    g_writes.emplace_back(now, std::string(static_cast<const char*>(b), n));
  }
  return g_write(h, b, n, written, o);
}

class WatchingLoader : public LibraryLoader {
 public:
  void* Load(const char* name) override { return SystemLibraryLoader().Load(name); }
  void* Symbol(void* library, const char* name) override {
    void* real = SystemLibraryLoader().Symbol(library, name);
    if (real != nullptr && std::strcmp(name, "SI_Write") == 0) {
      g_write = reinterpret_cast<SI_Write_t>(real);
      return reinterpret_cast<void*>(&WatchedWrite);
    }
    return real;
  }
  void Free(void* library) override { SystemLibraryLoader().Free(library); }
};

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// ---- one server run ----

struct Server {
  WatchingLoader Loader;
  TBusLink Link{Loader};
  std::unique_ptr<TSocketcandServer> Socketcand;
  std::atomic<bool> Stop{false};
  std::thread Thread;
  double CpuSeconds = 0;
  double WallSeconds = 0;

  bool Start(const std::string& scenario, const std::string& trace, uint32_t bitRate) {
    setenv("TARVO_SIM_SCENARIO", (std::string(TARVO_SIM_SCENARIO_DIR) + "/" + scenario).c_str(), 1);
    setenv("TARVO_SIM_TRACE", trace.c_str(), 1);
    std::string error;
    TBusSetup setup;
    const TBaudRatePreset* preset = PresetOfBitRate(std::to_string(bitRate), error);
    if (preset == nullptr) return Fail(error);
    setup.PresetNumber = preset->Number;
    if (!Link.Open("", error) || !Link.Start(setup, error)) return Fail(error);
    TServerOptions options;
    options.Port = 0;
    Socketcand = std::make_unique<TSocketcandServer>(Link, options);
    if (!Socketcand->Listen(error)) return Fail(error);
    Thread = std::thread([this] {
      const double cpu = ThreadCpuSeconds();
      const auto wall = Clock::now();
      Socketcand->Run(Stop);
      CpuSeconds = ThreadCpuSeconds() - cpu;
      WallSeconds = std::chrono::duration<double>(Clock::now() - wall).count();
    });
    return true;
  }
  void Finish() {
    Stop = true;
    if (Thread.joinable()) Thread.join();
    Socketcand.reset();
    Link.Close();
  }
  static bool Fail(const std::string& error) {
    std::fprintf(stderr, "bus_serve_bench: %s\n", error.c_str());
    return false;
  }
};

// ---- the client ----

// The socketcand client of the tests, counting the frames it reads.
class Client {
 public:
  bool Connect(const std::string& where) { return client_.Connect(where) && client_.OpenRawMode(); }
  void Write(const std::string& text) { client_.Send(text); }
  // Reads for a while; every frame's time (us since 1970) is kept.
  void Read(std::chrono::milliseconds span) {
    const auto end = Clock::now() + span;
    while (Clock::now() < end) ReadOnce(10);
  }
  bool ReadOnce(int timeoutMs) {
    if (!client_.ReadOnce(timeoutMs)) return false;
    Parse();
    return true;
  }
  std::vector<int64_t> FrameTimes;
  uint64_t ErrorFrames = 0;
  uint64_t MissedReports = 0;

 private:
  // " < frame 000 1702288800.123456  >"
  void Parse() {
    const std::string_view pending = client_.Unread();
    size_t at = 0;
    for (;;) {
      const size_t open = pending.find('<', at);
      if (open == std::string_view::npos) {
        at = pending.size();
        break;
      }
      const size_t close = pending.find('>', open);
      if (close == std::string_view::npos) {
        at = open;
        break;
      }
      const std::string_view m = pending.substr(open, close - open + 1);
      if (m.starts_with("< frame ")) {
        const size_t idEnd = m.find(' ', 8);
        if (m.substr(8, idEnd - 8).starts_with("2")) {
          ++ErrorFrames;
        } else {
          const size_t dot = m.find('.', idEnd);
          const int64_t s = std::atoll(std::string(m.substr(idEnd + 1, dot - idEnd - 1)).c_str());
          const int64_t us = std::atoll(std::string(m.substr(dot + 1, 6)).c_str());
          FrameTimes.push_back(s * 1000000 + us);
        }
      } else if (m.find("frames missed") != std::string_view::npos) {
        ++MissedReports;
      }
      at = close + 1;
    }
    client_.Consume(at);
  }
  test::SocketcandClient client_;
};

// ---- phase 1: against the simulator's trace ----

std::vector<int64_t> TraceTicks(const std::string& path) {
  std::vector<int64_t> ticks;
  std::ifstream in(path);
  std::string line;
  int64_t last = -1, unwrapped = 0;
  while (std::getline(in, line)) {
    if (line.find(" A>H CAN ") == std::string::npos || line.find("dropped") != std::string::npos) continue;
    const size_t ts = line.find(" TS=");
    const int64_t t = std::atoll(line.c_str() + ts + 4);
    if (last >= 0 && t < last) unwrapped += int64_t(1) << 32;
    last = t;
    ticks.push_back(t + unwrapped);
  }
  return ticks;
}

// The client's frames as offsets in adapter ticks from its first frame
// (the time of a frame is the run's start plus its ticks x 25.6 us).
int64_t TicksOf(int64_t us) { return int64_t(std::llround(double(us) / 25.6)); }

int CountPhase(int seconds) {
  char path[] = "/tmp/bus_serve_bench_traceXXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 1;
  close(fd);
  Server server;
  if (!server.Start("flood.scn", path, 1000000)) return 1;
  uint64_t got = 0, expected = 0, errors = 0;
  {
    Client client;
    if (!client.Connect(server.Socketcand->Where())) return Server::Fail("no connection");
    client.Read(std::chrono::seconds(seconds));
    server.Finish();
    const std::vector<int64_t> trace = TraceTicks(path);
    const std::vector<int64_t>& times = client.FrameTimes;
    got = times.size();
    errors = client.ErrorFrames;
    if (!times.empty()) {
      // Find the first client frame in the trace: the first trace frame from
      // which the client's next frames line up, tick for tick.
      const size_t probe = std::min<size_t>(200, times.size());
      for (size_t j = 0; j + probe <= trace.size(); ++j) {
        bool same = true;
        for (size_t k = 1; k < probe && same; ++k)
          same = trace[j + k] - trace[j] == TicksOf(times[k] - times[0]);
        if (!same) continue;
        const int64_t last = trace[j] + TicksOf(times.back() - times[0]);
        expected = uint64_t(std::upper_bound(trace.begin(), trace.end(), last) - (trace.begin() + long(j)));
        break;
      }
    }
  }
  std::remove(path);
  std::printf("flood, traced, %d s: the adapter sent %llu frames while the client listened, the client got %llu "
              "(%llu lost), %llu error frames\n",
              seconds, (unsigned long long)expected, (unsigned long long)got,
              (unsigned long long)(expected > got ? expected - got : 0), (unsigned long long)errors);
  return expected == got && got > 0 ? 0 : 1;
}

// ---- phase 2: the server's CPU share ----

int CpuPhase(int seconds) {
  Server server;
  if (!server.Start("flood.scn", "", 1000000)) return 1;
  Client client;
  if (!client.Connect(server.Socketcand->Where())) return Server::Fail("no connection");
  client.Read(std::chrono::seconds(seconds));
  server.Finish();
  const std::vector<int64_t>& t = client.FrameTimes;
  // 47 bits at 1 Mbit/s between neighbours; a lost frame leaves a gap of two.
  uint64_t gaps = 0;
  for (size_t i = 1; i < t.size(); ++i)
    if (t[i] - t[i - 1] > 70) gaps += uint64_t(std::llround(double(t[i] - t[i - 1]) / 47.0)) - 1;
  const double span = t.size() > 1 ? double(t.back() - t.front()) / 1e6 : 0;
  std::printf("flood, %d s: %zu frames (%.0f a second), %llu missing by the bus timing, %llu missed reports; "
              "server thread %.2f s CPU in %.2f s = %.1f %% of a core (the simulated adapter included)\n",
              seconds, t.size(), span > 0 ? double(t.size() - 1) / span : 0.0, (unsigned long long)gaps,
              (unsigned long long)client.MissedReports, server.CpuSeconds, server.WallSeconds,
              100.0 * server.CpuSeconds / server.WallSeconds);
  return gaps == 0 ? 0 : 1;
}

// ---- phase 3: from "< send >" to the driver ----

int LatencyPhase(int seconds) {
  Server server;
  if (!server.Start("quiet.scn", "", 1000000)) return 1;
  Client client;
  if (!client.Connect(server.Socketcand->Where())) return Server::Fail("no connection");
  std::vector<double> latencies;
  const int count = seconds * 200;
  g_watchWrites = true;
  for (int i = 0; i < count; ++i) {
    // A mark no framing escapes (no 0x10 byte): 0x5A 0xA5 and a count.
    const unsigned mark = 0x20 + unsigned(i % 200);
    char text[64];
    std::snprintf(text, sizeof text, "< send 321 3 5A A5 %X >", mark);
    const std::string packet = {'\x5A', '\xA5', char(mark)};
    {
      std::lock_guard<std::mutex> lock(g_writesLock);
      g_writes.clear();
    }
    const auto sent = Clock::now();
    client.Write(text);
    const auto end = sent + std::chrono::milliseconds(5);
    bool seen = false;
    while (Clock::now() < end) {
      client.ReadOnce(0);
      if (!seen) {
        std::lock_guard<std::mutex> lock(g_writesLock);
        for (const auto& [when, bytes] : g_writes)
          if (bytes.find(packet) != std::string::npos) {
            latencies.push_back(std::chrono::duration<double, std::milli>(when - sent).count());
            seen = true;
          }
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
  g_watchWrites = false;
  server.Finish();
  std::sort(latencies.begin(), latencies.end());
  auto at = [&](double q) { return latencies.empty() ? 0.0 : latencies[size_t(q * double(latencies.size() - 1))]; };
  std::printf("send to the driver: %zu of %d seen; median %.3f ms, 90 %% %.3f ms, 99 %% %.3f ms, most %.3f ms\n",
              latencies.size(), count, at(0.5), at(0.9), at(0.99), latencies.empty() ? 0.0 : latencies.back());
  return int(latencies.size()) == count ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  int failed = 0;
  failed |= CountPhase(seconds);
  failed |= CpuPhase(seconds);
  failed |= LatencyPhase(seconds);
  return failed;
}
