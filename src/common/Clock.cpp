#include "common/Clock.h"

#include <chrono>
#include <thread>

namespace tarvo {

uint32_t SteadyClock::TickCount() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SteadyClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void SteadyClock::WaitProcessingMessages(uint32_t ms) { Sleep(ms + 1); }

}  // namespace tarvo
