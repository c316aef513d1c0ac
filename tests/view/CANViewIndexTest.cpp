// The fixed view finds identities through a hash index; these tests hold it
// to the plain rule: scan entries 0 .. Count-1 for the first match.
#include <gtest/gtest.h>

#include <random>

#include "ViewTestSupport.h"
#include "view/CANViewStore.h"

namespace tarvo {
namespace {

using test::Frame;

// Where the scan from entry 0 finds the identity, or -1.
int32_t ScanFor(const TCANView& v, int32_t kind, const TTarvoCAN& m) {
  for (int32_t i = 0; i < v.Count; ++i) {
    const TCANViewMessage& e = v.List[size_t(i)];
    if (e.ItemType == kind && e.Item.IDE == m.IDE && e.Item.ID == m.ID) return i;
  }
  return -1;
}

TEST(CANViewIndexTest, FixedViewMatchesTheScanOverARandomRun) {
  TCANViewState s;
  TDisplaySettings settings;
  SetCANViewBufferSize(s, settings);
  std::mt19937 random(1234);
  // Identifier space that crosses the 1000-entry growth several times, with
  // clears in between, so stale index positions get exercised.
  std::uniform_int_distribution<uint32_t> id(0, 2999), bit(0, 1), action(0, 999);
  for (int step = 0; step < 60000; ++step) {
    if (action(random) == 0) {
      CANViewClear(s, true);
      continue;
    }
    const TTarvoCAN m = Frame(id(random), uint32_t(step), uint8_t(bit(random)), uint8_t(bit(random)));
    const bool transmitted = bit(random) == 1;
    const int32_t kind = (transmitted ? ITEM_TD : ITEM_RD) + m.RTR;
    const int32_t before = ScanFor(s.CANView, kind, m);
    const uint32_t countBefore = before >= 0 ? s.CANView.List[size_t(before)].Count : 0;
    const int32_t entries = s.CANView.Count;
    if (transmitted) test::Transmit(s, m, 0);
    else DisplayReceiveMessage(s, settings, m);

    if (before >= 0) {
      ASSERT_EQ(s.CANView.Count, entries) << "step " << step;
      if (!transmitted) {
        ASSERT_EQ(s.CANView.List[size_t(before)].Count, countBefore + 1) << "step " << step;
      }
    } else {
      ASSERT_EQ(s.CANView.Count, entries + 1) << "step " << step;
      ASSERT_EQ(ScanFor(s.CANView, kind, m), entries) << "step " << step;
    }
  }
}

TEST(CANViewIndexTest, LatestPositionWinsAndClearForgets) {
  TCANViewIndex index;
  for (int32_t i = 0; i < 5000; ++i) index.Insert(TCANViewIndex::Key(0, 0, uint32_t(i)), i);
  EXPECT_EQ(index.Find(TCANViewIndex::Key(0, 0, 4321)), 4321);
  EXPECT_EQ(index.Find(TCANViewIndex::Key(0, 1, 4321)), TCANViewIndex::NOT_FOUND);
  index.Insert(TCANViewIndex::Key(0, 0, 4321), 7);  // re-entered elsewhere
  EXPECT_EQ(index.Find(TCANViewIndex::Key(0, 0, 4321)), 7);
  EXPECT_EQ(index.Used(), 5000u);
  index.Clear();
  EXPECT_EQ(index.Find(TCANViewIndex::Key(0, 0, 4321)), TCANViewIndex::NOT_FOUND);
}

TEST(CANViewIndexTest, StoreEmptiedBehindItsBackIsNotMisread) {
  TCANViewState s;
  TDisplaySettings settings;
  SetCANViewBufferSize(s, settings);
  for (uint32_t id : {0u, 1u, 2u}) DisplayReceiveMessage(s, settings, Frame(id, 0));
  s.CANView.Count = 0;  // as a caller resetting the field directly would
  DisplayReceiveMessage(s, settings, Frame(2, 10));
  DisplayReceiveMessage(s, settings, Frame(0, 20));
  ASSERT_EQ(s.CANView.Count, 2);
  EXPECT_EQ(s.CANView.List[0].Item.ID, 2u);
  EXPECT_EQ(s.CANView.List[0].Count, 1u);
  EXPECT_EQ(s.CANView.List[1].Item.ID, 0u);
  EXPECT_EQ(s.CANView.List[1].Count, 1u);
}

}  // namespace
}  // namespace tarvo
