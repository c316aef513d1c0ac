#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "view/CANViewRefresh.h"

namespace tarvo {
namespace {

using test::Frame;

struct CadenceCase {
  uint32_t interval;
  int firstRefreshTick;  // 1-based
  int secondRefreshTick;
};

class RefreshCadenceTest : public ::testing::TestWithParam<CadenceCase> {};

TEST_P(RefreshCadenceTest, SteadyTenMillisecondTick) {
  const CadenceCase& c = GetParam();
  uint32_t timer = 0;
  std::vector<int> refreshes;
  for (int tick = 1; refreshes.size() < 2 && tick < 1000; ++tick) {
    if (CANViewRefreshDue(timer, c.interval, 10)) refreshes.push_back(tick);
  }
  ASSERT_EQ(refreshes.size(), 2u);
  EXPECT_EQ(refreshes[0], c.firstRefreshTick);
  EXPECT_EQ(refreshes[1], c.secondRefreshTick);
}

INSTANTIATE_TEST_SUITE_P(Intervals, RefreshCadenceTest,
                         ::testing::Values(CadenceCase{0, 1, 2}, CadenceCase{100, 11, 22},
                                           CadenceCase{1000, 101, 202}));

TEST(RefreshCadenceTest, ExcessCarriesOver) {
  uint32_t timer = 95;
  EXPECT_FALSE(CANViewRefreshDue(timer, 100, 30));  // a late tick
  EXPECT_EQ(timer, 125u);
  EXPECT_TRUE(CANViewRefreshDue(timer, 100, 10));
  EXPECT_EQ(timer, 25u);
}

class RefreshPlanTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCANViewBufferSize(s, settings); }
  void Cyclic() { CANViewSelectCyclic(s, settings); }
  void Receive(int n) {
    for (int i = 0; i < n; ++i) DisplayReceiveMessage(s, settings, Frame(uint32_t(i), 0));
  }
  TCANViewState s;
  TDisplaySettings settings;
};

TEST_F(RefreshPlanTest, FixedModeSetsTheCountOrRepaints) {
  Receive(3);
  TCANViewRefresh r = PlanCANViewRefresh(s, 0);
  EXPECT_TRUE(r.ItemCountChanged);
  EXPECT_EQ(r.ItemCount, 3);
  EXPECT_FALSE(r.RepaintAll);
  EXPECT_EQ(r.SelectRow, -1);  // fixed mode never selects or scrolls

  r = PlanCANViewRefresh(s, 3);
  EXPECT_FALSE(r.ItemCountChanged);
  EXPECT_TRUE(r.RepaintAll);
}

TEST_F(RefreshPlanTest, FillingRingFollowsTheNewestRow) {
  Cyclic();
  EXPECT_EQ(PlanCANViewRefresh(s, 0).SelectRow, -1);  // nothing to follow yet
  Receive(5);
  TCANViewRefresh r = PlanCANViewRefresh(s, 2);
  EXPECT_TRUE(r.ItemCountChanged);
  EXPECT_EQ(r.SelectRow, 4);
  EXPECT_TRUE(r.ScrollToSelected);

  r = PlanCANViewRefresh(s, 5);
  EXPECT_FALSE(r.RepaintAll);  // rows of a filling ring never change

  s.CyclicManualScrollFlag = true;
  EXPECT_EQ(PlanCANViewRefresh(s, 5).SelectRow, -1);
}

TEST_F(RefreshPlanTest, WrappedRingSelectsTheNewestEvenWhenHeld) {
  Cyclic();
  Receive(1000 + 7);
  TCANViewRefresh r = PlanCANViewRefresh(s, 1000);
  EXPECT_TRUE(r.RepaintAll);
  EXPECT_EQ(r.SelectRow, 6);
  EXPECT_TRUE(r.ScrollToSelected);

  s.CyclicManualScrollFlag = true;
  r = PlanCANViewRefresh(s, 1000);
  EXPECT_EQ(r.SelectRow, 6);
  EXPECT_FALSE(r.ScrollToSelected);
}

TEST_F(RefreshPlanTest, ClearWhileRunningEmptiesAtTheNextRefresh) {
  Cyclic();
  Receive(50);
  CANViewClear(s, true);
  const TCANViewRefresh r = PlanCANViewRefresh(s, 50);
  EXPECT_TRUE(r.ItemCountChanged);
  EXPECT_EQ(r.ItemCount, 0);
  EXPECT_EQ(r.SelectRow, -1);
}

TEST_F(RefreshPlanTest, ScrollBarHoldsTheCyclicViewOnly) {
  Receive(100);
  EXPECT_EQ(CANViewUserScrolled(s, 10, 100), -1);
  EXPECT_FALSE(s.CyclicManualScrollFlag);

  Cyclic();
  Receive(100);
  EXPECT_EQ(CANViewUserScrolled(s, 10, 100), 10);  // top row becomes the selection
  EXPECT_TRUE(s.CyclicManualScrollFlag);
  EXPECT_EQ(CANViewUserScrolled(s, 90, 100), -1);  // within the newest ten rows
  EXPECT_TRUE(s.CyclicManualScrollFlag);
}

TEST_F(RefreshPlanTest, NewestRowsBackInViewResumeFollowing) {
  Cyclic();
  Receive(100);
  s.CyclicManualScrollFlag = true;
  CANViewRowsShown(s, 50, 90, 100);
  EXPECT_TRUE(s.CyclicManualScrollFlag);
  CANViewRowsShown(s, 51, 91, 100);  // end index above count - 10
  EXPECT_FALSE(s.CyclicManualScrollFlag);

  Receive(1000);  // wrapped; next slot CyclicItemNo
  ASSERT_TRUE(s.CyclicOverwriteFlag);
  const int32_t next = s.CyclicItemNo;
  s.CyclicManualScrollFlag = true;
  CANViewRowsShown(s, next, next + 30, 1000);  // strict on both sides
  EXPECT_TRUE(s.CyclicManualScrollFlag);
  CANViewRowsShown(s, next - 30, next, 1000);
  EXPECT_TRUE(s.CyclicManualScrollFlag);
  CANViewRowsShown(s, next - 1, next + 1, 1000);
  EXPECT_FALSE(s.CyclicManualScrollFlag);
}

TEST_F(RefreshPlanTest, SelectionCommandsOnlyForReceivedFrames) {
  DisplayReceiveMessage(s, settings, Frame(1, 0));
  DisplayReceiveMessage(s, settings, test::RemoteFrame(1, 0));
  test::Transmit(s, Frame(1, 0), 0);
  DisplayBusState(s, test::StatusRecord(0, 0x20, 0));
  EXPECT_FALSE(CANViewSelectionCommandsEnabled(s.CANView, -1));
  EXPECT_TRUE(CANViewSelectionCommandsEnabled(s.CANView, 0));
  EXPECT_TRUE(CANViewSelectionCommandsEnabled(s.CANView, 1));
  EXPECT_FALSE(CANViewSelectionCommandsEnabled(s.CANView, 2));
  EXPECT_FALSE(CANViewSelectionCommandsEnabled(s.CANView, 3));
  EXPECT_FALSE(CANViewSelectionCommandsEnabled(s.CANView, 4));  // beyond Count
}

}  // namespace
}  // namespace tarvo
