// The bus side of the simulated adapter: an event loop over the frames on
// the bus, the adapter's own transmissions, its loopback path, the scripted
// faults and bus-off recovery. Events are handled strictly in time order;
// a frame is chosen by arbitration when it starts and delivered when it
// ends, intermission included.
#include <algorithm>
#include <cmath>

#include "sim/SimAdapter.h"

namespace tarvo::sim {
namespace {

// Bits of recessive bus a bus-off controller waits for before it recovers.
constexpr int BusOffRecoveryBits = 128 * 11;
// Configured and bus bit rates further apart than this fail to communicate.
constexpr double BitRateTolerance = 0.01;

}  // namespace

void SimAdapter::AdvanceTo(int64_t now) {
  if (now < cursor_) return;
  while (Step(now)) {
  }
  cursor_ = now;
}

bool SimAdapter::Step(int64_t now) {
  const int64_t tFlight = flight_.Active ? flight_.End : NoTime;
  const int64_t tLoop = loop_.empty() ? NoTime : loop_.front().End;
  const int64_t tScript = NextScriptEvent();
  const int64_t tOff = OnBus() ? NoTime : tx_.EarliestReady();
  const int64_t tStart = flight_.Active ? NoTime : NextBusStart();
  const int64_t t = std::min({tFlight, tLoop, tScript, tOff, tStart});
  if (t > now) return false;
  // A frame that waited since before a mode change (ready in the past, in a
  // state that did not serve it) is served now: time never runs backwards.
  const int64_t at = std::max(t, cursor_);
  cursor_ = at;
  if (t == tFlight) FinishTransfer();
  else if (t == tLoop) FinishLoopback();
  else if (t == tScript) ApplyScript(at);
  else if (t == tOff) ConsumeOffBus(at);
  else StartTransfer(at);
  return true;
}

bool SimAdapter::RateMatches() const {
  return std::fabs(timing_.BitRate() - bus_.BitRate()) <= BitRateTolerance * bus_.BitRate();
}

// The adapter's frames compete for the bus.
bool SimAdapter::OnBus() const { return running_ && mode_ == MODE_NORMAL && !counters_.BusOff && RateMatches(); }

// The adapter sees what happens on the bus.
bool SimAdapter::Participates() const { return running_ && mode_ != MODE_LOOPBACK && !counters_.BusOff; }

int64_t SimAdapter::NextBusStart() const {
  int64_t earliest = std::min(bus_.NextReady(), script_.NextErrorFrame(errorFrom_));
  if (OnBus()) earliest = std::min(earliest, tx_.EarliestReady());
  return earliest == NoTime ? NoTime : std::max(busFree_, earliest);
}

int64_t SimAdapter::NextScriptEvent() const { return std::min(script_.NextEdge(scriptCursor_), busOffUntil_); }

void SimAdapter::StartTransfer(int64_t t) {
  Flight f;
  const int64_t error = script_.NextErrorFrame(errorFrom_);
  if (error <= t) {
    // A disturbance destroys whatever would have gone out: only its error
    // frame occupies the bus.
    f.Type = Flight::Error;
    f.Bits = ErrorFrameBits;
    errorFrom_ = error + 1;
  } else {
    uint64_t nodeKey = 0, ownKey = 0;
    const int node = bus_.Best(t, nodeKey);
    const int own = OnBus() ? tx_.Best(t, ownKey) : -1;
    if (own >= 0 && (node < 0 || ownKey < nodeKey)) {
      f.Type = Flight::Own;
      f.Frame = tx_.Take(own, t);
    } else if (node >= 0) {
      f.Frame = bus_.Take(node, t);
    } else {
      busFree_ = t + 1;  // nothing was ready after all; never stand still
      return;
    }
    f.Bits = FrameBits(f.Frame);
  }
  f.Active = true;
  f.End = t + BitsToNs(f.Bits, bus_.BitRate());
  flight_ = f;
  busFree_ = f.End;
}

void SimAdapter::FinishTransfer() {
  const Flight f = flight_;
  flight_.Active = false;
  if (f.Type != Flight::Error) bus_.Observe(f.Frame, f.End);
  if (f.Type == Flight::Own) ++framesOnBus_;
  if (!Participates()) return;
  if (!RateMatches()) {
    // Sampled at the wrong rate every frame is an error; while error-active
    // the adapter signals it first and counts 8, once passive 1.
    BusError(counters_.Rec < 128 ? 8 : 1);
    return;
  }
  CountLoad(f.End, f.Bits);
  if (f.Type == Flight::Error) {
    // An error frame on a bus the adapter samples correctly is an invalid
    // frame received: the host enters it as an error frame in its view.
    BusError(1, STATUS_CAN_RX_INVALID);
  } else if (f.Type == Flight::Own) {
    if (counters_.Tec > 0) --counters_.Tec;
  } else {
    ReceivedOk(f.End);
    Deliver(f.Frame, f.End);
  }
}

// An adapter frame falls due while the adapter is not on the bus.
void SimAdapter::ConsumeOffBus(int64_t t) {
  const CanFrame f = tx_.Take(tx_.EarliestSlot(), t);
  if (mode_ == MODE_LOOPBACK) {
    if (loop_.size() >= MaxLoopbackQueue) {
      latched_ |= STATUS_CAN_TX_OVERRUN;
      return;
    }
    const int bits = FrameBits(f);
    loopFree_ = std::max(t, loopFree_) + BitsToNs(bits, timing_.BitRate());
    loop_.push_back({f, bits, loopFree_});
  } else if (mode_ == MODE_NORMAL && !counters_.BusOff && !RateMatches()) {
    FailedTransmit(t);
  }
  // Listen only and bus off: nothing leaves the adapter.
}

void SimAdapter::FinishLoopback() {
  const Looped l = loop_.front();
  loop_.pop_front();
  if (!running_ || mode_ != MODE_LOOPBACK) return;
  CountLoad(l.End, l.Bits);
  Deliver(l.Frame, l.End);
}

void SimAdapter::ApplyScript(int64_t t) {
  if (busOffUntil_ <= t) Recover();
  if (script_.NextEdge(scriptCursor_) > t) return;
  scriptCursor_ = t;
  const bool off = script_.Active(FaultKind::BusOff, t);
  if (off && !scriptBusOff_) {
    counters_.Tec = 256;
    EnterBusOff(NoTime);
  }
  if (!off && scriptBusOff_) Recover();
  scriptBusOff_ = off;
  if (script_.Active(FaultKind::Passive, t)) counters_.Rec = std::max(counters_.Rec, 128);
}

void SimAdapter::ReceivedOk(int64_t t) {
  // Listen-only controllers keep their counters still; a scripted passive
  // window holds the receive counter up.
  if (mode_ != MODE_NORMAL || script_.Active(FaultKind::Passive, t)) return;
  counters_.Rec = counters_.Rec > 127 ? 127 : std::max(0, counters_.Rec - 1);
}

void SimAdapter::BusError(int increment, uint8_t statusBit) {
  latched_ |= statusBit;
  if (mode_ == MODE_NORMAL) counters_.Rec = std::min(255, counters_.Rec + increment);
}

// With the wrong bit rate nobody acknowledges the adapter's frame; the
// attempt counts as a transmit error and the frame is given up.
void SimAdapter::FailedTransmit(int64_t t) {
  latched_ |= STATUS_CAN_BUS_ERROR;
  counters_.Tec += 8;
  if (counters_.Tec > 255) EnterBusOff(t + BitsToNs(BusOffRecoveryBits, timing_.BitRate()));
}

void SimAdapter::EnterBusOff(int64_t until) {
  counters_.BusOff = true;
  busOffUntil_ = until;
  tx_.DropSingles();
  Trace("---", "BusOff");
}

void SimAdapter::Recover() {
  counters_ = {};
  busOffUntil_ = NoTime;
  Trace("---", "BusOn");
}

void SimAdapter::CountLoad(int64_t end, int bits) {
  loadWindow_.emplace_back(end, bits);
  loadBits_ += bits;
  while (loadWindow_.front().first <= end - NsPerSecond) {
    loadBits_ -= loadWindow_.front().second;
    loadWindow_.pop_front();
  }
}

}  // namespace tarvo::sim
