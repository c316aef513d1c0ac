#include "plot/qt/PlotRenderer.h"

#include <QColor>
#include <QFontMetrics>
#include <QLineF>
#include <QPainter>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <vector>

#include "plot/Decimation.h"
#include "plot/PlotModel.h"

namespace tarvo {

namespace {

constexpr int LeftMargin = 70, RightMargin = 12, TopMargin = 22, BottomMargin = 26;

struct TLane {
  QRect Rect;
  std::vector<size_t> Signals;
  double Min = 0, Max = 1;
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

QString ValueText(double v) { return QString::number(v, 'g', 6); }

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
    lane.Min = 0;
    lane.Max = 1;
  } else if (lane.Max - lane.Min <= std::abs(lane.Min) * 1e-9) {
    // A constant, or values closer than a double tells apart at their size:
    // room around them that is large enough to change them.
    const double pad = std::max(1.0, std::abs(lane.Min) * 1e-6);
    lane.Min -= pad;
    lane.Max += pad;
  } else {
    const double pad = (lane.Max - lane.Min) * 0.05;
    lane.Min -= pad;
    lane.Max += pad;
  }
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
  const double step = NiceStep(lane.Max - lane.Min, std::max(2, lane.Rect.height() / 40));
  // Bounded: a step too small to move v must not keep the painter here.
  int ticks = 0;
  for (double v = std::ceil(lane.Min / step) * step; v <= lane.Max && ticks < 200 && v + step != v; v += step, ++ticks) {
    const int y = int(YOf(lane, v));
    p.setPen(QColor(0xEE, 0xEE, 0xEE));
    p.drawLine(lane.Rect.left(), y, lane.Rect.right(), y);
    p.setPen(Qt::black);
    p.drawText(QRect(0, y - fm.height() / 2, LeftMargin - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               ValueText(std::abs(v) < step * 1e-9 ? 0.0 : v));
  }
}

void DrawCurve(QPainter& p, const TLane& lane, const TPlottedSignal& s, const std::vector<TColumn>& columns) {
  QVector<QLineF> lines;
  lines.reserve(int(columns.size()) * 2);
  const bool steps = !s.ValueTexts.empty();
  bool have = false;
  double lastY = 0;
  int lastX = 0;
  for (size_t c = 0; c < columns.size(); ++c) {
    const TColumn& col = columns[c];
    const int x = lane.Rect.left() + int(c);
    if (!col.HasPoints) {
      if (col.Gap) have = false;
      continue;
    }
    const double firstY = YOf(lane, col.First);
    if (have) {
      if (steps) {
        lines.append(QLineF(lastX, lastY, x, lastY));
        lines.append(QLineF(x, lastY, x, firstY));
      } else {
        lines.append(QLineF(lastX, lastY, x, firstY));
      }
    }
    lines.append(QLineF(x, YOf(lane, col.Min), x, YOf(lane, col.Max)));
    lastY = YOf(lane, col.Last);
    lastX = x;
    have = !col.Gap;
  }
  p.setPen(QPen(QColor::fromRgb(QRgb(s.Colour)), 1));  // one pixel: the fast line path
  p.drawLines(lines);
}

void DrawLegend(QPainter& p, const TLane& lane, const TPlotModel& model) {
  const QFontMetrics fm = p.fontMetrics();
  int y = lane.Rect.top() + 4;
  for (size_t i : lane.Signals) {
    const TPlottedSignal& s = model.Signals()[i];
    const QString text = QString::fromStdString(s.Label());
    const int w = fm.horizontalAdvance(text) + 20;
    const QRect box(lane.Rect.right() - w - 4, y, w, fm.height() + 2);
    p.fillRect(box, QColor(255, 255, 255, 220));
    p.fillRect(QRect(box.left() + 3, box.top() + box.height() / 2 - 4, 10, 8), QColor::fromRgb(QRgb(s.Colour)));
    p.setPen(Qt::black);
    p.drawText(box.adjusted(16, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    y += box.height() + 2;
  }
}

}  // namespace

QString PlotTimeText(double seconds, double span) {
  const int decimals = span >= 100 ? 0 : span >= 10 ? 1 : span >= 1 ? 2 : span >= 0.1 ? 3 : span >= 0.01 ? 4 : 6;
  return QString::number(seconds, 'f', decimals) + " s";
}

QRect PlotCurveArea(const QRect& area) {
  return area.adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
}

void RenderPlot(QPainter& p, const QRect& area, const TPlotModel& model, const TPlotDrawing& d) {
  p.fillRect(area, Qt::white);
  const QRect curves = PlotCurveArea(area);
  const QFontMetrics fm = p.fontMetrics();
  const auto& plotted = model.Signals();
  if (curves.width() < 4 || curves.height() < 4) return;
  if (plotted.empty()) {
    p.setPen(Qt::gray);
    p.drawText(curves, Qt::AlignCenter, "Add a signal to plot it");
    return;
  }
  // Lanes: one for all, or one per signal.
  std::vector<TLane> lanes;
  if (model.SharedYAxis) {
    TLane all;
    all.Rect = curves;
    for (size_t i = 0; i < plotted.size(); ++i) all.Signals.push_back(i);
    lanes.push_back(all);
  } else {
    const int n = int(plotted.size());
    const int h = curves.height() / n;
    for (int i = 0; i < n; ++i) {
      TLane lane;
      lane.Rect = QRect(curves.left(), curves.top() + i * h, curves.width(), h - (i + 1 < n ? 4 : 0));
      lane.Signals.push_back(size_t(i));
      lanes.push_back(lane);
    }
  }
  std::vector<std::vector<TColumn>> columns(plotted.size());
  for (size_t i = 0; i < plotted.size(); ++i)
    columns[i] = MinMaxColumns(plotted[i].Series, d.T0, d.T1, size_t(curves.width()));
  p.setRenderHint(QPainter::Antialiasing, false);
  for (TLane& lane : lanes) {
    FindRange(lane, columns);
    DrawValueAxis(p, lane, model);
    p.save();
    p.setClipRect(lane.Rect);
    for (size_t i : lane.Signals) DrawCurve(p, lane, plotted[i], columns[i]);
    p.restore();
    DrawLegend(p, lane, model);
  }
  // Time axis.
  const double span = d.T1 - d.T0;
  const double step = NiceStep(span, std::max(2, curves.width() / 90));
  p.setPen(Qt::black);
  int ticks = 0;
  for (double t = std::ceil(d.T0 / step) * step; t <= d.T1 && ticks < 200 && t + step != t; t += step, ++ticks) {
    const int x = curves.left() + int((t - d.T0) / span * (curves.width() - 1));
    p.drawLine(x, curves.bottom(), x, curves.bottom() + 4);
    p.drawText(QRect(x - 50, curves.bottom() + 5, 100, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
               PlotTimeText(std::abs(t) < step * 1e-9 ? 0.0 : t, span));
  }
  // What the bound dropped is said, never hidden.
  if (const uint64_t dropped = model.Dropped()) {
    p.setPen(QColor(0xB0, 0x30, 0x00));
    p.drawText(QRect(area.left() + LeftMargin, area.top() + 2, curves.width(), fm.height()), Qt::AlignLeft,
               QString("The oldest %1 points were dropped: the plot keeps %2 points per signal")
                   .arg(dropped)
                   .arg(plotted.front().Series.Capacity()));
  }
  if (d.CursorTime && *d.CursorTime >= d.T0 && *d.CursorTime <= d.T1) {
    const double t = *d.CursorTime;
    const int x = curves.left() + int((t - d.T0) / span * (curves.width() - 1));
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.drawLine(x, curves.top(), x, curves.bottom());
    QStringList lines{"t = " + PlotTimeText(t, span)};
    for (const TPlottedSignal& s : plotted) {
      const double v = s.Series.ValueAt(t);
      QString value = std::isnan(v) ? "-" : ValueText(v);
      const std::string text = std::isnan(v) ? "" : s.ValueText(v);
      if (!text.empty()) value += " \"" + QString::fromStdString(text) + "\"";
      lines << QString::fromStdString(s.Name) + " = " + value + (s.Unit.empty() ? "" : " " + QString::fromStdString(s.Unit));
    }
    int w = 0;
    for (const QString& l : lines) w = std::max(w, fm.horizontalAdvance(l));
    QRect box(x + 8, curves.top() + 4, w + 12, fm.height() * int(lines.size()) + 8);
    if (box.right() > curves.right()) box.moveRight(x - 8);
    p.fillRect(box, QColor(255, 255, 225, 235));
    p.setPen(Qt::black);
    p.drawRect(box);
    p.drawText(box.adjusted(6, 4, -4, -4), Qt::AlignLeft | Qt::AlignTop, lines.join('\n'));
  }
}

}  // namespace tarvo
