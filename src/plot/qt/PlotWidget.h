#pragma once
// The plot itself (objectName "PlotWidget"): draws a TPlotModel and turns
// the mouse and keys into zoom, pan and the cursor. The wheel zooms around
// the time under the mouse; a drag pans; a click puts the cursor there,
// which reads every signal's value at its time; + and - zoom, Left and
// Right pan, Home follows again as the window choice says.
#include <QWidget>

#include <optional>

#include "plot/PlotModel.h"

namespace tarvo {

class PlotWidget : public QWidget {
  Q_OBJECT
 public:
  explicit PlotWidget(TPlotModel& model, QWidget* parent = nullptr);

  // Time under a horizontal position of the widget.
  double TimeAt(int x) const;
  // Horizontal position of a time in view.
  int XOf(double time) const;
  // The rectangle of the curves in a picture of the given size.
  QRect CurveArea(QSize size) const;
  std::optional<double> CursorTime() const { return cursor_; }
  void SetCursorTime(std::optional<double> t);
  // The plot as a picture of the given size.
  QImage Render(QSize size) const;

 signals:
  void ViewChanged();
  // The user placed the cursor with a click (not SetCursorTime).
  void CursorPlaced(double seconds);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TPlotModel& model_;
  std::optional<double> cursor_;
  std::optional<QPoint> pressAt_;
  double pressT0_ = 0;
  bool dragging_ = false;
};

}  // namespace tarvo
