#include <gtest/gtest.h>

#include <set>
#include <string>

#include "FakeDriver.h"
#include "adapter/SiUSBXp.h"

namespace tarvo {
namespace {

using test::FakeDriver;
using test::FakeLibraryLoader;
using test::Version;

void* const Library = reinterpret_cast<void*>(uintptr_t(0x4000));

struct BindingCase {
  const char* what;
  void* loadResult = Library;
  std::set<std::string> missing = {};
  int dllResult = 0;
  uint32_t dllVersion = Version(3, 2);
  int driverResult = 0;
  uint32_t driverVersion = Version(3, 2);
  int32_t status;
  uint32_t missingMask;
  bool libraryKept;
};

TEST(DriverBinding, DecidesTheStatusFromLoadLookupAndVersions) {
  const BindingCase cases[] = {
      {.what = "both 3.2", .status = DRIVER_OK, .missingMask = 0, .libraryKept = true},
      {.what = "newer", .dllVersion = Version(4, 0), .driverVersion = Version(3, 3), .status = DRIVER_OK,
       .missingMask = 0, .libraryKept = true},
      {.what = "unused function missing", .missing = {"SI_GetModemStatus"}, .status = DRIVER_LIBRARY_MISSING,
       .missingMask = 0x2000, .libraryKept = false},
      {.what = "first and last missing", .missing = {"SI_GetNumDevices", "SI_GetDriverVersion"},
       .status = DRIVER_LIBRARY_MISSING, .missingMask = 0x8001, .libraryKept = false},
      {.what = "library 3.1", .dllVersion = Version(3, 1), .status = DRIVER_LIBRARY_MISSING, .missingMask = 0,
       .libraryKept = true},
      {.what = "driver 3.1", .driverVersion = Version(3, 1), .status = DRIVER_KERNEL_TOO_OLD, .missingMask = 0,
       .libraryKept = true},
      {.what = "library 3.1 and driver 3.1", .dllVersion = Version(3, 1), .driverVersion = Version(3, 1),
       .status = DRIVER_LIBRARY_MISSING, .missingMask = 0, .libraryKept = true},
      {.what = "driver query fails: taken as 3.2", .driverResult = 1, .driverVersion = Version(1, 0),
       .status = DRIVER_OK, .missingMask = 0, .libraryKept = true},
      {.what = "library query fails: taken as 0", .dllResult = 1, .status = DRIVER_LIBRARY_MISSING,
       .missingMask = 0, .libraryKept = true},
      {.what = "2.12 counts as 32", .dllVersion = Version(2, 12), .driverVersion = Version(2, 12),
       .status = DRIVER_OK, .missingMask = 0, .libraryKept = true},
      {.what = "3.10 counts as 40, driver 3.1 still too old", .dllVersion = Version(3, 10),
       .driverVersion = Version(3, 1), .status = DRIVER_KERNEL_TOO_OLD, .missingMask = 0, .libraryKept = true},
      {.what = "not loadable", .loadResult = nullptr, .status = DRIVER_LIBRARY_MISSING, .missingMask = 0xFFFF,
       .libraryKept = false},
      {.what = "handle value 32 is a failure", .loadResult = reinterpret_cast<void*>(uintptr_t(32)),
       .status = DRIVER_LIBRARY_MISSING, .missingMask = 0xFFFF, .libraryKept = false},
      {.what = "handle value 33 is a library", .loadResult = reinterpret_cast<void*>(uintptr_t(33)),
       .status = DRIVER_OK, .missingMask = 0, .libraryKept = true},
  };
  for (const BindingCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    fake.DLLVersionResult = c.dllResult;
    fake.DLLVersionHigh = c.dllVersion;
    fake.DriverVersionResult = c.driverResult;
    fake.DriverVersionHigh = c.driverVersion;
    FakeLibraryLoader loader;
    loader.LoadResult = c.loadResult;
    loader.Missing = c.missing;
    TDriver driver;
    driver.Loader = &loader;

    EXPECT_EQ(InitDriver(driver), c.status);
    EXPECT_EQ(driver.DriverStatus, c.status);
    EXPECT_EQ(driver.MissingFunctionMask, c.missingMask);
    EXPECT_EQ(loader.LoadedNames, std::vector<std::string>{"TarvoUSB"});
    EXPECT_EQ(driver.Library != nullptr, c.libraryKept);
    EXPECT_EQ(driver.Fn.GetModemStatus != nullptr, c.libraryKept);
    // Only a real library is freed, and only when it is given up.
    const bool freed = c.loadResult == Library && !c.libraryKept;
    EXPECT_EQ(loader.Freed.size(), freed ? 1u : 0u);
  }
}

TEST(DriverBinding, NeverCallsTheFunctionsNoOneUses) {
  FakeDriver fake;
  FakeLibraryLoader loader;
  TDriver driver;
  driver.Loader = &loader;
  ASSERT_EQ(InitDriver(driver), DRIVER_OK);
  EXPECT_EQ(fake.Calls, (std::vector<std::string>{"SI_GetDLLVersion", "SI_GetDriverVersion"}));
  EXPECT_EQ(driver.LibraryVersion, 32);
  EXPECT_EQ(driver.KernelDriverVersion, 32);
}

TEST(DriverBinding, DoneDriverUnbindsAndFreesTheLibrary) {
  FakeDriver fake;
  FakeLibraryLoader loader;
  TDriver driver;
  driver.Loader = &loader;
  ASSERT_EQ(InitDriver(driver), DRIVER_OK);
  DoneDriver(driver);
  EXPECT_EQ(loader.Freed, std::vector<void*>{Library});
  EXPECT_EQ(driver.Library, nullptr);
  EXPECT_EQ(driver.Fn.Read, nullptr);
  EXPECT_EQ(driver.Fn.GetDriverVersion, nullptr);
  // Afterwards no adapter operation may believe the driver usable.
  EXPECT_NE(driver.DriverStatus, DRIVER_OK);
}

TEST(DriverBinding, VersionNumberIsMajorTimesTenPlusMinor) {
  EXPECT_EQ(VersionNumber(Version(3, 2)), 32);
  EXPECT_EQ(VersionNumber(Version(3, 10)), 40);
  EXPECT_EQ(VersionNumber(Version(0, 0)), 0);
}

TEST(DriverBinding, SystemLoaderReportsAnAbsentLibraryAsNull) {
  EXPECT_EQ(SystemLibraryLoader().Load("TarvoNoSuchLibraryAnywhere"), nullptr);
}

}  // namespace
}  // namespace tarvo
