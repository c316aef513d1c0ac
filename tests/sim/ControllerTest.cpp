// Pure pieces of the controller: bit timing, acceptance filters, frame length.
#include <array>

#include <gtest/gtest.h>

#include "sim/CanFrame.h"
#include "sim/Controller.h"
#include "sim/Scenario.h"

namespace tarvo::sim {
namespace {

struct TimingCase {
  uint8_t bytes[6];  // SJW-1, BRP byte, PHSEG1-1, PHSEG2-1, PROPSEG-1, SAM
  bool has40MHz;
  double bitRate;
};

TEST(Controller, BitRateFollowsTheClockAndTheQuanta) {
  const TimingCase cases[] = {
      {{0, 0x43, 7, 5, 4, 0}, true, 250000},   // 40 MHz / (2 x 4 x 20)
      {{0, 0x43, 7, 5, 4, 0}, false, 125000},  // a 20 MHz adapter ignores bit 6
      {{0, 0x01, 7, 5, 4, 0}, false, 250000},  // 20 MHz / (2 x 2 x 20)
      {{0, 0x01, 7, 5, 4, 0}, true, 250000},   // bit 6 clear: 20 MHz on any adapter
      {{0, 0x41, 3, 2, 1, 0}, true, 1000000},  // 40 MHz / (2 x 2 x 10)
      {{0, 0x00, 0, 1, 0, 0}, false, 2000000}, // 20 MHz / (2 x 1 x 5)
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, true, 12500},  // register fields cap every value
  };
  for (const TimingCase& c : cases) {
    EXPECT_DOUBLE_EQ(BitTiming::Decode(c.bytes, c.has40MHz).BitRate(), c.bitRate)
        << int(c.bytes[1]) << " " << c.has40MHz;
  }
}

TEST(Controller, OlderModelsRunFrom20MHz) {
  auto setup = [](const char* pid, uint8_t hw, uint8_t sw) { return AdapterSpec{pid, "1", "", hw, sw}; };
  EXPECT_FALSE(Has40MHzClock(setup(PidTarvo, 69, 40)));
  EXPECT_TRUE(Has40MHzClock(setup(PidTarvo, 70, 10)));
  EXPECT_FALSE(Has40MHzClock(setup(PidTarvoISO, 80, 29)));
  EXPECT_TRUE(Has40MHzClock(setup(PidTarvoISO, 10, 30)));
  EXPECT_TRUE(Has40MHzClock(setup(PidTarvoAUTO, 10, 10)));
}

struct FilterCase {
  const char* what;
  AcceptanceFilters filters;
  CanFrame frame;
  bool accepted;
};

AcceptanceFilters Filters(uint32_t m1, uint32_t m2, std::array<bool, 6> ext, std::array<uint32_t, 6> values) {
  AcceptanceFilters f;
  f.Mask[0] = m1;
  f.Mask[1] = m2;
  for (int i = 0; i < 6; ++i) {
    f.FilterExtended[i] = ext[size_t(i)];
    f.Filter[i] = values[size_t(i)];
  }
  return f;
}

CanFrame Std(uint32_t id) { return CanFrame{id, false, false, 0, {}}; }
CanFrame Ext(uint32_t id) { return CanFrame{id, true, false, 0, {}}; }

TEST(Controller, MasksAndFiltersOfBothReceiveBuffers) {
  const AcceptanceFilters none = Filters(0, 0, {1, 0, 1, 0, 1, 0}, {});
  const AcceptanceFilters only11 = Filters(0, 0, {0, 0, 0, 0, 0, 0}, {});
  const AcceptanceFilters only29 = Filters(0, 0, {1, 1, 1, 1, 1, 1}, {});
  const AcceptanceFilters exact = Filters(0x7FF, 0x1FFFFFFF, {0, 0, 1, 1, 1, 1},
                                          {0x123, 0x456, 0x18FF1234, 0x18FF1234, 0x18FF1234, 0x0CF00400});
  const AcceptanceFilters partial = Filters(0x700, 0x1FFFFFFF, {0, 0, 1, 1, 1, 1}, {0x100, 0x100, 0, 0, 0, 0});
  const AcceptanceFilters wideMask = Filters(0xFFFFFFFF, 0xFFFFFFFF, {0, 0, 0, 0, 0, 0}, {0x123, 0x123, 0x123, 0x123, 0x123, 0x123});
  const FilterCase cases[] = {
      {"none: 11-bit", none, Std(0x123), true},
      {"none: 29-bit", none, Ext(0x1ABCDEF0), true},
      {"11-bit only: 11-bit", only11, Std(0x7FF), true},
      {"11-bit only: 29-bit", only11, Ext(0x7FF), false},
      {"29-bit only: 11-bit", only29, Std(0x1), false},
      {"29-bit only: 29-bit", only29, Ext(0x1), true},
      {"exact: filter 1", exact, Std(0x123), true},
      {"exact: filter 2", exact, Std(0x456), true},
      {"exact: no filter", exact, Std(0x124), false},
      {"exact: 11-bit value as 29-bit", exact, Ext(0x123), false},
      {"exact: filter 3", exact, Ext(0x18FF1234), true},
      {"exact: filter 6", exact, Ext(0x0CF00400), true},
      {"exact: one bit off", exact, Ext(0x18FF1235), false},
      {"partial: same top bits", partial, Std(0x1FF), true},
      {"partial: other top bits", partial, Std(0x200), false},
      {"wide mask: only 11 bits count", wideMask, Std(0x123), true},
  };
  for (const FilterCase& c : cases) EXPECT_EQ(c.filters.Accepts(c.frame), c.accepted) << c.what;
}

TEST(Controller, FilterCommandBytesLandInTheirFields) {
  uint8_t b[38] = {};
  b[0] = 0xFF;  // mask 1 low byte
  b[4] = 1;     // filter 1 IDE
  b[5] = 0x34;  // filter 1 value low byte
  b[14 + 3] = 0x1F;  // mask 2 high byte
  b[33] = 0;    // filter 6 IDE
  b[34 + 1] = 0x07;  // filter 6 value, second byte
  const AcceptanceFilters f = AcceptanceFilters::Decode(b);
  EXPECT_EQ(f.Mask[0], 0xFFu);
  EXPECT_TRUE(f.FilterExtended[0]);
  EXPECT_EQ(f.Filter[0], 0x34u);
  EXPECT_EQ(f.Mask[1], 0x1F000000u);
  EXPECT_FALSE(f.FilterExtended[5]);
  EXPECT_EQ(f.Filter[5], 0x0700u);
}

TEST(Controller, FrameLengthAndArbitration) {
  EXPECT_EQ(FrameBits(Std(0)), 47);
  EXPECT_EQ(FrameBits(CanFrame{0, true, false, 8, {}}), 131);
  EXPECT_EQ(FrameBits(CanFrame{0, false, true, 8, {}}), 47);  // remote frames carry no data
  EXPECT_LT(ArbitrationKey(Std(0x100)), ArbitrationKey(Std(0x101)));
  EXPECT_LT(ArbitrationKey(Std(0x100)), ArbitrationKey(CanFrame{0x100, false, true, 0, {}}));
  EXPECT_LT(ArbitrationKey(CanFrame{0x100, false, true, 0, {}}), ArbitrationKey(Ext(0x100u << 18)));
  EXPECT_LT(ArbitrationKey(Ext(0x0FFFFFFF)), ArbitrationKey(Std(0x7FF)));
}

}  // namespace
}  // namespace tarvo::sim
