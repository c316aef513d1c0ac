#include "FakeDriver.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tarvo::test {
namespace {

FakeDriver* current = nullptr;

FakeDriver& D(const char* call) {
  current->Calls.push_back(call);
  return *current;
}

FakeDevice* DeviceAt(uint32_t index) {
  return index < current->Devices.size() ? &current->Devices[index] : nullptr;
}

int SiNumDevices(uint32_t* n) {
  FakeDriver& d = D("SI_GetNumDevices");
  *n = uint32_t(d.Devices.size());
  return d.NumDevicesResult;
}

int SiProductString(uint32_t index, void* buffer, uint32_t selector) {
  FakeDriver& d = D("SI_GetProductString");
  const FakeDevice* dev = DeviceAt(index);
  if (dev == nullptr) return 2;
  const std::string* text = nullptr;
  if (selector == SI_RETURN_PID && !dev->FailProductId) text = &dev->ProductId;
  if (selector == SI_RETURN_SERIAL_NUMBER && !dev->FailSerialNo) text = &dev->SerialNo;
  if (selector == SI_RETURN_DESCRIPTION && d.DescriptionResult == 0) text = &dev->Description;
  if (text == nullptr) return 0xFF;
  std::memcpy(buffer, text->c_str(), std::min<size_t>(text->size() + 1, SI_MAX_DEVICE_STRLEN));
  return 0;
}

int SiOpen(uint32_t index, void** handle) {
  FakeDriver& d = D("SI_Open");
  const FakeDevice* dev = DeviceAt(index);
  if (dev == nullptr || dev->FailOpen) return 0xFF;
  d.OpenedIndices.push_back(index);
  *handle = FakeDriver::HandleFor(index);
  return 0;
}

int SiClose(void* handle) {
  FakeDriver& d = D("SI_Close");
  d.ClosedHandles.push_back(handle);
  return d.CloseResult;
}

int SiRead(void*, void* buffer, uint32_t wanted, uint32_t* got, void* overlapped) {
  FakeDriver& d = D("SI_Read");
  d.ReadRequests.push_back(wanted);
  *got = 0;
  int result = 0;
  if (!d.ReadResults.empty()) result = d.ReadResults.front(), d.ReadResults.pop_front();
  if (overlapped != nullptr) return 0xFF;
  if (result != 0 && result != SI_RX_QUEUE_NOT_READY) return result;
  const size_t n = std::min<size_t>({wanted, d.RxQueue.size(), d.ReadDeliversAtMost});
  std::copy_n(d.RxQueue.begin(), n, static_cast<uint8_t*>(buffer));
  d.RxQueue.erase(d.RxQueue.begin(), d.RxQueue.begin() + ptrdiff_t(n));
  *got = uint32_t(n);
  return result;
}

int SiWrite(void*, void* buffer, uint32_t length, uint32_t* written, void* overlapped) {
  FakeDriver& d = D("SI_Write");
  if (overlapped != nullptr) return 0xFF;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  d.Writes.emplace_back(bytes, bytes + length);
  *written = length - std::min(length, d.WriteShortBy);
  return d.WriteResult;
}

int SiFlush(void*, uint8_t tx, uint8_t rx) {
  FakeDriver& d = D("SI_FlushBuffers");
  if (tx != 1 || rx != 1) return 0xFF;
  d.RxQueue.clear();
  return d.FlushResult;
}

int SiCheckRXQueue(void*, uint32_t* queued, uint32_t* status) {
  FakeDriver& d = D("SI_CheckRXQueue");
  *queued = uint32_t(d.RxQueue.size());
  *status = d.QueueStatus;
  return d.CheckRXQueueResult;
}

int SiSetTimeouts(uint32_t readMs, uint32_t writeMs) {
  FakeDriver& d = D("SI_SetTimeouts");
  d.ReadTimeoutMs = readMs;
  d.WriteTimeoutMs = writeMs;
  return d.TimeoutsResult;
}

int SiGetTimeouts(uint32_t*, uint32_t*) {
  D("SI_GetTimeouts");
  return 0;
}

int SiSetBaudRate(void* handle, uint32_t baud) {
  FakeDriver& d = D("SI_SetBaudRate");
  d.BaudRate = baud;
  for (uint32_t i = 0; i < d.Devices.size(); ++i)
    if (FakeDriver::HandleFor(i) == handle) return d.Devices[i].FailBaudRate ? 0xFF : 0;
  return 0xFF;
}

int SiSetLineControl(void*, uint16_t word) {
  FakeDriver& d = D("SI_SetLineControl");
  d.LineControl = word;
  return d.LineControlResult;
}

int SiSetFlowControl(void*, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, int) {
  D("SI_SetFlowControl");
  return 0;
}

int SiGetModemStatus(void*, uint8_t*) {
  D("SI_GetModemStatus");
  return 0;
}

int SiDLLVersion(uint32_t* high, uint32_t* low) {
  FakeDriver& d = D("SI_GetDLLVersion");
  *high = d.DLLVersionHigh;
  *low = 0;
  return d.DLLVersionResult;
}

int SiDriverVersion(uint32_t* high, uint32_t* low) {
  FakeDriver& d = D("SI_GetDriverVersion");
  *high = d.DriverVersionHigh;
  *low = 0;
  return d.DriverVersionResult;
}

const std::pair<const char*, void*> Exports[] = {
    {"SI_GetNumDevices", reinterpret_cast<void*>(&SiNumDevices)},
    {"SI_GetProductString", reinterpret_cast<void*>(&SiProductString)},
    {"SI_Open", reinterpret_cast<void*>(&SiOpen)},
    {"SI_Close", reinterpret_cast<void*>(&SiClose)},
    {"SI_Read", reinterpret_cast<void*>(&SiRead)},
    {"SI_Write", reinterpret_cast<void*>(&SiWrite)},
    {"SI_FlushBuffers", reinterpret_cast<void*>(&SiFlush)},
    {"SI_CheckRXQueue", reinterpret_cast<void*>(&SiCheckRXQueue)},
    {"SI_SetTimeouts", reinterpret_cast<void*>(&SiSetTimeouts)},
    {"SI_GetTimeouts", reinterpret_cast<void*>(&SiGetTimeouts)},
    {"SI_SetBaudRate", reinterpret_cast<void*>(&SiSetBaudRate)},
    {"SI_SetLineControl", reinterpret_cast<void*>(&SiSetLineControl)},
    {"SI_SetFlowControl", reinterpret_cast<void*>(&SiSetFlowControl)},
    {"SI_GetModemStatus", reinterpret_cast<void*>(&SiGetModemStatus)},
    {"SI_GetDLLVersion", reinterpret_cast<void*>(&SiDLLVersion)},
    {"SI_GetDriverVersion", reinterpret_cast<void*>(&SiDriverVersion)},
};

}  // namespace

FakeDriver::FakeDriver() {
  current = this;
  Driver.Fn = Functions();
  Driver.DriverStatus = DRIVER_OK;
}

FakeDriver::~FakeDriver() { current = nullptr; }

TDriverFunctions FakeDriver::Functions() {
  return {&SiNumDevices, &SiProductString, &SiOpen,        &SiClose,          &SiRead,          &SiWrite,
          &SiFlush,      &SiCheckRXQueue,  &SiSetTimeouts, &SiGetTimeouts,    &SiSetBaudRate,   &SiSetLineControl,
          &SiSetFlowControl, &SiGetModemStatus, &SiDLLVersion, &SiDriverVersion};
}

std::unique_ptr<TDeviceConnection> FakeDriver::Connection(Clock* waits) {
  auto c = std::make_unique<TDeviceConnection>();
  c->Driver = &Driver;
  c->Waits = waits;
  return c;
}

std::unique_ptr<TDeviceConnection> FakeDriver::Open(Clock* waits) {
  auto c = Connection(waits);
  c->OpenFlag = true;
  c->Handle = HandleFor(0);
  return c;
}

size_t FakeDriver::CallCount(const std::string& name) const {
  return size_t(std::count(Calls.begin(), Calls.end(), name));
}

void* FakeLibraryLoader::Load(const char* name) {
  LoadedNames.push_back(name);
  return LoadResult;
}

void* FakeLibraryLoader::Symbol(void*, const char* name) {
  if (Missing.count(name) != 0) return nullptr;
  for (const auto& [exported, function] : Exports)
    if (std::strcmp(exported, name) == 0) return function;
  return nullptr;
}

}  // namespace tarvo::test
