#include <gtest/gtest.h>

#include "common/TimeUnits.h"

namespace tarvo {
namespace {

TEST(TimeUnits, TicksToMillisecondsRoundsToNearest) {
  struct Case { uint32_t ticks; int64_t ms; };
  const Case cases[] = {
      {0, 0},          {1, 0},        // 0.0256 ms
      {20, 1},                        // 0.512 ms
      {625, 16},                      // exact
      {39062, 1000},   {39063, 1000}, // 999.9872 and 1000.0128 ms
      {4294967295u, 109951163},       // the largest time stamp
  };
  for (const Case& c : cases) EXPECT_EQ(TicksToMs(c.ticks), c.ms) << c.ticks;
}

TEST(TimeUnits, MillisecondsToTicksSendsHalvesToTheEvenNeighbour) {
  struct Case { int64_t ms; int64_t ticks; };
  const Case cases[] = {
      {8, 312},        // 312.5
      {24, 938},       // 937.5
      {1000, 39062},   // 39062.5
      {3000, 117188},  // 117187.5
      {10, 391},       // 390.625
      {-8, -312},
  };
  for (const Case& c : cases) EXPECT_EQ(MsToTicks(c.ms), c.ticks) << c.ms;
}

}  // namespace
}  // namespace tarvo
