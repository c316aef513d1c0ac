#pragma once
// Per-pixel-column decimation, as oscilloscopes draw: for each column of the
// plot the smallest and largest value of the points that fall in it, and
// the first and last (for the joins to the neighbours). Every extreme of the
// series within the view is kept, however many points a column holds, and a
// redraw reads the series' block summaries (SignalSeries.h) and the points
// at the columns' ends, not every point in view.
#include <cstddef>
#include <vector>

#include "plot/SignalSeries.h"

namespace tarvo {

struct TColumn {
  bool HasPoints = false;  // a point with a value (not NaN) falls in it
  bool Gap = false;        // a NaN falls in it: the curve breaks
  double Min = 0, Max = 0;
  double First = 0, Last = 0;
};

// Columns of equal width over [t0, t1); columns must be at least 1.
std::vector<TColumn> MinMaxColumns(const TSignalSeries& series, double t0, double t1, size_t columns);

}  // namespace tarvo
