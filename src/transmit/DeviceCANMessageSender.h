#pragma once
// The program's CAN message sender: the adapter command over the open
// connection.
#include "adapter/TarvoAPI.h"
#include "transmit/TransmitSeams.h"

namespace tarvo {

class DeviceCANMessageSender : public CANMessageSender {
 public:
  explicit DeviceCANMessageSender(const TDeviceConnection& connection) : connection_(connection) {}
  TResult SendCANMessage(uint8_t ide, uint32_t id, uint8_t rtr, uint8_t dlc, const uint8_t* data, uint8_t bufferNo,
                         uint8_t periodCode) override {
    return tarvo::SendCANMessage(connection_, ide, id, rtr, dlc, data, bufferNo, periodCode);
  }

 private:
  const TDeviceConnection& connection_;
};

}  // namespace tarvo
