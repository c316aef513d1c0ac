#pragma once
#include <cstdint>

namespace tarvo {

// The program's sense of time: the system tick count in milliseconds, plain
// sleeping, and waiting while the GUI goes on processing its messages. Tests
// substitute a clock they advance by hand.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // Waits until more than ms milliseconds have passed; a GUI clock keeps
  // processing window messages meanwhile and returns early on termination.
  virtual void WaitProcessingMessages(uint32_t ms) = 0;
};

// std::chrono::steady_clock based; its WaitProcessingMessages just sleeps.
class SteadyClock : public Clock {
 public:
  uint32_t TickCount() override;
  void Sleep(uint32_t ms) override;
  void WaitProcessingMessages(uint32_t ms) override;
};

}  // namespace tarvo
