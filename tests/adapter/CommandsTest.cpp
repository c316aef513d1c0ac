#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "FakeDriver.h"
#include "adapter/Framing.h"
#include "support/Frames.h"
#include "adapter/TarvoAPI.h"
#include "support/FakeClock.h"

namespace tarvo {
namespace {

using test::FakeClock;
using test::FakeDriver;
using Bytes = std::vector<uint8_t>;

using test::Framed;

const uint8_t Twelve[12] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB};

TFilterSettings DistinctFilters() {
  TFilterSettings f;
  f.Mask1 = 0x11223344;
  f.Mask2 = 0x55667788;
  for (int i = 0; i < 6; ++i) {
    f.Flag[i] = uint8_t(0xF1 + i);
    f.Filter[i] = 0x0A0B0C00u + uint32_t(i + 1);
  }
  return f;
}

struct CommandCase {
  const char* what;
  std::function<TResult(const TDeviceConnection&)> send;
  Bytes packet;
};

const std::vector<CommandCase>& Commands() {
  static const std::vector<CommandCase> cases = {
      {"11-bit message once", [](auto& c) { return SendCANMessage(c, 0, 0x123, 0, 2, Twelve, 0, 0); },
       {0x00, 0x00, 0x23, 0x01, 0x00, 0x00, 0x02, 0xA0, 0xA1, 0x00}},
      {"29-bit remote frame", [](auto& c) { return SendCANMessage(c, 1, 0x1FFFFFFF, 1, 0, nullptr, 0, 0); },
       {0x00, 0x03, 0xFF, 0xFF, 0xFF, 0x1F, 0x00, 0x00}},
      {"only the low bits of IDE, RTR, buffer and period",
       [](auto& c) { return SendCANMessage(c, 0xFE, 0x7FF, 0x03, 1, Twelve, 0x15, 0x14); },
       {0x00, 0x01, 0xFF, 0x07, 0x00, 0x00, 0x01, 0xA0, 0x45}},
      {"DLC 12 clipped to 8", [](auto& c) { return SendCANMessage(c, 0, 0x10, 0, 12, Twelve, 0, 0); },
       {0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x08, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0x00}},
      {"no data pointer sends zeros", [](auto& c) { return SendCANMessage(c, 0, 0x55, 0, 3, nullptr, 0, 0); },
       {0x00, 0x00, 0x55, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00}},
      {"buffer 5 every 100 ms", [](auto& c) { return SendCANMessage(c, 0, 0x100, 0, 1, Twelve, 5, 4); },
       {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0xA0, 0x45}},
      {"stop buffer 7", [](auto& c) { return SendCANMessage(c, 0, 0, 0, 0, nullptr, 7, 0); },
       {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07}},
      {"status request", [](auto& c) { return RequestStatus(c); }, {0x01}},
      {"bit timing, BRP 4 at 40 MHz", [](auto& c) { return SetBitTiming(c, 0, 3 + 64, 4, 1, 2, 1); },
       {0x02, 0x00, 0x43, 0x04, 0x01, 0x02, 0x01}},
      {"bit timing, BRP 4, sampled once", [](auto& c) { return SetBitTiming(c, 3, 3, 7, 7, 7, 0); },
       {0x02, 0x03, 0x03, 0x07, 0x07, 0x07, 0x00}},
      {"loopback", [](auto& c) { return SetOperatingMode(c, OPMODE_LOOPBACK); }, {0x03, 0x02}},
      {"listen only", [](auto& c) { return SetOperatingMode(c, OPMODE_LISTEN_ONLY); }, {0x03, 0x01}},
      {"filters: accept all", [](auto& c) { return SetFilters(c, AcceptAllFilters()); },
       {0x04,
        0, 0, 0, 0,  1, 0, 0, 0, 0,  0, 0, 0, 0, 0,                              // buffer 1
        0, 0, 0, 0,  1, 0, 0, 0, 0,  0, 0, 0, 0, 0,  1, 0, 0, 0, 0,  0, 0, 0, 0, 0}},  // buffer 2
      {"filters: each field in its place", [](auto& c) { return SetFilters(c, DistinctFilters()); },
       {0x04, 0x44, 0x33, 0x22, 0x11, 0xF1, 0x01, 0x0C, 0x0B, 0x0A, 0xF2, 0x02, 0x0C,
        0x0B, 0x0A, 0x88, 0x77, 0x66, 0x55, 0xF3, 0x03, 0x0C, 0x0B, 0x0A, 0xF4, 0x04,
        0x0C, 0x0B, 0x0A, 0xF5, 0x05, 0x0C, 0x0B, 0x0A, 0xF6, 0x06, 0x0C, 0x0B, 0x0A}},
      {"run", [](auto& c) { return SetRunState(c, 1); }, {0x05, 0x01}},
      {"stop", [](auto& c) { return SetRunState(c, 0); }, {0x05, 0x00}},
      {"end of configuration", [](auto& c) { return EndConfiguration(c); }, {0x07}},
      {"bus-load request", [](auto& c) { return RequestBusLoad(c); }, {0x09}},
  };
  return cases;
}

TEST(Commands, SendEachPacketInOneFrame) {
  for (const CommandCase& c : Commands()) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    FakeClock clock;
    auto conn = fake.Open(&clock);
    EXPECT_EQ(c.send(*conn), RES_OK);
    EXPECT_EQ(fake.Writes, std::vector<Bytes>{Framed(c.packet)});
  }
}

TEST(Commands, WithoutAnOpenAdapterNothingReachesTheDriver) {
  for (const CommandCase& c : Commands()) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    FakeClock clock;
    auto conn = fake.Connection(&clock);
    EXPECT_EQ(c.send(*conn), RES_NOT_OPEN);
    EXPECT_TRUE(fake.Calls.empty());
  }
}

TEST(Commands, PassTheWriteFailureOnUnchanged) {
  FakeDriver fake;
  fake.WriteResult = 0xFF;
  auto conn = fake.Open();
  EXPECT_EQ(RequestStatus(*conn), RES_WRITE_FAILED);
  fake.WriteResult = 0;
  fake.WriteShortBy = 2;
  EXPECT_EQ(SetOperatingMode(*conn, OPMODE_NORMAL), RES_WRITE_INCOMPLETE);
}

TEST(SetRunState, StartingWaitsTwentyMillisecondsWhateverTheSendResult) {
  struct Case { const char* what; uint8_t run; bool open; int writeResult; TResult result; uint32_t waitedMs; };
  const Case cases[] = {
      {"start", 1, true, 0, RES_OK, 20},
      {"start, write fails", 1, true, 0xFF, RES_WRITE_FAILED, 20},
      {"start, no adapter", 1, false, 0, RES_NOT_OPEN, 20},
      {"stop", 0, true, 0, RES_OK, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDriver fake;
    fake.WriteResult = c.writeResult;
    FakeClock clock;
    auto conn = c.open ? fake.Open(&clock) : fake.Connection(&clock);
    EXPECT_EQ(SetRunState(*conn, c.run), c.result);
    if (c.waitedMs == 0) {
      EXPECT_EQ(clock.Now, 0u);
    } else {
      EXPECT_GE(clock.Now, c.waitedMs);
    }
  }
}

}  // namespace
}  // namespace tarvo
