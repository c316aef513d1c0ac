#include "sim/FaultScript.h"

#include <algorithm>

namespace tarvo::sim {

bool FaultScript::WindowAtOrAfter(const FaultSpec& f, int64_t t, Window& w) const {
  const int64_t start = origin_ + int64_t(f.StartMs) * NsPerMs;
  const int64_t duration = int64_t(f.DurationMs) * NsPerMs;
  const int64_t every = int64_t(f.EveryMs) * NsPerMs;
  int64_t k = 0;
  if (every > 0 && t > start) k = (t - start) / every;
  w.Start = start + k * every;
  w.End = w.Start + duration;
  if (t < w.End) return true;
  if (every == 0) return false;
  w.Start += every;
  w.End += every;
  return true;
}

bool FaultScript::Active(FaultKind kind, int64_t t) const {
  if (!running_) return false;
  Window w;
  for (const FaultSpec& f : faults_)
    if (f.Kind == kind && WindowAtOrAfter(f, t, w) && w.Start <= t) return true;
  return false;
}

int64_t FaultScript::NextEdge(int64_t t) const {
  if (!running_) return NoTime;
  int64_t next = NoTime;
  Window w;
  for (const FaultSpec& f : faults_) {
    if (f.Kind == FaultKind::ErrorFrames || !WindowAtOrAfter(f, t, w)) continue;
    next = std::min(next, w.Start > t ? w.Start : w.End);
  }
  return next;
}

int64_t FaultScript::NextErrorFrame(int64_t t) const {
  if (!running_) return NoTime;
  int64_t next = NoTime;
  Window w;
  for (const FaultSpec& f : faults_) {
    if (f.Kind != FaultKind::ErrorFrames || !WindowAtOrAfter(f, t, w)) continue;
    const int64_t interval = NsPerSecond / f.PerSecond;
    const int64_t n = t <= w.Start ? 0 : (t - w.Start + interval - 1) / interval;
    const int64_t at = w.Start + n * interval;
    // Past the last error frame of this window: the next window's first one.
    next = std::min(next, at < w.End ? at : (f.EveryMs ? w.Start + int64_t(f.EveryMs) * NsPerMs : NoTime));
  }
  return next;
}

}  // namespace tarvo::sim
