#include "transmit/qt/TransmitKeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "transmit/TransmitScheduler.h"

namespace tarvo {

int VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_F1 && key <= Qt::Key_F9) return VirtualKeyF1 + (key - Qt::Key_F1);
  if (key >= Qt::Key_1 && key <= Qt::Key_9 && !(event.modifiers() & Qt::KeypadModifier))
    return VirtualKeyDigit1 + (key - Qt::Key_1);
  return 0;
}

TransmitKeyFilter::TransmitKeyFilter(QWidget* window, TTransmitScheduler& scheduler)
    : QObject(window), window_(window), scheduler_(scheduler) {
  qApp->installEventFilter(this);
}

TransmitKeyFilter::~TransmitKeyFilter() { qApp->removeEventFilter(this); }

// A press the focused control ignores travels up to its parents and passes
// the application's filters again; only its first delivery counts.
bool TransmitKeyFilter::FirstDelivery(QObject* watched) const {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != window_) return false;
  QWidget* focus = QApplication::focusWidget();
  return focus ? widget == focus : widget == window_;
}

bool TransmitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && FirstDelivery(watched)) {
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const Qt::KeyboardModifiers m = key.modifiers();
    const int virtualKey = VirtualKeyOf(key);
    if (virtualKey != 0)
      scheduler_.OnKeyDown(virtualKey, {bool(m & Qt::ShiftModifier), bool(m & Qt::ControlModifier),
                                          bool(m & Qt::AltModifier)});
  }
  return false;
}

}  // namespace tarvo
