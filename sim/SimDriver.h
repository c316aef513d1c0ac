#pragma once
// The driver library's view of the simulation: the device list, handles,
// time-outs, versions and the byte pipe of each open device. Plain C++ with
// the results of the SI_ functions; the exported C functions in TarvoUSB.cpp
// only lock and forward.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/Scenario.h"
#include "sim/SimAdapter.h"

namespace tarvo::sim {

class TraceSink;

// The sense of time of the driver: a steady clock in the library, a
// hand-driven one in tests. Sleep is where a waiting read lets time pass.
class SimTime {
 public:
  virtual ~SimTime() = default;
  virtual int64_t Now() = 0;
  virtual void Sleep(int64_t ns) = 0;
};

// Results the simulated driver returns.
inline constexpr int SIM_SUCCESS = 0x00;
inline constexpr int SIM_INVALID_HANDLE = 0x01;
inline constexpr int SIM_INVALID_PARAMETER = 0x06;
inline constexpr int SIM_DEVICE_IO_FAILED = 0x08;    // e.g. opening a device that is open
inline constexpr int SIM_READ_TIMED_OUT = 0x0D;      // fewer bytes than asked for
inline constexpr int SIM_FUNCTION_FAILED = 0x0A;     // the scenario makes a query fail
inline constexpr int SIM_DEVICE_NOT_FOUND = 0xFF;
inline constexpr uint32_t SIM_RX_OVERRUN = 1;        // queue status of CheckRXQueue
inline constexpr uint32_t DefaultTimeoutMs = 1000;
inline constexpr int64_t ReadPollNs = NsPerMs;

class SimDriver {
 public:
  SimDriver(Scenario scenario, SimTime& time, TraceSink* trace = nullptr);
  ~SimDriver();

  int GetNumDevices(uint32_t* count);
  int GetProductString(uint32_t index, void* buffer, uint32_t selector);
  int Open(uint32_t index, void** handle);
  int Close(void* handle);
  int Read(void* handle, void* buffer, uint32_t n, uint32_t* read);
  int Write(void* handle, const void* buffer, uint32_t n, uint32_t* written);
  int FlushBuffers(void* handle, uint8_t transmit, uint8_t receive);
  int CheckRXQueue(void* handle, uint32_t* bytes, uint32_t* status);
  int SetTimeouts(uint32_t readMs, uint32_t writeMs);
  int GetTimeouts(uint32_t* readMs, uint32_t* writeMs);
  int SetBaudRate(void* handle, uint32_t baud);
  int SetLineControl(void* handle, uint16_t lineControl);
  int SetFlowControl(void* handle);
  int GetModemStatus(void* handle, uint8_t* status);
  int GetDLLVersion(uint32_t* high, uint32_t* low);
  int GetDriverVersion(uint32_t* high, uint32_t* low);

  bool AnyOpen() const;
  // The adapter behind an open handle; null for a foreign device or a bad handle.
  SimAdapter* AdapterOf(void* handle);

 private:
  struct Device {
    AdapterSpec Setup;
    bool IsAdapter = false;
    bool Open = false;
    std::unique_ptr<SimAdapter> Adapter;  // created at open: a fresh power-on
  };
  Device* Find(void* handle);
  void Event(const Device& d, const std::string& text);  // a driver line in the trace

  Scenario scenario_;
  SimTime& time_;
  TraceSink* trace_;
  std::vector<std::unique_ptr<Device>> devices_;  // stable addresses serve as handles
  uint32_t readTimeoutMs_ = DefaultTimeoutMs;
  uint32_t writeTimeoutMs_ = DefaultTimeoutMs;
};

}  // namespace tarvo::sim
