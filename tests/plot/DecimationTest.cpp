// The plot's points and their decimation: each pixel column keeps the
// smallest and largest value of its points, so no extreme of the series is
// lost however many points a column holds; gaps break the curve; the bound
// on points drops the oldest and counts them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "plot/Decimation.h"
#include "plot/SignalSeries.h"

namespace tarvo {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

struct SeriesCase {
  const char* Name;
  size_t Points;
  std::function<double(size_t)> Value;  // of point i, at time i / 1000 s
  size_t Capacity = TSignalSeries::DefaultCapacity;  // below Points: the ring has wrapped
};

// Brute force: the extremes of the points in each column, as decimation must keep them.
void ExpectEnvelope(const TSignalSeries& s, double t0, double t1, size_t columns) {
  const std::vector<TColumn> got = MinMaxColumns(s, t0, t1, columns);
  ASSERT_EQ(got.size(), columns);
  const double width = (t1 - t0) / double(columns);
  for (size_t c = 0; c < columns; ++c) {
    const double a = t0 + width * double(c), b = c + 1 == columns ? t1 : t0 + width * double(c + 1);
    bool any = false, gap = false;
    double lo = 0, hi = 0;
    for (size_t i = 0; i < s.Size(); ++i) {
      if (s.Time(i) < a || s.Time(i) >= b) continue;
      const double v = s.Value(i);
      if (std::isnan(v)) {
        gap = true;
        continue;
      }
      lo = any ? std::min(lo, v) : v;
      hi = any ? std::max(hi, v) : v;
      any = true;
    }
    SCOPED_TRACE("column " + std::to_string(c));
    EXPECT_EQ(got[c].HasPoints, any);
    EXPECT_EQ(got[c].Gap, gap);
    if (any) {
      EXPECT_EQ(got[c].Min, lo);
      EXPECT_EQ(got[c].Max, hi);
    }
  }
}

TEST(Decimation, EveryColumnKeepsTheExtremesOfItsPoints) {
  const SeriesCase cases[] = {
      {"steps", 10000, [](size_t i) { return double((i / 1500) % 3); }},
      {"spikes one sample wide", 10000, [](size_t i) { return i % 997 == 0 ? 100.0 : i % 1009 == 0 ? -100.0 : 1.0; }},
      {"gaps", 10000, [](size_t i) { return (i / 700) % 4 == 3 ? NaN : double(i % 50); }},
      {"a single gap", 10000, [](size_t i) { return i == 5003 ? NaN : double(i % 7); }},
      {"constant", 5000, [](size_t) { return 42.0; }},
      {"monotone", 10000, [](size_t i) { return double(i) * 0.5 - 7; }},
      {"fewer points than columns", 30, [](size_t i) { return double(i * i); }},
      // A ring wrapped at a place inside a block, its bound no multiple of
      // a block: extremes next to the wrap and at the blocks' ends.
      {"wrapped ring", 25037, [](size_t i) { return i % 64 == 63 ? 9.0 : i % 1000 == 1 ? -9.0 : double(i % 5); }, 10001},
      {"wrapped ring with gaps", 30000, [](size_t i) { return i % 4099 == 0 ? NaN : double(i % 301); }, 9000},
  };
  for (const SeriesCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSignalSeries s(c.Capacity);
    for (size_t i = 0; i < c.Points; ++i) s.Append(double(i) / 1000.0, c.Value(i));
    const double end = double(c.Points) / 1000.0;
    ExpectEnvelope(s, 0, end, 640);
    ExpectEnvelope(s, end / 3, end / 2, 97);  // a zoomed view
    ExpectEnvelope(s, -1, end + 1, 13);       // wider than the data: many blocks a column
    ExpectEnvelope(s, 0.0005, end - 0.0013, 7);
  }
}

TEST(Decimation, AnEmptyOrBackwardViewHasNoPoints) {
  TSignalSeries s;
  EXPECT_FALSE(MinMaxColumns(s, 0, 1, 4)[0].HasPoints);
  s.Append(0.5, 1);
  for (const TColumn& c : MinMaxColumns(s, 1, 0, 4)) EXPECT_FALSE(c.HasPoints);
}

TEST(SignalSeries, TheBoundDropsTheOldestAndCountsThem) {
  TSignalSeries s(1000);
  for (int i = 0; i < 2500; ++i) s.Append(i * 0.01, i);
  EXPECT_EQ(s.Size(), 1000u);
  EXPECT_EQ(s.Dropped(), 1500u);
  EXPECT_EQ(s.Value(0), 1500);
  EXPECT_EQ(s.Value(999), 2499);
  EXPECT_DOUBLE_EQ(s.ValueAt(20.005), 2000);
  EXPECT_TRUE(std::isnan(s.ValueAt(1.0)));  // before the oldest kept
  // The columns see the kept points only, across the ring's wrap.
  const std::vector<TColumn> c = MinMaxColumns(s, 0, 25, 1);
  EXPECT_EQ(c[0].Min, 1500);
  EXPECT_EQ(c[0].Max, 2499);
}

TEST(SignalSeries, TimeNeverGoesBack) {
  TSignalSeries s;
  s.Append(2.0, 1);
  s.Append(1.0, 2);  // a clock that went back is held at the last time
  EXPECT_EQ(s.Time(1), 2.0);
  EXPECT_EQ(s.ValueAt(2.0), 2);
}

}  // namespace
}  // namespace tarvo
