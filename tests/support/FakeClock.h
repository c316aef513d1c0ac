#pragma once
#include "common/Clock.h"

namespace tarvo::test {

// A clock that moves only when told to: sleeps and waits advance it at once.
class FakeClock : public Clock {
 public:
  uint32_t Now = 0;
  uint32_t TickCount() override { return Now; }
  void Sleep(uint32_t ms) override { Now += ms; }
  void WaitProcessingMessages(uint32_t ms) override { Now += ms + 1; }
  void Advance(uint32_t ms) { Now += ms; }
};

}  // namespace tarvo::test
