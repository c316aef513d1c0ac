#pragma once
// Pixel constants are given for 96 DPI. A scaled constant is multiplied by
// the window's scaling factor (pixels per inch / 96) and rounded to the
// nearest integer, halves to even.
#include <QLayout>
#include <QSize>
#include <QWidget>

#include <cmath>

namespace tarvo::qt {

inline int ScaledPixels(int px, double scalingFactor) {
  const double v = px * scalingFactor;
  const double nearest = std::round(v);
  if (std::fabs(v - std::trunc(v)) == 0.5) return int(2.0 * std::round(v / 2.0));
  return int(nearest);
}

// A window of fixed size keeps its given size, grown where the user's font
// needs more room than that, so that no control is cut off. Called once the
// window's layout holds all its controls.
inline void SetFixedSizeFittingLayout(QWidget& window, QSize given) {
  if (QLayout* layout = window.layout()) given = given.expandedTo(layout->minimumSize());
  window.setFixedSize(given);
}

}  // namespace tarvo::qt
