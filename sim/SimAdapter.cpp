// The firmware's host side: commands in, packets out. The bus side of the
// same class is in SimAdapterBus.cpp.
#include "sim/SimAdapter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "adapter/Framing.h"
#include "sim/Trace.h"

namespace tarvo::sim {
namespace {

inline constexpr uint32_t PeriodCodeMs[11] = {0, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000};

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace

SimAdapter::SimAdapter(const Scenario& s, const AdapterSpec& setup, int64_t powerOn, int device, TraceSink* trace)
    : setup_(setup),
      has40MHz_(Has40MHzClock(setup)),
      device_(device),
      trace_(trace),
      cursor_(powerOn),
      runStart_(powerOn),
      bus_(s, powerOn),
      script_(s.Faults),
      busFree_(powerOn) {}

void SimAdapter::HostWrite(const uint8_t* bytes, size_t n, int64_t now) {
  AdvanceTo(now);
  deframer_.Feed(bytes, n, *this);
}

void SimAdapter::FlushToHost(int64_t now) {
  AdvanceTo(now);
  toHost_.Clear();
}

void SimAdapter::OnDeframed(const DeframeEvent& e) {
  switch (e.Type) {
    case DeframeEvent::Packet:
      Trace("H>A", DescribeHostPacket(e.Bytes, e.Length, has40MHz_), e.Bytes, e.Length);
      Execute(e.Bytes, e.Length);
      return;
    case DeframeEvent::CrcError: {
      char text[64];
      std::snprintf(text, sizeof text, "CrcError RECEIVED=%04X COMPUTED=%04X", e.ReceivedCrc, e.ComputedCrc);
      Trace("H>A", text, e.Bytes, e.Length);
      latched_ |= STATUS_USB_CRC_ERROR;
      return;
    }
    case DeframeEvent::TooLong:
      Trace("H>A", "TooLong");
      latched_ |= STATUS_USB_RX_OVERRUN;
      return;
    case DeframeEvent::FramingError:
    case DeframeEvent::TooShort:
      Trace("H>A", e.Type == DeframeEvent::TooShort ? "TooShort" : "FramingError");
      latched_ |= STATUS_USB_RX_INVALID;
      return;
  }
}

void SimAdapter::Execute(const uint8_t* p, size_t n) {
  bool ok = n > 0;
  if (ok) {
    switch (p[0]) {
      case 0: ok = ExecuteCan(p, n); break;
      case 1: if ((ok = n == 1)) SendStatus(); break;
      case 2: if ((ok = n == 7)) timing_ = BitTiming::Decode(p + 1, has40MHz_); break;
      case 3: if ((ok = n == 2 && p[1] <= MODE_LOOPBACK)) mode_ = p[1]; break;
      case 4: if ((ok = n == 39)) filters_ = AcceptanceFilters::Decode(p + 1); break;
      case 5: if ((ok = n == 2 && p[1] <= 1)) SetRun(p[1] == 1); break;
      case 7: ok = n == 1; break;  // end of configuration: nothing left to do
      case 9: if ((ok = n == 1)) SendBusLoad(); break;
      default: ok = false;
    }
  }
  if (!ok) latched_ |= STATUS_USB_RX_INVALID;
}

bool SimAdapter::ExecuteCan(const uint8_t* p, size_t n) {
  if (n < 8 || p[6] > 8 || n != 8u + p[6]) return false;
  const unsigned buffer = p[n - 1] & 0x0F, period = p[n - 1] >> 4;
  if (period > 10) return false;
  CanFrame f;
  f.Remote = p[1] & 1;
  f.Extended = p[1] & 2;
  f.Id = Le32(p + 2) & (f.Extended ? MaxExtendedId : MaxStandardId);
  f.Dlc = p[6];
  if (!f.Remote) std::copy(p + 7, p + 7 + f.Dlc, f.Data);
  if (buffer != 0) {
    if (period == 0) tx_.Stop(int(buffer));
    else tx_.Load(int(buffer), f, PeriodCodeMs[period], cursor_);
  } else if (running_ && !tx_.QueueSingle(f, cursor_)) {
    latched_ |= STATUS_CAN_TX_OVERRUN;
  }
  // A single frame while stopped goes nowhere: the controller is off the bus.
  return true;
}

void SimAdapter::SetRun(bool run) {
  // A stop ends all repetition in every state: buffers loaded for a start
  // that the host then cancelled must not fire at the next run.
  if (!run && !running_) tx_.EndRun();
  if (run == running_) return;
  running_ = run;
  loop_.clear();
  loadWindow_.clear();
  loadBits_ = 0;
  if (!run) {
    tx_.EndRun();
    script_.Stop();
    if (scriptBusOff_) Recover();
    scriptBusOff_ = false;
    return;
  }
  // Each run starts error-active with fresh counters and time stamps.
  runStart_ = cursor_;
  counters_ = {};
  busOffUntil_ = NoTime;
  tx_.StartRun(cursor_);
  script_.Start(cursor_);
  scriptCursor_ = cursor_ - 1;
  errorFrom_ = cursor_;
  loopFree_ = cursor_;
}

void SimAdapter::SendStatus() {
  uint8_t p[9] = {1, setup_.Hardware, setup_.Software, uint8_t(latched_ | (counters_.BusOff ? STATUS_CAN_BUS_ERROR : 0)),
                  counters_.StateBits()};
  PutLe32(p + 5, Ticks(cursor_));
  latched_ = 0;
  SendPacket(p, sizeof p);
}

void SimAdapter::SendBusLoad() {
  while (!loadWindow_.empty() && loadWindow_.front().first <= cursor_ - NsPerSecond) {
    loadBits_ -= loadWindow_.front().second;
    loadWindow_.pop_front();
  }
  // Bits seen in the last second against the bits the configured rate allows.
  const long long permille = std::min(1000LL, std::llround(double(loadBits_) * 1000.0 / timing_.BitRate()));
  uint8_t p[9] = {3, uint8_t(permille / 10), uint8_t(permille % 10), counters_.ReportedRec(), counters_.ReportedTec()};
  PutLe32(p + 5, Ticks(cursor_));
  SendPacket(p, sizeof p);
}

void SimAdapter::Deliver(const CanFrame& f, int64_t t) {
  if (!filters_.Accepts(f)) return;
  uint8_t p[20] = {0, uint8_t((f.Remote ? 1 : 0) | (f.Extended ? 2 : 0))};
  PutLe32(p + 2, f.Id);
  p[6] = f.Dlc;
  for (int i = 0; i < f.Dlc; ++i) p[7 + i] = f.Remote ? 0 : f.Data[i];
  p[7 + f.Dlc] = counters_.StateBits();
  PutLe32(p + 8 + f.Dlc, Ticks(t));
  SendPacket(p, 12u + f.Dlc);
}

void SimAdapter::SendPacket(const uint8_t* p, size_t n) {
  std::array<uint8_t, 2 * 20 + 8> frame;
  const size_t length = BuildFrame(p, n, frame.data());
  const bool wasOverrun = toHost_.Overrun();
  const bool queued = toHost_.Push(frame.data(), length);
  if (!trace_) return;
  const std::string text = DescribeAdapterPacket(p, n);
  Trace("A>H", queued ? text : text + " (dropped: queue full)", p, n);
  if (!wasOverrun && toHost_.Overrun()) Trace("---", "Overrun");
}

uint32_t SimAdapter::Ticks(int64_t t) const { return uint32_t(uint64_t((t - runStart_) / NsPerTick)); }

void SimAdapter::Trace(const char* dir, const std::string& text, const uint8_t* p, size_t n) {
  if (trace_) trace_->Line(TraceLine(cursor_, device_, dir, text, p, n));
}

}  // namespace tarvo::sim
