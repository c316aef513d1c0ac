#include "setup/qt/CANBitTime.h"

#include <QPainter>
#include <cmath>
#include <cstdlib>

#include "setup/BitTiming.h"

namespace tarvo {

namespace {

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

// Multiply-divide rounding: halves away from zero.
int MulDiv(int number, int numerator, int denominator) {
  const long long product = static_cast<long long>(number) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

void HorizontalLine(QPainter& p, int x0, int x1, int y, const QColor& c) {
  if (x1 > x0) p.fillRect(x0, y, x1 - x0, 1, c);
}

void VerticalLine(QPainter& p, int x, int y0, int y1, const QColor& c) {
  if (y1 > y0) p.fillRect(x, y0, 1, y1 - y0, c);
}

// Bresenham from (x0, y0) towards (x1, y1), the end pixel left out.
void Line(QPainter& p, int x0, int y0, int x1, int y1, const QColor& c) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  while (x0 != x1 || y0 != y1) {
    p.fillRect(x0, y0, 1, 1, c);
    const int e2 = 2 * error;
    if (e2 >= dy) { error += dy; x0 += sx; }
    if (e2 <= dx) { error += dx; y0 += sy; }
  }
}

void DrawTextAt(QPainter& p, int left, int top, const QString& text) {
  p.drawText(QPoint(left, top + p.fontMetrics().ascent()), text);
}

}  // namespace

TCANBitTime::TCANBitTime(QImage& canvas, int clockFrequencyKHz, int pixelsPerInch)
    : canvas_(canvas),
      clockFreq_(clockFrequencyKHz),
      pixelsPerInch_(pixelsPerInch),
      scalingFactor_(pixelsPerInch / 96.0),
      xStartScaled_(Scaled(0)),
      xEndScaled_(Scaled(359)),
      yStartScaled_(Scaled(20)),
      yEndScaled_(Scaled(40)),
      fontHeight_(Scaled(-11)) {}

int TCANBitTime::Scaled(double value) const { return RoundHalfEven(value * scalingFactor_); }

QSize TCANBitTime::CanvasSize(int pixelsPerInch) {
  const double s = pixelsPerInch / 96.0;
  return QSize(RoundHalfEven(359 * s) + RoundHalfEven(2 * s), RoundHalfEven(40 * s) + RoundHalfEven(35 * s));
}

QFont TCANBitTime::Font() const {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setPixelSize(-fontHeight_);
  return font;
}

void TCANBitTime::Display(int /*brp*/, int propseg, int phseg1, int phseg2) {
  QPainter p(&canvas_);
  // Cleared to transparent, so the page behind the image shows through and
  // nothing of a longer bit drawn before remains.
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(QRect(0, 0, xEndScaled_ + Scaled(2), yEndScaled_ + Scaled(35)), Qt::transparent);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setFont(Font());
  p.setPen(Qt::black);
  p.setBackgroundMode(Qt::TransparentMode);

  const int quantum = (xEndScaled_ + 1) / (propseg + phseg1 + phseg2 + 1);
  int x = xStartScaled_ + quantum;  // the synchronisation quantum stays empty
  x = DrawSegment(p, x, quantum, propseg, PROPSEGColour, "PROPSEG");
  x = DrawSegment(p, x, quantum, phseg1, PHSEG1Colour, "PHSEG1");
  DrawSamplePoint(p, x, (1 + propseg + phseg1) * 10000.0 / ((1 + propseg + phseg1 + phseg2) * 100.0));
  x = DrawSegment(p, x, quantum, phseg2, PHSEG2Colour, "PHSEG2");
  DrawOutline(p, x - xStartScaled_);
}

// count quanta from x on, each a grey separator and a coloured block, with
// the segment's name centred above; returns the x after the segment.
int TCANBitTime::DrawSegment(QPainter& p, int x, int quantum, int count, const QColor& colour, const char* name) {
  const int start = x;
  for (int i = 0; i < count; ++i) {
    VerticalLine(p, x, yStartScaled_, yEndScaled_, GridColour);
    if (quantum > 2) p.fillRect(x + 1, yStartScaled_, quantum - 2, yEndScaled_ - yStartScaled_, colour);
    x += quantum;
  }
  const int labelTop = yStartScaled_ - MulDiv(15, pixelsPerInch_, 96);
  const QString text = QString::fromLatin1(name);
  DrawTextAt(p, (start + x - p.fontMetrics().horizontalAdvance(text)) / 2, labelTop, text);
  return x;
}

void TCANBitTime::DrawSamplePoint(QPainter& p, int x, double samplePoint) {
  const int tip = yEndScaled_ + Scaled(5);
  VerticalLine(p, x, tip, yEndScaled_ + Scaled(15), Qt::black);
  // The arrow head's 3 pixels stay unscaled.
  Line(p, x - 3, yEndScaled_ + Scaled(8), x, tip, Qt::black);
  Line(p, x + 3, yEndScaled_ + Scaled(8), x, tip, Qt::black);
  const QString text =
      QString::fromStdString("Sample Point = " + FormatFixed(samplePoint, 1, decimalSeparator_) + "%");
  DrawTextAt(p, x - p.fontMetrics().horizontalAdvance(text) / 2, yEndScaled_ + Scaled(18), text);
}

void TCANBitTime::DrawOutline(QPainter& p, int length) {
  const int right = xStartScaled_ + length;
  VerticalLine(p, xStartScaled_, yStartScaled_ - Scaled(5), yEndScaled_ + Scaled(5), GridColour);
  VerticalLine(p, right, yStartScaled_ - Scaled(5), yEndScaled_ + Scaled(5), GridColour);
  HorizontalLine(p, xStartScaled_, right, yEndScaled_ - Scaled(1), GridColour);
  HorizontalLine(p, xStartScaled_, right, yStartScaled_, GridColour);
}

}  // namespace tarvo
