#pragma once
// Draws a TPlotModel with QPainter: one lane with a shared value axis, or a
// lane per signal; each curve decimated to the lane's pixel columns (one
// vertical stroke per column from its smallest to its largest value), the
// time axis, the legend with colour, name and unit, the notice of dropped
// points, and the cursor with every signal's value at it. Used by the plot
// widget and, without a window, by "tarvo-log plot".
#include <QRect>

#include <optional>

class QPainter;

namespace tarvo {

class TPlotModel;

struct TPlotDrawing {
  double T0 = 0, T1 = 1;                // the time range in view
  std::optional<double> CursorTime;     // draws the cursor and its readout
};

// The rectangle of the curves inside area (the axes and legend around it).
QRect PlotCurveArea(const QRect& area);

void RenderPlot(QPainter& painter, const QRect& area, const TPlotModel& model, const TPlotDrawing& drawing);

// The text of a time on the axis and in the readout: seconds, with as many
// decimals as the span in view needs.
QString PlotTimeText(double seconds, double span);

}  // namespace tarvo
