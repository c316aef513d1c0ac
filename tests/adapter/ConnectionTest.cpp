#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "FakeDriver.h"
#include "adapter/Framing.h"
#include "adapter/TarvoAPI.h"
#include "support/FakeClock.h"

namespace tarvo {
namespace {

using test::FakeClock;
using test::FakeDevice;
using test::FakeDriver;

FakeDevice Tarvo(const char* serial) { return {"8A31", serial, "Tarvo USB-CAN"}; }
FakeDevice TarvoISO(const char* serial) { return {"8A32", serial, "TarvoISO USB-CAN"}; }
FakeDevice TarvoAUTO(const char* serial) { return {"8a3c", serial, "Tarvo AUTO USB-CAN"}; }
FakeDevice Foreign(const char* serial) { return {"EA60", serial, "Some UART bridge"}; }

TDeviceInfo Selection(int32_t type, const char* serial) {
  TDeviceInfo s;
  s.HardwareType = type;
  std::snprintf(s.SerialNo, sizeof s.SerialNo, "%s", serial);
  return s;
}

TEST(HardwareType, ComparesTheLeadingProductIdDigits) {
  struct Case { FakeDevice device; int32_t type; };
  const Case cases[] = {
      {{"8A31"}, HW_TARVO},       {{"8A32"}, HW_TARVO_ISO},  {{"8A3C"}, HW_TARVO_AUTO},
      {{"8A31-01"}, HW_TARVO},    {{"8a3c"}, HW_TARVO_AUTO}, {{"8a31"}, HW_OTHER},  // only AUTO ignores case
      {{"8A3"}, HW_OTHER},        {{""}, HW_OTHER},          {{"EA60"}, HW_OTHER},
      {{"8A31", "", "", true}, HW_OTHER},                                          // the query fails
  };
  for (const Case& c : cases) {
    FakeDriver fake;
    fake.Devices = {c.device};
    EXPECT_EQ(GetHardwareType(*fake.Connection(), 0), c.type) << c.device.ProductId;
  }
}

struct OpenCase {
  const char* what;
  std::vector<FakeDevice> devices;
  TDeviceInfo selection;
  TResult result;
  std::vector<uint32_t> opened;  // every SI_Open that succeeded
  int32_t openedType;
  const char* openedSerial;
};

TEST(OpenDevice, PicksTheFirstAttachedAdapterMatchingTheSelection) {
  FakeDevice noOpen = Tarvo("A1");
  noOpen.FailOpen = true;
  FakeDevice noBaud = Tarvo("B1");
  noBaud.FailBaudRate = true;
  FakeDevice noSerial = Tarvo("C1");
  noSerial.FailSerialNo = true;
  const OpenCase cases[] = {
      {"any", {Tarvo("1"), TarvoISO("2")}, Selection(HW_ANY, ""), RES_OK, {0}, HW_TARVO, "1"},
      {"model 2 at a higher index", {Tarvo("1"), TarvoISO("2")}, Selection(HW_TARVO_ISO, ""), RES_OK, {1},
       HW_TARVO_ISO, "2"},
      {"serial prefix", {Tarvo("0123"), Tarvo("1234")}, Selection(HW_ANY, "12"), RES_OK, {1}, HW_TARVO, "1234"},
      {"model and serial", {TarvoAUTO("77"), Tarvo("77"), TarvoAUTO("78")}, Selection(HW_TARVO_AUTO, "78"),
       RES_OK, {2}, HW_TARVO_AUTO, "78"},
      {"foreign device never opened", {Foreign("1"), Tarvo("2")}, Selection(HW_ANY, ""), RES_OK, {1}, HW_TARVO,
       "2"},
      {"open failure moves on", {noOpen, Tarvo("2")}, Selection(HW_ANY, ""), RES_OK, {1}, HW_TARVO, "2"},
      {"baud-rate failure moves on", {noBaud, Tarvo("2")}, Selection(HW_ANY, ""), RES_OK, {0, 1}, HW_TARVO, "2"},
      {"serial query failure moves on", {noSerial, Tarvo("2")}, Selection(HW_ANY, ""), RES_OK, {1}, HW_TARVO,
       "2"},
      {"no matching model", {Tarvo("1"), Foreign("2")}, Selection(HW_TARVO_ISO, ""), RES_NOT_OPEN, {}, 0, ""},
      {"no matching serial", {Tarvo("0123")}, Selection(HW_ANY, "123"), RES_NOT_OPEN, {}, 0, ""},
      {"selection longer than serial", {Tarvo("12")}, Selection(HW_ANY, "123"), RES_NOT_OPEN, {}, 0, ""},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    fake.Devices = c.devices;
    auto conn = fake.Connection();
    TDeviceInfo selection = c.selection;
    EXPECT_EQ(OpenDevice(*conn, selection), c.result);
    EXPECT_EQ(fake.OpenedIndices, c.opened);
    EXPECT_EQ(conn->OpenFlag, c.result == RES_OK);
    if (c.result != RES_OK) continue;
    EXPECT_EQ(selection.HardwareType, c.openedType);
    EXPECT_STREQ(selection.SerialNo, c.openedSerial);
    EXPECT_EQ(conn->Handle, FakeDriver::HandleFor(c.opened.back()));
    // The description is the opened device's, not that of another index.
    EXPECT_EQ(conn->Description, c.devices[c.opened.back()].Description);
  }
}

TEST(OpenDevice, ConfiguresThePipeOfTheAdapterItOpened) {
  FakeDriver fake;
  fake.Devices = {TarvoISO("2000123")};
  auto conn = fake.Connection();
  conn->Rx.WriteIndex = 40;
  TDeviceInfo selection = Selection(HW_ANY, "");
  ASSERT_EQ(OpenDevice(*conn, selection), RES_OK);
  EXPECT_EQ(fake.BaudRate, 460800u);
  EXPECT_EQ(fake.LineControl, 0x0800);
  EXPECT_EQ(fake.ReadTimeoutMs, 100u);
  EXPECT_EQ(fake.WriteTimeoutMs, 100u);
  EXPECT_EQ(fake.CallCount("SI_FlushBuffers"), 1u);
  EXPECT_STREQ(conn->Description, "TarvoISO USB-CAN");
  EXPECT_STREQ(conn->SerialNo, "2000123");
  EXPECT_EQ(conn->DeviceCount, 1);
  EXPECT_EQ(conn->DeviceIndex, 0);
  EXPECT_EQ(conn->Rx.WriteIndex, 0u);
}

TEST(OpenDevice, SetUpFailureLeavesTheAdapterOpen) {
  struct Case { const char* what; int FakeDriver::*result; };
  const Case cases[] = {{"description", &FakeDriver::DescriptionResult},
                        {"line control", &FakeDriver::LineControlResult},
                        {"time-outs", &FakeDriver::TimeoutsResult},
                        {"flush", &FakeDriver::FlushResult}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    fake.Devices = {Tarvo("1")};
    fake.*c.result = 0xFF;
    auto conn = fake.Connection();
    TDeviceInfo selection = Selection(HW_ANY, "");
    EXPECT_EQ(OpenDevice(*conn, selection), RES_DEVICE_SETUP_FAILED);
    EXPECT_TRUE(conn->OpenFlag);
    EXPECT_EQ(conn->Handle, FakeDriver::HandleFor(0));
  }
}

TEST(OpenDevice, ReportsTheDriverOrDeviceListFailureWithoutTryingDevices) {
  struct Case { const char* what; int32_t driverStatus; int numDevicesResult; size_t devices; TResult result; };
  const Case cases[] = {
      {"no devices", DRIVER_OK, 0, 0, RES_NOT_OPEN},
      {"library missing", DRIVER_LIBRARY_MISSING, 0, 1, RES_DRIVER_MISSING},
      {"kernel driver too old", DRIVER_KERNEL_TOO_OLD, 0, 1, RES_DRIVER_TOO_OLD},
      {"device count query fails", DRIVER_OK, 0xFF, 1, RES_DEVICE_LIST_FAILED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    fake.Driver.DriverStatus = c.driverStatus;
    fake.NumDevicesResult = c.numDevicesResult;
    fake.Devices.assign(c.devices, Tarvo("1"));
    auto conn = fake.Connection();
    TDeviceInfo selection = Selection(HW_ANY, "");
    EXPECT_EQ(OpenDevice(*conn, selection), c.result);
    EXPECT_FALSE(conn->OpenFlag);
    EXPECT_EQ(fake.CallCount("SI_GetProductString"), 0u);
    EXPECT_EQ(fake.CallCount("SI_Open"), 0u);
    if (c.driverStatus != DRIVER_OK) {
      EXPECT_TRUE(fake.Calls.empty());
    }
  }
}

TEST(OpenDevice, WithoutABoundDriverReportsTheLibraryMissing) {
  TDeviceConnection conn;
  TDeviceInfo selection = Selection(HW_ANY, "");
  EXPECT_EQ(OpenDevice(conn, selection), RES_DRIVER_MISSING);
  size_t count = 7;
  TDeviceInfo list[2];
  EXPECT_EQ(ListDevices(conn, list, 2, count), RES_DRIVER_MISSING);
  EXPECT_EQ(count, 0u);
}

// Start-up tries the saved choice first, then any adapter.
TEST(OpenDevice, SecondAttemptAfterAFailureOpensAnyAdapter) {
  FakeDriver fake;
  fake.Devices = {Tarvo("1")};
  auto conn = fake.Connection();
  TDeviceInfo saved = Selection(HW_TARVO, "99");
  EXPECT_EQ(OpenDevice(*conn, saved), RES_NOT_OPEN);
  TDeviceInfo any = Selection(HW_ANY, "");
  EXPECT_EQ(OpenDevice(*conn, any), RES_OK);
  EXPECT_TRUE(conn->OpenFlag);
  EXPECT_STREQ(any.SerialNo, "1");
}

TEST(OpenDevice, StartsOverFromAnAdapterLeftOpenByAFailedSetUp) {
  FakeDriver fake;
  fake.Devices = {Tarvo("1")};
  fake.DescriptionResult = 0xFF;
  auto conn = fake.Connection();
  TDeviceInfo first = Selection(HW_ANY, "");
  ASSERT_EQ(OpenDevice(*conn, first), RES_DEVICE_SETUP_FAILED);
  fake.DescriptionResult = 0;
  TDeviceInfo second = Selection(HW_ANY, "");
  EXPECT_EQ(OpenDevice(*conn, second), RES_OK);
  // The earlier handle went back to the driver before the device was opened again.
  EXPECT_EQ(fake.ClosedHandles, std::vector<void*>{FakeDriver::HandleFor(0)});
  EXPECT_EQ(fake.OpenedIndices, (std::vector<uint32_t>{0, 0}));
}

TEST(ListDevices, ListsAdaptersInIndexOrderAndFillsTheRest) {
  FakeDriver fake;
  FakeDevice noSerial = TarvoISO("X");
  noSerial.FailSerialNo = true;
  fake.Devices = {Tarvo("100"), Foreign("F"), noSerial, TarvoISO("200"), TarvoAUTO("300")};
  TDeviceInfo list[DeviceChooserCapacity];
  for (TDeviceInfo& entry : list) entry = Selection(HW_TARVO, "stale");
  size_t count = 99;
  ASSERT_EQ(ListDevices(*fake.Connection(), list, DeviceChooserCapacity, count), RES_OK);
  ASSERT_EQ(count, 3u);
  const std::pair<int32_t, std::string> expected[] = {{HW_TARVO, "100"}, {HW_TARVO_ISO, "200"}, {HW_TARVO_AUTO, "300"}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(list[i].HardwareType, expected[i].first) << i;
    EXPECT_EQ(list[i].SerialNo, expected[i].second) << i;
  }
  for (size_t i = 3; i < DeviceChooserCapacity; ++i) {
    EXPECT_EQ(list[i].HardwareType, HW_OTHER) << i;
    EXPECT_EQ(std::string(list[i].SerialNo, sizeof list[i].SerialNo), std::string(256, '\0')) << i;
  }
  EXPECT_EQ(fake.CallCount("SI_Open"), 0u);
}

TEST(ListDevices, ExaminesNoMoreDevicesThanTheListHolds) {
  FakeDriver fake;
  fake.Devices = {Foreign("F"), Tarvo("1"), Tarvo("2"), Tarvo("3")};
  TDeviceInfo list[2];
  size_t count = 0;
  ASSERT_EQ(ListDevices(*fake.Connection(), list, 2, count), RES_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_STREQ(list[0].SerialNo, "1");
  EXPECT_EQ(list[1].HardwareType, HW_OTHER);
}

TEST(ListDevices, ReportsDriverAndDeviceListFailuresWithAnEmptyList) {
  struct Case { int32_t driverStatus; int numDevicesResult; TResult result; };
  const Case cases[] = {{DRIVER_LIBRARY_MISSING, 0, RES_DRIVER_MISSING},
                        {DRIVER_KERNEL_TOO_OLD, 0, RES_DRIVER_TOO_OLD},
                        {DRIVER_OK, 0xFF, RES_DEVICE_LIST_FAILED}};
  for (const Case& c : cases) {
    FakeDriver fake;
    fake.Devices = {Tarvo("1")};
    fake.Driver.DriverStatus = c.driverStatus;
    fake.NumDevicesResult = c.numDevicesResult;
    TDeviceInfo list[DeviceChooserCapacity];
    size_t count = 5;
    EXPECT_EQ(ListDevices(*fake.Connection(), list, DeviceChooserCapacity, count), c.result);
    EXPECT_EQ(count, 0u);
  }
}

TEST(CloseDevice, AlwaysLeavesTheConnectionClosed) {
  struct Case { int closeResult; TResult result; };
  const Case cases[] = {{0, RES_OK}, {1, RES_INVALID_HANDLE}, {2, RES_FAILED}, {0xFF, RES_FAILED}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.closeResult);
    FakeDriver fake;
    fake.CloseResult = c.closeResult;
    FakeClock clock;
    auto conn = fake.Open(&clock);
    EXPECT_EQ(CloseDevice(*conn), c.result);
    EXPECT_GE(clock.Now, 20u);
    EXPECT_EQ(fake.ClosedHandles, std::vector<void*>{FakeDriver::HandleFor(0)});
    EXPECT_FALSE(conn->OpenFlag);
    EXPECT_EQ(conn->Handle, INVALID_DEVICE_HANDLE);
    EXPECT_EQ(CloseDevice(*conn), RES_NOT_OPEN);
    EXPECT_EQ(fake.ClosedHandles.size(), 1u);
  }
}

TEST(FlushDevice, EmptiesTheByteRingWhateverTheOutcome) {
  struct Case { const char* what; bool open; int flushResult; TResult result; size_t flushCalls; };
  const Case cases[] = {{"open", true, 0, RES_OK, 1},
                        {"driver flush fails", true, 0xFF, RES_DEVICE_SETUP_FAILED, 1},
                        {"no adapter", false, 0, RES_NOT_OPEN, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    fake.FlushResult = c.flushResult;
    auto conn = c.open ? fake.Open() : fake.Connection();
    conn->Rx.ReadIndex = 100;
    conn->Rx.WriteIndex = 300;
    EXPECT_EQ(FlushDevice(*conn), c.result);
    EXPECT_EQ(conn->Rx.ReadIndex, 0u);
    EXPECT_EQ(conn->Rx.WriteIndex, 0u);
    EXPECT_EQ(fake.CallCount("SI_FlushBuffers"), c.flushCalls);
  }
}

TEST(SendPacket, WritesEachFrameWholeOrReportsWhy) {
  struct Case { const char* what; size_t length; bool open; int writeResult; uint32_t shortBy; TResult result; size_t writes; };
  const Case cases[] = {
      {"longest packet", MaxHostPacketBytes, true, 0, 0, RES_OK, 1},
      {"one byte too long", MaxHostPacketBytes + 1, true, 0, 0, RES_FAILED, 0},
      {"too long and not open", MaxHostPacketBytes + 1, false, 0, 0, RES_FAILED, 0},
      {"not open", 1, false, 0, 0, RES_NOT_OPEN, 0},
      {"write fails", 1, true, 0xFF, 0, RES_WRITE_FAILED, 1},
      {"short write", 1, true, 0, 1, RES_WRITE_INCOMPLETE, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    fake.WriteResult = c.writeResult;
    fake.WriteShortBy = c.shortBy;
    auto conn = c.open ? fake.Open() : fake.Connection();
    const std::vector<uint8_t> packet(c.length, 0x10);  // every byte escaped: the largest frame
    EXPECT_EQ(SendPacket(*conn, packet.data(), packet.size()), c.result);
    ASSERT_EQ(fake.Writes.size(), c.writes);
    if (c.writes == 0) continue;
    std::vector<uint8_t> expected(MaxFrameBytes);
    expected.resize(BuildFrame(packet.data(), packet.size(), expected.data()));
    EXPECT_EQ(fake.Writes[0], expected);
  }
}

TEST(SendPacket, OpenConnectionWithoutDriverFailsTheWrite) {
  TDeviceConnection conn;
  conn.OpenFlag = true;
  const uint8_t packet[] = {0x01};
  EXPECT_EQ(SendPacket(conn, packet, 1), RES_WRITE_FAILED);
}

}  // namespace
}  // namespace tarvo
