#pragma once
#include <cstdint>

namespace tarvo {

// Adapter time stamps count 25.6 us ticks (39062.5 per second).
constexpr double TicksPerSecond = 39062.5;

// A count of ticks (a time stamp or a difference of two) in seconds, for
// display and plotting; exact in a double for every 32-bit count.
constexpr double TicksToSeconds(double ticks) { return ticks / TicksPerSecond; }

// Both conversions round to the nearest integer, halves to even.
int64_t TicksToMs(uint32_t ticks);
int64_t MsToTicks(int64_t ms);

// Tenths of a millisecond in a count of ticks (ticks x 0.256 = ticks x 32 /
// 125), rounded to the nearest, halves to even: the four decimals of the
// times the CAN View and the logs show.
uint64_t TicksToTenthsMs(uint64_t ticks);

// Microseconds in a count of ticks (ticks x 25.6 = ticks x 128 / 5), rounded
// to the nearest (a fifth never ties); ticks >= 0.
constexpr int64_t TicksToUs(int64_t ticks) { return (ticks * 128 + 2) / 5; }

}  // namespace tarvo
