#include "logging/HPTimer.h"

#include <chrono>
#include <ratio>
#include <thread>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#endif

namespace tarvo {

namespace {
using Clock = std::chrono::steady_clock;
constexpr int64_t Frequency = Clock::period::den / Clock::period::num;
// Sleeping overshoots by the scheduler's wake-up latency; the margin covers it.
constexpr int64_t SpinMarginCounts = Frequency / 5000;  // 200 us, see HPTimerSpinMargin
}  // namespace

bool HPTimerInit(int64_t& frequency) {
  // A counter coarser than a microsecond cannot time sub-millisecond gaps.
  if (Frequency < 1000000) {
    frequency = 0;
    return false;
  }
  frequency = Frequency;
  return true;
}

int64_t HPTimerCount() { return int64_t(Clock::now().time_since_epoch().count()); }

bool HPTimerDelay(int64_t counts) {
  const int64_t start = HPTimerCount();
  while (HPTimerCount() <= start + counts) {
  }
  return true;
}

void HPTimerWaitUntil(int64_t deadline, int64_t spinMargin) {
  const int64_t wake = deadline - spinMargin;
  const int64_t now = HPTimerCount();
  if (wake > now) std::this_thread::sleep_for(Clock::duration(wake - now));
  while (HPTimerCount() <= deadline) {
  }
}

void HPTimerPrepareThread() {
#if defined(__linux__)
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

bool HPTimerRaiseThreadPriority() {
#if defined(__linux__)
  // Round-robin, not FIFO: a thread that spins still shares its processor
  // with the other real-time threads of its priority.
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_RR) + 1;
  return pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0;
#else
  return false;
#endif
}

int64_t HPTimerSpinMargin() { return SpinMarginCounts; }

}  // namespace tarvo
