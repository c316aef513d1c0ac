#pragma once
// GUI-thread calls of the logging threads, queued on the application's
// event loop. Calls posted after this object is gone are dropped.
#include <QObject>

#include "logging/LogThread.h"

namespace tarvo::qt {

class QtGuiThreadCalls : public GuiThreadCalls {
 public:
  // Create on the GUI thread.
  QtGuiThreadCalls();
  void Post(std::function<void()> call) override;
  // From the GUI thread itself the call runs at once.
  void Invoke(std::function<void()> call) override;

 private:
  QObject context_;
};

}  // namespace tarvo::qt
