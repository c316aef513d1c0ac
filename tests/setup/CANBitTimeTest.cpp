// The bit-time diagram, checked on the pixels it draws at 96 and 144 pixels
// per inch.
#include "setup/qt/CANBitTime.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QImage>
#include <QRect>

#include "support/TestApplication.h"

namespace tarvo {
namespace {

[[maybe_unused]] auto* const qtApp =
    ::testing::AddGlobalTestEnvironment(new test::TestApplicationEnvironment("setup_qt_tests"));

QImage ClearCanvas(int ppi) {
  QImage image(TCANBitTime::CanvasSize(ppi), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QImage Drawn(int ppi, int propseg, int phseg1, int phseg2) {
  QImage image = ClearCanvas(ppi);
  TCANBitTime(image, 40000, ppi).Display(2, propseg, phseg1, phseg2);
  return image;
}

bool Clear(const QImage& image, int x, int y) { return image.pixelColor(x, y).alpha() == 0; }
bool Is(const QImage& image, int x, int y, const QColor& c) { return image.pixelColor(x, y) == c; }

// Pixels of text or arrow: opaque enough to be ink.
QRect InkBounds(const QImage& image, const QRect& area) {
  QRect bounds;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixelColor(x, y).alpha() > 128 && image.pixelColor(x, y).value() < 100)
        bounds = bounds.united(QRect(x, y, 1, 1));
  return bounds;
}

TEST(CANBitTimeScaling, FieldsAt96And144PixelsPerInch) {
  QImage image = ClearCanvas(96);
  const TCANBitTime at96(image, 40000, 96);
  EXPECT_EQ(at96.XStartScaled(), 0);
  EXPECT_EQ(at96.XEndScaled(), 359);
  EXPECT_EQ(at96.YStartScaled(), 20);
  EXPECT_EQ(at96.YEndScaled(), 40);
  EXPECT_EQ(at96.FontHeight(), -11);
  EXPECT_EQ(at96.Font().pixelSize(), 11);
  EXPECT_EQ(at96.ClockFreq(), 40000);
  EXPECT_EQ(TCANBitTime::CanvasSize(96), QSize(361, 75));

  const TCANBitTime at144(image, 40000, 144);
  EXPECT_DOUBLE_EQ(at144.ScalingFactor(), 1.5);
  EXPECT_EQ(at144.XEndScaled(), 538);  // 538.5 to even
  EXPECT_EQ(at144.YStartScaled(), 30);
  EXPECT_EQ(at144.YEndScaled(), 60);
  EXPECT_EQ(at144.FontHeight(), -16);  // -16.5 to even
  EXPECT_EQ(at144.Font().pixelSize(), 16);
  EXPECT_EQ(TCANBitTime::CanvasSize(144), QSize(541, 112));
}

struct DiagramCase {
  int Ppi;
  int PROPSEG, PHSEG1, PHSEG2;
  int Quantum;
  int ArrowX;
  int Right;  // where the outline closes the bit
};

void PrintTo(const DiagramCase& c, std::ostream* os) {
  *os << c.Ppi << " ppi " << c.PROPSEG << "/" << c.PHSEG1 << "/" << c.PHSEG2;
}

class Diagram : public ::testing::TestWithParam<DiagramCase> {
 protected:
  double s() const { return GetParam().Ppi / 96.0; }
  int Scaled(double v) const { return static_cast<int>(std::nearbyint(v * s())); }
};

// Each quantum: a grey separator, its colour up to the column before the
// next separator, that column left clear. The first quantum stays empty.
TEST_P(Diagram, QuantaColoursAndSeparators) {
  const DiagramCase& c = GetParam();
  const QImage image = Drawn(c.Ppi, c.PROPSEG, c.PHSEG1, c.PHSEG2);
  const int row = (Scaled(20) + Scaled(40)) / 2;
  for (int x = 1; x < c.Quantum; ++x) EXPECT_TRUE(Clear(image, x, row)) << x;
  const int total = c.PROPSEG + c.PHSEG1 + c.PHSEG2;
  for (int k = 0; k < total; ++k) {
    const QColor colour = k < c.PROPSEG                ? TCANBitTime::PROPSEGColour
                          : k < c.PROPSEG + c.PHSEG1 ? TCANBitTime::PHSEG1Colour
                                                       : TCANBitTime::PHSEG2Colour;
    const int x = c.Quantum * (k + 1);
    EXPECT_TRUE(Is(image, x, row, TCANBitTime::GridColour)) << "separator of quantum " << k;
    EXPECT_TRUE(Is(image, x + 1, row, colour)) << "quantum " << k;
    EXPECT_TRUE(Is(image, x + c.Quantum - 2, row, colour)) << "quantum " << k;
    EXPECT_TRUE(Clear(image, x + c.Quantum - 1, row)) << "quantum " << k;
  }
}

TEST_P(Diagram, BandRowsAndOutline) {
  const DiagramCase& c = GetParam();
  const QImage image = Drawn(c.Ppi, c.PROPSEG, c.PHSEG1, c.PHSEG2);
  const int top = Scaled(20), bottom = Scaled(40), column = c.Quantum + 1;
  // Top and bottom outline lines over the band; the band itself ends above bottom.
  EXPECT_TRUE(Clear(image, column, top - 1));
  EXPECT_TRUE(Is(image, column, top, TCANBitTime::GridColour));
  EXPECT_TRUE(Is(image, column, top + 1, TCANBitTime::PROPSEGColour));
  EXPECT_TRUE(Is(image, column, bottom - Scaled(1), TCANBitTime::GridColour));
  EXPECT_TRUE(Is(image, column, bottom - 1, c.Ppi == 96 ? TCANBitTime::GridColour : TCANBitTime::PROPSEGColour));
  EXPECT_TRUE(Clear(image, column, bottom));
  // Vertical outline lines reach 5 scaled pixels beyond the band.
  for (int x : {0, c.Right}) {
    EXPECT_TRUE(Clear(image, x, top - Scaled(5) - 1)) << x;
    EXPECT_TRUE(Is(image, x, top - Scaled(5), TCANBitTime::GridColour)) << x;
    EXPECT_TRUE(Is(image, x, bottom + Scaled(5) - 1, TCANBitTime::GridColour)) << x;
    EXPECT_TRUE(Clear(image, x, bottom + Scaled(5))) << x;
  }
  // Nothing right of the outline, up to the right limit.
  for (int x = c.Right + 1; x <= Scaled(359); ++x)
    for (int y = top - Scaled(5); y < bottom + Scaled(5); ++y) ASSERT_TRUE(Clear(image, x, y)) << x << "," << y;
}

TEST_P(Diagram, SamplePointArrowAndTexts) {
  const DiagramCase& c = GetParam();
  const QImage image = Drawn(c.Ppi, c.PROPSEG, c.PHSEG1, c.PHSEG2);
  const int bottom = Scaled(40), x = c.ArrowX;
  EXPECT_TRUE(Clear(image, x, bottom + Scaled(5) - 1));
  for (int y = bottom + Scaled(5); y < bottom + Scaled(15); ++y) EXPECT_TRUE(Is(image, x, y, Qt::black)) << y;
  EXPECT_TRUE(Clear(image, x, bottom + Scaled(15)));
  EXPECT_TRUE(Is(image, x - 3, bottom + Scaled(8), Qt::black));
  EXPECT_TRUE(Is(image, x + 3, bottom + Scaled(8), Qt::black));

  // The sample-point text hangs below the arrow, centred on it.
  const QRect text = InkBounds(image, QRect(0, bottom + Scaled(18), image.width(), image.height() - bottom - Scaled(18)));
  ASSERT_FALSE(text.isEmpty());
  EXPECT_NEAR((text.left() + text.right()) / 2.0, x, 3.0);
  // The segment names stand above the band, each centred over its segment.
  const int labelTop = Scaled(20) - (15 * c.Ppi + 48) / 96;
  const QRect propseg = InkBounds(image, QRect(c.Quantum + 1, 0, c.Quantum * c.PROPSEG - 1, Scaled(20)));
  ASSERT_FALSE(propseg.isEmpty());
  EXPECT_GE(propseg.top(), labelTop);
  EXPECT_NEAR((propseg.left() + propseg.right()) / 2.0, c.Quantum * (1 + c.PROPSEG / 2.0), 3.0);
}

INSTANTIATE_TEST_SUITE_P(Sets, Diagram,
                         ::testing::Values(DiagramCase{96, 5, 8, 6, 18, 252, 360},
                                           DiagramCase{96, 8, 8, 8, 14, 238, 350},
                                           DiagramCase{144, 5, 8, 6, 26, 364, 520},
                                           DiagramCase{144, 8, 8, 8, 21, 357, 525}));

TEST(CANBitTime, TextGrowsWithTheFont) {
  const auto textHeight = [](int ppi) {
    const QImage image = Drawn(ppi, 5, 8, 6);
    const int top = static_cast<int>(std::nearbyint(58 * ppi / 96.0));
    return InkBounds(image, QRect(0, top, image.width(), image.height() - top)).height();
  };
  const int at96 = textHeight(96), at144 = textHeight(144);
  ASSERT_GT(at96, 4);
  EXPECT_NEAR(static_cast<double>(at144) / at96, 1.5, 0.3);
}

// The whole diagram is cleared first: a shorter bit after a longer one, or
// whatever the canvas held, leaves no trace.
TEST(CANBitTime, ShorterBitAfterLongerLeavesNoTrace) {
  for (int ppi : {96, 144}) {
    QImage canvas = ClearCanvas(ppi);
    TCANBitTime diagram(canvas, 40000, ppi);
    diagram.Display(1, 8, 8, 8);
    diagram.Display(2, 2, 4, 3);
    EXPECT_EQ(canvas, Drawn(ppi, 2, 4, 3)) << ppi;

    canvas.fill(Qt::red);
    diagram.Display(2, 2, 4, 3);
    EXPECT_EQ(canvas, Drawn(ppi, 2, 4, 3)) << ppi;
  }
}

TEST(CANBitTime, ClearedAreaLetsThePageShowThrough) {
  const QImage image = Drawn(96, 5, 8, 6);
  EXPECT_TRUE(Clear(image, 5, 70));
  EXPECT_TRUE(Clear(image, 355, 5));
  EXPECT_TRUE(Clear(image, 9, 30));  // the empty synchronisation quantum
}

TEST(CANBitTime, SamplePointTextTakesTheSeparator) {
  QImage dot = ClearCanvas(96), comma = ClearCanvas(96);
  TCANBitTime(dot, 40000, 96).Display(2, 5, 8, 6);
  TCANBitTime withComma(comma, 40000, 96);
  withComma.SetDecimalSeparator(",");
  withComma.Display(2, 5, 8, 6);
  EXPECT_NE(dot, comma);
  // Only the text below the arrow differs.
  EXPECT_EQ(dot.copy(0, 0, 361, 58), comma.copy(0, 0, 361, 58));
}

}  // namespace
}  // namespace tarvo
