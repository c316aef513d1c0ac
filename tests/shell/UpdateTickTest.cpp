#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "common/TimeUnits.h"

namespace tarvo {
namespace {
using test::CANMessageFrame;
using test::StatusFrame;

const std::string Descriptor = "    Tarvo    S/N 1234    H/W v7,1    S/W v3,5";
constexpr int AdapterPanel = 5;  // after the bus-load panel

class UpdateTick : public test::ShellFixture, public ::testing::Test {
 protected:
  void SetUp() override {
    AttachAdapter(test::TarvoProductId, 71, 35);
    Create();
    StartRun();
    ClearWrites();
  }
  // Runs ticks until TarvoTime reaches untilMs; returns the TarvoTime of each
  // packet of the given type the host sent.
  std::vector<uint32_t> RequestTimes(uint8_t type, uint32_t untilMs) {
    std::vector<uint32_t> times;
    while (App->Run.TarvoTime < untilMs) {
      const size_t before = Driver.Writes.size();
      Tick();
      const auto types = test::HostPacketTypes(Driver);
      for (size_t i = before; i < types.size(); ++i)
        if (types[i] == type) times.push_back(App->Run.TarvoTime);
    }
    return times;
  }
};

TEST_F(UpdateTick, StatusOncePerSecondAndBusLoadHalfASecondLater) {
  EXPECT_EQ(RequestTimes(0x01, 3050), (std::vector<uint32_t>{1010, 2010, 3010}));
}

TEST_F(UpdateTick, BusLoadRequestOnTheFirstTickAfter500Ms) {
  EXPECT_EQ(RequestTimes(0x09, 3050), (std::vector<uint32_t>{510, 1510, 2510}));
}

TEST_F(UpdateTick, LateTicksDoNotPushTheSecondBack) {
  // A tick delayed to 1030 still sends the next request at 2010.
  while (App->Run.TarvoTime < 1000) Tick();
  Tick(30);
  EXPECT_EQ(test::HostPacketTypes(Driver).back(), 0x01);
  EXPECT_EQ(RequestTimes(0x01, 2100), (std::vector<uint32_t>{2010}));
}

TEST_F(UpdateTick, AClockSetBackBehindTheLastRequestWaitsForTheNextSecond) {
  while (App->Run.TarvoTime < 1010) Tick();  // request at 1010, counted from 1000
  Driver.QueueRx(StatusFrame(1, 71, 35, 0, 0, uint32_t(MsToTicks(985))));
  Tick();
  ASSERT_EQ(App->Run.TarvoTime, 985u);
  EXPECT_EQ(RequestTimes(0x01, 2100), (std::vector<uint32_t>{2005}));
  EXPECT_EQ(RequestTimes(0x09, 2600), (std::vector<uint32_t>{2505}));
}

TEST_F(UpdateTick, RunningTimeIsShownAtEachStatusRequest) {
  while (App->Run.TarvoTime < 2010) Tick();
  EXPECT_EQ(Window.Panels[0], "Running    00:00:02");
}

TEST_F(UpdateTick, CANViewRefreshesAtTheUpdateInterval) {
  struct Case {
    uint32_t Interval;
    int Ticks;
    std::vector<int> RefreshTicks;
  };
  const Case cases[] = {{100, 33, {11, 22, 33}}, {0, 3, {1, 2, 3}}, {1000, 202, {101, 202}}};
  for (const Case& c : cases) {
    App->Display.UpdateInterval = c.Interval;
    App->View.CANViewUpdateTimer = 0;
    std::vector<int> refreshes;
    for (int tick = 1; tick <= c.Ticks; ++tick) {
      const int before = Window.Repaints;
      Tick();
      if (Window.Repaints != before) refreshes.push_back(tick);
    }
    EXPECT_EQ(refreshes, c.RefreshTicks) << "interval " << c.Interval;
  }
}

TEST_F(UpdateTick, RefreshFollowsTheStoreAndTheCyclicPosition) {
  struct Case {
    const char* Label;
    TCANViewMode Mode;
    int32_t Count;
    int ListCount;
    bool Wrapped;
    bool ManualScroll;
    int ItemCountChanges;
    int Repaints;
    std::vector<std::pair<int, bool>> Selections;
  };
  const Case cases[] = {
      {"fixed, grown", VIEW_FIXED, 5, 3, false, false, 1, 0, {}},
      {"fixed, same", VIEW_FIXED, 5, 5, false, false, 0, 1, {}},
      {"cyclic, grown", VIEW_CYCLIC, 5, 3, false, false, 1, 0, {{4, true}}},
      {"cyclic, same", VIEW_CYCLIC, 5, 5, false, false, 0, 0, {{4, true}}},
      {"cyclic, scrolled away", VIEW_CYCLIC, 5, 3, false, true, 1, 0, {}},
      {"cyclic, empty", VIEW_CYCLIC, 0, 0, false, false, 0, 0, {}},
      {"cyclic, wrapped", VIEW_CYCLIC, 1000, 1000, true, false, 0, 1, {{6, true}}},
      {"cyclic, wrapped and scrolled away", VIEW_CYCLIC, 1000, 1000, true, true, 0, 1, {{6, false}}},
  };
  App->Display.UpdateInterval = 0;
  for (const Case& c : cases) {
    App->View.Mode = c.Mode;
    App->View.CANView.Count = c.Count;
    App->View.CyclicOverwriteFlag = c.Wrapped;
    App->View.CyclicManualScrollFlag = c.ManualScroll;
    App->View.CyclicItemNo = 7;
    Window.ItemCount = c.ListCount;
    Window.ItemCountChanges = Window.Repaints = 0;
    Window.Selections.clear();
    Tick();
    EXPECT_EQ(Window.ItemCountChanges, c.ItemCountChanges) << c.Label;
    EXPECT_EQ(Window.ItemCount, c.Count) << c.Label;
    EXPECT_EQ(Window.Repaints, c.Repaints) << c.Label;
    EXPECT_EQ(Window.Selections, c.Selections) << c.Label;
  }
}

TEST_F(UpdateTick, StatusWithoutBusEventResynchronisesTheClock) {
  struct Case {
    uint8_t Code, BusState;
    uint32_t TarvoTime;
  };
  const Case cases[] = {{0, 0, 1000}, {0x80, 0, 1000}, {0, 0x08, 10}, {0x20, 0x20, 10}};
  for (const Case& c : cases) {
    App->Run.TarvoTime = 0;
    App->View.CANBusState = 0;
    Driver.QueueRx(StatusFrame(1, 71, 35, c.Code, c.BusState, 39063));
    Tick();
    EXPECT_EQ(App->Run.TarvoTime, c.TarvoTime) << int(c.Code) << "/" << int(c.BusState);
  }
}

TEST_F(UpdateTick, StatusRecordShowsTheAdapterStatus) {
  Driver.QueueRx(StatusFrame(1, 71, 35, 0x80, 0, 0));
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status CAN BUS ERROR");
  EXPECT_EQ(App->Identity.TarvoInternalStatus, "  Status CAN BUS ERROR");
  EXPECT_EQ(App->DeviceStatus.StatusType, 0);
}

// Only the last status packet of a parse is kept.
TEST_F(UpdateTick, OfTwoRecordsInOneTickOnlyTheLaterIsHandled) {
  const std::string before = Window.Panels[AdapterPanel];
  Driver.QueueRx(StatusFrame(1, 71, 35, 0x80, 0, 0));
  Driver.QueueRx(StatusFrame(3, 12, 3, 0, 0, 0));
  const size_t busLoads = Window.BusLoads.size();
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], before);
  ASSERT_EQ(Window.BusLoads.size(), busLoads + 1);
  EXPECT_EQ(Window.BusLoads.back().Text, "Bus Load 12,3%");
  EXPECT_EQ(Window.BusLoads.back().Position, 123);

  Driver.QueueRx(StatusFrame(3, 12, 3, 0, 0, 0));
  Driver.QueueRx(StatusFrame(1, 71, 35, 0x80, 0, 0));
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status CAN BUS ERROR");
  EXPECT_EQ(Window.BusLoads.size(), busLoads + 1);
}

TEST_F(UpdateTick, SevereStatusCodesDrawTheBusLoadInRedUntilAnOK) {
  struct Step {
    uint8_t Code;
    bool Valid;
  };
  const Step steps[] = {{0x80, false}, {0x04, false}, {0x00, true}, {0x04, true}, {0x08, false}, {0x00, true}};
  for (const Step& s : steps) {
    Driver.QueueRx(StatusFrame(1, 71, 35, s.Code, 0, 0));
    Tick();
    Driver.QueueRx(StatusFrame(3, 150, 0, 0, 0, 0));
    Tick();
    EXPECT_EQ(Window.BusLoads.back().Valid, s.Valid) << int(s.Code);
    EXPECT_EQ(Window.BusLoads.back().Text, "Bus Load 100,0%");
  }
}

TEST_F(UpdateTick, ErrorFramesAndBusOffHideTransmittedMessages) {
  struct Step {
    uint8_t Code, BusState;
    bool TxDisplay;
  };
  const Step steps[] = {
      {0x20, 0, false},     // error frame
      {0, 0, true},         // all well
      {0, 0x20, false},     // bus off
      {0, 0x08, true},      // bus passive
      {0x40, 0x08, true},   // other status code, same bus state
  };
  for (const Step& s : steps) {
    Driver.QueueRx(StatusFrame(1, 71, 35, s.Code, s.BusState, 0));
    Tick();
    EXPECT_EQ(App->View.TxDisplayEnabledFlag, s.TxDisplay) << int(s.Code) << "/" << int(s.BusState);
  }
}

TEST_F(UpdateTick, ErrorCountersEnterTheViewOnlyWhenTheOptionIsOn) {
  for (const bool option : {false, true}) {
    App->Display.CANErrorCounters = option;
    App->View.CANView.Count = 0;
    Driver.QueueRx(StatusFrame(3, 1, 0, 5, 0, 0));
    Tick();
    EXPECT_EQ(App->View.CANView.Count, option ? 2 : 0) << option;
  }
}

TEST_F(UpdateTick, ReceivedMessagesEnterTheViewInOrderAfterTheirDueTransmissions) {
  Transmit.Calls.clear();
  Driver.QueueRx(CANMessageFrame(0x100, 2, 100));
  Driver.QueueRx(CANMessageFrame(0x200, 0, 200));
  Driver.QueueRx(CANMessageFrame(0x300, 8, 300));
  Tick();
  EXPECT_EQ(Transmit.Calls,
            (std::vector<std::string>{"Build", "Process 100", "Process 200", "Process 300", "Process final"}));
  ASSERT_EQ(App->View.CANView.Count, 3);
  EXPECT_EQ(App->View.CANView.List[0].Item.ID, 0x100u);
  EXPECT_EQ(App->View.CANView.List[2].Item.ID, 0x300u);
  EXPECT_TRUE(App->CANMessageRing.Empty());
}

TEST_F(UpdateTick, ReceiveErrorsMarkTheAdapterTextAndTheLog) {
  Log.Recording = true;
  Driver.CheckRXQueueResult = 1;
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status ?");
  EXPECT_EQ(Log.Count("LogMessageMissing"), 1u);

  Driver.CheckRXQueueResult = 0;
  Driver.QueueRx(StatusFrame(1, 71, 35, 0, 0, 0));
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status OK");
}

// A GUI stall lets the adapter's queue fill with more messages than the
// message ring holds; the next ticks take them all, in order, losing none.
TEST_F(UpdateTick, AStallLosesNoMessageTheDriverStillHolds) {
  Transmit.Calls.clear();
  constexpr uint32_t Queued = 3000;  // shortest messages: 54,000 bytes
  for (uint32_t i = 0; i < Queued; ++i) Driver.QueueRx(CANMessageFrame(i % 0x800, 0, i));
  Tick(150);
  Tick();
  std::vector<uint32_t> stamps;
  for (const std::string& call : Transmit.Calls)
    if (call.rfind("Process ", 0) == 0 && call != "Process final") stamps.push_back(std::stoul(call.substr(8)));
  ASSERT_EQ(stamps.size(), Queued);
  for (uint32_t i = 0; i < Queued; ++i) ASSERT_EQ(stamps[i], i);
  EXPECT_EQ(App->CANMessageRing.LostCount, 0u);
  EXPECT_EQ(Window.Panels[AdapterPanel].find("Lost"), std::string::npos);
}

// A loss before any status record of the run keeps identification's status.
TEST_F(UpdateTick, LostMessagesBeforeTheFirstStatusKeepTheIdentifiedStatus) {
  App->Run.AdapterStatusText.clear();
  App->Identity.TarvoInternalStatus = "  Status OK";
  App->CANMessageRing.LostCount = 4;
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status OK    Lost 4");
}

// Lost messages (a driver overrun, a full ring) are counted in the adapter
// panel for the rest of the run and logged as missing; a new run starts
// from none.
TEST_F(UpdateTick, LostMessagesAreShownAndLogged) {
  Log.Recording = true;
  Driver.QueueStatus = SI_RX_OVERRUN;
  Driver.QueueRx(std::vector<uint8_t>(96, 0x55));
  Tick();
  Driver.QueueStatus = 0;
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status ?    Lost 2");
  EXPECT_EQ(Log.Count("LogMessageMissing"), 1u);

  Driver.QueueRx(StatusFrame(1, 71, 35, 0, 0, 0));
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status OK    Lost 2");

  App->CANMessageRing.LostCount += 5;  // dropped at a full ring: no error bit
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status OK    Lost 7");
  EXPECT_EQ(Log.Count("LogMessageMissing"), 2u);
  Tick();
  EXPECT_EQ(Log.Count("LogMessageMissing"), 2u);

  App->Stop();
  App->Start();
  Driver.QueueRx(StatusFrame(1, 71, 35, 0, 0, 0));
  Tick();
  EXPECT_EQ(App->CANMessageRing.LostCount, 0u);
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status OK");
}

// A status packet's time stamp resynchronises the clock only when it is
// within two seconds of it; a wild one counts as a receive error and leaves
// the clock, the requests and the run alone.
TEST_F(UpdateTick, ImplausibleResyncTimeStampsAreRefused) {
  // Status type 1 with time stamp 4,227,858,440 behind a broken frame start.
  const std::vector<uint8_t> wild = {0x10, 0x02, 0x00, 0x10, 0x02, 0x01, 0xDF, 0x07, 0x00, 0x00,
                                     0x08, 0x00, 0x00, 0xFC, 0x00, 0x00, 0xD7, 0x2D, 0x10, 0x03};
  struct Case { const char* what; std::vector<uint8_t> bytes; uint32_t clockAfter; bool refused; };
  const Case cases[] = {
      {"far ahead: would stop the run", wild, 510, true},
      {"2.5 s behind: would hold back the requests", StatusFrame(1, 71, 35, 0, 0, 0), 3010, true},
      {"1.9 s ahead", StatusFrame(1, 71, 35, 0, 0, uint32_t(MsToTicks(2400))), 2400, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    App->Stop();
    StartRun();
    ClearWrites();
    const uint32_t start = c.refused && c.clockAfter > 1000 ? 3000 : 500;
    while (App->Run.TarvoTime < start) Tick();
    Driver.QueueRx(c.bytes);
    Tick();
    EXPECT_EQ(App->Run.TarvoTime, c.clockAfter);
    ASSERT_TRUE(App->Run.RunningFlag);
    EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + (c.refused ? "    Status ?" : "    Status OK"));
    const std::vector<uint32_t> requests = RequestTimes(0x01, App->Run.TarvoTime + 1100);
    ASSERT_FALSE(requests.empty());
    EXPECT_LE(requests.front(), c.clockAfter + 1010);
  }
}

TEST_F(UpdateTick, RecordingGetsStatusChangesBusLoadAndTheSecondlyHandOver) {
  Log.Recording = true;
  Driver.QueueRx(StatusFrame(1, 71, 35, 0x80, 0, 0));
  Tick();
  Driver.QueueRx(StatusFrame(1, 71, 35, 0x80, 0, 0));
  Tick();
  EXPECT_EQ(Log.Count("LogStatus 128"), 1u);
  EXPECT_EQ(App->Run.TarvoState, 0x80);
  Driver.QueueRx(StatusFrame(3, 10, 0, 1, 2, 0));
  Tick();
  EXPECT_EQ(Log.Count("LogErrorCounters"), 1u);
  EXPECT_EQ(Log.Count("LogBusLoad"), 1u);
  RequestTimes(0x01, 2050);
  EXPECT_EQ(Log.Count("SwapLogBuffers"), 2u);
}

class ReplayTick : public UpdateTick {
 protected:
  void SetUp() override {
    UpdateTick::SetUp();
    Log.Replaying = true;
    Log.LogState = REPLAY_LOG_RUNNING;
  }
};

TEST_F(ReplayTick, ShowsReplayedMessagesAndLeavesReceivedOnesInTheRing) {
  Transmit.Calls.clear();
  Driver.QueueRx(CANMessageFrame(0x100, 2, 100));
  Tick();
  EXPECT_EQ(Log.Count("DisplayReplayMessages"), 1u);
  EXPECT_EQ(App->View.CANView.Count, 0);  // the received message is not shown
  EXPECT_FALSE(App->CANMessageRing.Empty());
  EXPECT_TRUE(Transmit.Calls.empty());
}

TEST_F(ReplayTick, KeepsStatusAndBusLoadGoingWithoutLogging) {
  Log.Recording = true;  // not consulted during a replay
  EXPECT_EQ(RequestTimes(0x01, 2050), (std::vector<uint32_t>{1010, 2020}));
  EXPECT_EQ(Log.Count("SwapLogBuffers"), 0u);
  Driver.QueueRx(StatusFrame(1, 71, 35, 0x80, 0, uint32_t(MsToTicks(App->Run.TarvoTime))));
  Driver.CheckRXQueueResult = 0;
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status CAN BUS ERROR");
  EXPECT_EQ(Log.Count("LogStatus 128"), 0u);
  Driver.CheckRXQueueResult = 1;
  Tick();
  EXPECT_EQ(Window.Panels[AdapterPanel], Descriptor + "    Status ?");
  EXPECT_EQ(Log.Count("LogMessageMissing"), 0u);
}

TEST(RunTimeLimit, StopsAfterThirtyHoursInTheNormalVariantOnly) {
  struct Case {
    const char* Label;
    uint32_t TimeBeforeTick;
    bool Replay;
    bool Stopped;
  };
  const Case cases[] = {
      {"at the limit", MaximumRunTimeMs - 10, false, false},
      {"past the limit", MaximumRunTimeMs, false, true},
      {"past the limit during a replay", MaximumRunTimeMs, true, false},
  };
  for (const Case& c : cases) {
    test::ShellFixture f;
    f.AttachAdapter(test::TarvoProductId, 71, 35);
    f.Create();
    f.StartRun();
    f.Log.Replaying = c.Replay;
    f.App->Display.UpdateInterval = 0;
    f.App->Run.TarvoTime = c.TimeBeforeTick;
    f.App->Run.TarvoSyncTime = c.TimeBeforeTick - 995;
    f.ClearWrites();
    const int repaints = f.Window.Repaints;
    f.Tick();
    const auto types = test::HostPacketTypes(f.Driver);
    EXPECT_EQ(f.App->Run.RunningFlag, !c.Stopped) << c.Label;
    if (c.Stopped) {
      EXPECT_EQ(test::HostPackets(f.Driver), (std::vector<std::vector<uint8_t>>{{0x05, 0x00}})) << c.Label;
      EXPECT_EQ(f.Window.Repaints, repaints + 1) << c.Label << ": the stop's repaint, no refresh";
      EXPECT_EQ(f.Window.Enabled("Start1"), true) << c.Label;
      EXPECT_FALSE(f.Window.TickEnabled) << c.Label;
    } else {
      EXPECT_EQ(types.front(), 0x01) << c.Label;
    }
  }
}

}  // namespace
}  // namespace tarvo
