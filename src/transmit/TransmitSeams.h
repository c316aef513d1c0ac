#pragma once
// Where the transmit subsystem meets the rest of the program: what it asks
// of the run and the windows, the adapter command it sends with, and where
// it reports what it has sent. The application object implements each one
// over its own records; tests use small fakes.
#include <cstdint>
#include <vector>

#include "common/ResultCodes.h"

namespace tarvo {

// The direction of the current run as the transmit side sees it: a
// receive-only run, a receive-only run to which transmission is being
// added one item per tick, or a run that receives and transmits.
enum class TTransmitPhase { ReceiveOnly, HandingOver, Full };

class TransmitHost {
 public:
  virtual ~TransmitHost() = default;
  virtual bool HexMode() = 0;         // display option: numbers in hexadecimal
  virtual bool Running() = 0;         // the adapter was started and not yet stopped
  virtual bool ListenOnly() = 0;      // CAN Setup: operating mode "Listen Only"
  virtual uint32_t TarvoTime() = 0;   // ms of adapter time since the start of the run
  virtual uint32_t DeltaPCTime() = 0; // ms between the previous tick and this one
  virtual TTransmitPhase Phase() = 0;
  // Every item has been handed to the adapter: the run now receives and transmits.
  virtual void HandOverComplete() = 0;
  // The transmit list changed in a way a configuration file keeps.
  virtual void SetConfigModified() = 0;
  // A Stop (or the window closing) came during the waits of the start that
  // is loading the repetition buffers: that start loads no more.
  virtual bool StartCancelled() { return false; }
};

// The adapter command that sends a message once (bufferNo 0), loads a
// repetition buffer (bufferNo 1..15 with a period code) or stops one
// (period code 0). The program's implementation writes to the open adapter.
class CANMessageSender {
 public:
  virtual ~CANMessageSender() = default;
  virtual TResult SendCANMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t* data,
                                 uint8_t bufferNo, uint8_t periodCode) = 0;
};

// Receives every message the transmit side has put on the bus, with the
// adapter time in ms at which it went out: the CAN View and the log.
class TransmitEcho {
 public:
  virtual ~TransmitEcho() = default;
  virtual void EchoTransmitMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8],
                                   uint32_t timeMs) = 0;
};

// Hands each echo to several receivers in the order they were added.
class TransmitEchoList : public TransmitEcho {
 public:
  void Add(TransmitEcho& receiver) { receivers_.push_back(&receiver); }
  void EchoTransmitMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8],
                           uint32_t timeMs) override {
    for (TransmitEcho* r : receivers_) r->EchoTransmitMessage(ide, id, rtr, dlc, data, timeMs);
  }

 private:
  std::vector<TransmitEcho*> receivers_;
};

}  // namespace tarvo
