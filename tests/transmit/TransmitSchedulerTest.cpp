#include "transmit/TransmitScheduler.h"

#include <gtest/gtest.h>

#include "TransmitFakes.h"
#include "common/TimeUnits.h"

namespace tarvo {
namespace {

using test::EchoedMessage;
using test::SentMessage;
using test::TransmitRig;

TCANTransmitMessage Periodic(uint32_t id, uint32_t periodIndex, bool enabled = true) {
  TCANTransmitMessage m;
  m.EnabledFlag = enabled;
  m.ID = id;
  m.DLC = 2;
  m.Data = {uint8_t(id), 0x55};
  m.PeriodIndex = periodIndex;
  return m;
}

TCANTransmitMessage OnKey(uint32_t id, int32_t key, bool enabled = true) {
  TCANTransmitMessage m = Periodic(id, 0, enabled);
  m.Key = key;
  return m;
}

SentMessage Load(const TCANTransmitMessage& m, uint8_t bufferNo, uint8_t periodCode) {
  return {m.IDE, m.ID, m.RTR, m.DLC, true, m.Data, bufferNo, periodCode};
}

SentMessage StopOf(uint8_t bufferNo) { return {0, 0, 0, 0, false, {}, bufferNo, 0}; }

class SchedulerTest : public testing::Test {
 protected:
  TransmitRig rig;
  TTransmitScheduler& scheduler = rig.Scheduler;
  TCANTransmit& list = rig.List;

  void SetList(std::initializer_list<TCANTransmitMessage> items) {
    list.Count = 0;
    for (const auto& item : items) list.List[list.Count++] = item;
  }

  // A run started with "Start": the list loaded, the clock at 0.
  void StartRun() {
    ASSERT_EQ(scheduler.LoadTransmitList(), RES_OK);
    rig.Host.RunningFlag = true;
    rig.Host.CurrentPhase = TTransmitPhase::Full;
    rig.Host.Time = 0;
    rig.Sender.Sent.clear();
  }

  // One update tick without received messages.
  void Tick(uint32_t tarvoTime, uint32_t delta = 10) {
    rig.Host.Time = tarvoTime;
    rig.Host.Delta = delta;
    scheduler.BuildTransmitSchedule();
    scheduler.ProcessTransmitSchedule(true, 0);
  }

  void TickUntil(uint32_t last) {
    for (uint32_t t = rig.Host.Time + 10; t <= last; t += 10) Tick(t);
  }

  std::vector<uint32_t> EchoTimes() const {
    std::vector<uint32_t> times;
    for (const auto& e : rig.Echo.Echoed) times.push_back(e.TimeMs);
    return times;
  }
};

// ---- Start of a run ---------------------------------------------------------------------------

TEST_F(SchedulerTest, TwentyItemsFillFifteenBuffersAndTheHostSendsFive) {
  list.Count = 20;
  for (int i = 0; i < 20; ++i) list.List[i] = Periodic(0x100 + i, 4);

  ASSERT_EQ(scheduler.LoadTransmitList(), RES_OK);

  ASSERT_EQ(rig.Sender.Sent.size(), 15u);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(list.List[i].BufferNo, i + 1);
    EXPECT_EQ(rig.Sender.Sent[i], Load(list.List[i], uint8_t(i + 1), 4));
  }
  for (int i = 15; i < 20; ++i) EXPECT_EQ(list.List[i].BufferNo, 0);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(list.List[i].Time, 100u);
  EXPECT_EQ(list.DisplayCount, 20);
  EXPECT_EQ(list.RepetitionBufferNo, 16);
}

TEST_F(SchedulerTest, BufferLoadsAreFiveMillisecondsApart) {
  SetList({Periodic(1, 4), Periodic(2, 5), Periodic(3, 6)});
  scheduler.LoadTransmitList();
  EXPECT_EQ(rig.Log.Events,
            (std::vector<std::string>{"send 0", "wait 5", "send 1", "wait 5", "send 2", "wait 5"}));
}

TEST_F(SchedulerTest, ItemsWithoutPeriodTakeNoBuffer) {
  SetList({OnKey(1, 3), Periodic(2, 4), Periodic(3, 0), Periodic(4, 7)});
  scheduler.LoadTransmitList();
  EXPECT_EQ(list.List[0].BufferNo, 0);
  EXPECT_EQ(list.List[1].BufferNo, 1);
  EXPECT_EQ(list.List[2].BufferNo, 0);
  EXPECT_EQ(list.List[3].BufferNo, 2);
  EXPECT_EQ(rig.Sender.Sent, (std::vector<SentMessage>{Load(list.List[1], 1, 4), Load(list.List[3], 2, 7)}));
}

TEST_F(SchedulerTest, ADisabledItemHoldsASilentBuffer) {
  SetList({Periodic(1, 4), Periodic(2, 4, false), Periodic(3, 4)});
  scheduler.LoadTransmitList();
  EXPECT_EQ(rig.Sender.Sent[1], Load(list.List[1], 2, 0));
  EXPECT_EQ(list.List[2].BufferNo, 3);
}

TEST_F(SchedulerTest, AnyFailedLoadFailsTheStart) {
  SetList({Periodic(1, 4), Periodic(2, 4), Periodic(3, 4)});
  rig.Sender.Results = {RES_OK, RES_WRITE_FAILED, RES_OK};
  list.DisplayCount = 0;
  EXPECT_EQ(scheduler.LoadTransmitList(), RES_WRITE_FAILED);
  EXPECT_EQ(rig.Sender.Sent.size(), 2u);  // nothing more once a load failed
  EXPECT_EQ(list.DisplayCount, 0);
}

// A Stop during the pause after the second load: no third load, and the two
// loaded buffers are stopped, so nothing repeats after a cancelled start.
TEST_F(SchedulerTest, ACancelledStartStopsTheBuffersItLoaded) {
  SetList({Periodic(1, 4), Periodic(2, 4), Periodic(3, 4)});
  list.DisplayCount = 0;
  rig.Host.CancelAtCheck = 1;
  EXPECT_EQ(scheduler.LoadTransmitList(), RES_OK);
  EXPECT_EQ(rig.Sender.Sent, (std::vector<SentMessage>{Load(list.List[0], 1, 4), Load(list.List[1], 2, 4),
                                                        SentMessage{0, 0, 0, 0, false, {}, 1, 0},
                                                        SentMessage{0, 0, 0, 0, false, {}, 2, 0}}));
  EXPECT_EQ(list.DisplayCount, 0);
}

TEST_F(SchedulerTest, ReceiveOnlyStartHandsNothingOver) {
  SetList({Periodic(1, 4)});
  list.DisplayCount = 1;
  list.RepetitionBufferNo = 9;
  scheduler.PrepareReceiveOnlyRun();
  EXPECT_EQ(list.DisplayCount, 0);
  EXPECT_EQ(list.RepetitionBufferNo, 1);
  rig.Host.RunningFlag = true;
  rig.Host.CurrentPhase = TTransmitPhase::ReceiveOnly;
  TickUntil(300);
  EXPECT_TRUE(rig.Sender.Sent.empty());
  EXPECT_TRUE(rig.Echo.Echoed.empty());
}

// ---- The tick --------------------------------------------------------------------------------

TEST_F(SchedulerTest, AllTwentyItemsAreEchoedEveryPeriodAtTheirDueTimes) {
  list.Count = 20;
  for (int i = 0; i < 20; ++i) list.List[i] = Periodic(0x100 + i, 4);
  StartRun();
  TickUntil(300);

  ASSERT_EQ(rig.Echo.Echoed.size(), 60u);
  for (int n = 0; n < 60; ++n) {
    const EchoedMessage& e = rig.Echo.Echoed[n];
    EXPECT_EQ(e.TimeMs, uint32_t(100 * (n / 20 + 1))) << n;
    EXPECT_EQ(e.ID, uint32_t(0x100 + n % 20)) << n;
    EXPECT_EQ(e.DLC, 2);
    EXPECT_EQ(e.Data[0], uint8_t(0x100 + n % 20));
  }
  // Only the five host-sent items go to the adapter, once a period, once each.
  ASSERT_EQ(rig.Sender.Sent.size(), 15u);
  for (int n = 0; n < 15; ++n) EXPECT_EQ(rig.Sender.Sent[n], Load(list.List[15 + n % 5], 0, 0)) << n;
}

TEST_F(SchedulerTest, ADelayedTickCatchesUpPeriodByPeriod) {
  SetList({Periodic(1, 1)});
  StartRun();
  list.List[0].Time = 100;

  Tick(88);
  EXPECT_EQ(scheduler.TransmitScheduleCount(), 0);
  Tick(123, 35);
  EXPECT_EQ(EchoTimes(), (std::vector<uint32_t>{100, 110, 120}));
  EXPECT_EQ(scheduler.ScheduleEntry(0).DueTicks, 3906u);  // 100 ms * 39.0625, rounded
  Tick(133);
  EXPECT_EQ(EchoTimes(), (std::vector<uint32_t>{100, 110, 120, 130}));
}

TEST_F(SchedulerTest, TransmissionsInterleaveWithReceivedMessagesByTimeStamp) {
  SetList({Periodic(1, 1)});
  StartRun();
  list.List[0].Time = 100;
  rig.Host.Time = 125;
  rig.Host.Delta = 30;
  scheduler.BuildTransmitSchedule();  // due at 100, 110, 120

  scheduler.ProcessTransmitSchedule(false, uint32_t(MsToTicks(99)));
  EXPECT_EQ(EchoTimes(), std::vector<uint32_t>{});
  scheduler.ProcessTransmitSchedule(false, uint32_t(MsToTicks(110)));  // same time: the echo first
  EXPECT_EQ(EchoTimes(), (std::vector<uint32_t>{100, 110}));
  scheduler.ProcessTransmitSchedule(true, 0);
  EXPECT_EQ(EchoTimes(), (std::vector<uint32_t>{100, 110, 120}));
}

TEST_F(SchedulerTest, AFailedHostSendIsNeitherEchoedNorRetried) {
  SetList({Periodic(1, 2)});
  StartRun();
  list.List[0].BufferNo = 0;  // as if every buffer were taken: the host sends it
  list.List[0].Time = 20;
  rig.Sender.NextResult = RES_WRITE_FAILED;
  Tick(20);
  rig.Sender.NextResult = RES_OK;
  Tick(30);
  Tick(40);
  EXPECT_EQ(rig.Sender.Sent.size(), 2u);
  EXPECT_EQ(EchoTimes(), std::vector<uint32_t>{40});
}

TEST_F(SchedulerTest, AScheduleOfMoreThan999EntriesDropsTheExcess) {
  list.Count = 50;
  for (int i = 0; i < 50; ++i) list.List[i] = Periodic(i, 1);
  StartRun();
  for (int i = 0; i < 50; ++i) list.List[i].BufferNo = 0;
  Tick(1000);  // every item late by a hundred periods
  EXPECT_EQ(scheduler.TransmitScheduleCount(), TransmitScheduleUsable);
  EXPECT_EQ(rig.Sender.Sent.size(), 999u);
  for (int i = 0; i < 50; ++i) EXPECT_GT(list.List[i].Time, 1000u);  // caught up all the same
}

TEST_F(SchedulerTest, ItemsAreHandedOverOnePerTickWhenTransmissionIsSwitchedOn) {
  SetList({Periodic(1, 4), Periodic(2, 5)});
  scheduler.PrepareReceiveOnlyRun();
  rig.Host.RunningFlag = true;
  rig.Host.CurrentPhase = TTransmitPhase::HandingOver;

  Tick(1234);
  EXPECT_EQ(list.DisplayCount, 1);
  EXPECT_EQ(list.List[0].BufferNo, 1);
  EXPECT_EQ(list.List[0].Time, 1300u);
  EXPECT_EQ(rig.Sender.Sent, std::vector<SentMessage>{Load(list.List[0], 1, 4)});

  Tick(1244);
  EXPECT_EQ(list.List[1].Time, 1400u);
  EXPECT_EQ(rig.Host.CurrentPhase, TTransmitPhase::HandingOver);
  Tick(1254);
  EXPECT_EQ(rig.Host.CurrentPhase, TTransmitPhase::Full);
}

TEST_F(SchedulerTest, AnItemJustHandedOverIsEchoedFromTheNextTickOn) {
  SetList({Periodic(1, 1), Periodic(2, 1)});
  scheduler.PrepareReceiveOnlyRun();
  rig.Host.RunningFlag = true;
  rig.Host.CurrentPhase = TTransmitPhase::HandingOver;

  Tick(5);  // row 0 loaded, due at 10, within this tick
  EXPECT_TRUE(rig.Echo.Echoed.empty());
  Tick(15);  // row 1 loaded and not echoed; row 0, due at 20, is
  ASSERT_EQ(rig.Echo.Echoed.size(), 1u);
  EXPECT_EQ(rig.Echo.Echoed[0].ID, 1u);
  EXPECT_EQ(rig.Echo.Echoed[0].TimeMs, 20u);
}

// ---- Changes while running -------------------------------------------------------------------

TEST_F(SchedulerTest, CheckBoxLoadsAndStopsTheBufferOfADisabledItemWhileRunning) {
  SetList({Periodic(1, 4), Periodic(2, 4, false)});
  StartRun();
  TickUntil(200);
  EXPECT_EQ(rig.Echo.Echoed.size(), 2u);  // only the enabled item

  rig.Editor.ToggleItem(1);  // at 200
  EXPECT_EQ(rig.Sender.Sent, std::vector<SentMessage>{Load(list.List[1], 2, 4)});
  EXPECT_EQ(list.List[1].Time, 300u);
  TickUntil(300);
  EXPECT_EQ(rig.Echo.Echoed.back(), (EchoedMessage{0, 2, 0, 2, list.List[1].Data, 300}));

  rig.Editor.ToggleItem(1);
  EXPECT_EQ(rig.Sender.Sent.back(), StopOf(2));
  const size_t echoes = rig.Echo.Echoed.size();
  TickUntil(400);
  EXPECT_EQ(rig.Echo.Echoed.size(), echoes + 1);  // item 0 alone
}

TEST_F(SchedulerTest, ModifyToOnKeyStopsTheBuffer) {
  SetList({Periodic(1, 4), Periodic(2, 4)});
  StartRun();
  rig.Editor.SelectRow(1);
  rig.Editor.LoadSelection();
  rig.Editor.ChooseOnKey();
  rig.Editor.Form.KeyText = "F2";
  rig.Editor.ModifyItem();

  EXPECT_EQ(rig.Sender.Sent, std::vector<SentMessage>{StopOf(2)});
  TickUntil(100);
  EXPECT_EQ(rig.Echo.Echoed.size(), 1u);
}

TEST_F(SchedulerTest, ModifyOfAPeriodicItemReloadsItsBufferAlignedToTheNewPeriod) {
  SetList({Periodic(1, 4)});
  StartRun();
  rig.Host.Time = 1234;
  rig.Editor.SelectRow(0);
  rig.Editor.LoadSelection();
  rig.Editor.Form.PeriodText = "500";
  rig.Editor.ModifyItem();
  EXPECT_EQ(rig.Sender.Sent, std::vector<SentMessage>{Load(list.List[0], 1, 6)});
  EXPECT_EQ(list.List[0].Time, 1500u);
}

// During "Start Tx" an item already in its buffer takes a change at once
// (unticked: stopped; modified: reloaded, its schedule from the next period,
// so no catch-up echoes); an item not yet handed over waits for its turn.
TEST_F(SchedulerTest, ChangesDuringTheHandOverReachTheBuffersAlreadyLoaded) {
  SetList({Periodic(1, 4), Periodic(2, 4)});
  scheduler.PrepareReceiveOnlyRun();
  rig.Host.RunningFlag = true;
  rig.Host.CurrentPhase = TTransmitPhase::HandingOver;
  Tick(1234);  // row 0 into buffer 1
  ASSERT_EQ(list.DisplayCount, 1);
  rig.Sender.Sent.clear();

  rig.Editor.ToggleItem(1);  // not handed over yet
  EXPECT_TRUE(rig.Sender.Sent.empty());
  rig.Editor.ToggleItem(1);

  rig.Editor.ToggleItem(0);
  EXPECT_EQ(rig.Sender.Sent, std::vector<SentMessage>{StopOf(1)});

  rig.Editor.ToggleItem(0);
  rig.Host.Time = 9876;  // much later: every period since would be "late"
  rig.Editor.SelectRow(0);
  rig.Editor.LoadSelection();
  rig.Editor.Form.PeriodText = "500";
  rig.Editor.ModifyItem();
  EXPECT_EQ(rig.Sender.Sent.back(), Load(list.List[0], 1, 6));
  EXPECT_EQ(list.List[0].Time, 10000u);
  const size_t echoes = rig.Echo.Echoed.size();
  Tick(9886);
  EXPECT_EQ(rig.Echo.Echoed.size(), echoes);

  // Stopped, or receiving only: nothing goes to the adapter.
  const size_t sent = rig.Sender.Sent.size();
  rig.Host.CurrentPhase = TTransmitPhase::ReceiveOnly;
  rig.Editor.ToggleItem(0);
  rig.Host.CurrentPhase = TTransmitPhase::Full;
  rig.Host.RunningFlag = false;
  rig.Editor.ToggleItem(0);
  EXPECT_EQ(rig.Sender.Sent.size(), sent);
}

TEST_F(SchedulerTest, AHostSentItemSwitchedBackOnDoesNotBurstItsMissedPeriods) {
  SetList({Periodic(7, 1, false)});
  StartRun();
  list.List[0].BufferNo = 0;  // as if every buffer were taken: the host sends it
  rig.Host.Time = 5003;
  rig.Editor.ToggleItem(0);
  EXPECT_TRUE(rig.Sender.Sent.empty());
  Tick(5013);
  EXPECT_EQ(rig.Sender.Sent, std::vector<SentMessage>{Load(list.List[0], 0, 0)});
  EXPECT_EQ(EchoTimes(), std::vector<uint32_t>{5010});
}

// ---- Keys ------------------------------------------------------------------------------------

struct KeyCase {
  const char* name;
  int virtualKey;
  TShiftState shift;
  int keyNo;
};

class TransmitKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(TransmitKeys, MapToKeyNumbers) {
  EXPECT_EQ(TransmitKeyNo(GetParam().virtualKey, GetParam().shift), GetParam().keyNo);
}

INSTANTIATE_TEST_SUITE_P(Cases, TransmitKeys,
                         testing::Values(KeyCase{"F1", 112, {}, 1}, KeyCase{"F5", 116, {}, 5},
                                         KeyCase{"ShiftF5", 116, {true, false, false}, 5},
                                         KeyCase{"CtrlAltShiftF9", 120, {true, true, true}, 9},
                                         KeyCase{"F10", 121, {}, 0}, KeyCase{"Ctrl1", 49, {false, true, false}, 10},
                                         KeyCase{"Ctrl5", 53, {false, true, false}, 14},
                                         KeyCase{"Ctrl9", 57, {false, true, false}, 18},
                                         KeyCase{"CtrlShift5", 53, {true, true, false}, 0},
                                         KeyCase{"CtrlAlt5", 53, {false, true, true}, 0},
                                         KeyCase{"Plain5", 53, {}, 0}, KeyCase{"Ctrl0", 48, {false, true, false}, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SchedulerTest, F5SendsEveryEnabledItemBoundToIt) {
  SetList({OnKey(1, 5), OnKey(2, 6), OnKey(3, 5, false), OnKey(4, 5)});
  rig.Host.RunningFlag = true;
  rig.Host.Time = 777;

  scheduler.OnKeyDown(116, {});
  scheduler.OnKeyDown(116, {true, false, false});
  scheduler.OnKeyDown(53, {true, true, false});  // Ctrl+Shift+5: nothing

  const std::vector<SentMessage> once = {Load(list.List[0], 0, 0), Load(list.List[3], 0, 0)};
  std::vector<SentMessage> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(rig.Sender.Sent, twice);
  EXPECT_EQ(EchoTimes(), (std::vector<uint32_t>{777, 777, 777, 777}));
}

TEST_F(SchedulerTest, CtrlDigitSendsTheCtrlKeyItems) {
  SetList({OnKey(1, 5), OnKey(2, 14)});
  rig.Host.RunningFlag = true;
  scheduler.OnKeyDown(53, {false, true, false});
  EXPECT_EQ(rig.Sender.Sent, std::vector<SentMessage>{Load(list.List[1], 0, 0)});
}

TEST_F(SchedulerTest, KeysDoNothingWhileStopped) {
  SetList({OnKey(1, 5)});
  scheduler.OnKeyDown(116, {});
  EXPECT_TRUE(rig.Sender.Sent.empty());
}

// ---- Listen Only --------------------------------------------------------------------------------

TEST_F(SchedulerTest, ListenOnlyBlocksPeriodicKeyAndNowTransmissions) {
  SetList({Periodic(1, 1), OnKey(2, 1)});
  list.DisplayCount = 2;
  list.List[0].Time = 10;
  rig.Host.RunningFlag = true;
  rig.Host.ListenOnlyFlag = true;

  TickUntil(100);
  scheduler.OnKeyDown(112, {});
  rig.Editor.SetIDText("1");
  rig.Editor.SendNow();

  EXPECT_TRUE(rig.Sender.Sent.empty());
  EXPECT_TRUE(rig.Echo.Echoed.empty());
  EXPECT_EQ(rig.Dialogs.Texts(), std::vector<std::string>{"'Listen Only' mode selected."});
  EXPECT_EQ(rig.Dialogs.Types().back(), TDialogType::Warning);
}

// ---- Now ----------------------------------------------------------------------------------------

TEST_F(SchedulerTest, NowSendsARemoteFrameWithEightZeroBytes) {
  rig.Host.RunningFlag = true;
  rig.Host.Time = 4321;
  rig.Editor.ChooseIdWidth(true);
  rig.Editor.SetIDText("1abcdef");
  rig.Editor.ChooseFrameKind(true);
  rig.Editor.ChangeDlc(8);
  rig.Editor.SendNow();

  EXPECT_EQ(rig.Sender.Sent, (std::vector<SentMessage>{{1, 0x1ABCDEF, 1, 8, true, {}, 0, 0}}));
  EXPECT_EQ(rig.Echo.Echoed, (std::vector<EchoedMessage>{{1, 0x1ABCDEF, 1, 8, {}, 4321}}));
}

TEST_F(SchedulerTest, NowRefusesWhileStoppedAndChecksTheEditor) {
  rig.Editor.SetIDText("1");
  rig.Editor.SendNow();
  EXPECT_EQ(rig.Dialogs.Texts().back(), "Tarvo stopped.");

  rig.Host.RunningFlag = true;
  rig.Editor.SetIDText("800");
  rig.Editor.SendNow();
  EXPECT_EQ(rig.Dialogs.Texts().back(), "ID too large.");

  rig.Editor.SetIDText("7FF");
  rig.Editor.Form.DataText[0] = "A";
  rig.Editor.ChangeDlc(1);
  rig.Editor.ChooseOnKey();
  rig.Editor.Form.KeyText = "none";  // the trigger does not matter to "Now"
  rig.Sender.NextResult = RES_WRITE_FAILED;
  rig.Editor.SendNow();
  EXPECT_EQ(rig.Sender.Sent, (std::vector<SentMessage>{{0, 0x7FF, 0, 1, true, {0x0A}, 0, 0}}));
  EXPECT_TRUE(rig.Echo.Echoed.empty());  // a failed send is not echoed
  EXPECT_EQ(rig.Dialogs.Texts().size(), 2u);
}

TEST_F(SchedulerTest, DLCAboveEightNeverReachesTheAdapter) {
  TCANTransmitMessage item = Periodic(1, 4);
  item.DLC = 12;  // as a configuration file may hold
  SetList({item});
  scheduler.LoadTransmitList();
  EXPECT_EQ(rig.Sender.Sent.at(0).DLC, 8);
}

}  // namespace
}  // namespace tarvo
