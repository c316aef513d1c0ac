#include "sim/SimDriver.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "sim/Trace.h"

namespace tarvo::sim {
namespace {

bool IsModel(const std::string& pid) { return pid == PidTarvo || pid == PidTarvoISO || pid == PidTarvoAUTO; }

}  // namespace

SimDriver::SimDriver(Scenario scenario, SimTime& time, TraceSink* trace)
    : scenario_(std::move(scenario)), time_(time), trace_(trace) {
  for (const AdapterSpec& setup : scenario_.Adapters) {
    auto d = std::make_unique<Device>();
    d->Setup = setup;
    // A product ID in lower case still answers as the model, as firmware
    // whose descriptor spells it so would.
    std::string upper = setup.ProductId;
    for (char& c : upper) c = char(std::toupper(uint8_t(c)));
    d->IsAdapter = IsModel(upper);
    devices_.push_back(std::move(d));
  }
}

SimDriver::~SimDriver() = default;

SimDriver::Device* SimDriver::Find(void* handle) {
  for (auto& d : devices_)
    if (d.get() == handle && d->Open) return d.get();
  return nullptr;
}

SimAdapter* SimDriver::AdapterOf(void* handle) {
  Device* d = Find(handle);
  return d ? d->Adapter.get() : nullptr;
}

bool SimDriver::AnyOpen() const {
  return std::any_of(devices_.begin(), devices_.end(), [](const auto& d) { return d->Open; });
}

void SimDriver::Event(const Device& d, const std::string& text) {
  if (!trace_) return;
  int index = 0;
  while (devices_[size_t(index)].get() != &d) ++index;
  trace_->Line(TraceLine(time_.Now(), index, "---", text));
}

int SimDriver::GetNumDevices(uint32_t* count) {
  if (!count) return SIM_INVALID_PARAMETER;
  *count = uint32_t(devices_.size());
  return SIM_SUCCESS;
}

int SimDriver::GetProductString(uint32_t index, void* buffer, uint32_t selector) {
  if (!buffer) return SIM_INVALID_PARAMETER;
  if (index >= devices_.size()) return SIM_DEVICE_NOT_FOUND;
  const AdapterSpec& s = devices_[index]->Setup;
  const std::string* text = selector == 0 ? &s.Serial : selector == 1 ? &s.Description : selector == 4 ? &s.ProductId : nullptr;
  if (!text) return SIM_INVALID_PARAMETER;
  // The strings are at most 63 characters; the caller's buffer holds 256.
  std::memcpy(buffer, text->c_str(), text->size() + 1);
  return SIM_SUCCESS;
}

int SimDriver::Open(uint32_t index, void** handle) {
  if (!handle) return SIM_INVALID_PARAMETER;
  if (index >= devices_.size()) return SIM_DEVICE_NOT_FOUND;
  Device& d = *devices_[index];
  if (d.Open) return SIM_DEVICE_IO_FAILED;
  d.Open = true;
  if (d.IsAdapter) d.Adapter = std::make_unique<SimAdapter>(scenario_, d.Setup, time_.Now(), int(index), trace_);
  *handle = &d;
  Event(d, "Open " + d.Setup.Serial);
  return SIM_SUCCESS;
}

int SimDriver::Close(void* handle) {
  Device* d = Find(handle);
  if (!d) return SIM_INVALID_HANDLE;
  if (d->Adapter) d->Adapter->AdvanceTo(time_.Now());
  d->Open = false;
  d->Adapter.reset();
  Event(*d, "Close");
  return SIM_SUCCESS;
}

int SimDriver::Read(void* handle, void* buffer, uint32_t n, uint32_t* read) {
  if (!read || (!buffer && n > 0)) return SIM_INVALID_PARAMETER;
  *read = 0;
  if (!Find(handle)) return SIM_INVALID_HANDLE;
  const int64_t deadline = time_.Now() + int64_t(readTimeoutMs_) * NsPerMs;
  for (;;) {
    SimAdapter* a = AdapterOf(handle);  // again after each wait: it may have been closed meanwhile
    if (!Find(handle)) return SIM_INVALID_HANDLE;
    const int64_t now = time_.Now();
    if (a) a->AdvanceTo(now);
    const size_t available = a ? a->ToHost().Size() : 0;
    if (available >= n || now >= deadline) {
      *read = a ? uint32_t(a->ToHost().Pop(static_cast<uint8_t*>(buffer), n)) : 0;
      return *read == n ? SIM_SUCCESS : SIM_READ_TIMED_OUT;
    }
    time_.Sleep(std::min(ReadPollNs, deadline - now));
  }
}

int SimDriver::Write(void* handle, const void* buffer, uint32_t n, uint32_t* written) {
  if (!written || (!buffer && n > 0)) return SIM_INVALID_PARAMETER;
  *written = 0;
  Device* d = Find(handle);
  if (!d) return SIM_INVALID_HANDLE;
  // The adapter takes everything at once; a foreign device swallows it.
  if (d->Adapter) d->Adapter->HostWrite(static_cast<const uint8_t*>(buffer), n, time_.Now());
  *written = n;
  return SIM_SUCCESS;
}

int SimDriver::FlushBuffers(void* handle, uint8_t, uint8_t receive) {
  Device* d = Find(handle);
  if (!d) return SIM_INVALID_HANDLE;
  // Nothing waits on the way to the adapter, so only the receive side matters.
  if (receive && d->Adapter) {
    d->Adapter->FlushToHost(time_.Now());
    Event(*d, "FlushReceive");
  }
  return SIM_SUCCESS;
}

int SimDriver::CheckRXQueue(void* handle, uint32_t* bytes, uint32_t* status) {
  if (!bytes || !status) return SIM_INVALID_PARAMETER;
  Device* d = Find(handle);
  if (!d) return SIM_INVALID_HANDLE;
  *bytes = 0;
  *status = 0;
  if (!d->Adapter) return SIM_SUCCESS;
  d->Adapter->AdvanceTo(time_.Now());
  *bytes = uint32_t(d->Adapter->ToHost().Size());
  *status = d->Adapter->ToHost().Overrun() ? SIM_RX_OVERRUN : 0;
  return SIM_SUCCESS;
}

int SimDriver::SetTimeouts(uint32_t readMs, uint32_t writeMs) {
  readTimeoutMs_ = readMs;
  writeTimeoutMs_ = writeMs;
  return SIM_SUCCESS;
}

int SimDriver::GetTimeouts(uint32_t* readMs, uint32_t* writeMs) {
  if (!readMs || !writeMs) return SIM_INVALID_PARAMETER;
  *readMs = readTimeoutMs_;
  *writeMs = writeTimeoutMs_;
  return SIM_SUCCESS;
}

int SimDriver::SetBaudRate(void* handle, uint32_t baud) {
  if (!Find(handle)) return SIM_INVALID_HANDLE;
  return baud > 0 ? SIM_SUCCESS : SIM_INVALID_PARAMETER;
}

int SimDriver::SetLineControl(void* handle, uint16_t) { return Find(handle) ? SIM_SUCCESS : SIM_INVALID_HANDLE; }

int SimDriver::SetFlowControl(void* handle) { return Find(handle) ? SIM_SUCCESS : SIM_INVALID_HANDLE; }

int SimDriver::GetModemStatus(void* handle, uint8_t* status) {
  if (!status) return SIM_INVALID_PARAMETER;
  if (!Find(handle)) return SIM_INVALID_HANDLE;
  *status = 0;
  return SIM_SUCCESS;
}

int SimDriver::GetDLLVersion(uint32_t* high, uint32_t* low) {
  if (!high || !low) return SIM_INVALID_PARAMETER;
  *high = scenario_.LibraryVersion;
  *low = 0;
  return SIM_SUCCESS;
}

int SimDriver::GetDriverVersion(uint32_t* high, uint32_t* low) {
  if (!high || !low) return SIM_INVALID_PARAMETER;
  if (scenario_.DriverVersionFails) return SIM_FUNCTION_FAILED;
  *high = scenario_.DriverVersion;
  *low = 0;
  return SIM_SUCCESS;
}

}  // namespace tarvo::sim
