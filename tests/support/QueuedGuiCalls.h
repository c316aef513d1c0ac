#pragma once
// GUI-thread calls for tests: posted calls wait in a queue until the test
// runs them, as if its own thread were the GUI thread's event loop.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "logging/LogThread.h"

namespace tarvo::test {

class QueuedGuiCalls : public GuiThreadCalls {
 public:
  void Post(std::function<void()> call) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(std::move(call));
    }
    posted_.notify_all();
  }
  // Blocks the calling worker until the test runs the call, at most 10 s;
  // a call the test never runs fails it instead of hanging the worker.
  void Invoke(std::function<void()> call) override {
    auto done = std::make_shared<bool>(false);
    Post([this, call = std::move(call), done] {
      call();
      std::lock_guard<std::mutex> lock(mutex_);
      *done = true;
      ran_.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex_);
    if (!ran_.wait_for(lock, std::chrono::seconds(10), [&] { return *done; }))
      ADD_FAILURE() << "a call into the GUI thread was not run within 10 s";
  }
  // Runs every call posted so far; returns how many ran.
  int RunPending() {
    int n = 0;
    for (;;) {
      std::function<void()> call;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) return n;
        call = std::move(queue_.front());
        queue_.pop_front();
      }
      call();
      ++n;
    }
  }
  // Waits up to timeout for a call to be posted, then runs what is there.
  int WaitAndRun(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      posted_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
    }
    return RunPending();
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::condition_variable ran_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace tarvo::test
