#pragma once
// Transmissions into the CAN View: each echo becomes a "TD" or "TR" entry
// at its time. The log recorder adds its own TransmitEcho beside this one
// (TransmitEchoList), which records only while a recording runs and the log
// options take transmitted messages.
#include "transmit/TransmitSeams.h"
#include "view/CANViewStore.h"

namespace tarvo {

class CANViewTransmitEcho : public TransmitEcho {
 public:
  explicit CANViewTransmitEcho(TCANViewState& view) : view_(view) {}
  void EchoTransmitMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t data[8],
                           uint32_t timeMs) override {
    DisplayTransmitMessage(view_, ide, id, rtr, dlc, data, timeMs);
  }

 private:
  TCANViewState& view_;
};

}  // namespace tarvo
