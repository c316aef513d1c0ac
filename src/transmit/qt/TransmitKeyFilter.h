#pragma once
// The main window previews every key press of its controls for the
// transmit keys: F1..F9 with any modifiers and Ctrl+1..Ctrl+9 send the
// enabled items bound to them. The press then goes on to the control as
// usual; it is never consumed.
#include <QObject>

class QKeyEvent;
class QWidget;

namespace tarvo {

class TTransmitScheduler;

// The virtual key code and shift state the scheduler expects, from a Qt key
// press: F1..F9 -> 112..120, the main keyboard's 1..9 -> 49..57 (keypad
// digits are other keys), anything else 0.
int VirtualKeyOf(const QKeyEvent& event);

class TransmitKeyFilter : public QObject {
  Q_OBJECT
 public:
  // Installs itself on the application; only presses for window count.
  TransmitKeyFilter(QWidget* window, TTransmitScheduler& scheduler);
  ~TransmitKeyFilter() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool FirstDelivery(QObject* watched) const;

  QWidget* window_;
  TTransmitScheduler& scheduler_;
};

}  // namespace tarvo
