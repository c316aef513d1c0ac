#include "adapter/SiUSBXp.h"

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace tarvo {
namespace {

#ifndef _WIN32
// Folder of the running executable with a trailing '/', or empty.
std::string ExecutableFolder() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string exe(path, size_t(n));
  const size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}
#endif

class OsLibraryLoader : public LibraryLoader {
 public:
#ifdef _WIN32
  void* Load(const char* name) override {
    return reinterpret_cast<void*>(::LoadLibraryA((std::string(name) + ".dll").c_str()));
  }
  void* Symbol(void* library, const char* name) override {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
  }
  void Free(void* library) override { ::FreeLibrary(static_cast<HMODULE>(library)); }
#else
  // The loader's usual path first, then the program's own folder, where the
  // build and the installation put the driver library. The second step is
  // what the executable's RUNPATH gives anyway, unless a wrapper such as a
  // sanitizer runtime makes the dlopen call on the program's behalf.
  void* Load(const char* name) override {
    const std::string file = "lib" + std::string(name) + ".so";
    if (void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) return library;
    const std::string folder = ExecutableFolder();
    return folder.empty() ? nullptr : ::dlopen((folder + file).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  void* Symbol(void* library, const char* name) override { return ::dlsym(library, name); }
  void Free(void* library) override { ::dlclose(library); }
#endif
};

// Lookup order; bit i of the missing-function mask belongs to entry i.
constexpr const char* FunctionNames[16] = {
    "SI_GetNumDevices", "SI_GetProductString", "SI_Open",          "SI_Close",
    "SI_Read",          "SI_Write",            "SI_FlushBuffers",  "SI_CheckRXQueue",
    "SI_SetTimeouts",   "SI_GetTimeouts",      "SI_SetBaudRate",   "SI_SetLineControl",
    "SI_SetFlowControl", "SI_GetModemStatus",  "SI_GetDLLVersion", "SI_GetDriverVersion",
};

constexpr int32_t MinimumVersion = 32;  // 3.2, for the library and the kernel driver
constexpr uint32_t NothingLoadedMask = 0xFFFF;

// Old loaders signalled failure with small handle values, so only a value
// above 32 is a library.
bool IsLoaded(const void* library) { return reinterpret_cast<uintptr_t>(library) > 32; }

template <typename F>
bool Lookup(TDriver& d, F& slot, int bitIndex) {
  slot = reinterpret_cast<F>(d.Loader->Symbol(d.Library, FunctionNames[bitIndex]));
  return slot != nullptr;
}

// One flag per function; a braced list evaluates in order, which keeps the
// lookups in table order.
uint32_t LookupAll(TDriver& d) {
  TDriverFunctions& f = d.Fn;
  const bool found[16] = {
      Lookup(d, f.GetNumDevices, 0),   Lookup(d, f.GetProductString, 1), Lookup(d, f.Open, 2),
      Lookup(d, f.Close, 3),           Lookup(d, f.Read, 4),             Lookup(d, f.Write, 5),
      Lookup(d, f.FlushBuffers, 6),    Lookup(d, f.CheckRXQueue, 7),     Lookup(d, f.SetTimeouts, 8),
      Lookup(d, f.GetTimeouts, 9),     Lookup(d, f.SetBaudRate, 10),     Lookup(d, f.SetLineControl, 11),
      Lookup(d, f.SetFlowControl, 12), Lookup(d, f.GetModemStatus, 13),  Lookup(d, f.GetDLLVersion, 14),
      Lookup(d, f.GetDriverVersion, 15),
  };
  uint32_t missing = 0;
  for (int i = 0; i < 16; ++i)
    if (!found[i]) missing |= 1u << i;
  return missing;
}

void Unbind(TDriver& d) {
  d.Fn = TDriverFunctions{};
  if (IsLoaded(d.Library)) d.Loader->Free(d.Library);
  d.Library = nullptr;
}

// Returns the mask of functions not found; a library lacking any of them is
// unbound again, even one of those the link never calls.
uint32_t BindDriverFunctions(TDriver& d) {
  const uint32_t missing = IsLoaded(d.Library) ? LookupAll(d) : NothingLoadedMask;
  if (missing != 0) Unbind(d);
  return missing;
}

// A failing library query counts as too old, a failing driver query as just
// recent enough: older drivers may not answer it at all.
void GetDriverVersions(TDriver& d) {
  uint32_t high = 0, low = 0;
  d.LibraryVersion = d.Fn.GetDLLVersion(&high, &low) == SI_SUCCESS ? VersionNumber(high) : 0;
  high = low = 0;
  d.KernelDriverVersion =
      d.Fn.GetDriverVersion(&high, &low) == SI_SUCCESS ? VersionNumber(high) : MinimumVersion;
}

int32_t BindAndCheck(TDriver& d) {
  d.MissingFunctionMask = BindDriverFunctions(d);
  if (d.MissingFunctionMask != 0) return DRIVER_LIBRARY_MISSING;
  GetDriverVersions(d);
  if (d.LibraryVersion < MinimumVersion) return DRIVER_LIBRARY_MISSING;
  if (d.KernelDriverVersion < MinimumVersion) return DRIVER_KERNEL_TOO_OLD;
  return DRIVER_OK;
}

}  // namespace

LibraryLoader& SystemLibraryLoader() {
  static OsLibraryLoader loader;
  return loader;
}

int32_t VersionNumber(uint32_t high) { return int32_t((high >> 16) * 10 + (high & 0xFFFF)); }

int32_t InitDriver(TDriver& driver) {
  if (driver.Library == nullptr) {
    driver.Library = driver.Loader->Load(DriverLibraryName);
    // A small non-null value is an error code, not a handle to free later.
    if (!IsLoaded(driver.Library)) driver.Library = nullptr;
  }
  driver.DriverStatus = BindAndCheck(driver);
  return driver.DriverStatus;
}

void DoneDriver(TDriver& driver) {
  Unbind(driver);
  // Nothing is bound any more, so no adapter operation may reach the driver.
  driver.DriverStatus = DRIVER_LIBRARY_MISSING;
}

const char* DriverFunctionName(int bitIndex) {
  return bitIndex >= 0 && bitIndex < 16 ? FunctionNames[bitIndex] : "";
}

}  // namespace tarvo
