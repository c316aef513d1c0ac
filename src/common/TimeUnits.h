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

}  // namespace tarvo
