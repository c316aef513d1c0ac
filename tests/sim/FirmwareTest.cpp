// The adapter firmware's answers to each host command, on a virtual clock.
#include <fstream>
#include <random>
#include <sstream>

#include "SimRig.h"

namespace tarvo::sim::test {
namespace {

constexpr const char* Quiet = "adapter TarvoISO 1 hw 7.1 sw 3.4\nbus 250k\n";

TEST(Firmware, StatusPacketIsFramedWithVersionsCodeStateAndTimeStamp) {
  Rig rig(Quiet);
  rig.Send(RunCmd(1));
  rig.AdvanceMs(100);
  rig.Send({1});
  rig.adapter.AdvanceTo(rig.now);
  Bytes raw(rig.adapter.ToHost().Size());
  rig.adapter.ToHost().Pop(raw.data(), raw.size());
  // 100 ms = 3906.25 ticks -> 3906 = 0x0F42.
  EXPECT_EQ(raw, Framed({0x01, 71, 34, 0x00, 0x00, 0x42, 0x0F, 0x00, 0x00}));
}

struct LoadCase {
  const char* node;
  Bytes timing;
  uint8_t whole, tenth;
};

TEST(Firmware, BusLoadCountsTheLastSecondAtTheConfiguredRate) {
  const LoadCase cases[] = {
      {"node 123 1 dlc 8", Timing250k40MHz, 44, 4},             // 111 bits x 1000 / 250000
      {"node 1ABCDEF0 10 ext dlc 0", Timing250k40MHz, 2, 7},    // 67 bits x 100 = 2.68 %
      {"node 123 1 dlc 8", Timing500k40MHz, 0, 0},              // wrong rate: nothing decoded
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.node);
    Rig rig(std::string(Quiet) + c.node);
    rig.Send(c.timing);
    rig.Send(RunCmd(1));
    rig.AdvanceMs(2000.5);
    const Bytes p = rig.Request(9);
    ASSERT_EQ(p.size(), 9u);
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], c.whole);
    EXPECT_EQ(p[2], c.tenth);
  }
}

TEST(Firmware, BitRateMismatchGivesBusErrorsInsteadOfFrames) {
  Rig rig(std::string(Quiet) + "node 100 10 data 01\n");
  rig.Send(Timing500k40MHz);
  rig.Send(RunCmd(1));
  rig.AdvanceMs(1000);
  EXPECT_TRUE(rig.DrainCan().empty());
  const Bytes status = rig.Request(1);
  EXPECT_EQ(status[3], STATUS_CAN_BUS_ERROR);
  EXPECT_EQ(status[4] & 0x08, 0x08);  // receive error-passive
  EXPECT_GE(rig.Request(9)[3], 128);

  // The right rate: frames again, and the counter falls back below passive.
  rig.Send(Timing250k40MHz);
  rig.AdvanceMs(1000);
  EXPECT_FALSE(rig.DrainCan().empty());
  EXPECT_LT(rig.Request(9)[3], 128);
}

TEST(Firmware, ListenOnlyAtTheWrongRateSeesErrorsButCountsNothing) {
  Rig rig(std::string(Quiet) + "node 100 10 data 01\n");
  rig.Send(Timing500k40MHz);
  rig.Send(ModeCmd(MODE_LISTEN_ONLY));
  rig.Send(RunCmd(1));
  rig.AdvanceMs(500);
  EXPECT_TRUE(rig.DrainCan().empty());
  const Bytes status = rig.Request(1);
  EXPECT_EQ(status[3], STATUS_CAN_BUS_ERROR);
  EXPECT_EQ(status[4], 0);
  EXPECT_EQ(rig.Request(9)[3], 0);
}

TEST(Firmware, TransmittingAtTheWrongRateEndsInBusOffAndRecovers) {
  Rig rig(Quiet);
  rig.Send(Timing500k40MHz);
  rig.Send(CanCmd(0x321, false, false, {1}, 1, 1));  // every 10 ms
  rig.Send(RunCmd(1));
  rig.AdvanceMs(315);  // 31 failed attempts: TEC 248
  EXPECT_EQ(rig.Request(9)[4], 248);
  rig.AdvanceMs(6);  // the 32nd at 320 ms: TEC above 255
  EXPECT_EQ(rig.Request(1)[4] & 0x20, 0x20);
  rig.AdvanceMs(3);  // 128 x 11 bits at 500 kbit/s (2.8 ms) later the controller is back
  const Bytes load = rig.Request(9);
  EXPECT_EQ(load[3], 0);
  EXPECT_EQ(load[4], 0);
}

struct ModeCase {
  uint8_t mode;
  bool reachesBus;          // the adapter's frames go out on the bus
  bool answerReceived;      // the answering node replied to the host's remote frame
  bool ownFrameReceived;    // the host's own frame came back to it
  bool busTrafficReceived;  // frames of the other nodes arrived
};

TEST(Firmware, OperatingModeDecidesWhereFramesGo) {
  const ModeCase cases[] = {
      {MODE_NORMAL, true, true, false, true},
      {MODE_LISTEN_ONLY, false, false, false, true},
      {MODE_LOOPBACK, false, false, true, false},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(int(c.mode));
    Rig rig(std::string(Quiet) + "respond 6A0 data 11 22 33 44\nnode 100 10 data 01\n");
    rig.Send(ModeCmd(c.mode));
    rig.Send(RunCmd(1));
    rig.Send(CanCmd(0x6A0, false, true, {0, 0, 0, 0}));
    rig.Send(CanCmd(0x321, false, false, {9}, 2, 1));
    rig.AdvanceMs(100);
    bool answer = false, own = false, traffic = false;
    for (const RxCan& m : rig.DrainCan()) {
      answer |= m.Frame.Id == 0x6A0 && !m.Frame.Remote && m.Frame.Data[0] == 0x11 && m.Frame.Dlc == 4;
      own |= m.Frame.Id == 0x321 || (m.Frame.Id == 0x6A0 && m.Frame.Remote);
      traffic |= m.Frame.Id == 0x100;
    }
    EXPECT_EQ(rig.adapter.FramesSentOnBus() > 0, c.reachesBus);
    EXPECT_EQ(answer, c.answerReceived);
    EXPECT_EQ(own, c.ownFrameReceived);
    EXPECT_EQ(traffic, c.busTrafficReceived);
  }
}

TEST(Firmware, LoopbackReturnsTheFrameAsSent) {
  Rig rig(Quiet);
  rig.Send(ModeCmd(MODE_LOOPBACK));
  rig.Send(RunCmd(1));
  rig.Send(CanCmd(0x18FF1234, true, false, {1, 2, 0x10, 4, 5, 6, 7, 8}));
  rig.Send(CanCmd(0x7DF, false, true, {0, 0, 0}));
  rig.AdvanceMs(5);
  const std::vector<RxCan> got = rig.DrainCan();
  ASSERT_EQ(got.size(), 2u);
  const CanFrame data{0x18FF1234, true, false, 8, {1, 2, 0x10, 4, 5, 6, 7, 8}};
  const CanFrame remote{0x7DF, false, true, 3, {}};
  EXPECT_EQ(got[0].Frame, data);
  EXPECT_EQ(got[1].Frame, remote);
  // 131 bits at 250 kbit/s: received 524 us after the run started.
  EXPECT_EQ(got[0].TimeStamp, 20u);
}

Bytes FilterCmd(uint32_t mask1, uint32_t mask2, std::initializer_list<std::pair<uint8_t, uint32_t>> filters) {
  Bytes p = {4};
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) p.push_back(uint8_t(v >> (8 * i)));
  };
  int n = 0;
  put32(mask1);
  for (auto [flag, value] : filters) {
    if (n++ == 2) put32(mask2);
    p.push_back(flag);
    put32(value);
  }
  return p;
}

TEST(Firmware, FiltersCommandSelectsWhatIsReceived) {
  Rig rig(Quiet);
  rig.Send(ModeCmd(MODE_LOOPBACK));
  // Buffer 1: exactly 11-bit 0x123; buffer 2: 29-bit 0x18FF12xx.
  const Bytes f = FilterCmd(0x7FF, 0x1FFFFF00, {{0, 0x123}, {0, 0x123}, {1, 0x18FF1200}, {1, 0x18FF1200},
                                               {1, 0x18FF1200}, {1, 0x18FF1200}});
  ASSERT_EQ(f.size(), 39u);
  rig.Send(f);
  rig.Send(RunCmd(1));
  for (uint32_t id : {0x123u, 0x124u}) rig.Send(CanCmd(id, false, false, {}));
  for (uint32_t id : {0x18FF12ABu, 0x18FF13ABu, 0x123u}) rig.Send(CanCmd(id, true, false, {}));
  rig.AdvanceMs(5);
  std::vector<uint32_t> ids;
  for (const RxCan& m : rig.DrainCan()) ids.push_back(m.Frame.Id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{0x123, 0x18FF12AB}));
}

TEST(Firmware, RepetitionBufferSendsAtMultiplesOfItsPeriodUntilStopped) {
  Rig rig(Quiet);
  rig.Send(ModeCmd(MODE_LOOPBACK));
  rig.Send(CanCmd(0x200, false, false, {0xAA}, 3, 4));  // 100 ms, loaded before the run
  rig.Send(RunCmd(1));
  rig.AdvanceMs(1050);
  std::vector<RxCan> got = rig.DrainCan();
  ASSERT_EQ(got.size(), 10u);
  for (size_t k = 0; k < got.size(); ++k) {
    // Sent at (k + 1) x 100 ms, received 55 bits (220 us) later.
    const double ms = double(k + 1) * 100 + 0.22;
    EXPECT_NEAR(got[k].TimeStamp, ms / 0.0256, 1.0) << k;
  }
  rig.Send(CanCmd(0, false, false, {}, 3, 0));  // stop
  rig.Send(CanCmd(0x201, false, false, {}, 4, 3));  // 50 ms, loaded during the run at 1050
  rig.AdvanceMs(120);
  got = rig.DrainCan();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].Frame.Id, 0x201u);
  EXPECT_NEAR(got[0].TimeStamp, 1100.188 / 0.0256, 1.0);
}

TEST(Firmware, TimeStampsRestartWithEachRunAndWrapAt32Bits) {
  Rig rig(Quiet);
  rig.Send(ModeCmd(MODE_LOOPBACK));
  auto stampOfFrameSentNow = [&] {
    rig.Send(CanCmd(0x1, false, false, {}));
    rig.AdvanceMs(1);
    const std::vector<RxCan> got = rig.DrainCan();
    return got.empty() ? ~0u : got.back().TimeStamp;
  };
  rig.Send(RunCmd(1));
  rig.AdvanceMs(500);
  EXPECT_EQ(stampOfFrameSentNow(), 19538u);  // 500.188 ms
  rig.Send(RunCmd(0));
  rig.AdvanceMs(700);
  rig.Send(RunCmd(1));
  rig.AdvanceMs(10);
  EXPECT_EQ(stampOfFrameSentNow(), 397u);  // 10.188 ms after the second start
  // 2^32 ticks are 109951.1627776 s; 10 ms past the wrap.
  rig.now += int64_t(4294967296LL * NsPerTick) - 11 * NsPerMs;
  rig.AdvanceMs(10);
  EXPECT_EQ(stampOfFrameSentNow(), 397u);
  EXPECT_LT(Le32(&rig.Request(1)[5]), 500u);
}

struct BadInputCase {
  const char* what;
  Bytes wire;
  uint8_t code;  // status code reported afterwards
};

TEST(Firmware, BadHostInputIsReportedInTheNextStatusOnly) {
  Bytes tooLong = Framed(Bytes(4096, 0x07));
  const Bytes badCrc = {0x10, 0x02, 0x01, 0xC1, 0xC1, 0x10, 0x03};
  const BadInputCase cases[] = {
      {"bad CRC", badCrc, STATUS_USB_CRC_ERROR},
      {"DLE + other byte", {0x10, 0x02, 0x01, 0x10, 0x55}, STATUS_USB_RX_INVALID},
      {"empty frame", {0x10, 0x02, 0x10, 0x03}, STATUS_USB_RX_INVALID},
      {"unknown type", Framed({0x06}), STATUS_USB_RX_INVALID},
      {"status request too long", Framed({0x01, 0x00}), STATUS_USB_RX_INVALID},
      {"CAN message with DLC 9", Framed(Bytes{0, 0, 1, 0, 0, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}), STATUS_USB_RX_INVALID},
      {"period code 11", Framed(CanCmd(1, false, false, {}, 1, 11)), STATUS_USB_RX_INVALID},
      {"frame over 4095 bytes", tooLong, STATUS_USB_RX_OVERRUN | STATUS_USB_RX_INVALID},
  };
  for (const BadInputCase& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig(Quiet);
    rig.adapter.HostWrite(c.wire.data(), c.wire.size(), rig.now);
    EXPECT_TRUE(rig.Drain().empty());
    EXPECT_EQ(rig.Request(1)[3], c.code);
    EXPECT_EQ(rig.Request(1)[3], 0);
  }
}

TEST(Firmware, FramesSplitAcrossWritesAndGarbageBetweenThem) {
  Rig rig(Quiet);
  std::mt19937 random(7);
  Bytes garbage(1 << 20);
  for (uint8_t& b : garbage) b = uint8_t(random());
  rig.adapter.HostWrite(garbage.data(), garbage.size(), rig.now);
  rig.Request(1);  // reports whatever the garbage did
  const Bytes request = Framed({1});
  for (uint8_t b : request) rig.adapter.HostWrite(&b, 1, rig.now);
  const std::vector<Bytes> got = rig.Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][0], 1);
}

TEST(Firmware, SingleFramesThatCannotWinTheBusOverrunTheTransmitQueue) {
  Rig rig("adapter TarvoISO 1\nbus 1M\nnode 000 0 dlc 0\n");
  rig.Send({2, 0, 0x41, 3, 2, 1, 0});  // 1 Mbit/s
  rig.Send(RunCmd(1));
  for (size_t i = 0; i <= MaxPendingSingles; ++i) rig.Send(CanCmd(0x7FF, false, false, {}));
  EXPECT_EQ(rig.Request(1)[3], STATUS_CAN_TX_OVERRUN);
  EXPECT_EQ(rig.adapter.FramesSentOnBus(), 0u);
}

TEST(Firmware, AnsweringNodeRepliesToRemoteFramesOnTheBus) {
  Rig rig(std::string(Quiet) + "node 7DF 100 rtr dlc 8 phase 50\nrespond 7DF data 02 01 0C 00 00 00 00 00\n");
  rig.Send(RunCmd(1));
  rig.AdvanceMs(250);
  std::vector<RxCan> got = rig.DrainCan();
  ASSERT_EQ(got.size(), 4u);  // remote at 50 and 150 ms, each answered
  EXPECT_TRUE(got[0].Frame.Remote);
  EXPECT_FALSE(got[1].Frame.Remote);
  EXPECT_EQ(got[1].Frame.Id, 0x7DFu);
  EXPECT_EQ(got[1].Frame.Data[2], 0x0C);
  EXPECT_GT(got[1].TimeStamp, got[0].TimeStamp);
}

TEST(Firmware, SingleFramesWhileStoppedGoNowhere) {
  Rig rig(Quiet);
  rig.Send(ModeCmd(MODE_LOOPBACK));
  rig.Send(CanCmd(0x5, false, false, {}));
  rig.AdvanceMs(10);
  rig.Send(RunCmd(1));
  rig.AdvanceMs(10);
  EXPECT_TRUE(rig.DrainCan().empty());
}

TEST(Firmware, StoppingEndsEveryRepetition) {
  Rig rig(Quiet);
  rig.Send(ModeCmd(MODE_LOOPBACK));
  rig.Send(CanCmd(0x200, false, false, {}, 1, 1));
  rig.Send(RunCmd(1));
  rig.AdvanceMs(35);
  EXPECT_EQ(rig.DrainCan().size(), 3u);
  rig.Send(RunCmd(0));
  rig.Send(RunCmd(1));  // nothing reloaded
  rig.AdvanceMs(100);
  EXPECT_TRUE(rig.DrainCan().empty());
}

// Buffers loaded for a start the host cancelled with a stop before the run
// command: the stop ends them, the next run sends nothing it did not load.
TEST(Firmware, AStopWhileStoppedEndsTheBuffersLoadedForTheNextRun) {
  Rig rig(Quiet);
  rig.Send(ModeCmd(MODE_LOOPBACK));
  rig.Send(CanCmd(0x200, false, false, {}, 1, 1));
  rig.Send(RunCmd(0));
  rig.Send(RunCmd(1));
  rig.AdvanceMs(100);
  EXPECT_TRUE(rig.DrainCan().empty());
}

// Frames queued before a switch to loopback come back after it, stamped in
// the order they arrive, never before the status that preceded them.
TEST(Firmware, FramesQueuedBeforeAModeChangeAreNotStampedInThePast) {
  Rig rig(Quiet);
  rig.Send(RunCmd(1));
  for (uint32_t id = 1; id <= 20; ++id) rig.Send(CanCmd(id, false, false, {1, 2, 3, 4, 5, 6, 7, 8}));
  rig.AdvanceMs(1);
  rig.Send({1});
  rig.Send(ModeCmd(MODE_LOOPBACK));
  rig.AdvanceMs(20);
  uint32_t last = 0;
  int looped = 0;
  for (const Bytes& p : rig.Drain()) {
    const uint32_t stamp = p[0] == 0 ? DecodeCan(p).TimeStamp : Le32(&p[5]);
    EXPECT_GE(stamp, last) << "packet type " << int(p[0]);
    last = stamp;
    looped += p[0] == 0;
  }
  EXPECT_GT(looped, 0);
}

TEST(Firmware, ScriptedFaultsDriveCountersAndBusState) {
  Rig rig(std::string(Quiet) +
          "node 100 10 data ++\n"
          "fault 100 200 errors 1000\nfault 500 100 busoff\nfault 800 100 passive\n");
  rig.Send(RunCmd(1));
  rig.AdvanceMs(300);
  Bytes status = rig.Request(1);
  EXPECT_EQ(status[3], STATUS_CAN_RX_INVALID);  // error frames: the host's error-frame rows
  EXPECT_EQ(status[4], 0x0B);  // warning and receive-passive
  const uint8_t peak = rig.Request(9)[3];
  EXPECT_GE(peak, 128);

  rig.AdvanceMs(150);  // good frames bring the counter down: 127, then one a frame
  EXPECT_LT(rig.Request(9)[3], 127);

  rig.AdvanceMs(100);  // 550 ms: bus off, nothing arrives
  rig.DrainCan();
  status = rig.Request(1);
  EXPECT_EQ(status[4] & 0x20, 0x20);
  EXPECT_EQ(status[3], STATUS_CAN_BUS_ERROR);
  rig.AdvanceMs(40);
  EXPECT_TRUE(rig.DrainCan().empty());

  rig.AdvanceMs(60);  // 650 ms: recovered with fresh counters
  EXPECT_FALSE(rig.DrainCan().empty());
  EXPECT_EQ(rig.Request(1)[4], 0);

  rig.AdvanceMs(200);  // 850 ms: held passive
  EXPECT_EQ(rig.Request(1)[4], 0x0B);
  rig.AdvanceMs(100);  // 950 ms: released, falling
  EXPECT_LT(rig.Request(9)[3], 128);
}

// faults.scn is there to show trouble in the running program, which asks for
// a status once a second and for the bus load half a second later: those
// answers carry error-passive, bus-off, error frames and error counters.
TEST(Firmware, TheFaultsScenarioShowsItsTroubleAtTheProgramsRequests) {
  std::ifstream in(std::string(TARVO_SIM_SCENARIO_DIR) + "/faults.scn");
  std::stringstream text;
  text << in.rdbuf();
  Rig rig(text.str());
  rig.Send(RunCmd(1));
  bool passive = false, busOff = false, errorFrames = false, counters = false;
  for (int second = 0; second < 6; ++second) {
    rig.AdvanceMs(second == 0 ? 510 : 500);
    counters |= rig.Request(9).at(3) != 0;
    rig.AdvanceMs(500);
    const Bytes status = rig.Request(1);
    errorFrames |= (status.at(3) & 0x20) != 0;
    busOff |= (status.at(4) & 0x20) != 0;
    passive |= (status.at(4) & 0x20) == 0 && (status.at(4) & 0x08) != 0;
  }
  EXPECT_TRUE(passive);
  EXPECT_TRUE(busOff);
  EXPECT_TRUE(errorFrames);
  EXPECT_TRUE(counters);
}

TEST(Firmware, EndOfConfigurationIsAccepted) {
  Rig rig(Quiet);
  rig.Send({7});
  EXPECT_EQ(rig.Request(1)[3], 0);
}

}  // namespace
}  // namespace tarvo::sim::test
