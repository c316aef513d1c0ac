#pragma once
// Draws a TPlotModel with QPainter: one lane with a shared value axis, or a
// lane per shown signal; each curve decimated to the lane's pixel columns
// (one vertical stroke per column from its smallest to its largest value),
// the time axis, the notice of dropped points, and the cursor. The legend
// (colour, name, unit, and at the cursor the value) stands in a column of
// its own right of the curves, the cursor's time above them: nothing covers
// the data. A second cursor adds the differences in time (above it) and in
// value (in the legend). A lane zoomed in value draws its range as zoomed. Every lane gets at least three labelled value ticks apart from
// each other; time labels stand apart and inside the picture. Used by the
// plot widget and, without a window, by "tarvo-log plot".
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QFontMetrics;
class QPainter;

namespace tarvo {

class TPlotModel;
struct TPlottedSignal;

struct TPlotDrawing {
  double T0 = 0, T1 = 1;                // the time range in view
  std::optional<double> CursorTime;     // draws the cursor and its readout
  // A second cursor: beside each value the legend shows the difference
  // from the first cursor to it, and above it the difference in time.
  std::optional<double> SecondCursorTime;
  std::optional<QRect> ZoomBox;         // the box of a box zoom being dragged
};

// A lane as drawn: its rectangle, its signals and its value range.
struct TPlotLane {
  QRect Rect;
  std::vector<size_t> Signals;
  double Min = 0, Max = 1;
};
std::vector<TPlotLane> PlotLanes(const QRect& area, const TPlotModel& model, const TPlotDrawing& drawing,
                                 const QFontMetrics& fontMetrics);

// The rectangle of the curves inside area (the axes and legend around it),
// for the model's signals drawn in the font of fontMetrics.
QRect PlotCurveArea(const QRect& area, const TPlotModel& model, const QFontMetrics& fontMetrics);

void RenderPlot(QPainter& painter, const QRect& area, const TPlotModel& model, const TPlotDrawing& drawing);

// The text of a time: seconds, with the decimals that show resolution (the
// tick step on the axis; at the cursor a pixel's time, a millisecond at the
// coarsest).
QString PlotTimeText(double seconds, double resolution);
// A signal's value as the readout shows it: at the signal's resolution,
// with its value-table text when it has one.
QString PlotValueText(const TPlottedSignal& signal, double value);
// The cursor's readout: its time, then each shown signal's value and unit.
QStringList PlotReadout(const TPlotModel& model, double t, double span, int columns);
// From cursor time a to cursor time b: the difference in time, then each
// shown signal's difference in value ("-" where either has none).
QStringList PlotDifferences(const TPlotModel& model, double a, double b, double span, int columns);

}  // namespace tarvo
