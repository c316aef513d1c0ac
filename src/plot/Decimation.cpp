#include "plot/Decimation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvo {

namespace {

// The extremes of values[0..n) into lo and hi: one pass of compares that a
// NaN (a gap) passes without changing them.
void Extremes(const double* values, size_t n, double& lo, double& hi) {
  size_t k = 0;
#if defined(__SSE2__)
  // Four values a step; minpd/maxpd keep the accumulator when a value is a
  // NaN, as the scalar compares below do.
  __m128d lo0 = _mm_set1_pd(lo), lo1 = lo0, hi0 = _mm_set1_pd(hi), hi1 = hi0;
  for (; k + 4 <= n; k += 4) {
    const __m128d a = _mm_loadu_pd(values + k), b = _mm_loadu_pd(values + k + 2);
    lo0 = _mm_min_pd(a, lo0);
    lo1 = _mm_min_pd(b, lo1);
    hi0 = _mm_max_pd(a, hi0);
    hi1 = _mm_max_pd(b, hi1);
  }
  double l[4], h[4];
  _mm_storeu_pd(l, lo0);
  _mm_storeu_pd(l + 2, lo1);
  _mm_storeu_pd(h, hi0);
  _mm_storeu_pd(h + 2, hi1);
  for (int i = 0; i < 4; ++i) {
    lo = l[i] < lo ? l[i] : lo;
    hi = h[i] > hi ? h[i] : hi;
  }
#endif
  for (; k < n; ++k) {
    const double v = values[k];
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
  }
}

bool AnyGap(const double* values, size_t n) {
  for (size_t k = 0; k < n; ++k)
    if (std::isnan(values[k])) return true;
  return false;
}

// Folds the run's points [from, from + n) into the column. The whole blocks
// among them give their summaries; only the points before the first and
// after the last are read one by one.
void Fold(TColumn& c, const TSignalSeries& series, const TSignalSeries::TRun& run, size_t from, size_t n) {
  if (n == 0) return;
  const double* values = run.Values + from;
  const bool mayHaveGaps = series.Gaps() > 0;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  constexpr size_t B = TSignalSeries::BlockSize;
  const size_t place = run.Start + from;  // of the first point in memory
  const size_t firstBlock = (place + B - 1) / B, endBlock = (place + n) / B;
  if (endBlock > firstBlock + 1) {
    const size_t head = firstBlock * B - place, tail = endBlock * B - place;
    Extremes(values, head, lo, hi);
    for (size_t b = firstBlock; b < endBlock; ++b) {
      const TSignalSeries::TBlock block = series.Block(b);
      lo = block.Min < lo ? block.Min : lo;
      hi = block.Max > hi ? block.Max : hi;
      c.Gap = c.Gap || block.Gap;
    }
    Extremes(values + tail, n - tail, lo, hi);
    if (mayHaveGaps && !c.Gap) c.Gap = AnyGap(values, head) || AnyGap(values + tail, n - tail);
  } else {
    Extremes(values, n, lo, hi);
    if (mayHaveGaps && !c.Gap) c.Gap = AnyGap(values, n);
  }
  if (lo > hi) return;  // only gaps
  size_t first = 0, last = n - 1;
  while (std::isnan(values[first])) ++first;
  while (std::isnan(values[last])) --last;
  if (!c.HasPoints) {
    c.HasPoints = true;
    c.Min = lo;
    c.Max = hi;
    c.First = values[first];
  }
  c.Min = std::min(c.Min, lo);
  c.Max = std::max(c.Max, hi);
  c.Last = values[last];
}

// The first of [at, end) not before t. Searched from where evenly spaced
// times would put it, outwards: a bus sends mostly at steady rates, so the
// guess is near, and a search over the whole rest of the run would wait on
// memory far away at every step.
const double* NextBound(const double* at, const double* end, double t) {
  if (at == end || !(*at < t)) return at;
  const double* last = end - 1;
  if (*last < t) return end;
  const double fraction = (t - *at) / (*last - *at);
  const double* guess = at + std::ptrdiff_t(fraction * double(last - at));
  guess = std::clamp(guess, at + 1, last);
  size_t step = 1;
  if (*guess < t) {  // after the guess: [low, low + step] holds it
    const double* low = guess;
    while (size_t(last - low) > step && low[step] < t) {
      low += step;
      step *= 2;
    }
    return std::lower_bound(low, low + std::min(step, size_t(last - low)) + 1, t);
  }
  const double* high = guess;  // not before t
  while (size_t(high - at) > step && !(high[-std::ptrdiff_t(step)] < t)) {
    high -= step;
    step *= 2;
  }
  return std::lower_bound(high - std::min(step, size_t(high - at)), high, t);
}

}  // namespace

std::vector<TColumn> MinMaxColumns(const TSignalSeries& series, double t0, double t1, size_t columns) {
  std::vector<TColumn> out(std::max<size_t>(columns, 1));
  if (!(t1 > t0) || series.Size() == 0) return out;
  const double width = (t1 - t0) / double(out.size());
  // Over the (at most two) contiguous runs of the ring: each column's end
  // found by binary search, then its points folded, by their blocks'
  // summaries where whole blocks fall in it.
  TSignalSeries::TRun runs[2];
  const size_t n = series.Runs(runs);
  for (size_t r = 0; r < n; ++r) {
    const double* times = runs[r].Times;
    const double* end = times + runs[r].Count;
    const double* at = std::lower_bound(times, end, t0);
    for (size_t c = 0; c < out.size() && at < end; ++c) {
      const double columnEnd = c + 1 == out.size() ? t1 : t0 + width * double(c + 1);
      const double* stop = NextBound(at, end, columnEnd);
      Fold(out[c], series, runs[r], size_t(at - times), size_t(stop - at));
      at = stop;
    }
  }
  return out;
}

}  // namespace tarvo
