#pragma once
// The worker threads of logging (the recorder's writer, the replay thread)
// and the way they reach the GUI thread.
//
// A TLogThread runs one body once. Termination is cooperative: Terminate()
// sets a flag the body tests between its steps. When the body returns, the
// end notification is posted to the GUI thread; it runs there later, never
// inside the worker. The owner keeps the object until the notification has
// run or it has waited for the end itself; destroying it joins the thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace tarvo {

// Calls into the GUI thread from a worker. The Qt program queues them on the
// application's event loop; tests run them when they choose.
class GuiThreadCalls {
 public:
  virtual ~GuiThreadCalls() = default;
  // Runs call on the GUI thread later; returns at once.
  virtual void Post(std::function<void()> call) = 0;
  // Runs call on the GUI thread and returns when it has finished.
  virtual void Invoke(std::function<void()> call) = 0;
};

class TLogThread {
 public:
  using Body = std::function<void(TLogThread&)>;

  TLogThread();
  ~TLogThread();  // requests termination and joins
  TLogThread(const TLogThread&) = delete;
  TLogThread& operator=(const TLogThread&) = delete;

  // Starts body on a new thread; afterwards onEnd is posted to the GUI thread.
  void Start(Body body, GuiThreadCalls& gui, std::function<void()> onEnd);

  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  // The body has returned.
  bool Finished() const;
  // Waits up to ms milliseconds for the body to return; true when it has.
  bool WaitFor(uint32_t ms);
  // Waits for the body to return, however long it takes.
  void Wait();
  // A number no other thread object of this run of the program carries, so a
  // late end notification can tell whether it still belongs to the thread
  // its owner holds.
  uint64_t Generation() const { return generation_; }

 private:
  std::thread thread_;
  std::atomic<bool> terminated_{false};
  mutable std::mutex mutex_;
  std::condition_variable ended_;
  bool finished_ = false;
  const uint64_t generation_;
};

}  // namespace tarvo
