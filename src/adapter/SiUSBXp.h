#pragma once
// The driver binding: the adapter driver library TarvoUSB, loaded at run
// time, its SI_ functions looked up one by one and checked for the version
// the adapter needs.
#include <cstdint>
#include <string>

#include "adapter/DriverApi.h"

namespace tarvo {

// How the driver library is found: the operating system's loader by default,
// a scripted one in tests.
class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  virtual void* Load(const char* name) = 0;  // null when not loadable
  virtual void* Symbol(void* library, const char* name) = 0;
  virtual void Free(void* library) = 0;
};

// dlopen / LoadLibrary; the loader adds the platform's prefix and extension.
LibraryLoader& SystemLibraryLoader();

// DriverStatus values.
inline constexpr int32_t DRIVER_OK = 0;
inline constexpr int32_t DRIVER_LIBRARY_MISSING = 1;  // missing, incomplete or version below 3.2
inline constexpr int32_t DRIVER_KERNEL_TOO_OLD = 2;

// The bound driver library: set once at start-up, read by every adapter
// operation, released at shutdown.
struct TDriver {
  LibraryLoader* Loader = &SystemLibraryLoader();
  void* Library = nullptr;
  TDriverFunctions Fn;
  int32_t DriverStatus = DRIVER_LIBRARY_MISSING;
  uint32_t MissingFunctionMask = 0;  // bit per function in lookup order; 0xFFFF when nothing loaded
  int32_t LibraryVersion = 0;        // major * 10 + minor
  int32_t KernelDriverVersion = 0;
};

inline constexpr const char* DriverLibraryName = "TarvoUSB";

// major * 10 + minor from the high value of a version query (3.2 -> 32).
int32_t VersionNumber(uint32_t high);

int32_t InitDriver(TDriver& driver);
void DoneDriver(TDriver& driver);

// Name of the function behind each bit of MissingFunctionMask, for messages.
const char* DriverFunctionName(int bitIndex);

}  // namespace tarvo
