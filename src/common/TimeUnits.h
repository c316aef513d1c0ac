#pragma once
#include <cstdint>

namespace tarvo {

// Adapter time stamps count 25.6 us ticks (39062.5 per second). Both
// conversions round to the nearest integer, halves to even.
int64_t TicksToMs(uint32_t ticks);
int64_t MsToTicks(int64_t ms);

}  // namespace tarvo
