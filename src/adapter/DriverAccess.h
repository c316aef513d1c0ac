#pragma once
// How the adapter link reaches the bound driver: every operation goes through
// these, so none of them dereferences a missing driver or function pointer.
#include "adapter/TarvoAPI.h"

namespace tarvo::detail {

// No bound driver at all counts as a missing library.
inline int32_t DriverStatusOf(const TDeviceConnection& c) {
  return c.Driver != nullptr ? c.Driver->DriverStatus : DRIVER_LIBRARY_MISSING;
}

// The result discovery and open report for an unusable driver.
inline TResult DriverStatusResult(int32_t status) {
  return status == DRIVER_LIBRARY_MISSING ? RES_DRIVER_MISSING : RES_DRIVER_TOO_OLD;
}

// An all-null table stands in for a missing driver; callers check the one
// pointer they use and treat null as a failed call.
inline const TDriverFunctions& Functions(const TDeviceConnection& c) {
  static const TDriverFunctions none;
  return c.Driver != nullptr ? c.Driver->Fn : none;
}

}  // namespace tarvo::detail
