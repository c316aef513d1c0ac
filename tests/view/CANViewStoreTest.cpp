#include <gtest/gtest.h>

#include <vector>

#include "ViewTestSupport.h"
#include "view/CANViewStore.h"

namespace tarvo {
namespace {

using test::BusLoadRecord;
using test::Entry;
using test::Frame;
using test::RemoteFrame;
using test::StatusRecord;
using test::Transmit;

class CANViewStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCANViewBufferSize(s, settings); }

  void UseCyclic(int32_t size = 1000) {
    settings.CyclicBufferSize = size;
    ASSERT_TRUE(CANViewSelectCyclic(s, settings));
  }
  void Receive(const TTarvoCAN& m) { DisplayReceiveMessage(s, settings, m); }
  // n distinct received identities 0 .. n-1, one message each.
  void ReceiveDistinct(int32_t n, uint32_t firstId = 0) {
    for (int32_t i = 0; i < n; ++i) Receive(Frame(firstId + uint32_t(i), uint32_t(i)));
  }

  TCANViewState s;
  TDisplaySettings settings;
};

// ---- Fixed mode ------------------------------------------------------------------------

TEST_F(CANViewStoreTest, FixedEntryCountsAndTimesItsIdentity) {
  Receive(Frame(0x123, 1000, 0, 0, {1, 2}));
  EXPECT_EQ(s.CANView.Count, 1);
  EXPECT_EQ(Entry(s, 0).ItemType, ITEM_RD);
  EXPECT_EQ(Entry(s, 0).Count, 1u);
  EXPECT_EQ(Entry(s, 0).Period, 0u);

  Receive(Frame(0x123, 1391, 0, 0, {9, 8, 7}));
  ASSERT_EQ(s.CANView.Count, 1);
  const TCANViewMessage& e = Entry(s, 0);
  EXPECT_EQ(e.Count, 2u);
  EXPECT_EQ(e.Period, 391u);
  // The entry shows the newest message: data, DLC and time.
  EXPECT_EQ(e.Item.DLC, 3);
  EXPECT_EQ(e.Item.Data[0], 9);
  EXPECT_EQ(e.Item.Data[2], 7);
  EXPECT_EQ(e.Item.TimeStamp, 1391u);
}

TEST_F(CANViewStoreTest, PeriodAcrossTheTimeStampWrapIsTheSmallDifference) {
  Receive(Frame(0x10, 0xFFFFFF00u));
  Receive(Frame(0x10, 0x00000100u));
  EXPECT_EQ(Entry(s, 0).Period, 0x200u);
}

struct IdentityCase {
  const char* name;
  TTarvoCAN first;
  bool firstTransmitted;
  TTarvoCAN second;
  bool secondTransmitted;
  int32_t entries;
};

class FixedIdentityTest : public CANViewStoreTest, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(FixedIdentityTest, EntriesPerIdentity) {
  const IdentityCase& c = GetParam();
  auto enter = [&](const TTarvoCAN& m, bool transmitted) {
    if (transmitted) Transmit(s, m, 5);
    else Receive(m);
  };
  enter(c.first, c.firstTransmitted);
  enter(c.second, c.secondTransmitted);
  EXPECT_EQ(s.CANView.Count, c.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Identities, FixedIdentityTest,
    ::testing::Values(
        IdentityCase{"SameFrameTwice", Frame(0x55, 1), false, Frame(0x55, 2), false, 1},
        IdentityCase{"DifferentDataSameIdentity", Frame(0x55, 1, 0, 0, {1}), false, Frame(0x55, 2, 0, 0, {1, 2, 3}),
                     false, 1},
        IdentityCase{"DataAndRemoteFrame", Frame(0x55, 1), false, RemoteFrame(0x55, 0, 2), false, 2},
        IdentityCase{"ElevenAndTwentyNineBit", Frame(0x55, 1, 0), false, Frame(0x55, 2, 1), false, 2},
        IdentityCase{"ReceivedAndTransmitted", Frame(0x55, 1), false, Frame(0x55, 2), true, 2},
        IdentityCase{"TransmittedTwice", Frame(0x55, 1), true, Frame(0x55, 2, 0, 0, {4}), true, 1},
        IdentityCase{"TransmittedDataAndRemote", Frame(0x55, 1), true, RemoteFrame(0x55, 2), true, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CANViewStoreTest, FixedEntriesKeepTheOrderOfFirstAppearance) {
  for (uint32_t id : {5u, 3u, 5u, 1u, 3u}) Receive(Frame(id, 0));
  ASSERT_EQ(s.CANView.Count, 3);
  EXPECT_EQ(Entry(s, 0).Item.ID, 5u);
  EXPECT_EQ(Entry(s, 1).Item.ID, 3u);
  EXPECT_EQ(Entry(s, 2).Item.ID, 1u);
  EXPECT_EQ(Entry(s, 0).Count, 2u);
}

TEST_F(CANViewStoreTest, TransmittedMessageUpdatesItsOwnEntryOnly) {
  Receive(Frame(0x77, 100));
  Transmit(s, Frame(0x77, 0, 0, 0, {0xAA}), 1000);
  Transmit(s, Frame(0x77, 0, 0, 0, {0xBB, 0xCC}), 2000);
  ASSERT_EQ(s.CANView.Count, 2);
  EXPECT_EQ(Entry(s, 0).Count, 1u);  // the received entry is untouched
  const TCANViewMessage& tx = Entry(s, 1);
  EXPECT_EQ(tx.ItemType, ITEM_TD);
  EXPECT_EQ(tx.Item.DLC, 2);
  EXPECT_EQ(tx.Item.Data[1], 0xCC);
  EXPECT_EQ(tx.Item.TimeStamp, 78125u);  // 2000 ms x 39.0625
  EXPECT_EQ(tx.Count, 0u);               // never counted
}

TEST_F(CANViewStoreTest, TransmitTimeRoundsHalvesToEven) {
  Transmit(s, Frame(1, 0), 1000);  // 39062.5 ticks
  Transmit(s, Frame(2, 0), 8);     // 312.5 ticks
  Transmit(s, Frame(3, 0), 1);     // 39.0625 ticks
  EXPECT_EQ(Entry(s, 0).Item.TimeStamp, 39062u);
  EXPECT_EQ(Entry(s, 1).Item.TimeStamp, 312u);
  EXPECT_EQ(Entry(s, 2).Item.TimeStamp, 39u);
}

TEST_F(CANViewStoreTest, NothingTransmittedAppearsWhileTxDisplayIsDisabled) {
  s.TxDisplayEnabledFlag = false;
  Transmit(s, Frame(0x10, 0), 5);
  const std::vector<TTarvoCAN> replayed = {Frame(0x20, 100)};
  uint32_t position = 0;
  DisplayReplayMessages(s, replayed, 1, position);
  EXPECT_EQ(s.CANView.Count, 0);
  EXPECT_EQ(position, 1u);  // drained all the same
}

TEST_F(CANViewStoreTest, ThousandAndFirstIdentityGrowsTheListByAThousand) {
  ReceiveDistinct(1000);
  EXPECT_EQ(s.CANView.Size, 1000);
  Receive(Frame(1000, 0));
  EXPECT_EQ(s.CANView.Count, 1001);
  EXPECT_EQ(s.CANView.Size, 2000);
  EXPECT_EQ(s.CANView.List.size(), 2000u);
  // Entries kept across the growth, and still found by identity.
  Receive(Frame(0, 500));
  EXPECT_EQ(s.CANView.Count, 1001);
  EXPECT_EQ(Entry(s, 0).Count, 2u);
  EXPECT_EQ(Entry(s, 0).Period, 500u);
  EXPECT_EQ(Entry(s, 1000).Item.ID, 1000u);
}

TEST_F(CANViewStoreTest, ErrorCounterPairGrowsTheListOnceAtTheBoundary) {
  ReceiveDistinct(999);
  DisplayErrorCounters(s, BusLoadRecord(1, 2, 7));
  EXPECT_EQ(s.CANView.Count, 1001);
  EXPECT_EQ(s.CANView.Size, 2000);
  EXPECT_EQ(Entry(s, 999).ItemType, ITEM_RE);
  EXPECT_EQ(Entry(s, 1000).ItemType, ITEM_TE);
}

TEST_F(CANViewStoreTest, ClearWhileRunningRestartsIdentities) {
  ReceiveDistinct(3, 1);
  EXPECT_FALSE(CANViewClear(s, true));
  Receive(Frame(3, 10));
  Receive(Frame(1, 20));
  ASSERT_EQ(s.CANView.Count, 2);
  EXPECT_EQ(Entry(s, 0).Item.ID, 3u);
  EXPECT_EQ(Entry(s, 0).Count, 1u);
  EXPECT_EQ(Entry(s, 1).Item.ID, 1u);
  EXPECT_EQ(Entry(s, 1).Count, 1u);
}

// ---- Cyclic mode ----------------------------------------------------------------------

TEST_F(CANViewStoreTest, CyclicRingWrapsToSlotZero) {
  UseCyclic(1000);
  ReceiveDistinct(1000);
  EXPECT_EQ(s.CANView.Count, 1000);
  EXPECT_FALSE(s.CyclicOverwriteFlag);

  Receive(Frame(0x5000, 1));  // the 1001st
  EXPECT_TRUE(s.CyclicOverwriteFlag);
  EXPECT_EQ(s.CyclicItemNo, 1);
  EXPECT_EQ(Entry(s, 0).Item.ID, 0x5000u);

  Receive(Frame(0x5001, 2));  // the 1002nd
  EXPECT_EQ(s.CyclicItemNo, 2);
  EXPECT_EQ(Entry(s, 1).Item.ID, 0x5001u);
  EXPECT_EQ(s.CANView.Count, 1000);

  ReceiveDistinct(998, 0x6000);  // slots 2 .. 999
  EXPECT_EQ(s.CyclicItemNo, 1000);
  Receive(Frame(0x7000, 3));  // round again
  EXPECT_EQ(s.CyclicItemNo, 1);
  EXPECT_EQ(Entry(s, 0).Item.ID, 0x7000u);
}

TEST_F(CANViewStoreTest, CyclicErrorCounterPairStraddlesTheRingEnd) {
  UseCyclic(1000);
  ReceiveDistinct(999);
  DisplayErrorCounters(s, BusLoadRecord(5, 7, 42));
  EXPECT_EQ(Entry(s, 999).ItemType, ITEM_RE);
  EXPECT_EQ(Entry(s, 999).Item.Data[0], 5);
  EXPECT_EQ(Entry(s, 0).ItemType, ITEM_TE);
  EXPECT_EQ(Entry(s, 0).Item.Data[0], 7);
  EXPECT_EQ(Entry(s, 0).Item.TimeStamp, 42u);
  EXPECT_TRUE(s.CyclicOverwriteFlag);
  EXPECT_EQ(s.CyclicItemNo, 1);
}

TEST_F(CANViewStoreTest, CyclicCountTableCountsTwentyIdentities) {
  UseCyclic();
  Receive(Frame(0x1, 100));
  Receive(Frame(0x1, 150));
  EXPECT_EQ(Entry(s, 0).Count, 1u);
  EXPECT_EQ(Entry(s, 0).Period, 0u);
  EXPECT_EQ(Entry(s, 1).Count, 2u);
  EXPECT_EQ(Entry(s, 1).Period, 50u);

  ReceiveDistinct(19, 0x100);  // fills the table to 20
  Receive(Frame(0x999, 500));  // the 21st identity, twice
  Receive(Frame(0x999, 600));
  EXPECT_EQ(Entry(s, s.CANView.Count - 1).Count, 0u);
  EXPECT_EQ(Entry(s, s.CANView.Count - 1).Period, 0u);
  Receive(Frame(0x1, 1150));  // counted identities go on counting
  EXPECT_EQ(Entry(s, s.CANView.Count - 1).Count, 3u);
  EXPECT_EQ(Entry(s, s.CANView.Count - 1).Period, 1000u);
}

TEST_F(CANViewStoreTest, CyclicCountingNeedsCountOrPeriodColumn) {
  settings.MessageCount = false;
  settings.MessagePeriod = false;
  UseCyclic();
  Receive(Frame(0x1, 100));
  Receive(Frame(0x1, 200));
  EXPECT_EQ(Entry(s, 1).Count, 0u);
  EXPECT_EQ(Entry(s, 1).Period, 0u);
  EXPECT_EQ(s.CyclicMessageCounts.Used, 0);

  settings.MessagePeriod = true;  // either option switches counting on
  Receive(Frame(0x1, 300));
  Receive(Frame(0x1, 350));
  EXPECT_EQ(Entry(s, 3).Count, 2u);
  EXPECT_EQ(Entry(s, 3).Period, 50u);
}

TEST_F(CANViewStoreTest, CyclicTransmitAndStatusTakeSlotsOfTheirOwn) {
  UseCyclic();
  Transmit(s, RemoteFrame(0x42, 2), 10);
  DisplayBusState(s, StatusRecord(0, 0x20, 77));
  ASSERT_EQ(s.CANView.Count, 2);
  EXPECT_EQ(Entry(s, 0).ItemType, ITEM_TR);
  EXPECT_EQ(Entry(s, 1).ItemType, ITEM_BO);
  EXPECT_EQ(Entry(s, 1).Item.TimeStamp, 77u);
}

// ---- Bus state and error counters -----------------------------------------------------

struct BusStateCase {
  uint8_t lastBusState;
  uint8_t statusCode;
  uint8_t busState;
  int32_t code;
};

class BusStateTest : public CANViewStoreTest, public ::testing::WithParamInterface<BusStateCase> {};

TEST_P(BusStateTest, Classification) {
  const BusStateCase& c = GetParam();
  s.CANBusState = c.lastBusState;
  EXPECT_EQ(DisplayBusState(s, StatusRecord(c.statusCode, c.busState, 9)), c.code);
  EXPECT_EQ(s.CANBusState, c.busState);
  EXPECT_EQ(s.CANView.Count, c.code == 0 ? 0 : 1);
  if (c.code != 0) {
    EXPECT_EQ(Entry(s, 0).ItemType, c.code + 3);
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, BusStateTest,
                         ::testing::Values(BusStateCase{0x00, 0x00, 0x20, 4},  // bus off
                                           BusStateCase{0x00, 0x00, 0x38, 4},  // bus off wins over passive
                                           BusStateCase{0x00, 0x00, 0x10, 3},  // passive
                                           BusStateCase{0x00, 0x00, 0x08, 3},
                                           BusStateCase{0x20, 0x00, 0x04, 2},  // warning levels: active
                                           BusStateCase{0x20, 0x00, 0x02, 2},
                                           BusStateCase{0x20, 0x00, 0x00, 0},  // back to nothing: no entry
                                           BusStateCase{0x00, 0x00, 0x01, 0},  // no bit of 0x3E
                                           BusStateCase{0x10, 0x20, 0x10, 1},  // same state, error frame
                                           BusStateCase{0x10, 0x10, 0x10, 0},  // same state, no error
                                           BusStateCase{0x00, 0x20, 0x20, 4}   // change wins over error
                                           ));

TEST_F(CANViewStoreTest, FixedModeKeepsOneEntryPerBusStateKind) {
  DisplayBusState(s, StatusRecord(0, 0x20, 100));  // BO
  DisplayBusState(s, StatusRecord(0x20, 0x20, 200));  // EF
  DisplayBusState(s, StatusRecord(0, 0x00, 300));  // nothing
  DisplayBusState(s, StatusRecord(0, 0x20, 400));  // BO again
  ASSERT_EQ(s.CANView.Count, 2);
  EXPECT_EQ(Entry(s, 0).ItemType, ITEM_BO);
  EXPECT_EQ(Entry(s, 0).Item.TimeStamp, 400u);
  EXPECT_EQ(Entry(s, 1).ItemType, ITEM_EF);
}

TEST_F(CANViewStoreTest, SameBusStateTwiceStoresNothing) {
  UseCyclic();
  s.CANBusState = 0x08;
  EXPECT_EQ(DisplayBusState(s, StatusRecord(0, 0x08, 1)), 0);
  EXPECT_EQ(DisplayBusState(s, StatusRecord(0, 0x08, 2)), 0);
  EXPECT_EQ(s.CANView.Count, 0);
  EXPECT_EQ(DisplayBusState(s, StatusRecord(0, 0x20, 3)), 4);
  EXPECT_EQ(s.CANView.Count, 1);
}

TEST_F(CANViewStoreTest, OtherRecordTypesAreNotReadAsBusStateOrCounters) {
  DisplayBusState(s, BusLoadRecord(0, 0x20, 1));
  DisplayErrorCounters(s, StatusRecord(0, 0x20, 1));
  EXPECT_EQ(s.CANView.Count, 0);
  EXPECT_EQ(s.CANBusState, 0);
}

TEST_F(CANViewStoreTest, ErrorCountersStoreFromFirstRiseToFirstZero) {
  DisplayErrorCounters(s, BusLoadRecord(0, 0, 1));
  EXPECT_EQ(s.CANView.Count, 0);
  DisplayErrorCounters(s, BusLoadRecord(5, 0, 2));
  EXPECT_TRUE(s.ErrorCountersActiveFlag);
  Receive(Frame(0x1, 3));  // an entry after the pair
  DisplayErrorCounters(s, BusLoadRecord(0, 0, 4));
  EXPECT_FALSE(s.ErrorCountersActiveFlag);
  DisplayErrorCounters(s, BusLoadRecord(0, 0, 5));

  ASSERT_EQ(s.CANView.Count, 3);  // one pair, updated in place
  EXPECT_EQ(Entry(s, 0).ItemType, ITEM_RE);
  EXPECT_EQ(Entry(s, 0).Item.Data[0], 0);
  EXPECT_EQ(Entry(s, 0).Item.TimeStamp, 4u);
  EXPECT_EQ(Entry(s, 1).ItemType, ITEM_TE);
  EXPECT_EQ(Entry(s, 1).Item.TimeStamp, 4u);
  EXPECT_EQ(Entry(s, 2).ItemType, ITEM_RD);
}

TEST_F(CANViewStoreTest, CyclicErrorCountersStoreAPairPerRecord) {
  UseCyclic();
  for (auto [rx, tx] : {std::pair{0, 0}, {5, 0}, {0, 0}, {0, 0}}) {
    DisplayErrorCounters(s, BusLoadRecord(uint8_t(rx), uint8_t(tx), 1));
  }
  ASSERT_EQ(s.CANView.Count, 4);
  EXPECT_EQ(Entry(s, 0).Item.Data[0], 5);
  EXPECT_EQ(Entry(s, 1).ItemType, ITEM_TE);
  EXPECT_EQ(Entry(s, 2).ItemType, ITEM_RE);
  EXPECT_EQ(Entry(s, 2).Item.Data[0], 0);
}

// ---- Replay -----------------------------------------------------------------------------

TEST_F(CANViewStoreTest, ReplayShowsSentMessagesAsTransmittedInOrder) {
  const std::vector<TTarvoCAN> replayed = {Frame(0x1, 39063, 0, 0, {1}), RemoteFrame(0x2, 1, 78125), Frame(0x3, 5)};
  uint32_t position = 0;
  DisplayReplayMessages(s, replayed, 2, position);  // the third is not sent yet
  ASSERT_EQ(s.CANView.Count, 2);
  EXPECT_EQ(position, 2u);
  EXPECT_EQ(Entry(s, 0).ItemType, ITEM_TD);
  // Ticks -> ms (1000) -> ticks: the displayed time is the ms time.
  EXPECT_EQ(Entry(s, 0).Item.TimeStamp, 39062u);
  EXPECT_EQ(Entry(s, 1).ItemType, ITEM_TR);

  DisplayReplayMessages(s, replayed, 10, position);  // beyond the messages: stops at their end
  EXPECT_EQ(s.CANView.Count, 3);
  EXPECT_EQ(position, 3u);
}

// ---- Sizing and commands ------------------------------------------------------------------

TEST_F(CANViewStoreTest, BufferSizeFollowsModeWithinTheOfferedRange) {
  EXPECT_EQ(s.CANView.Size, 1000);
  settings.CyclicBufferSize = 50000;
  UseCyclic(50000);
  EXPECT_EQ(s.CANView.Size, 50000);
  settings.CyclicBufferSize = 10;
  SetCANViewBufferSize(s, settings);
  EXPECT_EQ(s.CANView.Size, 1000);
  settings.CyclicBufferSize = 2000000;
  SetCANViewBufferSize(s, settings);
  EXPECT_EQ(s.CANView.Size, 1000000);
  EXPECT_EQ(s.CANView.List.size(), 1000000u);
}

TEST_F(CANViewStoreTest, ShrinkingAWrappedRingStartsItAfresh) {
  UseCyclic(50000);
  ReceiveDistinct(50000 + 30000);  // wrapped, next slot 30000
  ASSERT_TRUE(s.CyclicOverwriteFlag);
  ASSERT_EQ(s.CyclicItemNo, 30000);
  settings.CyclicBufferSize = 1000;
  SetCANViewBufferSize(s, settings);
  Receive(Frame(0x1, 0));
  EXPECT_EQ(s.CANView.Count, 1);  // visible, in slot 0, within the new ring
  EXPECT_EQ(Entry(s, 0).Item.ID, 0x1u);
  EXPECT_FALSE(s.CyclicOverwriteFlag);
}

TEST_F(CANViewStoreTest, ClearEmptiesTheListAtOnceOnlyWhenStopped) {
  UseCyclic();
  ReceiveDistinct(1100);
  s.CyclicManualScrollFlag = true;
  const int32_t countsUsed = s.CyclicMessageCounts.Used;

  EXPECT_FALSE(CANViewClear(s, /*running=*/true));
  EXPECT_EQ(s.CANView.Count, 0);
  EXPECT_FALSE(s.CyclicOverwriteFlag);
  EXPECT_FALSE(s.CyclicManualScrollFlag);
  EXPECT_EQ(s.CyclicMessageCounts.Used, countsUsed);  // table and size stay
  EXPECT_EQ(s.CANView.Size, 1000);

  Receive(Frame(0x1, 0));
  EXPECT_EQ(s.CANView.Count, 1);
  EXPECT_TRUE(CANViewClear(s, /*running=*/false));
  EXPECT_EQ(s.CANView.Count, 0);
}

TEST_F(CANViewStoreTest, ModeSwitchEmptiesStoreAndCountTable) {
  EXPECT_FALSE(CANViewSelectFixed(s, settings));  // already fixed: nothing happens
  Receive(Frame(0x1, 0));
  EXPECT_FALSE(CANViewSelectFixed(s, settings));
  EXPECT_EQ(s.CANView.Count, 1);

  s.CyclicManualScrollFlag = true;
  EXPECT_TRUE(CANViewSelectCyclic(s, settings));
  EXPECT_EQ(s.Mode, VIEW_CYCLIC);
  EXPECT_EQ(s.CANView.Count, 0);
  EXPECT_FALSE(s.CyclicManualScrollFlag);
  Receive(Frame(0x1, 0));
  EXPECT_EQ(s.CyclicMessageCounts.Used, 1);
  EXPECT_FALSE(CANViewSelectCyclic(s, settings));

  EXPECT_TRUE(CANViewSelectFixed(s, settings));
  EXPECT_EQ(s.Mode, VIEW_FIXED);
  EXPECT_EQ(s.CANView.Count, 0);
  EXPECT_EQ(s.CANView.Size, 1000);
  EXPECT_EQ(s.CyclicMessageCounts.Used, 0);
}

TEST_F(CANViewStoreTest, StartResetsTheRunFields) {
  UseCyclic();
  ReceiveDistinct(1001);
  s.CyclicManualScrollFlag = true;
  s.TxDisplayEnabledFlag = false;
  s.ErrorCountersActiveFlag = true;
  s.CANBusState = 0x20;
  s.CANViewUpdateTimer = 70;
  ResetCANViewForStart(s);
  EXPECT_EQ(s.CANView.Count, 0);
  EXPECT_FALSE(s.CyclicOverwriteFlag);
  EXPECT_FALSE(s.CyclicManualScrollFlag);
  EXPECT_TRUE(s.TxDisplayEnabledFlag);
  EXPECT_FALSE(s.ErrorCountersActiveFlag);
  EXPECT_EQ(s.CANBusState, 0);
  EXPECT_EQ(s.CANViewUpdateTimer, 0u);
  EXPECT_EQ(s.CyclicMessageCounts.Used, 0);
  EXPECT_EQ(s.Mode, VIEW_CYCLIC);
}

TEST_F(CANViewStoreTest, StrayRtrValueIsARemoteFrame) {
  TTarvoCAN m = Frame(0x10, 0);
  m.RTR = 2;
  Receive(m);
  Transmit(s, m, 0);
  EXPECT_EQ(Entry(s, 0).ItemType, ITEM_RR);
  EXPECT_EQ(Entry(s, 1).ItemType, ITEM_TR);
}

// ---- Log hooks --------------------------------------------------------------------------

struct RecordingSink : CANViewLogSink {
  struct Received {
    uint32_t id, count, period;
  };
  std::vector<Received> received;
  std::vector<int32_t> events;
  void LogReceiveMessage(const TTarvoCAN& m, uint32_t count, uint32_t period) override {
    received.push_back({m.ID, count, period});
  }
  void LogBusEvent(int32_t event, uint32_t) override { events.push_back(event); }
};

TEST_F(CANViewStoreTest, LogReceivesTheCountAndPeriodJustStored) {
  RecordingSink sink;
  s.LogSink = &sink;
  Receive(Frame(0x1, 100));
  Receive(Frame(0x1, 350));
  UseCyclic();
  ReceiveDistinct(20, 0x100);
  Receive(Frame(0x999, 1));  // beyond the count table
  ASSERT_EQ(sink.received.size(), 23u);
  EXPECT_EQ(sink.received[0].count, 1u);
  EXPECT_EQ(sink.received[1].count, 2u);
  EXPECT_EQ(sink.received[1].period, 250u);
  EXPECT_EQ(sink.received[22].id, 0x999u);
  EXPECT_EQ(sink.received[22].count, 0u);

  DisplayBusState(s, StatusRecord(0, 0x10, 1));
  DisplayBusState(s, StatusRecord(0, 0x10, 2));  // code 0: not logged
  EXPECT_EQ(sink.events, std::vector<int32_t>{3});
}

}  // namespace
}  // namespace tarvo
