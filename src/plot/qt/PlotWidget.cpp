#include "plot/qt/PlotWidget.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

#include "plot/qt/PlotRenderer.h"

namespace tarvo {

PlotWidget::PlotWidget(TPlotModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("PlotWidget");
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(200, 120);
}

double PlotWidget::TimeAt(int x) const {
  double t0, t1;
  model_.View(t0, t1);
  const QRect area = CurveArea(size());
  return t0 + double(x - area.left()) / double(std::max(1, area.width() - 1)) * (t1 - t0);
}

int PlotWidget::XOf(double time) const {
  double t0, t1;
  model_.View(t0, t1);
  const QRect area = CurveArea(size());
  return area.left() + int(std::lround((time - t0) / (t1 - t0) * (area.width() - 1)));
}

QRect PlotWidget::CurveArea(QSize size) const {
  return PlotCurveArea(QRect(QPoint(0, 0), size), model_, fontMetrics());
}

void PlotWidget::SetCursorTime(std::optional<double> t) {
  cursor_ = t;
  update();
}

QImage PlotWidget::Render(QSize size) const {
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  p.setFont(font());
  TPlotDrawing d;
  model_.View(d.T0, d.T1);
  d.CursorTime = cursor_;
  RenderPlot(p, image.rect(), model_, d);
  return image;
}

void PlotWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  TPlotDrawing d;
  model_.View(d.T0, d.T1);
  d.CursorTime = cursor_;
  RenderPlot(p, rect(), model_, d);
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  model_.Zoom(TimeAt(int(event->position().x())), std::pow(0.8, steps));
  update();
  emit ViewChanged();
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressAt_ = event->pos();
  double t1;
  model_.View(pressT0_, t1);
  dragging_ = false;
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!pressAt_) return;
  const int dx = event->pos().x() - pressAt_->x();
  if (!dragging_ && std::abs(dx) < 4) return;
  dragging_ = true;
  double t0, t1;
  model_.View(t0, t1);
  const double perPixel = (t1 - t0) / std::max(1, CurveArea(size()).width() - 1);
  model_.SetView(pressT0_ - dx * perPixel, pressT0_ - dx * perPixel + (t1 - t0));
  update();
  emit ViewChanged();
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (pressAt_ && !dragging_) {
    SetCursorTime(TimeAt(event->pos().x()));
    if (cursor_) emit CursorPlaced(*cursor_);
  }
  pressAt_.reset();
  dragging_ = false;
}

void PlotWidget::keyPressEvent(QKeyEvent* event) {
  double t0, t1;
  model_.View(t0, t1);
  const double middle = (t0 + t1) / 2, span = t1 - t0;
  switch (event->key()) {
    case Qt::Key_Plus: case Qt::Key_Equal: model_.Zoom(middle, 0.5); break;
    case Qt::Key_Minus: model_.Zoom(middle, 2.0); break;
    case Qt::Key_Left: model_.Pan(-span / 10); break;
    case Qt::Key_Right: model_.Pan(span / 10); break;
    case Qt::Key_Home: model_.FollowAgain(); break;
    default: QWidget::keyPressEvent(event); return;
  }
  update();
  emit ViewChanged();
}

}  // namespace tarvo
