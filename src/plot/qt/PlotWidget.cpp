#include "plot/qt/PlotWidget.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>


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

void PlotWidget::SetSecondCursorTime(std::optional<double> t) {
  second_ = t;
  update();
}

TPlotDrawing PlotWidget::Drawing() const {
  TPlotDrawing d;
  model_.View(d.T0, d.T1);
  d.CursorTime = cursor_;
  d.SecondCursorTime = second_;
  if (boxing_ && pressAt_) d.ZoomBox = QRect(*pressAt_, boxEnd_).normalized();
  return d;
}

std::vector<TPlotLane> PlotWidget::Lanes() const { return PlotLanes(rect(), model_, Drawing(), fontMetrics()); }

QImage PlotWidget::Render(QSize size) const {
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  p.setFont(font());
  RenderPlot(p, image.rect(), model_, Drawing());
  return image;
}

void PlotWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  RenderPlot(p, rect(), model_, Drawing());
}

namespace {

const TPlotLane* LaneAt(const std::vector<TPlotLane>& lanes, int y) {
  for (const TPlotLane& lane : lanes)
    if (y >= lane.Rect.top() && y <= lane.Rect.bottom()) return &lane;
  return nullptr;
}

double ValueAt(const TPlotLane& lane, int y) {
  return lane.Min + double(lane.Rect.bottom() - y) / double(std::max(1, lane.Rect.height() - 1)) * (lane.Max - lane.Min);
}

}  // namespace

void PlotWidget::ZoomToBox(const QRect& box) {
  const QRect curves = CurveArea(size());
  const std::vector<TPlotLane> lanes = Lanes();
  if (box.width() >= 4) {
    const int left = std::clamp(box.left(), curves.left(), curves.right());
    const int right = std::clamp(box.right(), curves.left(), curves.right());
    if (right > left) model_.SetView(TimeAt(left), TimeAt(right));
  }
  if (const TPlotLane* lane = LaneAt(lanes, box.top()); lane && box.height() >= 4) {
    const int bottom = std::min(box.bottom(), lane->Rect.bottom());
    if (bottom > box.top()) model_.SetValueRange(lane->Signals.front(), ValueAt(*lane, bottom), ValueAt(*lane, box.top()));
  }
  update();
  emit ViewChanged();
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  const QPoint at = event->position().toPoint();
  if (event->modifiers() & Qt::ControlModifier) {
    // The value axis of the lane under the mouse, around the value there.
    const std::vector<TPlotLane> lanes = Lanes();
    const TPlotLane* lane = LaneAt(lanes, at.y());
    if (!lane) return;
    const double v = ValueAt(*lane, at.y()), factor = std::pow(0.8, steps);
    model_.SetValueRange(lane->Signals.front(), v - (v - lane->Min) * factor, v + (lane->Max - v) * factor);
    update();
    return;
  }
  model_.Zoom(TimeAt(at.x()), std::pow(0.8, steps));
  update();
  emit ViewChanged();
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (event->modifiers() & Qt::ShiftModifier) {
    SetSecondCursorTime(TimeAt(event->pos().x()));
    return;
  }
  pressAt_ = event->pos();
  boxEnd_ = event->pos();
  boxing_ = boxZoom_ || (event->modifiers() & Qt::ControlModifier);
  double t1;
  model_.View(pressT0_, t1);
  dragging_ = false;
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!pressAt_) return;
  const int dx = event->pos().x() - pressAt_->x();
  const int dy = event->pos().y() - pressAt_->y();
  if (!dragging_ && std::abs(dx) < 4 && (!boxing_ || std::abs(dy) < 4)) return;
  dragging_ = true;
  if (boxing_) {
    boxEnd_ = event->pos();
    update();
    return;
  }
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
  } else if (pressAt_ && boxing_) {
    const QRect box = QRect(*pressAt_, event->pos()).normalized();
    boxing_ = false;
    ZoomToBox(box);
  }
  pressAt_.reset();
  boxing_ = false;
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
    case Qt::Key_0: model_.ResetValueRanges(); break;
    default: QWidget::keyPressEvent(event); return;
  }
  update();
  emit ViewChanged();
}

}  // namespace tarvo
