#pragma once
// One simulated adapter: its firmware (the packet protocol toward the host,
// the CAN controller's configuration, repetition buffers, error handling)
// and the bus behind it. Time is whatever the caller says it is: every call
// first advances the bus to `now`, event by event, so no thread is needed
// and a host that reads too late finds the queue overrun as it would with
// hardware.
#include <cstdint>
#include <deque>
#include <string>

#include "sim/ByteQueue.h"
#include "sim/CanFrame.h"
#include "sim/Controller.h"
#include "sim/FaultScript.h"
#include "sim/HostDeframer.h"
#include "sim/Scenario.h"
#include "sim/SimBus.h"
#include "sim/TxBuffers.h"

namespace tarvo::sim {

class TraceSink;

// Status code bits (type-1 Param[2]); latched until the next status packet.
inline constexpr uint8_t STATUS_USB_RX_OVERRUN = 0x01;  // host frame longer than 4095 bytes
inline constexpr uint8_t STATUS_USB_RX_INVALID = 0x02;  // framing error or malformed packet
inline constexpr uint8_t STATUS_USB_CRC_ERROR = 0x04;
inline constexpr uint8_t STATUS_CAN_RX_INVALID = 0x20;  // an error frame seen on the bus
inline constexpr uint8_t STATUS_CAN_TX_OVERRUN = 0x40;  // single-frame or loopback queue full
inline constexpr uint8_t STATUS_CAN_BUS_ERROR = 0x80;   // wrong bit rate, failed transmission or bus off

inline constexpr uint8_t MODE_NORMAL = 0;
inline constexpr uint8_t MODE_LISTEN_ONLY = 1;
inline constexpr uint8_t MODE_LOOPBACK = 2;

inline constexpr size_t MaxLoopbackQueue = 64;

class SimAdapter : private HostDeframer::Sink {
 public:
  SimAdapter(const Scenario& s, const AdapterSpec& setup, int64_t powerOn, int device = 0,
             TraceSink* trace = nullptr);

  void AdvanceTo(int64_t now);
  // Bytes the host wrote; commands take effect at `now`.
  void HostWrite(const uint8_t* bytes, size_t n, int64_t now);
  // The queue toward the host, as of the last AdvanceTo.
  ByteQueue& ToHost() { return toHost_; }
  void FlushToHost(int64_t now);

  bool Running() const { return running_; }
  uint8_t Mode() const { return mode_; }
  const ErrorCounters& Counters() const { return counters_; }
  double ConfiguredBitRate() const { return timing_.BitRate(); }
  uint64_t FramesSentOnBus() const { return framesOnBus_; }

 private:
  struct Flight {
    enum Kind { Node, Own, Error } Type = Node;
    bool Active = false;
    CanFrame Frame;
    int Bits = 0;
    int64_t End = 0;
  };
  struct Looped { CanFrame Frame; int Bits; int64_t End; };

  // Host commands.
  void OnDeframed(const DeframeEvent& e) override;
  void Execute(const uint8_t* p, size_t n);
  bool ExecuteCan(const uint8_t* p, size_t n);
  void SetRun(bool run);
  void SendStatus();
  void SendBusLoad();

  // The event loop.
  bool Step(int64_t now);
  bool RateMatches() const;
  bool OnBus() const;
  bool Participates() const;
  int64_t NextBusStart() const;
  int64_t NextScriptEvent() const;
  void StartTransfer(int64_t t);
  void FinishTransfer();
  void ConsumeOffBus(int64_t t);
  void FinishLoopback();
  void ApplyScript(int64_t t);

  // The controller's side of bus events.
  void Deliver(const CanFrame& f, int64_t t);
  void ReceivedOk(int64_t t);
  void BusError(int increment, uint8_t statusBit = STATUS_CAN_BUS_ERROR);
  void FailedTransmit(int64_t t);
  void EnterBusOff(int64_t until);
  void Recover();
  void CountLoad(int64_t end, int bits);

  // Toward the host.
  void SendPacket(const uint8_t* p, size_t n);
  uint32_t Ticks(int64_t t) const;
  void Trace(const char* dir, const std::string& text, const uint8_t* p = nullptr, size_t n = 0);

  const AdapterSpec setup_;
  const bool has40MHz_;
  const int device_;
  TraceSink* const trace_;

  int64_t cursor_;  // simulated up to here
  bool running_ = false;
  int64_t runStart_;
  uint8_t mode_ = MODE_NORMAL;
  BitTiming timing_;  // power-up timing: 250 kbit/s
  AcceptanceFilters filters_;
  ErrorCounters counters_;
  uint8_t latched_ = 0;

  HostDeframer deframer_;
  TxBuffers tx_;
  SimBus bus_;
  FaultScript script_;
  Flight flight_;
  int64_t busFree_;
  std::deque<Looped> loop_;
  int64_t loopFree_ = 0;
  int64_t errorFrom_ = 0;       // next error frame is the first scheduled at or after this
  int64_t scriptCursor_ = 0;    // fault-window edges up to here are applied
  int64_t busOffUntil_ = NoTime;
  bool scriptBusOff_ = false;

  std::deque<std::pair<int64_t, int>> loadWindow_;  // (end, bits) of the last second
  int64_t loadBits_ = 0;
  ByteQueue toHost_;
  uint64_t framesOnBus_ = 0;
};

}  // namespace tarvo::sim
