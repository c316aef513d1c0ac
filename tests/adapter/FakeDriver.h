#pragma once
// A scripted stand-in for the TarvoUSB driver library: attached devices,
// per-call failures, captured writes and bytes waiting to be read. Its
// functions are plain C-style functions, as the real library's are, so they
// reach the one current FakeDriver through a global.
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "adapter/TarvoAPI.h"

namespace tarvo::test {

struct FakeDevice {
  std::string ProductId = {};  // what the product-ID query reports
  std::string SerialNo = {};
  std::string Description = {};
  bool FailProductId = false;
  bool FailSerialNo = false;
  bool FailOpen = false;
  bool FailBaudRate = false;
};

// What the fake library reports when the binding asks for versions.
inline constexpr uint32_t Version(uint32_t major, uint32_t minor) { return major << 16 | minor; }

class FakeDriver {
 public:
  FakeDriver();  // becomes the driver the fake functions serve
  ~FakeDriver();
  FakeDriver(const FakeDriver&) = delete;
  FakeDriver& operator=(const FakeDriver&) = delete;

  static void* HandleFor(uint32_t index) { return reinterpret_cast<void*>(uintptr_t(0x1000 + index)); }
  // The sixteen functions as a bound library would provide them.
  static TDriverFunctions Functions();

  // A connection over this driver; Open() marks it open on device 0 without
  // going through discovery.
  std::unique_ptr<TDeviceConnection> Connection(Clock* waits = nullptr);
  std::unique_ptr<TDeviceConnection> Open(Clock* waits = nullptr);

  TDriver Driver;  // bound, DriverStatus 0

  // ---- Script ----
  std::vector<FakeDevice> Devices;
  int NumDevicesResult = 0;
  int DescriptionResult = 0;
  int LineControlResult = 0;
  int TimeoutsResult = 0;
  int FlushResult = 0;
  int CloseResult = 0;
  int WriteResult = 0;
  uint32_t WriteShortBy = 0;          // bytes a write reports fewer than asked
  int CheckRXQueueResult = 0;
  uint32_t QueueStatus = 0;
  std::deque<uint8_t> RxQueue;        // bytes the adapter has sent, oldest first
  std::deque<int> ReadResults;        // result of each read in turn; 0 once used up
  uint32_t ReadDeliversAtMost = UINT32_MAX;
  int DLLVersionResult = 0;
  uint32_t DLLVersionHigh = Version(3, 2);
  int DriverVersionResult = 0;
  uint32_t DriverVersionHigh = Version(3, 2);

  // ---- Record ----
  std::vector<std::string> Calls;     // function names, in call order
  std::vector<std::vector<uint8_t>> Writes;
  std::vector<uint32_t> ReadRequests;
  std::vector<uint32_t> OpenedIndices;
  std::vector<void*> ClosedHandles;
  uint32_t BaudRate = 0;
  uint16_t LineControl = 0;
  uint32_t ReadTimeoutMs = 0;
  uint32_t WriteTimeoutMs = 0;

  void QueueRx(const std::vector<uint8_t>& bytes) { RxQueue.insert(RxQueue.end(), bytes.begin(), bytes.end()); }
  size_t CallCount(const std::string& name) const;
};

// The operating system's loader as the binding sees it: one library whose
// exports are the fake driver's functions, minus any named missing.
class FakeLibraryLoader : public LibraryLoader {
 public:
  void* LoadResult = reinterpret_cast<void*>(uintptr_t(0x4000));
  std::set<std::string> Missing;
  std::vector<std::string> LoadedNames;
  std::vector<void*> Freed;

  void* Load(const char* name) override;
  void* Symbol(void* library, const char* name) override;
  void Free(void* library) override { Freed.push_back(library); }
};

}  // namespace tarvo::test
