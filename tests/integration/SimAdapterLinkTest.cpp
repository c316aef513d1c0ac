// The adapter link, as the application binds it, over the simulated adapter
// library from the build: discovery, commands, the receive path and its
// overrun, in real time. Timing checks are loose; the adapter's own time
// stamps are exact.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "adapter/SiUSBXp.h"
#include "adapter/TarvoAPI.h"
#include "common/Clock.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

const std::filesystem::path Scenarios = TARVO_SIM_SCENARIO_DIR;

// Every test names its scenario before the driver is bound; the library takes
// a changed scenario up whenever no device is open.
class SimLink : public ::testing::Test {
 protected:
  void Use(const char* scenario, const std::string& trace = "") {
    if (scenario) setenv("TARVO_SIM_SCENARIO", (Scenarios / scenario).c_str(), 1);
    else unsetenv("TARVO_SIM_SCENARIO");
    if (trace.empty()) unsetenv("TARVO_SIM_TRACE");
    else setenv("TARVO_SIM_TRACE", trace.c_str(), 1);
  }
  int32_t Bind() {
    const int32_t status = InitDriver(driver);
    link->Driver = &driver;
    link->Waits = &clock;
    return status;
  }
  void Open(const char* scenario) {
    Use(scenario);
    ASSERT_EQ(Bind(), DRIVER_OK);
    TDeviceInfo any;
    ASSERT_EQ(OpenDevice(*link, any), RES_OK);
  }
  void TearDown() override {
    if (link->OpenFlag) CloseDevice(*link);
    DoneDriver(driver);
    Use(nullptr);
  }

  // The update tick: pull and parse every 10 ms for about `ms` milliseconds.
  TResult Pump(int ms, std::vector<TTarvoCAN>* out = nullptr) {
    TResult all = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      all |= ParseRxRing(*link, *messages, status);
      TTarvoCAN m;
      while (messages->Pop(m))
        if (out) out->push_back(m);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
    return all;
  }
  // Sends a request and waits for the status packet of that type.
  bool Await(uint8_t type, TResult (*request)(const TDeviceConnection&)) {
    status = {};
    EXPECT_EQ(request(*link), RES_OK);
    for (int i = 0; i < 20 && status.StatusType != type; ++i) Pump(10);
    return status.StatusType == type;
  }
  void Configure(uint8_t brpByte, uint8_t ph1, uint8_t ph2, uint8_t prop, uint8_t mode,
                 const TFilterSettings& filters = AcceptAllFilters()) {
    ASSERT_EQ(SetBitTiming(*link, 0, brpByte, ph1, ph2, prop, 0), RES_OK);
    ASSERT_EQ(SetOperatingMode(*link, mode), RES_OK);
    ASSERT_EQ(SetFilters(*link, filters), RES_OK);
  }
  void Start() {
    ASSERT_EQ(FlushDevice(*link), RES_OK);
    messages->Discard();
    ASSERT_EQ(EndConfiguration(*link), RES_OK);
    ASSERT_EQ(SetRunState(*link, 1), RES_OK);
  }
  void Configure250k(uint8_t mode) { Configure(0x43, 7, 5, 4, mode); }  // BRP 4, 40 MHz

  TDriver driver;
  SteadyClock clock;
  std::unique_ptr<TDeviceConnection> link = std::make_unique<TDeviceConnection>();
  std::unique_ptr<TCANMessageRing> messages = std::make_unique<TCANMessageRing>();
  TDeviceStatus status;
};

TEST_F(SimLink, DefaultAdapterAnswersStatusAndBusLoadRequests) {
  Use(nullptr);
  ASSERT_EQ(Bind(), DRIVER_OK);
  TDeviceInfo selection;
  ASSERT_EQ(OpenDevice(*link, selection), RES_OK);
  EXPECT_EQ(selection.HardwareType, HW_TARVO_ISO);
  EXPECT_STREQ(selection.SerialNo, "10482");
  EXPECT_STREQ(link->Description, "TarvoISO");

  ASSERT_EQ(SetRunState(*link, 0), RES_OK);
  ASSERT_TRUE(Await(1, RequestStatus));
  EXPECT_EQ(status.Param[0], 71);  // hardware 7.1
  EXPECT_EQ(status.Param[1], 34);  // software 3.4
  EXPECT_EQ(status.Param[2], 0);
  EXPECT_EQ(status.Param[3], 0);
  ASSERT_TRUE(Await(3, RequestBusLoad));
  EXPECT_EQ(status.Param[2], 0);
  EXPECT_EQ(status.Param[3], 0);
}

TEST_F(SimLink, ConfiguredRunReceivesTheLivelyBusWithItsLoad) {
  Open(nullptr);
  Configure250k(OPMODE_NORMAL);
  Start();
  std::vector<TTarvoCAN> got;
  EXPECT_EQ(Pump(400, &got), RES_OK);
  // 0x0A0 every 5 ms, 0x0C4 every 10 ms, 0x18F00400 (29-bit) every 50 ms ...
  int a0 = 0, c4 = 0, ext = 0;
  for (const TTarvoCAN& m : got) {
    a0 += m.ID == 0x0A0 && m.IDE == 0;
    c4 += m.ID == 0x0C4 && m.DLC == 8;
    ext += m.ID == 0x18F00400 && m.IDE == 1;
  }
  EXPECT_GT(a0, 50);
  EXPECT_GT(c4, 25);
  EXPECT_GT(ext, 4);
  for (size_t i = 1; i < got.size(); ++i) ASSERT_GE(got[i].TimeStamp, got[i - 1].TimeStamp);
  // About 17 % of 250 kbit/s once a full second has passed; less before.
  ASSERT_TRUE(Await(3, RequestBusLoad));
  EXPECT_GT(status.Param[0], 3);
  EXPECT_LE(status.Param[0], 18);
}

TEST_F(SimLink, FiltersLetOnlyTheChosenIdentifierThrough) {
  Open(nullptr);
  TFilterSettings only0C4;
  only0C4.Mask1 = only0C4.Mask2 = 0x7FF;
  for (uint32_t& f : only0C4.Filter) f = 0x0C4;
  Configure(0x43, 7, 5, 4, OPMODE_NORMAL, only0C4);
  Start();
  std::vector<TTarvoCAN> got;
  Pump(200, &got);
  ASSERT_GT(got.size(), 10u);
  for (const TTarvoCAN& m : got) EXPECT_EQ(m.ID, 0x0C4u);
}

TEST_F(SimLink, RemoteFrameFromTheHostIsAnswered) {
  Open(nullptr);
  Configure250k(OPMODE_NORMAL);
  Start();
  ASSERT_EQ(SendCANMessage(*link, 0, 0x6A0, 1, 4, nullptr, 0, 0), RES_OK);
  std::vector<TTarvoCAN> got;
  Pump(100, &got);
  bool answered = false;
  for (const TTarvoCAN& m : got)
    answered |= m.ID == 0x6A0 && m.RTR == 0 && m.DLC == 4 && m.Data[0] == 0x11 && m.Data[3] == 0x44;
  EXPECT_TRUE(answered);
}

TEST_F(SimLink, RepetitionBufferInLoopbackComesBackAtItsPeriod) {
  Open("quiet.scn");
  Configure250k(OPMODE_LOOPBACK);
  const uint8_t data[] = {0x10, 0x20};
  ASSERT_EQ(SendCANMessage(*link, 0, 0x123, 0, 2, data, 1, 3), RES_OK);  // buffer 1, 50 ms
  Start();
  std::vector<TTarvoCAN> got;
  Pump(480, &got);
  ASSERT_GE(got.size(), 7u);
  EXPECT_LE(got.size(), 10u);
  // Sent at 50 ms after the start, then every 50 ms (1953.125 ticks), each
  // back 63 bits (252 us) later.
  EXPECT_EQ(got[0].TimeStamp, 1962u);
  for (size_t i = 1; i < got.size(); ++i) {
    EXPECT_NEAR(double(got[i].TimeStamp - got[i - 1].TimeStamp), 1953.125, 1.0);
    EXPECT_EQ(got[i].ID, 0x123u);
    EXPECT_EQ(got[i].Data[0], 0x10);
  }
  // Stopped with period code 0: nothing more.
  ASSERT_EQ(SendCANMessage(*link, 0, 0, 0, 0, nullptr, 1, 0), RES_OK);
  Pump(20);
  got.clear();
  Pump(150, &got);
  EXPECT_TRUE(got.empty());
}

TEST_F(SimLink, HostThatStopsReadingSeesAnOverrun) {
  Open("flood.scn");
  Configure(0x41, 3, 2, 1, OPMODE_NORMAL);  // 1 Mbit/s: BRP 2, PHSEG1 4, PHSEG2 3, PROPSEG 2
  Start();
  std::vector<TTarvoCAN> got;
  EXPECT_EQ(Pump(150, &got) & RES_RX_OVERRUN, 0);
  // ~21 frames a millisecond of bus time, however little of it a busy
  // machine let pass in the wall clock's 150 ms.
  ASSERT_GT(got.size(), 100u);
  const double busMs = (got.back().TimeStamp - got.front().TimeStamp) * 0.0256;  // 25.6 us ticks
  EXPECT_GT(double(got.size() - 1), 15.0 * busMs) << got.size() << " frames in " << busMs << " ms of bus time";

  // 64 KiB hold under 200 ms of this bus.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(ParseRxRing(*link, *messages, status), RES_RX_OVERRUN | RES_READ_FAILED);
  // The driver's buffers were flushed on the way: reading goes on normally.
  messages->Discard();
  EXPECT_EQ(Pump(50) & RES_RX_OVERRUN, 0);
}

TEST_F(SimLink, WrongBitRateGivesBusErrorsAndNoFrames) {
  Open(nullptr);
  Configure(0x41, 7, 5, 4, OPMODE_NORMAL);  // 500 kbit/s on a 250 kbit/s bus
  Start();
  std::vector<TTarvoCAN> got;
  Pump(200, &got);
  EXPECT_TRUE(got.empty());
  ASSERT_TRUE(Await(1, RequestStatus));
  EXPECT_EQ(status.Param[2] & 0x80, 0x80);
  EXPECT_EQ(status.Param[3] & 0x08, 0x08);
}

TEST_F(SimLink, ScenarioFilesSetVersionsAndDevices) {
  struct { const char* file; int32_t status; } versions[] = {
      {"old_versions.scn", DRIVER_LIBRARY_MISSING},
      {"old_driver.scn", DRIVER_KERNEL_TOO_OLD},
      {"driver_query_fails.scn", DRIVER_OK},
  };
  for (const auto& v : versions) {
    Use(v.file);
    EXPECT_EQ(Bind(), v.status) << v.file;
    DoneDriver(driver);
  }

  Use("two_adapters.scn");
  ASSERT_EQ(Bind(), DRIVER_OK);
  TDeviceInfo list[DeviceChooserCapacity];
  size_t count = 0;
  ASSERT_EQ(ListDevices(*link, list, DeviceChooserCapacity, count), RES_OK);
  ASSERT_EQ(count, 2u);  // the foreign device is not listed
  EXPECT_EQ(list[0].HardwareType, HW_TARVO);
  EXPECT_STREQ(list[0].SerialNo, "1234");
  EXPECT_EQ(list[1].HardwareType, HW_TARVO_AUTO);
  EXPECT_STREQ(list[1].SerialNo, "0123");

  TDeviceInfo auto3{HW_TARVO_AUTO, {}};
  ASSERT_EQ(OpenDevice(*link, auto3), RES_OK);
  EXPECT_STREQ(auto3.SerialNo, "0123");
  EXPECT_STREQ(link->Description, "Tarvo AUTO");
  ASSERT_EQ(CloseDevice(*link), RES_OK);
  TDeviceInfo bySerial{HW_ANY, "12"};
  ASSERT_EQ(OpenDevice(*link, bySerial), RES_OK);
  EXPECT_EQ(bySerial.HardwareType, HW_TARVO);
}

TEST_F(SimLink, TraceShowsTheCommandsByteForByte) {
  test::TempFolder folder("tarvo-trace");
  Use("quiet.scn", folder.File("trace.txt"));
  ASSERT_EQ(Bind(), DRIVER_OK);
  TDeviceInfo any;
  ASSERT_EQ(OpenDevice(*link, any), RES_OK);
  Configure250k(OPMODE_LOOPBACK);
  const uint8_t data[] = {0x10, 0x20};
  ASSERT_EQ(SendCANMessage(*link, 0, 0x010, 0, 2, data, 5, 4), RES_OK);
  ASSERT_EQ(CloseDevice(*link), RES_OK);
  const std::string lines = folder.Read("trace.txt");
  for (const char* expected : {
           "H>A SetBitTiming SJW-1=0 BRP=0x43 PHSEG1-1=7 PHSEG2-1=5 PROPSEG-1=4 SAM=0 -> 250000 bit/s (40 MHz) "
           "[02 00 43 07 05 04 00]\n",
           "H>A SetOperatingMode MODE=2 (loopback) [03 02]\n",
           "H>A SetFilters M1=00000000 M2=00000000 F1=X00000000 F2=S00000000 F3=X00000000 F4=S00000000 "
           "F5=X00000000 F6=S00000000 [04 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 00 "
           "00 00 00 00 00 01 00 00 00 00 00 00 00 00 00]\n",
           "H>A SendCAN 11-bit ID=10 DLC=2 DATA=10 20 BUF=5 PERIOD=4 [00 00 10 00 00 00 02 10 20 45]\n",
       })
    EXPECT_NE(lines.find(expected), std::string::npos) << expected << "\nin\n" << lines;
}

}  // namespace
}  // namespace tarvo
