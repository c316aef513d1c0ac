// Pixel constants scaled from 96 pixels per inch.
#include "common/qt/Scaling.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(Scaling, ScaledPixelsRoundHalvesToEven) {
  struct Row {
    int px;
    double factor;
    int expected;
  } rows[] = {{1050, 1.0, 1050}, {655, 1.25, 819}, {75, 1.5, 112}, {45, 1.5, 68},
              {90, 1.5, 135},    {35, 1.25, 44},   {125, 1.5, 188}, {5, 1.5, 8}};
  for (const Row& r : rows) EXPECT_EQ(qt::ScaledPixels(r.px, r.factor), r.expected) << r.px << " x " << r.factor;
}

}  // namespace
}  // namespace tarvo
