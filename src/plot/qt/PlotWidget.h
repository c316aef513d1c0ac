#pragma once
// The plot itself (objectName "PlotWidget"): draws a TPlotModel and turns
// the mouse and keys into zoom, pan and the cursors. The wheel zooms around
// the time under the mouse, Ctrl+wheel the value axis of the lane under it;
// a drag pans, a drag with Ctrl (or any drag while box zoom is on) zooms to
// the box drawn: its times, and its values when it lies in one lane; a click
// puts the cursor there, which reads every signal's value at its time, and
// Shift+click a second cursor, to which the differences in time and value
// are shown; + and - zoom, Left and Right pan, Home follows again as the
// window choice says, 0 lets every value axis span its values again.
#include <QWidget>

#include <optional>

#include "plot/PlotModel.h"
#include "plot/qt/PlotRenderer.h"

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
  std::optional<double> SecondCursorTime() const { return second_; }
  void SetSecondCursorTime(std::optional<double> t);
  // Every drag zooms to its box (the panel's "Box zoom").
  void SetBoxZoom(bool on) { boxZoom_ = on; }
  bool BoxZoom() const { return boxZoom_; }
  // The view zoomed to a box of the widget: its times, and its values in
  // the lane where it starts when it is taller than a few pixels.
  void ZoomToBox(const QRect& box);
  // The lanes as the widget draws them now.
  std::vector<TPlotLane> Lanes() const;
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
  TPlotDrawing Drawing() const;

  std::optional<double> cursor_, second_;
  bool boxZoom_ = false;
  bool boxing_ = false;  // the present drag draws a box
  QPoint boxEnd_;
  std::optional<QPoint> pressAt_;
  double pressT0_ = 0;
  bool dragging_ = false;
};

}  // namespace tarvo
