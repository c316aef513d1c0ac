// The driver functions over the simulation, on a virtual clock: device list,
// versions, handles, the bounded receive queue and the read time-out.
#include <cstring>

#include "SimRig.h"

namespace tarvo::sim::test {
namespace {

constexpr const char* TwoAdaptersAndForeign =
    "adapter 1A2B 0099 desc Some other USB device\n"
    "adapter Tarvo 1234 hw 7.0 sw 2.6\n"
    "adapter TarvoAUTO 0123 hw 8.0 sw 4.1\n";

std::string ProductString(SimDriver& d, uint32_t index, uint32_t selector) {
  char buffer[256] = "unchanged";
  return d.GetProductString(index, buffer, selector) == SIM_SUCCESS ? buffer : "error";
}

TEST(Driver, ListsEveryDeviceWithItsStrings) {
  ManualTime time;
  SimDriver d(ScenarioFrom(TwoAdaptersAndForeign), time);
  uint32_t count = 0;
  ASSERT_EQ(d.GetNumDevices(&count), SIM_SUCCESS);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(ProductString(d, 0, 4), "1A2B");
  EXPECT_EQ(ProductString(d, 0, 1), "Some other USB device");
  EXPECT_EQ(ProductString(d, 1, 0), "1234");
  EXPECT_EQ(ProductString(d, 1, 1), "Tarvo");
  EXPECT_EQ(ProductString(d, 1, 4), "8A31");
  EXPECT_EQ(ProductString(d, 2, 0), "0123");
  EXPECT_EQ(ProductString(d, 2, 1), "Tarvo AUTO");
  EXPECT_EQ(ProductString(d, 2, 4), "8A3C");
  EXPECT_EQ(ProductString(d, 2, 2), "error");
  EXPECT_EQ(ProductString(d, 3, 0), "error");
  EXPECT_EQ(d.GetNumDevices(nullptr), SIM_INVALID_PARAMETER);
}

struct VersionCase {
  const char* scenario;
  int libraryResult;
  uint32_t library;
  int driverResult;
  uint32_t driver;
};

TEST(Driver, ReportsTheScenarioVersions) {
  const VersionCase cases[] = {
      {"", SIM_SUCCESS, 0x00030002, SIM_SUCCESS, 0x00030002},
      {"library 3.1\ndriver 3.1\n", SIM_SUCCESS, 0x00030001, SIM_SUCCESS, 0x00030001},
      {"library 4.0\ndriver fail\n", SIM_SUCCESS, 0x00040000, SIM_FUNCTION_FAILED, 0},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.scenario);
    ManualTime time;
    SimDriver d(ScenarioFrom(c.scenario), time);
    uint32_t high = 0, low = 0;
    EXPECT_EQ(d.GetDLLVersion(&high, &low), c.libraryResult);
    EXPECT_EQ(high, c.library);
    high = 0;
    EXPECT_EQ(d.GetDriverVersion(&high, &low), c.driverResult);
    EXPECT_EQ(high, c.driver);
  }
}

TEST(Driver, HandlesAreCheckedAndDevicesOpenOnce) {
  ManualTime time;
  SimDriver d(ScenarioFrom(TwoAdaptersAndForeign), time);
  void* h = nullptr;
  ASSERT_EQ(d.Open(1, &h), SIM_SUCCESS);
  void* again = nullptr;
  EXPECT_NE(d.Open(1, &again), SIM_SUCCESS);
  EXPECT_EQ(d.Open(3, &again), SIM_DEVICE_NOT_FOUND);
  int garbage = 0;
  EXPECT_EQ(d.Close(&garbage), SIM_INVALID_HANDLE);
  EXPECT_EQ(d.SetBaudRate(&garbage, 460800), SIM_INVALID_HANDLE);
  EXPECT_EQ(d.SetBaudRate(h, 460800), SIM_SUCCESS);
  EXPECT_EQ(d.SetLineControl(h, 0x0800), SIM_SUCCESS);
  EXPECT_EQ(d.Close(h), SIM_SUCCESS);
  EXPECT_EQ(d.Close(h), SIM_INVALID_HANDLE);
  EXPECT_FALSE(d.AnyOpen());
}

TEST(Driver, ForeignDeviceTakesWritesAndNeverAnswers) {
  ManualTime time;
  SimDriver d(ScenarioFrom(TwoAdaptersAndForeign), time);
  d.SetTimeouts(0, 0);
  void* h = nullptr;
  ASSERT_EQ(d.Open(0, &h), SIM_SUCCESS);
  const Bytes request = Framed({1});
  uint32_t n = 0;
  EXPECT_EQ(d.Write(h, request.data(), uint32_t(request.size()), &n), SIM_SUCCESS);
  EXPECT_EQ(n, request.size());
  uint8_t buffer[64];
  EXPECT_EQ(d.Read(h, buffer, sizeof buffer, &n), SIM_READ_TIMED_OUT);
  EXPECT_EQ(n, 0u);
}

struct Host {
  ManualTime time;
  SimDriver driver;
  void* handle = nullptr;
  explicit Host(const char* scenario) : driver(ScenarioFrom(scenario), time) {
    EXPECT_EQ(driver.Open(0, &handle), SIM_SUCCESS);
  }
  void Write(const Bytes& packet) {
    const Bytes f = Framed(packet);
    uint32_t n = 0;
    EXPECT_EQ(driver.Write(handle, f.data(), uint32_t(f.size()), &n), SIM_SUCCESS);
  }
  uint32_t Queued(uint32_t* status = nullptr) {
    uint32_t bytes = 0, s = 0;
    EXPECT_EQ(driver.CheckRXQueue(handle, &bytes, &s), SIM_SUCCESS);
    if (status) *status = s;
    return bytes;
  }
};

TEST(Driver, QueueOverrunsWhenTheHostStopsReadingAndFlushClearsIt) {
  Host busy(
      "adapter TarvoISO 1\nbus 500k\nnode 100 0 data 01 02 03 04 05 06 07 08\n");  // ~4500 frames/s
  busy.Write({2, 0, 0x41, 7, 5, 4, 0});  // 500 kbit/s
  busy.Write(RunCmd(1));
  busy.time.now += 100 * NsPerMs;
  uint32_t status = 9;
  EXPECT_GT(busy.Queued(&status), 0u);
  EXPECT_EQ(status, 0u);
  busy.time.now += 1000 * NsPerMs;  // 28 bytes a frame: 64 KiB hold about half a second
  const uint32_t bytes = busy.Queued(&status);
  EXPECT_EQ(status, SIM_RX_OVERRUN);
  EXPECT_LE(bytes, HostQueueBytes);
  EXPECT_GT(bytes, HostQueueBytes - 40);

  EXPECT_EQ(busy.driver.FlushBuffers(busy.handle, 1, 1), SIM_SUCCESS);
  EXPECT_EQ(busy.Queued(&status), 0u);
  EXPECT_EQ(status, 0u);
  busy.time.now += 10 * NsPerMs;
  EXPECT_GT(busy.Queued(&status), 0u);
  EXPECT_EQ(status, 0u);
}

TEST(Driver, ReadWaitsUpToTheTimeOutThenReturnsWhatItHas) {
  Host host("adapter TarvoISO 1\nbus 250k\nnode 100 50 dlc 0\n");  // frames end at 0.188, 50.188, ... ms
  host.driver.SetTimeouts(100, 100);
  host.Write(RunCmd(1));
  host.Write({1});
  std::vector<uint8_t> buffer(4096);
  uint32_t n = 0;
  const int64_t start = host.time.now;

  const uint32_t queued = host.Queued();  // the status packet
  EXPECT_EQ(host.driver.Read(host.handle, buffer.data(), queued, &n), SIM_SUCCESS);
  EXPECT_EQ(n, queued);
  EXPECT_EQ(host.time.now, start);  // enough was there: no wait

  EXPECT_EQ(host.driver.Read(host.handle, buffer.data(), uint32_t(buffer.size()), &n), SIM_READ_TIMED_OUT);
  EXPECT_EQ(host.time.now - start, 100 * NsPerMs);
  PacketCollector packets;
  HostDeframer().Feed(buffer.data(), n, packets);
  EXPECT_EQ(packets.Packets.size(), 2u);  // what arrived during the wait, whole

  EXPECT_EQ(host.driver.Read(host.handle, buffer.data(), 1, &n), SIM_SUCCESS);
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(host.time.now - start, 101 * NsPerMs);  // back as soon as the frame of 100.188 ms was in
}

TEST(Driver, FloodIsDeliveredWithoutLossWhenDrainedEvery10ms) {
  Host host("adapter TarvoISO 1\nbus 1M\nnode 000 0 dlc 0\n");
  host.Write({2, 0, 0x41, 3, 2, 1, 0});  // 1 Mbit/s
  host.Write(RunCmd(1));
  PacketCollector packets;
  HostDeframer deframer;
  std::vector<uint8_t> buffer(HostQueueBytes);
  bool overrun = false;
  for (int tick = 0; tick < 100; ++tick) {
    host.time.now += 10 * NsPerMs;
    uint32_t status = 0;
    const uint32_t bytes = host.Queued(&status);
    overrun |= status != 0;
    uint32_t n = 0;
    ASSERT_EQ(host.driver.Read(host.handle, buffer.data(), bytes, &n), SIM_SUCCESS);
    deframer.Feed(buffer.data(), n, packets);
  }
  EXPECT_FALSE(overrun);
  EXPECT_EQ(packets.Errors, 0);
  // 1 s / 47 us; the frame running at the end is not complete yet.
  EXPECT_EQ(packets.Packets.size(), 21276u);
  uint32_t last = 0;
  for (const Bytes& p : packets.Packets) {
    const uint32_t ts = DecodeCan(p).TimeStamp;
    ASSERT_GE(ts, last);
    last = ts;
  }
}

}  // namespace
}  // namespace tarvo::sim::test
