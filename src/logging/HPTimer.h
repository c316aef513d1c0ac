#pragma once
// The high-resolution timer of the replay: counts of std::chrono::steady_clock
// (nanoseconds on the platforms Tarvo runs on). Plain routines, callable from
// any thread.
#include <cstdint>

namespace tarvo {

// Counts per second of the counter; false (and 0) when the clock cannot time
// below a millisecond, so continuous replay is not offered.
bool HPTimerInit(int64_t& frequency);

// The counter now.
int64_t HPTimerCount();

// Waits until the counter has passed its value at the call + counts, reading
// it again and again (counts below 0: returns at the next read). Always true:
// the steady clock cannot fail a read.
bool HPTimerDelay(int64_t counts);

// Waits until the counter passes deadline: sleeps until spinMargin counts
// before it, then reads the counter in a loop for the rest, so the processor
// is free for most of a long gap while the wake-up keeps the busy loop's
// accuracy. spinMargin 0 or less sleeps only.
void HPTimerWaitUntil(int64_t deadline, int64_t spinMargin);

// Called once by a thread that times with the routines above: asks the
// system to wake its sleeps as exactly as it can (on Linux the default timer
// slack adds 50 us to every sleep).
void HPTimerPrepareThread();

// Asks the system to run the calling thread before ordinary ones (on Linux
// the round-robin real-time class at a low priority, where the user may have
// it; elsewhere nothing), so a busy machine does not delay its wake-ups.
// False when the system refused; the thread then runs as before.
bool HPTimerRaiseThreadPriority();

// The spin margin the replay uses, in counts: measured on the 2-core machine
// (bench/logging/HPTimerBench.cpp) as the smallest margin whose wake-ups are
// as late as the pure busy loop's.
int64_t HPTimerSpinMargin();

}  // namespace tarvo
