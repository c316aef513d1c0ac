#include "logging/qt/QtGuiThreadCalls.h"

#include <QThread>

namespace tarvo::qt {

QtGuiThreadCalls::QtGuiThreadCalls() = default;

void QtGuiThreadCalls::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(&context_, std::move(call), Qt::QueuedConnection);
}

void QtGuiThreadCalls::Invoke(std::function<void()> call) {
  if (QThread::currentThread() == context_.thread()) {
    call();
    return;
  }
  QMetaObject::invokeMethod(&context_, std::move(call), Qt::BlockingQueuedConnection);
}

}  // namespace tarvo::qt
