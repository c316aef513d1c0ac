#pragma once
// Small builders shared by the CAN View tests.
#include <cstdint>
#include <initializer_list>

#include "adapter/TarvoAPI.h"
#include "common/TarvoCAN.h"
#include "view/CANViewStore.h"

namespace tarvo::test {

inline TTarvoCAN Frame(uint32_t id, uint32_t timeStamp, uint8_t ide = 0, uint8_t rtr = 0,
                       std::initializer_list<uint8_t> data = {}) {
  TTarvoCAN m;
  m.IDE = ide;
  m.RTR = rtr;
  m.ID = id;
  m.TimeStamp = timeStamp;
  m.DLC = uint8_t(data.size());
  uint8_t i = 0;
  for (uint8_t b : data) m.Data[i++] = b;
  return m;
}

inline TTarvoCAN RemoteFrame(uint32_t id, uint8_t dlc, uint32_t timeStamp = 0, uint8_t ide = 0) {
  TTarvoCAN m = Frame(id, timeStamp, ide, 1);
  m.DLC = dlc;
  return m;
}

inline TDeviceStatus StatusRecord(uint8_t statusCode, uint8_t busState, uint32_t timeStamp) {
  TDeviceStatus s;
  s.StatusType = 1;
  s.Param[2] = statusCode;
  s.Param[3] = busState;
  s.TimeStamp = timeStamp;
  return s;
}

inline TDeviceStatus BusLoadRecord(uint8_t rxErrors, uint8_t txErrors, uint32_t timeStamp) {
  TDeviceStatus s;
  s.StatusType = 3;
  s.Param[2] = rxErrors;
  s.Param[3] = txErrors;
  s.TimeStamp = timeStamp;
  return s;
}

inline void Transmit(TCANViewState& s, const TTarvoCAN& m, uint32_t timeMs) {
  DisplayTransmitMessage(s, m.IDE, m.ID, m.RTR, m.DLC, m.Data, timeMs);
}

inline const TCANViewMessage& Entry(const TCANViewState& s, int32_t i) { return s.CANView.List[size_t(i)]; }

}  // namespace tarvo::test
