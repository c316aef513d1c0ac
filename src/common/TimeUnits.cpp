#include "common/TimeUnits.h"

namespace tarvo {

namespace {
// value = num / den rounded to nearest, halves to even; den > 0, num >= 0.
int64_t DivideRoundHalfEven(int64_t num, int64_t den) {
  int64_t q = num / den;
  const int64_t r = num % den;
  if (2 * r > den || (2 * r == den && (q & 1))) ++q;
  return q;
}
}  // namespace

uint64_t TicksToTenthsMs(uint64_t ticks) { return uint64_t(DivideRoundHalfEven(int64_t(ticks * 32), 125)); }

// ms = ticks * 0.0256 = ticks * 16 / 625, exactly, so no floating point.
int64_t TicksToMs(uint32_t ticks) { return DivideRoundHalfEven(int64_t(ticks) * 16, 625); }

// ticks = ms * 39.0625 = ms * 625 / 16.
int64_t MsToTicks(int64_t ms) {
  if (ms < 0) return -DivideRoundHalfEven(-ms * 625, 16);
  return DivideRoundHalfEven(ms * 625, 16);
}

}  // namespace tarvo
