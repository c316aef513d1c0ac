// libTarvoUSB: the sixteen SI_ functions of the driver library over the
// simulated driver. One lock guards the whole simulation; a read that waits
// for bytes lets go of it while it sleeps, so another thread may write.
//
// Environment:
//   TARVO_SIM_SCENARIO  scenario file (unset or empty: the built-in one)
//   TARVO_SIM_TRACE     protocol trace file (unset or empty: no trace)
// Both are read at the first call, and again at any later call made while
// no device is open whose value has changed, like a USB bus re-enumerated.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>

#include "adapter/DriverApi.h"
#include "sim/Scenario.h"
#include "sim/SimDriver.h"
#include "sim/Trace.h"

#if defined(_WIN32)
#define TARVO_SIM_EXPORT extern "C" __declspec(dllexport)
#else
#define TARVO_SIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using namespace tarvo::sim;

std::mutex g_lock;

class SteadyTime : public SimTime {
 public:
  int64_t Now() override {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - origin_).count();
  }
  // Called with g_lock held, from a read waiting for bytes.
  void Sleep(int64_t ns) override {
    ++sleepers;
    g_lock.unlock();
    std::this_thread::sleep_for(std::chrono::nanoseconds(ns));
    g_lock.lock();
    --sleepers;
  }
  int sleepers = 0;

 private:
  const std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
};

struct Library {
  SteadyTime time;
  std::string scenarioPath, tracePath;
  std::unique_ptr<FileTrace> trace;
  std::unique_ptr<SimDriver> driver;
};

Library& Lib() {
  static Library lib;
  return lib;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

Scenario ReadScenario(const std::string& path) {
  if (path.empty()) return DefaultScenario();
  std::vector<ScenarioIssue> issues;
  Scenario s = LoadScenarioFile(path, issues);
  constexpr size_t MaxReported = 20;
  for (size_t i = 0; i < issues.size() && i < MaxReported; ++i)
    std::fprintf(stderr, "TarvoUSB (simulated): %s:%d: %s\n", path.c_str(), issues[i].Line, issues[i].Message.c_str());
  if (issues.size() > MaxReported)
    std::fprintf(stderr, "TarvoUSB (simulated): %s: %zu more lines ignored\n", path.c_str(), issues.size() - MaxReported);
  return s;
}

// The driver for this call, (re)built from the environment when allowed.
SimDriver& Driver() {
  Library& lib = Lib();
  const std::string scenario = Env("TARVO_SIM_SCENARIO"), trace = Env("TARVO_SIM_TRACE");
  const bool changed = scenario != lib.scenarioPath || trace != lib.tracePath;
  if (lib.driver && (!changed || lib.driver->AnyOpen() || lib.time.sleepers > 0)) return *lib.driver;
  lib.driver.reset();
  if (!lib.trace || trace != lib.tracePath) {
    lib.trace.reset();
    if (!trace.empty()) lib.trace = std::make_unique<FileTrace>(trace);
    if (lib.trace && !lib.trace->IsOpen())
      std::fprintf(stderr, "TarvoUSB (simulated): cannot write the trace file %s\n", trace.c_str());
  }
  lib.scenarioPath = scenario;
  lib.tracePath = trace;
  lib.driver = std::make_unique<SimDriver>(ReadScenario(scenario), lib.time, lib.trace.get());
  return *lib.driver;
}

template <typename F>
int Call(F&& f) {
  std::lock_guard<std::mutex> hold(g_lock);
  const int result = f(Driver());
  if (Lib().trace) Lib().trace->Flush();
  return result;
}

}  // namespace

TARVO_SIM_EXPORT int SI_GetNumDevices(uint32_t* numDevices) {
  return Call([&](SimDriver& d) { return d.GetNumDevices(numDevices); });
}

TARVO_SIM_EXPORT int SI_GetProductString(uint32_t deviceIndex, void* buffer, uint32_t options) {
  return Call([&](SimDriver& d) { return d.GetProductString(deviceIndex, buffer, options); });
}

TARVO_SIM_EXPORT int SI_Open(uint32_t deviceIndex, void** handle) {
  return Call([&](SimDriver& d) { return d.Open(deviceIndex, handle); });
}

TARVO_SIM_EXPORT int SI_Close(void* handle) {
  return Call([&](SimDriver& d) { return d.Close(handle); });
}

TARVO_SIM_EXPORT int SI_Read(void* handle, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead, void*) {
  return Call([&](SimDriver& d) { return d.Read(handle, buffer, bytesToRead, bytesRead); });
}

TARVO_SIM_EXPORT int SI_Write(void* handle, void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten, void*) {
  return Call([&](SimDriver& d) { return d.Write(handle, buffer, bytesToWrite, bytesWritten); });
}

TARVO_SIM_EXPORT int SI_FlushBuffers(void* handle, uint8_t flushTransmit, uint8_t flushReceive) {
  return Call([&](SimDriver& d) { return d.FlushBuffers(handle, flushTransmit, flushReceive); });
}

TARVO_SIM_EXPORT int SI_CheckRXQueue(void* handle, uint32_t* bytesInQueue, uint32_t* queueStatus) {
  return Call([&](SimDriver& d) { return d.CheckRXQueue(handle, bytesInQueue, queueStatus); });
}

TARVO_SIM_EXPORT int SI_SetTimeouts(uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
  return Call([&](SimDriver& d) { return d.SetTimeouts(readTimeoutMs, writeTimeoutMs); });
}

TARVO_SIM_EXPORT int SI_GetTimeouts(uint32_t* readTimeoutMs, uint32_t* writeTimeoutMs) {
  return Call([&](SimDriver& d) { return d.GetTimeouts(readTimeoutMs, writeTimeoutMs); });
}

TARVO_SIM_EXPORT int SI_SetBaudRate(void* handle, uint32_t baudRate) {
  return Call([&](SimDriver& d) { return d.SetBaudRate(handle, baudRate); });
}

TARVO_SIM_EXPORT int SI_SetLineControl(void* handle, uint16_t lineControl) {
  return Call([&](SimDriver& d) { return d.SetLineControl(handle, lineControl); });
}

TARVO_SIM_EXPORT int SI_SetFlowControl(void* handle, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, int) {
  return Call([&](SimDriver& d) { return d.SetFlowControl(handle); });
}

TARVO_SIM_EXPORT int SI_GetModemStatus(void* handle, uint8_t* modemStatus) {
  return Call([&](SimDriver& d) { return d.GetModemStatus(handle, modemStatus); });
}

TARVO_SIM_EXPORT int SI_GetDLLVersion(uint32_t* high, uint32_t* low) {
  return Call([&](SimDriver& d) { return d.GetDLLVersion(high, low); });
}

TARVO_SIM_EXPORT int SI_GetDriverVersion(uint32_t* high, uint32_t* low) {
  return Call([&](SimDriver& d) { return d.GetDriverVersion(high, low); });
}

// The exports must keep the signatures the application binds to.
static_assert(std::is_same_v<decltype(&SI_GetNumDevices), SI_GetNumDevices_t>);
static_assert(std::is_same_v<decltype(&SI_GetProductString), SI_GetProductString_t>);
static_assert(std::is_same_v<decltype(&SI_Open), SI_Open_t>);
static_assert(std::is_same_v<decltype(&SI_Close), SI_Close_t>);
static_assert(std::is_same_v<decltype(&SI_Read), SI_Read_t>);
static_assert(std::is_same_v<decltype(&SI_Write), SI_Write_t>);
static_assert(std::is_same_v<decltype(&SI_FlushBuffers), SI_FlushBuffers_t>);
static_assert(std::is_same_v<decltype(&SI_CheckRXQueue), SI_CheckRXQueue_t>);
static_assert(std::is_same_v<decltype(&SI_SetTimeouts), SI_SetTimeouts_t>);
static_assert(std::is_same_v<decltype(&SI_GetTimeouts), SI_GetTimeouts_t>);
static_assert(std::is_same_v<decltype(&SI_SetBaudRate), SI_SetBaudRate_t>);
static_assert(std::is_same_v<decltype(&SI_SetLineControl), SI_SetLineControl_t>);
static_assert(std::is_same_v<decltype(&SI_SetFlowControl), SI_SetFlowControl_t>);
static_assert(std::is_same_v<decltype(&SI_GetModemStatus), SI_GetModemStatus_t>);
static_assert(std::is_same_v<decltype(&SI_GetDLLVersion), SI_GetDLLVersion_t>);
static_assert(std::is_same_v<decltype(&SI_GetDriverVersion), SI_GetDriverVersion_t>);
