#include "plot/Decimation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvo {

namespace {

// Folds values[0..n) into the column: one pass of compares that a NaN
// (a gap) passes without changing the extremes.
void Fold(TColumn& c, const double* values, size_t n, bool mayHaveGaps) {
  if (n == 0) return;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
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
  if (mayHaveGaps)
    for (size_t k = 0; k < n && !c.Gap; ++k) c.Gap = std::isnan(values[k]);
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

}  // namespace

std::vector<TColumn> MinMaxColumns(const TSignalSeries& series, double t0, double t1, size_t columns) {
  std::vector<TColumn> out(std::max<size_t>(columns, 1));
  if (!(t1 > t0) || series.Size() == 0) return out;
  const double width = (t1 - t0) / double(out.size());
  // Over the (at most two) contiguous runs of the ring: each column's end
  // found by binary search, then one tight pass over its points.
  TSignalSeries::TRun runs[2];
  const size_t n = series.Runs(runs);
  for (size_t r = 0; r < n; ++r) {
    const double* times = runs[r].Times;
    const double* end = times + runs[r].Count;
    const double* at = std::lower_bound(times, end, t0);
    for (size_t c = 0; c < out.size() && at < end; ++c) {
      const double columnEnd = c + 1 == out.size() ? t1 : t0 + width * double(c + 1);
      const double* stop = std::lower_bound(at, end, columnEnd);
      Fold(out[c], runs[r].Values + (at - times), size_t(stop - at), series.Gaps() > 0);
      at = stop;
    }
  }
  return out;
}

}  // namespace tarvo
