// The simulated adapter's side of the wire: the host's bytes, cut into
// arbitrary writes, through its deframer and on into its firmware (commands
// for bit timing, mode, filters, repetition buffers, run and stop) while its
// virtual time runs. The first input byte seeds the cuts.
//
// Checks: nothing reads outside a buffer (sanitizers); the deframer reports
// the same packets and faults however the stream is cut; what the adapter
// queues for the host deframes into well-formed frames only.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/HostDeframer.h"
#include "sim/Scenario.h"
#include "sim/SimAdapter.h"

namespace {

using namespace tarvo::sim;

struct Event {
  int Type;
  std::vector<uint8_t> Bytes;
  bool operator==(const Event&) const = default;
};

struct Collector : HostDeframer::Sink {
  std::vector<Event> Events;
  void OnDeframed(const DeframeEvent& e) override {
    if (e.Length > MaxHostPacket) std::abort();
    Events.push_back({int(e.Type), std::vector<uint8_t>(e.Bytes, e.Bytes + e.Length)});
  }
};

// What the adapter sends is framed by its own code and must come back whole.
struct AdapterOutput : HostDeframer::Sink {
  void OnDeframed(const DeframeEvent& e) override {
    if (e.Type != DeframeEvent::Packet || e.Length < 9) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 20000) return 0;
  uint32_t seed = data[0] + 1u;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  const uint8_t* stream = data + 1;
  const size_t length = size - 1;

  Collector whole, cut;
  HostDeframer a, b;
  a.Feed(stream, length, whole);
  for (size_t at = 0; at < length;) {
    const size_t piece = std::min<size_t>(length - at, 1 + next() % 64);
    b.Feed(stream + at, piece, cut);
    at += piece;
  }
  if (!(whole.Events == cut.Events)) std::abort();

  const Scenario scenario = DefaultScenario();
  SimAdapter adapter(scenario, scenario.Adapters.at(0), 0);
  HostDeframer fromAdapter;
  AdapterOutput output;
  int64_t now = 0;
  std::vector<uint8_t> queued;
  for (size_t at = 0; at < length;) {
    const size_t piece = std::min<size_t>(length - at, 1 + next() % 64);
    adapter.HostWrite(stream + at, piece, now);
    at += piece;
    now += int64_t(next() % 5000) * 1000;  // up to 5 ms between writes (ns)
    adapter.AdvanceTo(now);
    queued.resize(adapter.ToHost().Size());
    adapter.ToHost().Pop(queued.data(), queued.size());
    fromAdapter.Feed(queued.data(), queued.size(), output);
  }
  return 0;
}
