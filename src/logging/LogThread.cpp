#include "logging/LogThread.h"

#include <chrono>

namespace tarvo {

namespace {
std::atomic<uint64_t> NextGeneration{1};
}

TLogThread::TLogThread() : generation_(NextGeneration.fetch_add(1)) {}

TLogThread::~TLogThread() {
  Terminate();
  if (thread_.joinable()) thread_.join();
}

void TLogThread::Start(Body body, GuiThreadCalls& gui, std::function<void()> onEnd) {
  thread_ = std::thread([this, body = std::move(body), &gui, onEnd = std::move(onEnd)]() mutable {
    body(*this);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    ended_.notify_all();
    if (onEnd) gui.Post(std::move(onEnd));
  });
}

bool TLogThread::Finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

bool TLogThread::WaitFor(uint32_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return ended_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return finished_; });
}

void TLogThread::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  ended_.wait(lock, [this] { return finished_; });
}

}  // namespace tarvo
