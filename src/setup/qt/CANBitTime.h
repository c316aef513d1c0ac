#pragma once
// The bit-time diagram: one CAN bit drawn as a row of time quanta. The first
// quantum (synchronisation) stays empty; PROPSEG, PHSEG1 and PHSEG2 follow in
// their colours with their names above, and an arrow below the end of PHSEG1
// marks the sample point. Everything scales with the pixels per inch of the
// image drawn on; at 96 the bit may span 360 pixels and the image is 361 x 75.
//
// Coordinates follow the raster rules of the platform the diagram was laid
// out on: a line covers its start pixel up to, not including, its end pixel,
// and a filled rectangle covers its left/top edges but not its right/bottom.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <string>

class QPainter;

namespace tarvo {

class TCANBitTime {
 public:
  static inline const QColor GridColour{128, 128, 128};
  static inline const QColor PROPSEGColour{255, 232, 128};
  static inline const QColor PHSEG1Colour{128, 255, 96};
  static inline const QColor PHSEG2Colour{128, 232, 255};

  // canvas is not owned; clockFrequencyKHz is kept for the owner's use only.
  TCANBitTime(QImage& canvas, int clockFrequencyKHz, int pixelsPerInch);

  // Redraws the whole diagram. brp is accepted and not used: the diagram
  // shows quanta, not time.
  void Display(int brp, int propseg, int phseg1, int phseg2);

  // The decimal separator of the sample-point text.
  void SetDecimalSeparator(const std::string& separator) { decimalSeparator_ = separator; }

  // The area each Display clears; the canvas should be at least this size.
  static QSize CanvasSize(int pixelsPerInch);

  int ClockFreq() const { return clockFreq_; }
  double ScalingFactor() const { return scalingFactor_; }
  int PixelsPerInch() const { return pixelsPerInch_; }
  int XStartScaled() const { return xStartScaled_; }
  int XEndScaled() const { return xEndScaled_; }
  int YStartScaled() const { return yStartScaled_; }
  int YEndScaled() const { return yEndScaled_; }
  int FontHeight() const { return fontHeight_; }  // negative: character height in pixels
  QFont Font() const;

 private:
  int Scaled(double value) const;
  int DrawSegment(QPainter& p, int x, int quantum, int count, const QColor& colour, const char* name);
  void DrawSamplePoint(QPainter& p, int x, double samplePoint);
  void DrawOutline(QPainter& p, int length);

  QImage& canvas_;
  int clockFreq_;
  int pixelsPerInch_;
  double scalingFactor_;
  int xStartScaled_;
  int xEndScaled_;
  int yStartScaled_;
  int yEndScaled_;
  int fontHeight_;
  std::string decimalSeparator_ = ".";
};

}  // namespace tarvo
