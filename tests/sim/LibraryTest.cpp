// The built library as the application loads it: by name, beside the
// executable, with only the driver's functions visible, and configured from
// the environment.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "adapter/DriverApi.h"
#include "adapter/Framing.h"
#include "adapter/SiUSBXp.h"
#include "support/TempFolder.h"

namespace {

const char* const Functions[] = {
    "SI_GetNumDevices", "SI_GetProductString", "SI_Open",          "SI_Close",
    "SI_Read",          "SI_Write",            "SI_FlushBuffers",  "SI_CheckRXQueue",
    "SI_SetTimeouts",   "SI_GetTimeouts",      "SI_SetBaudRate",   "SI_SetLineControl",
    "SI_SetFlowControl", "SI_GetModemStatus",  "SI_GetDLLVersion", "SI_GetDriverVersion",
};

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("TARVO_SIM_SCENARIO");
    unsetenv("TARVO_SIM_TRACE");
    lib_ = tarvo::SystemLibraryLoader().Load(tarvo::DriverLibraryName);
    ASSERT_NE(lib_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (lib_) dlclose(lib_);
  }
  template <typename F>
  F Fn(const char* name) {
    return reinterpret_cast<F>(dlsym(lib_, name));
  }
  void* lib_ = nullptr;
};

TEST_F(Library, ExportsTheSixteenFunctionsAndNothingOfItsInnards) {
  for (const char* name : Functions) EXPECT_NE(dlsym(lib_, name), nullptr) << name;
  EXPECT_EQ(dlsym(lib_, "_ZN5tarvo11CRC16UpdateEPKhtRt"), nullptr);  // the framing it links
  EXPECT_EQ(dlsym(lib_, "_ZN5tarvo3sim14ParseScenarioESt17basic_string_viewIcSt11char_traitsIcEERSt6vectorINS0_13ScenarioIssueESaIS6_EE"), nullptr);
}

TEST_F(Library, ScenarioAndTraceComeFromTheEnvironment) {
  auto count = Fn<SI_GetNumDevices_t>("SI_GetNumDevices");
  uint32_t n = 0;
  ASSERT_EQ(count(&n), 0);
  EXPECT_EQ(n, 1u);  // the built-in scenario

  tarvo::test::TempFolder folder("tarvo-sim-library");
  const std::string scenario = folder.Write("two.scn", "adapter Tarvo 1\nadapter TarvoISO 2\nbroken line\n");
  const std::string trace = folder.Write("trace.txt", "");
  setenv("TARVO_SIM_SCENARIO", scenario.c_str(), 1);
  setenv("TARVO_SIM_TRACE", trace.c_str(), 1);
  ASSERT_EQ(count(&n), 0);
  EXPECT_EQ(n, 2u);

  void* h = nullptr;
  ASSERT_EQ(Fn<SI_Open_t>("SI_Open")(1, &h), 0);
  uint8_t frame[16];
  const uint8_t request[] = {1};
  const size_t length = tarvo::BuildFrame(request, 1, frame);
  uint32_t written = 0, read = 0;
  ASSERT_EQ(Fn<SI_Write_t>("SI_Write")(h, frame, uint32_t(length), &written, nullptr), 0);
  uint8_t buffer[64];
  Fn<SI_SetTimeouts_t>("SI_SetTimeouts")(0, 0);
  EXPECT_EQ(Fn<SI_Read_t>("SI_Read")(h, buffer, sizeof buffer, &read, nullptr), tarvo::SI_RX_QUEUE_NOT_READY);
  EXPECT_GE(read, 13u);
  ASSERT_EQ(Fn<SI_Close_t>("SI_Close")(h), 0);
  EXPECT_EQ(Fn<SI_Close_t>("SI_Close")(h), tarvo::SI_INVALID_HANDLE);

  const std::string lines = folder.Read("trace.txt");
  EXPECT_NE(lines.find(" dev1 H>A RequestStatus [01]\n"), std::string::npos) << lines;
  EXPECT_NE(lines.find(" dev1 A>H Status HW=71 SW=34 CODE=00 BUS=00 TS="), std::string::npos) << lines;

  unsetenv("TARVO_SIM_SCENARIO");
  unsetenv("TARVO_SIM_TRACE");
  ASSERT_EQ(count(&n), 0);
  EXPECT_EQ(n, 1u);  // nothing open: the change is taken up
}

TEST_F(Library, AWaitingReadLetsAnotherThreadWrite) {
  void* h = nullptr;
  ASSERT_EQ(Fn<SI_Open_t>("SI_Open")(0, &h), 0);
  Fn<SI_SetTimeouts_t>("SI_SetTimeouts")(1000, 1000);
  std::atomic<bool> readDone{false};
  uint32_t read = 0;
  std::thread reader([&] {
    uint8_t buffer[4096];
    Fn<SI_Read_t>("SI_Read")(h, buffer, sizeof buffer, &read, nullptr);  // waits the full second
    readDone = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  uint8_t frame[16];
  const uint8_t stop[] = {5, 0};
  const size_t length = tarvo::BuildFrame(stop, sizeof stop, frame);
  uint32_t written = 0;
  EXPECT_EQ(Fn<SI_Write_t>("SI_Write")(h, frame, uint32_t(length), &written, nullptr), 0);
  EXPECT_FALSE(readDone);  // the write did not wait for the read
  reader.join();
  EXPECT_EQ(Fn<SI_Close_t>("SI_Close")(h), 0);
}

}  // namespace
