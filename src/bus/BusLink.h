#pragma once
// The adapter without a window: the same driver binding, device choice,
// identification and run start as the program, for tarvo-bus. One run from
// Start to Stop; received messages and bus events come out as frames
// stamped in microseconds since 1970.
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "adapter/TarvoAPI.h"
#include "bus/BusFrame.h"
#include "bus/BusSetup.h"
#include "common/Clock.h"
#include "common/TimeUnits.h"

namespace tarvo::bus {

// The adapter's 25.6 us ticks on the time line of a run: the run's start
// in microseconds since 1970 plus the ticks since, unwrapped across the
// 2^32 wrap (every 30.5 hours). Messages and status packets arrive nearly
// in time order, so each stamp is taken as the nearest one to the last.
class TRunClock {
 public:
  void Start(int64_t startUs) {
    startUs_ = startUs;
    lastTicks_ = 0;
    ticks_ = 0;
  }
  int64_t TimeOf(uint32_t ticks);

 private:
  int64_t startUs_ = 0;
  uint32_t lastTicks_ = 0;
  int64_t ticks_ = 0;  // unwrapped ticks of the last stamp
};

// The error frames a type-1 status packet stands for, as SocketCAN writes
// them: a change of the bus-state bits (warning, passive, bus-off, back to
// active) and the latched status bits (an error frame on the bus, a bus
// error, a transmit overrun). lastBusState keeps the bits between calls.
// Returns how many frames it wrote to out.
size_t StatusErrorFrames(uint8_t statusCode, uint8_t busState, uint8_t& lastBusState, int64_t timeUs,
                         TBusFrame (&out)[2]);

// What the socketcand server needs of an adapter: received frames in order,
// frames sent once, the repetition buffers, and the mode (a listen-only bus
// refuses sends). tarvo-bus serves its own run (TBusLink); the program
// shares its open adapter through a port of its own.
class BusPort {
 public:
  virtual ~BusPort() = default;
  // Appends what arrived since the last call; false while the adapter
  // does not answer.
  virtual bool Poll(std::vector<TBusFrame>& frames) = 0;
  virtual bool Send(std::span<const TBusFrame> frames) = 0;
  // false when the buffer could not be loaded (or the port has none to lend).
  virtual bool SetRepetition(const TBusFrame& frame, uint8_t buffer, uint8_t periodCode) = 0;
  virtual bool UpdateRepetition(const TBusFrame& frame, uint8_t buffer) = 0;
  virtual TBusMode Mode() const = 0;
};

class TBusLink : public BusPort {
 public:
  explicit TBusLink(LibraryLoader& loader = SystemLibraryLoader());
  ~TBusLink() override;
  TBusLink(const TBusLink&) = delete;
  TBusLink& operator=(const TBusLink&) = delete;

  // Binds the driver and opens the adapter with this serial number (any
  // adapter when empty), then identifies it. false with a one-line reason.
  bool Open(const std::string& serialNo, std::string& error);
  // Sends bit timing, mode and receive filters, then starts the run.
  // A set-up the adapter cannot run is refused before anything is sent.
  bool Start(const TBusSetup& setup, std::string& error);
  // Appends what the adapter sent since the last call, in order. false
  // once the adapter has not been readable for a second (unplugged).
  bool Poll(std::vector<TBusFrame>& frames) override;
  // Sends data and remote frames once, in order.
  bool Send(std::span<const TBusFrame> frames) override;
  // Loads one of the adapter's repetition buffers (1..15) with a frame and
  // a period code (1..10); period code 0 stops the buffer.
  bool SetRepetition(const TBusFrame& frame, uint8_t buffer, uint8_t periodCode) override;
  // New data for a buffer, keeping its period.
  bool UpdateRepetition(const TBusFrame& frame, uint8_t buffer) override;
  // Stops the run and appends what the adapter received up to the stop.
  void Stop(std::vector<TBusFrame>& frames);
  // Stops the run and closes the adapter; safe to call twice.
  void Close();

  bool Running() const { return running_; }
  TBusMode Mode() const override { return setup_.Mode; }
  uint32_t BitRate() const { return bitRate_; }
  // Messages the receive path lost (driver overrun) since the start.
  uint32_t LostMessages() const { return ring_.LostCount; }
  const TDeviceConnection& Connection() const { return connection_; }
  bool Clock40MHz() const { return clock40MHz_; }

 private:
  bool Identify(std::string& error);
  void RequestStatusWhenDue();

  SteadyClock clock_;
  TDriver driver_;
  TDeviceConnection connection_;
  TCANMessageRing ring_;
  TDeviceStatus status_;
  TBusSetup setup_;
  TRunClock runClock_;
  bool clock40MHz_ = true;
  bool driverBound_ = false;
  bool running_ = false;
  uint32_t bitRate_ = 250000;
  uint8_t lastBusState_ = 0;
  uint8_t periodCodes_[16] = {};  // of each repetition buffer
  std::chrono::steady_clock::time_point nextStatusRequest_;
  std::chrono::steady_clock::time_point lastGoodRead_;
};

}  // namespace tarvo::bus
