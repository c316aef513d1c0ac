#pragma once
// The program's open adapter shared with socketcand clients. The program's
// own receive path reads the adapter and hands every received message in;
// frames the clients send go out through the program's send function. The
// repetition buffers stay the transmit list's: periodic frames are refused.
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

#include "bus/BusLink.h"
#include "common/TarvoCAN.h"

namespace tarvo::bus {

class TSharedAdapterPort : public BusPort {
 public:
  using TSendFunction = std::function<bool(std::span<const TTarvoCAN>)>;
  using TModeFunction = std::function<TBusMode()>;
  // At most this many received frames wait for the server's next round.
  static constexpr size_t QueueLimit = 65536;

  TSharedAdapterPort(TSendFunction send, TModeFunction mode);

  // A message the program received, stamped with the adapter's ticks since
  // its run started. A stamp well before the last one starts a new run: its
  // time line begins at the moment the message arrives less its ticks.
  void Received(const TTarvoCAN& message);
  uint64_t Dropped() const { return dropped_; }

  bool Poll(std::vector<TBusFrame>& frames) override;
  bool Send(std::span<const TBusFrame> frames) override;
  bool SetRepetition(const TBusFrame&, uint8_t, uint8_t) override { return false; }
  bool UpdateRepetition(const TBusFrame&, uint8_t) override { return false; }
  TBusMode Mode() const override { return mode_(); }

 private:
  TSendFunction send_;
  TModeFunction mode_;
  TRunClock clock_;
  bool clockStarted_ = false;
  uint32_t lastTicks_ = 0;
  std::deque<TBusFrame> queue_;
  uint64_t dropped_ = 0;
};

}  // namespace tarvo::bus
