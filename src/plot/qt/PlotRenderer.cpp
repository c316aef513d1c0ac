#include "plot/qt/PlotRenderer.h"

#include <QColor>
#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QVector>

#include <algorithm>
#include <optional>
#include <cmath>
#include <vector>

#include "plot/Decimation.h"
#include "plot/PlotModel.h"

namespace tarvo {

namespace {

constexpr int LeftMargin = 70, RightMargin = 12, TopMargin = 22, BottomMargin = 26;
constexpr int LegendGap = 8, Swatch = 10;

struct TLane {
  QRect Rect;
  std::vector<size_t> Signals;
  double Min = 0, Max = 1;
  double DataMin = 0, DataMax = 1;  // the values' own range, before the room around them
  double Step = 1;                  // between the value ticks
};

// A step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double NiceStep(double span, int count) {
  if (!(span > 0)) return 1;
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (raw <= m * power) return m * power;
  return 10 * power;
}

// The next 1-2-5 step up or down.
double Coarser(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double m = step / power;
  return m < 1.5 ? 2 * power : m < 3.5 ? 5 * power : 10 * power;
}
double Finer(double step) {
  const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
  const double m = step / power;
  return m < 1.5 ? 0.5 * power : m < 3.5 ? power : 2 * power;
}

// Decimals that show a multiple of step.
int DecimalsOf(double step) {
  return std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 12);
}

QString TickText(double v, double step, double largest) {
  if (largest >= 1e9 || step < 1e-9) return QString::number(v, 'g', 6);
  return QString::number(v, 'f', DecimalsOf(step));
}

void FindRange(TLane& lane, const std::vector<std::vector<TColumn>>& columns) {
  bool any = false;
  for (size_t s : lane.Signals)
    for (const TColumn& c : columns[s]) {
      // An infinite value (a float signal can carry one) has no place on an axis.
      if (!c.HasPoints || !std::isfinite(c.Min) || !std::isfinite(c.Max)) continue;
      lane.Min = any ? std::min(lane.Min, c.Min) : c.Min;
      lane.Max = any ? std::max(lane.Max, c.Max) : c.Max;
      any = true;
    }
  if (!any) {
    lane.Min = lane.DataMin = 0;
    lane.Max = lane.DataMax = 1;
    return;
  }
  lane.DataMin = lane.Min;
  lane.DataMax = lane.Max;
  if (lane.Max - lane.Min <= std::abs(lane.Min) * 1e-9) {
    // A constant, or values closer than a double tells apart at their size:
    // room around them that is large enough to change them.
    const double pad = std::max(1.0, std::abs(lane.Min) * 1e-6);
    lane.Min -= pad;
    lane.Max += pad;
    lane.DataMin = lane.Min;
    lane.DataMax = lane.Max;
  } else {
    const double pad = (lane.Max - lane.Min) * 0.05;
    lane.Min -= pad;
    lane.Max += pad;
  }
}

// The ticks of a value axis: labels a text height apart and half a text
// height inside the lane, so that they neither touch each other nor those
// of the next lane, and at least three of them. When the lane is too low for
// three in its range, the range widens to two steps that hold them.
void ChooseTicks(TLane& lane, int textHeight) {
  const double pixels = std::max(1, lane.Rect.height() - 1);
  const double room = textHeight / 2.0 + 1;  // kept free at both ends
  const auto spacing = [&](double step) { return step / (lane.Max - lane.Min) * pixels; };
  const auto count = [&](double step) {
    const double inset = room / pixels * (lane.Max - lane.Min);
    const double lo = std::ceil((lane.Min + inset) / step), hi = std::floor((lane.Max - inset) / step);
    return hi >= lo ? int(hi - lo) + 1 : 0;
  };
  double step = NiceStep(lane.Max - lane.Min, std::max(3, lane.Rect.height() / 40));
  for (int guard = 0; guard < 8 && count(step) < 3 && spacing(Finer(step)) >= textHeight + 1; ++guard)
    step = Finer(step);
  for (int guard = 0; guard < 60 && spacing(step) < textHeight + 1; ++guard) step = Coarser(step);
  lane.Step = step;
  if (count(step) >= 3 || !(lane.Max - lane.Min > 0) || pixels < 2 * room + 2) return;
  // The finest step whose multiples around the values (not their room)
  // are two or three steps, each a label high.
  const double low = lane.DataMin, high = lane.DataMax;
  const auto intervals = [&](double s) { return std::max(2.0, std::ceil(high / s - 1e-9) - std::floor(low / s + 1e-9)); };
  step = NiceStep(high - low, 4);
  for (int guard = 0; guard < 60 && (intervals(step) > 3 || (pixels - 2 * room) / intervals(step) < textHeight + 1);
       ++guard)
    step = Coarser(step);
  const double a = std::floor(low / step + 1e-9) * step, b = a + intervals(step) * step;
  const double perPixel = (b - a) / (pixels - 2 * room);
  lane.Min = a - room * perPixel;
  lane.Max = b + room * perPixel;
  lane.Step = step;
}

double YOf(const TLane& lane, double v) {
  return lane.Rect.bottom() - (v - lane.Min) / (lane.Max - lane.Min) * (lane.Rect.height() - 1);
}

void DrawValueAxis(QPainter& p, const TLane& lane, const TPlotModel& model) {
  const QFontMetrics fm = p.fontMetrics();
  p.setPen(QColor(0xDD, 0xDD, 0xDD));
  p.drawRect(lane.Rect.adjusted(0, 0, -1, -1));
  // A lane of one value-table signal shows its texts; others numbers.
  const TPlottedSignal* table = nullptr;
  if (lane.Signals.size() == 1 && !model.Signals()[lane.Signals[0]].ValueTexts.empty())
    table = &model.Signals()[lane.Signals[0]];
  if (table) {
    // At most one text per text-high band of the lane, the first of the
    // table that falls there: a table of many values (a database may give
    // hundreds of thousands) draws no more texts than the lane has room for.
    const int band = std::max(1, fm.height());
    std::vector<const TDbcValueText*> shown(size_t(lane.Rect.height() / band + 2), nullptr);
    for (const TDbcValueText& t : table->ValueTexts) {
      if (double(t.Value) < lane.Min || double(t.Value) > lane.Max) continue;
      const int y = int(YOf(lane, double(t.Value)));
      const size_t slot = size_t(std::clamp((y - lane.Rect.top()) / band, 0, int(shown.size()) - 1));
      if (!shown[slot]) shown[slot] = &t;
    }
    for (const TDbcValueText* t : shown) {
      if (!t) continue;
      const int y = int(YOf(lane, double(t->Value)));
      p.setPen(QColor(0xEE, 0xEE, 0xEE));
      p.drawLine(lane.Rect.left(), y, lane.Rect.right(), y);
      p.setPen(Qt::black);
      p.drawText(QRect(0, y - fm.height() / 2, LeftMargin - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                 fm.elidedText(QString::fromStdString(t->Text), Qt::ElideRight, LeftMargin - 6));
    }
    return;
  }
  const double step = lane.Step;
  const double largest = std::max(std::abs(lane.Min), std::abs(lane.Max));
  const double inset = (fm.height() / 2.0) / std::max(1, lane.Rect.height() - 1) * (lane.Max - lane.Min);
  // Bounded: a step too small to move v must not keep the painter here.
  int ticks = 0;
  for (double v = std::ceil((lane.Min + inset) / step) * step; v <= lane.Max - inset && ticks < 200 && v + step != v;
       v += step, ++ticks) {
    const int y = int(YOf(lane, v));
    p.setPen(QColor(0xEE, 0xEE, 0xEE));
    p.drawLine(lane.Rect.left(), y, lane.Rect.right(), y);
    p.setPen(Qt::black);
    p.drawText(QRect(0, y - fm.height() / 2, LeftMargin - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               fm.elidedText(TickText(std::abs(v) < step * 1e-9 ? 0.0 : v, step, largest), Qt::ElideLeft,
                             LeftMargin - 6));
  }
}

// One vertical stroke per column from its smallest to its largest value,
// stretched to the last value of the column before when they touch (the
// join, a pixel wide, is that stroke); a join over empty columns is a line,
// for steps a level line and the stroke. Integer lines: the painter's fast
// path, one call for the whole curve.
void DrawCurve(QPainter& p, const TLane& lane, const TPlottedSignal& s, const std::vector<TColumn>& columns) {
  QVector<QLine> lines;
  lines.reserve(int(columns.size()) + 64);
  const bool steps = !s.ValueTexts.empty();
  // A value far off the lane (or infinite, which a float signal can carry)
  // draws no stroke: the clip would drop it, and an int cannot hold it.
  const double far = 4.0 * (lane.Rect.height() + 16);
  const auto y = [&](double v) {
    const double at = YOf(lane, v);
    return std::isfinite(at) ? int(std::lround(std::clamp(at, lane.Rect.top() - far, lane.Rect.bottom() + far))) : 0;
  };
  bool have = false;
  int lastY = 0, lastX = 0;
  for (size_t c = 0; c < columns.size(); ++c) {
    const TColumn& col = columns[c];
    const int x = lane.Rect.left() + int(c);
    if (col.HasPoints && !(std::isfinite(col.Min) && std::isfinite(col.Max))) {
      have = false;
      continue;
    }
    if (!col.HasPoints) {
      if (col.Gap) have = false;
      continue;
    }
    int top = y(col.Max), bottom = y(col.Min);
    if (have) {
      const int firstY = y(col.First);
      if (x == lastX + 1 || steps) {
        if (x > lastX + 1) lines.append(QLine(lastX, lastY, x, lastY));
        top = std::min({top, lastY, firstY});
        bottom = std::max({bottom, lastY, firstY});
      } else {
        lines.append(QLine(lastX, lastY, x, firstY));
      }
    }
    lines.append(QLine(x, top, x, bottom));
    lastY = y(col.Last);
    lastX = x;
    have = !col.Gap;
  }
  p.setPen(QPen(QColor::fromRgb(QRgb(s.Colour)), 1));  // one pixel: the fast line path
  p.drawLines(lines);
}

QString LegendText(const TPlottedSignal& s) {
  return QString::fromStdString(s.Label()) + (s.Unresolved ? " (unloaded database)" : "");
}

int LegendWidth(const TPlotModel& model, const QFontMetrics& fm, int areaWidth) {
  int widest = 0;
  for (const TPlottedSignal& s : model.Signals()) {
    if (s.Hidden) continue;
    // Room for the name, and for a value of seven digits at the signal's
    // resolution under it: the column stays as wide when the cursor moves.
    const int decimals = s.Decimals() < 0 ? 6 : s.Decimals();
    const QString value = QString::fromUtf8("\u0394 = -0000000") + (decimals ? "." + QString(decimals, '0') : QString()) +
                          " " + QString::fromStdString(s.Unit);
    // Without the mark of an unloaded database: the curves keep their place
    // when it comes (the grey name says it; the mark shows where room is).
    widest = std::max({widest, fm.horizontalAdvance(QString::fromStdString(s.Label())), fm.horizontalAdvance(value)});
  }
  if (widest == 0) return 0;
  return std::min(widest + Swatch + 8, areaWidth / 4);
}

// The lane's signals in the column right of it: swatch, name and unit, and
// at the cursor the value under it.
QString DifferenceText(const TPlottedSignal& s, double a, double b) {
  const double va = s.Series.ValueAt(a), vb = s.Series.ValueAt(b);
  if (std::isnan(va) || std::isnan(vb)) return "-";
  const double d = vb - va;
  const int decimals = s.Decimals();
  return (decimals >= 0 && std::abs(d) < 1e15 ? QString::number(d, 'f', decimals) : QString::number(d, 'g', 10)) +
         (s.Unit.empty() ? "" : " " + QString::fromStdString(s.Unit));
}

void DrawLegend(QPainter& p, const TLane& lane, const TPlotModel& model, const QRect& column,
                std::optional<double> cursor, std::optional<double> second) {
  const QFontMetrics fm = p.fontMetrics();
  int y = lane.Rect.top();
  for (size_t i : lane.Signals) {
    const TPlottedSignal& s = model.Signals()[i];
    if (y + fm.height() > lane.Rect.bottom() + 1 && y != lane.Rect.top()) break;
    const QRect line(column.left(), y, column.width(), fm.height());
    p.fillRect(QRect(line.left(), line.top() + line.height() / 2 - 4, Swatch, 8), QColor::fromRgb(QRgb(s.Colour)));
    p.setPen(s.Unresolved ? Qt::gray : Qt::black);
    const QRect text = line.adjusted(Swatch + 4, 0, 0, 0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(LegendText(s), Qt::ElideRight, text.width()));
    y += fm.height();
    if (!cursor) continue;
    const double v = s.Series.ValueAt(*cursor);
    const QString value = std::isnan(v) ? "-" : PlotValueText(s, v) + (s.Unit.empty() ? "" : " " + QString::fromStdString(s.Unit));
    p.setPen(Qt::black);
    p.drawText(QRect(text.left(), y, text.width(), fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText("= " + value, Qt::ElideRight, text.width()));
    y += fm.height();
    if (second) {
      p.drawText(QRect(text.left(), y, text.width(), fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                 fm.elidedText(QString::fromUtf8("\u0394 = ") + DifferenceText(s, *cursor, *second), Qt::ElideRight,
                               text.width()));
      y += fm.height();
    }
    y += 2;
  }
}

}  // namespace

QString PlotTimeText(double seconds, double resolution) {
  return QString::number(seconds, 'f', resolution > 0 ? DecimalsOf(resolution) : 3) + " s";
}

QString PlotValueText(const TPlottedSignal& signal, double value) {
  const int decimals = signal.Decimals();
  QString text = decimals >= 0 && std::abs(value) < 1e15 ? QString::number(value, 'f', decimals)
                                                          : QString::number(value, 'g', 10);
  const std::string table = signal.ValueText(value);
  if (!table.empty()) text += " \"" + QString::fromStdString(table) + "\"";
  return text;
}

// The cursor's time to a millisecond, finer when a pixel is.
double CursorResolution(double span, int columns) { return std::min(0.001, span / std::max(1, columns)); }

QStringList PlotReadout(const TPlotModel& model, double t, double span, int columns) {
  QStringList lines{"t = " + PlotTimeText(t, CursorResolution(span, columns))};
  for (const TPlottedSignal& s : model.Signals()) {
    if (s.Hidden) continue;
    const double v = s.Series.ValueAt(t);
    lines << QString::fromStdString(s.Name) + " = " + (std::isnan(v) ? "-" : PlotValueText(s, v)) +
                 (s.Unit.empty() || std::isnan(v) ? "" : " " + QString::fromStdString(s.Unit));
  }
  return lines;
}

QStringList PlotDifferences(const TPlotModel& model, double a, double b, double span, int columns) {
  const double resolution = CursorResolution(span, columns);
  QStringList lines{QString::fromUtf8("\u0394t = ") + PlotTimeText(b - a, resolution)};
  for (const TPlottedSignal& s : model.Signals())
    if (!s.Hidden) lines << QString::fromStdString(s.Name) + QString::fromUtf8(" \u0394 = ") + DifferenceText(s, a, b);
  return lines;
}

QRect PlotCurveArea(const QRect& area, const TPlotModel& model, const QFontMetrics& fm) {
  const int legend = LegendWidth(model, fm, area.width());
  return area.adjusted(LeftMargin, TopMargin, -(legend ? legend + LegendGap + 4 : RightMargin), -BottomMargin);
}

namespace {

void DrawTimeAxis(QPainter& p, const QRect& area, const QRect& curves, double t0, double t1) {
  const QFontMetrics fm = p.fontMetrics();
  const double span = t1 - t0;
  const auto xOf = [&](double t) { return curves.left() + int((t - t0) / span * (curves.width() - 1)); };
  // A step whose labels, the widest of them with room around it, fit apart.
  double step = NiceStep(span, std::max(2, curves.width() / 60));
  for (int guard = 0; guard < 60; ++guard, step = Coarser(step)) {
    const int widest = std::max(fm.horizontalAdvance(PlotTimeText(t0, step)), fm.horizontalAdvance(PlotTimeText(t1, step)));
    if (step / span * (curves.width() - 1) >= widest + 12) break;
  }
  p.setPen(Qt::black);
  int ticks = 0, lastRight = area.left() - 1;
  for (double t = std::ceil(t0 / step) * step; t <= t1 && ticks < 200 && t + step != t; t += step, ++ticks) {
    const int x = xOf(t);
    p.drawLine(x, curves.bottom() + 1, x, curves.bottom() + 4);
    const QString text = PlotTimeText(std::abs(t) < step * 1e-9 ? 0.0 : t, step);
    const int w = fm.horizontalAdvance(text);
    // Centred under its tick, moved inside the picture at either end.
    const int left = std::clamp(x - w / 2, area.left(), area.right() + 1 - w);
    if (left <= lastRight + 4) continue;
    p.drawText(QRect(left, curves.bottom() + 5, w, fm.height()), Qt::AlignLeft | Qt::AlignTop, text);
    lastRight = left + w;
  }
}

}  // namespace

namespace {

// The lanes over the curves, one for all or one per shown signal, each with
// its value range (as zoomed, or spanning its values in view) and ticks.
std::vector<TLane> BuildLanes(const QRect& curves, const TPlotModel& model, const std::vector<size_t>& shown,
                              const std::vector<std::vector<TColumn>>& columns, int textHeight) {
  std::vector<TLane> lanes;
  if (model.SharedYAxis) {
    TLane all;
    all.Rect = curves;
    all.Signals = shown;
    lanes.push_back(all);
  } else {
    const int n = int(shown.size());
    const int h = curves.height() / n;
    for (int i = 0; i < n; ++i) {
      TLane lane;
      lane.Rect = QRect(curves.left(), curves.top() + i * h, curves.width(), h - (i + 1 < n ? 4 : 0));
      lane.Signals.push_back(shown[size_t(i)]);
      lanes.push_back(lane);
    }
  }
  const auto& plotted = model.Signals();
  for (TLane& lane : lanes) {
    FindRange(lane, columns);
    if (const TValueRange& zoomed = model.LaneRange(lane.Signals[0]); zoomed.Set) {
      lane.Min = lane.DataMin = zoomed.Min;
      lane.Max = lane.DataMax = zoomed.Max;
    }
    // A lane of one value-table signal shows its texts, not numbers.
    if (lane.Signals.size() != 1 || plotted[lane.Signals[0]].ValueTexts.empty()) ChooseTicks(lane, textHeight);
  }
  return lanes;
}

std::vector<size_t> ShownSignals(const TPlotModel& model) {
  std::vector<size_t> shown;
  for (size_t i = 0; i < model.Signals().size(); ++i)
    if (!model.Signals()[i].Hidden) shown.push_back(i);
  return shown;
}

std::vector<std::vector<TColumn>> Columns(const TPlotModel& model, const std::vector<size_t>& shown,
                                          const TPlotDrawing& d, const QRect& curves) {
  std::vector<std::vector<TColumn>> columns(model.Signals().size());
  for (size_t i : shown) columns[i] = MinMaxColumns(model.Signals()[i].Series, d.T0, d.T1, size_t(curves.width()));
  return columns;
}

// A cursor's line over the lanes and its text in a box above them.
void DrawCursor(QPainter& p, const QRect& area, const QRect& curves, const TPlotDrawing& d, double t,
                const QString& text, Qt::PenStyle style) {
  const QFontMetrics fm = p.fontMetrics();
  const int x = curves.left() + int(std::lround((t - d.T0) / (d.T1 - d.T0) * (curves.width() - 1)));  // as PlotWidget::XOf
  p.setPen(QPen(Qt::black, 1, style));
  p.drawLine(x, curves.top(), x, curves.bottom());
  const int w = fm.horizontalAdvance(text) + 8;
  const QRect box(std::clamp(x - w / 2, area.left(), area.right() + 1 - w), curves.top() - fm.height() - 3, w,
                  fm.height() + 2);
  p.fillRect(box, QColor(255, 255, 225));
  p.setPen(Qt::black);
  p.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

std::vector<TPlotLane> PlotLanes(const QRect& area, const TPlotModel& model, const TPlotDrawing& d,
                                 const QFontMetrics& fm) {
  const QRect curves = PlotCurveArea(area, model, fm);
  const std::vector<size_t> shown = ShownSignals(model);
  std::vector<TPlotLane> out;
  if (curves.width() < 4 || curves.height() < 4 || shown.empty()) return out;
  for (const TLane& lane : BuildLanes(curves, model, shown, Columns(model, shown, d, curves), fm.height()))
    out.push_back({lane.Rect, lane.Signals, lane.Min, lane.Max});
  return out;
}

void RenderPlot(QPainter& p, const QRect& area, const TPlotModel& model, const TPlotDrawing& d) {
  p.fillRect(area, Qt::white);
  const QFontMetrics fm = p.fontMetrics();
  const QRect curves = PlotCurveArea(area, model, fm);
  const auto& plotted = model.Signals();
  if (curves.width() < 4 || curves.height() < 4) return;
  const std::vector<size_t> shown = ShownSignals(model);
  if (shown.empty()) {
    p.setPen(Qt::gray);
    p.drawText(curves, Qt::AlignCenter, plotted.empty() ? "Add a signal to plot it" : "Every plotted signal is hidden");
    return;
  }
  const std::vector<std::vector<TColumn>> columns = Columns(model, shown, d, curves);
  const auto inView = [&](std::optional<double> t) { return t && *t >= d.T0 && *t <= d.T1 ? t : std::nullopt; };
  const std::optional<double> cursor = inView(d.CursorTime);
  // The differences need both cursors; the second may lie outside the view.
  const std::optional<double> second = cursor ? d.SecondCursorTime : std::nullopt;
  const QRect legend(curves.right() + 1 + LegendGap, curves.top(), area.right() - curves.right() - LegendGap,
                     curves.height());
  p.setRenderHint(QPainter::Antialiasing, false);
  for (const TLane& lane : BuildLanes(curves, model, shown, columns, fm.height())) {
    DrawValueAxis(p, lane, model);
    p.save();
    p.setClipRect(lane.Rect);
    for (size_t i : lane.Signals) DrawCurve(p, lane, plotted[i], columns[i]);
    p.restore();
    DrawLegend(p, lane, model, legend, cursor, second);
  }
  DrawTimeAxis(p, area, curves, d.T0, d.T1);
  // What the bound dropped is said, never hidden.
  if (const uint64_t dropped = model.Dropped()) {
    p.setPen(QColor(0xB0, 0x30, 0x00));
    p.drawText(QRect(area.left() + LeftMargin, area.top() + 2, curves.width(), fm.height()), Qt::AlignLeft,
               QString("The oldest %1 points were dropped: the plot keeps %2 points per signal")
                   .arg(dropped)
                   .arg(plotted.front().Series.Capacity()));
  }
  const double span = d.T1 - d.T0;
  if (cursor)  // its time above the lanes, the values in the legend
    DrawCursor(p, area, curves, d, *cursor, PlotReadout(model, *cursor, span, curves.width()).front(), Qt::DashLine);
  if (cursor && inView(second))
    DrawCursor(p, area, curves, d, *second,
               PlotDifferences(model, *cursor, *second, span, curves.width()).front(), Qt::DotLine);
  if (d.ZoomBox) {
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(d.ZoomBox->intersected(curves));
  }
}

}  // namespace tarvo
