#include <gtest/gtest.h>

#include <algorithm>

#include "ShellTestSupport.h"

namespace tarvo {
namespace {
using Packet = std::vector<uint8_t>;

class RunControl : public test::ShellFixture, public ::testing::Test {
 protected:
  void SetUp() override {
    AttachAdapter(test::TarvoProductId, 71, 35);
    Create();
    ClearWrites();
  }
  std::vector<Packet> Packets() const { return test::HostPackets(Driver); }
};

TEST_F(RunControl, StartConfiguresTheAdapterThenSwitchesItOn) {
  const size_t flushesBefore = Driver.CallCount("SI_FlushBuffers");
  App->Start();
  const std::vector<Packet> p = Packets();
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[0], (Packet{0x02, 0x00, 0x43, 0x07, 0x05, 0x04, 0x00}));  // 250 kbit/s at 40 MHz
  EXPECT_EQ(p[1], (Packet{0x03, 0x00}));
  ASSERT_EQ(p[2].size(), 39u);
  EXPECT_EQ(p[2][0], 0x04);
  EXPECT_EQ(p[3], (Packet{0x07}));
  EXPECT_EQ(p[4], (Packet{0x05, 0x01}));
  EXPECT_EQ(Driver.CallCount("SI_FlushBuffers"), flushesBefore + 1);

  EXPECT_TRUE(App->Run.RunningFlag);
  EXPECT_EQ(App->Run.StartState, START_RX_TX);
  EXPECT_TRUE(Window.TickEnabled);
  EXPECT_EQ(Window.Panels[0], "Running    00:00:00");
  EXPECT_EQ(Window.Page, TPage::CANView);
  EXPECT_EQ(Window.Enabled("Stop1"), true);
  EXPECT_EQ(Window.Enabled("Start1"), false);
}

TEST_F(RunControl, StartEmptiesTheViewAndTheMessageRing) {
  App->View.CANView.Count = 7;
  App->View.CyclicOverwriteFlag = true;
  App->View.TxDisplayEnabledFlag = false;
  App->Run.TarvoState = 0x80;
  App->CANMessageRing.WriteIndex = 5;
  App->CANMessageRing.FullFlag = true;
  Window.ItemCount = 7;
  App->Start();
  EXPECT_EQ(App->View.CANView.Count, 0);
  EXPECT_FALSE(App->View.CyclicOverwriteFlag);
  EXPECT_TRUE(App->View.TxDisplayEnabledFlag);
  EXPECT_EQ(App->Run.TarvoState, 0);
  EXPECT_TRUE(App->CANMessageRing.Empty());
  EXPECT_EQ(Window.ItemCount, 0);
}

struct BitTimingCase {
  uint8_t Hardware;
  TBitTiming Timing;
  Packet Expected;
};

TEST(RunControlBitTiming, RegisterValuesLessOneWithTheClockBitAndTripleSampling) {
  const BitTimingCase cases[] = {
      {71, {4, 5, 8, 6, 1, 1}, {0x02, 0x00, 0x43, 0x07, 0x05, 0x04, 0x00}},
      {69, {4, 5, 8, 6, 1, 1}, {0x02, 0x00, 0x03, 0x07, 0x05, 0x04, 0x00}},  // 20 MHz adapter
      {71, {10, 2, 4, 3, 2, 3}, {0x02, 0x01, 0x49, 0x03, 0x02, 0x01, 0x01}},
      {71, {64, 8, 8, 8, 4, 1}, {0x02, 0x03, 0x7F, 0x07, 0x07, 0x07, 0x00}},
      {69, {17, 5, 8, 6, 1, 1}, {0x02, 0x00, 0x10, 0x07, 0x05, 0x04, 0x00}},  // a register byte equal to DLE
  };
  for (const BitTimingCase& c : cases) {
    test::ShellFixture f;
    f.AttachAdapter(test::TarvoProductId, c.Hardware, 35);
    f.Create();
    f.ClearWrites();
    f.SetupPage.Values.BitTiming = c.Timing;
    f.App->Start();
    EXPECT_EQ(test::HostPackets(f.Driver).at(0), c.Expected) << int(c.Hardware) << " BRP " << int(c.Timing.BRP);
  }
}

TEST_F(RunControl, OperatingModeValueFollowsTheCheckedMode) {
  const std::pair<TOperatingMode, uint8_t> cases[] = {
      {TOperatingMode::Normal, 0}, {TOperatingMode::ListenOnly, 1}, {TOperatingMode::Loopback, 2}};
  for (const auto& [mode, value] : cases) {
    SetupPage.Values.Mode = mode;
    ClearWrites();
    App->Start();
    EXPECT_EQ(Packets().at(1), (Packet{0x03, value}));
    App->Stop();
  }
}

// Each failure stops the configuration at its step; no later command goes out
// and the controls return to the stopped state.
TEST_F(RunControl, AFailedConfigurationStepSendsNothingAfterItAndStaysStopped) {
  struct Case {
    const char* Label;
    std::function<void(RunControl&)> Arrange;
    std::vector<uint8_t> Sent;
  };
  const Case cases[] = {
      {"filter check fails",
       [](RunControl& t) {
         t.SetupPage.Values.FilterChoice = TFilterChoice::Custom;
         t.SetupPage.FiltersValid = false;
       },
       {0x02, 0x03}},
      {"command fails", [](RunControl& t) { t.Driver.WriteResult = 1; }, {0x02}},
      {"transmit list load fails", [](RunControl& t) { t.Transmit.LoadResult = RES_WRITE_FAILED; },
       {0x02, 0x03, 0x04}},
  };
  for (const Case& c : cases) {
    SetupPage = test::ScriptedCANSetup{};
    Transmit.LoadResult = RES_OK;
    Driver.WriteResult = 0;
    c.Arrange(*this);
    ClearWrites();
    App->Start();
    EXPECT_EQ(test::HostPacketTypes(Driver), c.Sent) << c.Label;
    EXPECT_FALSE(App->Run.RunningFlag) << c.Label;
    EXPECT_FALSE(Window.TickEnabled) << c.Label;
    EXPECT_EQ(Window.Enabled("Start1"), true) << c.Label;
    EXPECT_EQ(Window.Enabled("Stop1"), false) << c.Label;
    EXPECT_EQ(Window.Enabled("New1"), true) << c.Label;
  }
}

TEST_F(RunControl, FilterChoiceNoneSendsAcceptAllWithoutTheCheck) {
  App->Start();
  EXPECT_EQ(SetupPage.FilterChecks, 0);
  const Packet filters = Packets().at(2);
  // One 29-bit and one 11-bit filter per receive buffer.
  EXPECT_EQ(filters[5], 1);
  EXPECT_EQ(filters[10], 0);
  EXPECT_EQ(filters[19], 1);
  EXPECT_EQ(filters[24], 0);
}

TEST_F(RunControl, TransmitListIsLoadedOnlyForATransmittingRunThatIsNoReplay) {
  struct Case {
    const char* Label;
    bool ReceiveOnly;
    TOperatingMode Mode;
    TLogState LogState;
    std::vector<std::string> Calls;
  };
  const Case cases[] = {
      {"start", false, TOperatingMode::Normal, NO_LOG, {"LoadTransmitList", "MarkAllItemsHandedOver"}},
      {"start while recording", false, TOperatingMode::Loopback, RECORD_LOG,
       {"LoadTransmitList", "MarkAllItemsHandedOver"}},
      {"listen only", false, TOperatingMode::ListenOnly, NO_LOG, {}},
      {"start rx", true, TOperatingMode::Normal, NO_LOG, {"PrepareReceiveOnlyRun"}},
      {"start rx listening", true, TOperatingMode::ListenOnly, NO_LOG, {"PrepareReceiveOnlyRun"}},
      {"replay", false, TOperatingMode::Normal, REPLAY_LOG_RUNNING, {}},
      {"single step", false, TOperatingMode::Normal, REPLAY_LOG_SINGLE_STEP, {}},
  };
  for (const Case& c : cases) {
    SetupPage.Values.Mode = c.Mode;
    Log.LogState = c.LogState;
    Transmit.Calls.clear();
    c.ReceiveOnly ? App->StartRxTx() : App->Start();
    EXPECT_EQ(Transmit.Calls, c.Calls) << c.Label;
    EXPECT_TRUE(App->Run.RunningFlag) << c.Label;
    App->Stop();
  }
}

TEST_F(RunControl, StartRxRunsReceiveOnlyThenSwitchesTransmissionOn) {
  App->StartRxTx();
  EXPECT_TRUE(App->Run.RunningFlag);
  EXPECT_EQ(App->Run.StartState, START_RX);
  EXPECT_EQ(Packets().back(), (Packet{0x05, 0x01}));
  EXPECT_EQ(Window.Of("StartRxTxButton").Caption, "Start Tx");
  EXPECT_EQ(Window.Enabled("StartRxTxButton"), true);

  App->StartRxTx();
  EXPECT_EQ(App->Run.StartState, START_TX);
  EXPECT_EQ(Window.Enabled("StartRxTx1"), false);
  EXPECT_EQ(Window.Enabled("StartRxTxButton"), false);
  EXPECT_EQ(Packets().size(), 5u);  // no new configuration
}

TEST_F(RunControl, StartRxWhileATransmittingRunGoesOnDoesNothing) {
  App->Start();
  const auto controls = Window.Controls;
  const size_t writes = Driver.Writes.size();
  Window.Calls.clear();
  App->StartRxTx();
  EXPECT_EQ(App->Run.StartState, START_RX_TX);
  EXPECT_EQ(Window.Controls, controls);
  EXPECT_EQ(Driver.Writes.size(), writes);
  EXPECT_EQ(Window.Calls, std::vector<std::string>{"HideConversionBalloon"});
}

TEST_F(RunControl, StopSwitchesTheAdapterOffAndResetsTheStatusBar) {
  App->Start();
  const int repaints = Window.Repaints;
  App->Stop();
  EXPECT_EQ(Packets().back(), (Packet{0x05, 0x00}));
  EXPECT_FALSE(App->Run.RunningFlag);
  EXPECT_FALSE(Window.TickEnabled);
  EXPECT_EQ(Window.Panels[0], "Stopped");
  EXPECT_EQ(Window.Repaints, repaints + 1);
  ASSERT_FALSE(Window.BusLoads.empty());
  EXPECT_EQ(Window.BusLoads.back().Position, 0);
  EXPECT_EQ(Window.BusLoads.back().Text, "Bus Load 0,0%");
  EXPECT_EQ(Window.Enabled("Start1"), true);
  EXPECT_EQ(Window.Enabled("Stop1"), false);
}

// Messages that arrived after the last refresh are in the list once stopped.
TEST_F(RunControl, StopShowsTheRowsStoredSinceTheLastRefresh) {
  App->Display.UpdateInterval = 1000;
  App->Start();
  Driver.QueueRx(test::CANMessageFrame(0x100, 1, 10));
  Driver.QueueRx(test::CANMessageFrame(0x200, 1, 20));
  Tick();
  ASSERT_EQ(App->View.CANView.Count, 2);
  ASSERT_EQ(Window.ItemCount, 0);
  App->Stop();
  EXPECT_EQ(Window.ItemCount, 2);
}

TEST_F(RunControl, StopDuringTheConfigurationCancelsTheStart) {
  Clock.DuringNextWait = [this] { App->Stop(); };
  App->Start();
  const std::vector<Packet> p = Packets();
  EXPECT_EQ(p.at(1), (Packet{0x05, 0x00}));
  EXPECT_EQ(p.size(), 2u);  // no configuration after the stop
  EXPECT_FALSE(App->Run.RunningFlag);
  EXPECT_FALSE(Window.TickEnabled);
  EXPECT_EQ(Window.Panels[0], "Stopped");
  EXPECT_EQ(Window.Enabled("Start1"), true);
  EXPECT_EQ(Window.Enabled("Stop1"), false);

  App->Start();  // the next start is not affected
  EXPECT_TRUE(App->Run.RunningFlag);
}

// Esc held down during a start: Stop, then Start again inside the first
// start's wait. The inner start is refused; the outer one ends cancelled.
TEST_F(RunControl, AStartInsideAnotherStartsWaitsIsRefused) {
  for (const bool rxOnly : {false, true}) {
    SCOPED_TRACE(rxOnly);
    ClearWrites();
    Clock.DuringNextWait = [this, rxOnly] {
      App->Stop();
      rxOnly ? App->StartRxTx() : App->Start();
    };
    App->Start();
    EXPECT_EQ(Packets(), (std::vector<Packet>{Packets().at(0), Packet{0x05, 0x00}}));
    EXPECT_FALSE(App->Run.RunningFlag);
    EXPECT_FALSE(Window.TickEnabled);
    EXPECT_EQ(Window.Enabled("Start1"), true);
    EXPECT_EQ(Window.Enabled("Stop1"), false);
  }
  // A start with no stop in its waits: the click inside is refused as well.
  ClearWrites();
  Clock.DuringNextWait = [this] { App->StartRxTx(); };
  App->Start();
  const std::vector<Packet> p = Packets();
  EXPECT_EQ(std::count_if(p.begin(), p.end(), [](const Packet& k) { return k.at(0) == 0x02; }), 1);
  EXPECT_TRUE(App->Run.RunningFlag);
  EXPECT_EQ(App->Run.StartState, START_RX_TX);
}

TEST_F(RunControl, ClosingDuringTheConfigurationLeavesTheAdapterOff) {
  Clock.DuringNextWait = [this] { ASSERT_TRUE(App->Close()); };
  App->Start();
  const std::vector<Packet> p = Packets();
  EXPECT_EQ(std::count(p.begin(), p.end(), Packet{0x05, 0x01}), 0);
  EXPECT_FALSE(App->Run.RunningFlag);
  EXPECT_FALSE(Window.TickEnabled);
}

TEST_F(RunControl, AFailedStopKeepsTheRunGoingBehindStoppedControls) {
  App->Start();
  Driver.WriteResult = 1;
  App->Stop();
  EXPECT_TRUE(App->Run.RunningFlag);
  EXPECT_TRUE(Window.TickEnabled);
  EXPECT_EQ(Window.Panels[0], "Running    00:00:00");
  EXPECT_EQ(Window.Enabled("Start1"), true);
}

}  // namespace
}  // namespace tarvo
