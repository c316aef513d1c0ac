#pragma once
// Dialogs and the splash window open centred over the main window.
#include <QRect>
#include <QWidget>

namespace tarvo::qt {

// Moves the window so that its frame's centre lies on the centre of the other
// window's frame (window decorations included on both sides).
inline void CentreOver(QWidget& window, const QWidget& over) {
  const QRect o = over.frameGeometry();
  const QSize s = window.frameGeometry().size();
  window.move(o.left() + (o.width() - s.width()) / 2, o.top() + (o.height() - s.height()) / 2);
}

}  // namespace tarvo::qt
