// Frame texts of tarvo-bus: cansend's frames in, candump -L lines out, the
// adapter's ticks on the time line of a run, bus events as error frames.
#include <gtest/gtest.h>

#include <vector>

#include "bus/BusFrame.h"
#include "bus/BusLink.h"

namespace tarvo::bus {
namespace {

TBusFrame Frame(uint32_t canId, std::vector<uint8_t> data, int64_t timeUs = 0) {
  TBusFrame f;
  f.CanId = canId;
  f.Len = uint8_t(data.size());
  for (size_t i = 0; i < data.size(); ++i) f.Data[i] = data[i];
  f.TimeUs = timeUs;
  return f;
}

struct CansendCase {
  const char* Text;
  TBusFrame Expected;
};

TEST(CansendFrame, ReadsEveryFormCansendTakes) {
  TBusFrame remote3 = Frame(0x123 | CanRtrFlag, {});
  remote3.Len = 3;
  TBusFrame remote8 = Frame(0x7DF | CanRtrFlag, {});
  remote8.Len = 8;
  const CansendCase cases[] = {
      {"123#1122", Frame(0x123, {0x11, 0x22})},
      {"7ff#a0B1", Frame(0x7FF, {0xA0, 0xB1})},
      {"000#", Frame(0x000, {})},
      {"12345678#DEADBEEF", Frame(0x12345678 | CanEffFlag, {0xDE, 0xAD, 0xBE, 0xEF})},
      {"00000123#11", Frame(0x123 | CanEffFlag, {0x11})},
      {"1FFFFFFF#0102030405060708", Frame(0x1FFFFFFF | CanEffFlag, {1, 2, 3, 4, 5, 6, 7, 8})},
      {"123#11.22.33", Frame(0x123, {0x11, 0x22, 0x33})},
      {"12345678#R", Frame(0x12345678 | CanEffFlag | CanRtrFlag, {})},
      {"123#R3", remote3},
      {"7DF#r8", remote8},
  };
  for (const CansendCase& c : cases) {
    TBusFrame f;
    std::string error;
    ASSERT_TRUE(ParseCansendFrame(c.Text, f, error)) << c.Text << ": " << error;
    EXPECT_EQ(f, c.Expected) << c.Text;
  }
}

TEST(CansendFrame, RefusesWhatTheAdapterCannotSendWithAReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"1231122", "ID#DATA"},
      {"", "ID#DATA"},
      {"12#11", "3 hex digits"},
      {"1234#11", "3 hex digits"},
      {"123456789#11", "3 hex digits"},
      {"12G#11", "3 hex digits"},
      {"800#11", "up to 7FF"},
      {"20000000#", "up to 1FFFFFFF"},
      {"123#112", "pairs of hex digits"},
      {"123#11.2", "pairs of hex digits"},
      {"123#1G", "pairs of hex digits"},
      {"123#112233445566778899", "at most 8"},
      {"123#R9", "DLC digit"},
      {"123#R12", "DLC digit"},
      {"123##1", "CAN FD"},
      {"123#1122_9", "(_N)"},
  };
  for (const auto& [text, reason] : cases) {
    TBusFrame f = Frame(0x555, {0x55});
    const TBusFrame before = f;
    std::string error;
    EXPECT_FALSE(ParseCansendFrame(text, f, error)) << text;
    EXPECT_NE(error.find(reason), std::string::npos) << text << " -> " << error;
    EXPECT_EQ(f, before) << text;
  }
}

TEST(CandumpLine, WritesCandumpsLongFormForEveryKind) {
  TBusFrame remote3 = Frame(0x123 | CanRtrFlag, {});
  remote3.Len = 3;
  TBusFrame error = Frame(CanErrFlag | CanErrBusError, {0, 0, 0, 0, 0, 0, 0, 0}, 5);
  const std::pair<TBusFrame, const char*> cases[] = {
      {Frame(0x123, {0x11, 0x22}, 1702288800123456), "(1702288800.123456) can0 123#1122"},
      {Frame(0x00C, {0xAB}, 1702288800000001), "(1702288800.000001) can0 00C#AB"},
      {Frame(0x7FF, {}, 1000000), "(1.000000) can0 7FF#"},
      {Frame(0x1234 | CanEffFlag, {1, 2, 3, 4, 5, 6, 7, 8}, 999999),
       "(0.999999) can0 00001234#0102030405060708"},
      {Frame(0x12345678 | CanEffFlag | CanRtrFlag, {}, 0), "(0.000000) can0 12345678#R"},
      {remote3, "(0.000000) can0 123#R3"},
      {error, "(0.000005) can0 20000080#0000000000000000"},
  };
  for (const auto& [frame, line] : cases) EXPECT_EQ(CandumpLine(frame), line);
}

TEST(CandumpLine, ReproducesTheFrameCansendWasGiven) {
  for (const char* text : {"123#1122", "12345678#DEADBEEF", "123#R3", "12345678#R", "7FF#"}) {
    TBusFrame f;
    std::string error;
    ASSERT_TRUE(ParseCansendFrame(text, f, error)) << text;
    EXPECT_EQ(CandumpLine(f), std::string("(0.000000) can0 ") + text);
  }
}

TEST(AdapterMessage, ConvertsBothWaysWithoutCarryingBytesBeyondTheDLC) {
  TTarvoCAN m;
  m.IDE = 1;
  m.ID = 0x18FEF100;
  m.DLC = 3;
  m.Data[0] = 1, m.Data[1] = 2, m.Data[2] = 3, m.Data[3] = 0xEE;
  const TBusFrame f = FrameOfMessage(m, 42);
  EXPECT_EQ(f, Frame(0x18FEF100 | CanEffFlag, {1, 2, 3}, 42));
  const TTarvoCAN back = MessageOfFrame(f);
  EXPECT_EQ(back.IDE, 1);
  EXPECT_EQ(back.ID, 0x18FEF100u);
  EXPECT_EQ(back.DLC, 3);
  EXPECT_EQ(back.Data[3], 0);

  TTarvoCAN remote;
  remote.RTR = 1;
  remote.ID = 0x7DF;
  remote.DLC = 8;
  remote.Data[0] = 0x99;  // a remote frame carries no data
  const TBusFrame r = FrameOfMessage(remote, 0);
  EXPECT_EQ(r.CanId, 0x7DF | CanRtrFlag);
  EXPECT_EQ(r.Len, 8);
  EXPECT_EQ(r.Data[0], 0);
}

// 39062.5 ticks a second: 5 ticks are exactly 128 us.
TEST(RunClock, TurnsTicksIntoMicrosecondsFromTheRunStart) {
  TRunClock clock;
  clock.Start(1700000000000000);
  EXPECT_EQ(clock.TimeOf(0), 1700000000000000);
  EXPECT_EQ(clock.TimeOf(5), 1700000000000128);
  EXPECT_EQ(clock.TimeOf(39062), 1700000000000000 + 999987);  // 999987.2 us
  EXPECT_EQ(clock.TimeOf(39063), 1700000000000000 + 1000013);  // 1000012.8 us
  // A status packet stamped a little before the last message stays before it.
  EXPECT_EQ(clock.TimeOf(39058), 1700000000000000 + 999885);  // 999884.8 us
}

TEST(RunClock, CarriesOnAcrossTheWrapOfTheTimeStamps) {
  TRunClock clock;
  clock.Start(0);
  for (uint32_t t = 0; t < 0xF0000000u; t += 0x10000000u) clock.TimeOf(t);
  const int64_t before = clock.TimeOf(0xFFFFFFFBu);
  const int64_t after = clock.TimeOf(0x00000005u);  // 10 ticks later
  EXPECT_EQ(after - before, 256);
  EXPECT_EQ(after, TicksToUs(0x100000005ll));
}

TEST(StatusErrorFrames, ReportsBusStateChangesAndLatchedErrorsOnce) {
  uint8_t last = 0;
  TBusFrame out[2];
  // Nothing new: no frame.
  EXPECT_EQ(StatusErrorFrames(0x00, 0x00, last, 7, out), 0u);
  // An error frame on the bus.
  ASSERT_EQ(StatusErrorFrames(0x20, 0x00, last, 7, out), 1u);
  EXPECT_EQ(out[0].CanId, CanErrFlag | CanErrProt);
  EXPECT_EQ(out[0].Len, 8);
  EXPECT_EQ(out[0].TimeUs, 7);
  // Receive passive (with the warning): a controller report, then it holds.
  ASSERT_EQ(StatusErrorFrames(0x00, 0x0B, last, 8, out), 1u);
  EXPECT_EQ(out[0].CanId, CanErrFlag | CanErrCrtl);
  EXPECT_EQ(out[0].Data[1], CanErrCrtlRxWarning | CanErrCrtlRxPassive);
  EXPECT_EQ(StatusErrorFrames(0x00, 0x0B, last, 9, out), 0u);
  // Bus-off with a bus error latched: two frames.
  ASSERT_EQ(StatusErrorFrames(0x80, 0x20, last, 10, out), 2u);
  EXPECT_EQ(out[0].CanId, CanErrFlag | CanErrBusOff);
  EXPECT_EQ(out[1].CanId, CanErrFlag | CanErrBusError);
  // Back to error-active.
  ASSERT_EQ(StatusErrorFrames(0x00, 0x00, last, 11, out), 1u);
  EXPECT_EQ(out[0].CanId, CanErrFlag | CanErrCrtl);
  EXPECT_EQ(out[0].Data[1], CanErrCrtlActive);
  EXPECT_EQ(CandumpLine(out[0]), "(0.000011) can0 20000004#0040000000000000");
}

}  // namespace
}  // namespace tarvo::bus
