#pragma once
// A simulated adapter on a virtual clock, with the host's side of the wire:
// commands are framed as the application frames them, and whatever the
// adapter queued is cut back into packets.
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "adapter/Framing.h"
#include "support/Frames.h"
#include "sim/HostDeframer.h"
#include "sim/Scenario.h"
#include "sim/SimAdapter.h"
#include "sim/SimDriver.h"

namespace tarvo::sim::test {

using Bytes = std::vector<uint8_t>;

using tarvo::test::Framed;

inline Scenario ScenarioFrom(std::string_view text) {
  std::vector<ScenarioIssue> issues;
  return ParseScenario(text, issues);
}

// A CAN message the adapter sent to the host (packet type 0).
struct RxCan {
  CanFrame Frame;
  uint8_t BusState = 0;
  uint32_t TimeStamp = 0;
};

inline uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

inline RxCan DecodeCan(const Bytes& p) {
  RxCan m;
  m.Frame.Remote = p[1] & 1;
  m.Frame.Extended = p[1] & 2;
  m.Frame.Id = Le32(&p[2]);
  m.Frame.Dlc = p[6];
  for (int i = 0; i < m.Frame.Dlc && !m.Frame.Remote; ++i) m.Frame.Data[i] = p[7 + i];
  m.BusState = p[7 + p[6]];
  m.TimeStamp = Le32(&p[8 + p[6]]);
  return m;
}

// Packets are collected with the adapter's own deframer: adapter frames
// follow the same rules in the other direction.
class PacketCollector : public HostDeframer::Sink {
 public:
  std::vector<Bytes> Packets;
  int Errors = 0;
  void OnDeframed(const DeframeEvent& e) override {
    if (e.Type == DeframeEvent::Packet) Packets.emplace_back(e.Bytes, e.Bytes + e.Length);
    else ++Errors;
  }
};

struct Rig {
  explicit Rig(std::string_view scenario, int64_t powerOn = 0)
      : scenario(ScenarioFrom(scenario)), adapter(this->scenario, this->scenario.Adapters.at(0), powerOn), now(powerOn) {}

  void Send(const Bytes& packet) {
    const Bytes f = Framed(packet);
    adapter.HostWrite(f.data(), f.size(), now);
  }
  void AdvanceMs(double ms) { now += int64_t(ms * double(NsPerMs)); }

  // Everything queued up to now, as packets.
  std::vector<Bytes> Drain() {
    adapter.AdvanceTo(now);
    Bytes raw(adapter.ToHost().Size());
    adapter.ToHost().Pop(raw.data(), raw.size());
    PacketCollector c;
    HostDeframer d;
    d.Feed(raw.data(), raw.size(), c);
    EXPECT_EQ(c.Errors, 0);
    return c.Packets;
  }
  std::vector<RxCan> DrainCan() {
    std::vector<RxCan> out;
    for (const Bytes& p : Drain())
      if (p[0] == 0) out.push_back(DecodeCan(p));
    return out;
  }
  // Requests a status (type 1) or bus-load (type 9) packet and returns it.
  Bytes Request(uint8_t type) {
    Drain();
    Send({type});
    const std::vector<Bytes> packets = Drain();
    return packets.empty() ? Bytes{} : packets.back();
  }

  Scenario scenario;
  SimAdapter adapter;
  int64_t now;
};

// Commands as the host builds them.
inline Bytes RunCmd(uint8_t run) { return {5, run}; }
inline Bytes ModeCmd(uint8_t mode) { return {3, mode}; }
inline const Bytes Timing250k40MHz = {2, 0, 0x43, 7, 5, 4, 0};  // BRP 4, PROPSEG 5, PHSEG1 8, PHSEG2 6
inline const Bytes Timing500k40MHz = {2, 0, 0x41, 7, 5, 4, 0};  // BRP 2
inline Bytes CanCmd(uint32_t id, bool ext, bool rtr, const Bytes& data, uint8_t buffer = 0, uint8_t period = 0) {
  Bytes p(8 + data.size());
  p[1] = uint8_t((rtr ? 1 : 0) | (ext ? 2 : 0));
  for (int i = 0; i < 4; ++i) p[2 + size_t(i)] = uint8_t(id >> (8 * i));
  p[6] = uint8_t(data.size());
  for (size_t i = 0; i < data.size(); ++i) p[7 + i] = data[i];
  p.back() = uint8_t(buffer | period << 4);
  return p;
}

// Virtual time for the driver: a sleeping read moves the clock on.
class ManualTime : public SimTime {
 public:
  int64_t now = 0;
  int64_t Now() override { return now; }
  void Sleep(int64_t ns) override { now += ns; }
};

}  // namespace tarvo::sim::test
