#pragma once
// The scripted faults of a scenario, laid on the time line of one run: each
// fault is a window [start, start + duration) counted from the run's start,
// repeated every EveryMs when given.
#include <cstdint>
#include <vector>

#include "sim/CanFrame.h"
#include "sim/Scenario.h"

namespace tarvo::sim {

class FaultScript {
 public:
  explicit FaultScript(std::vector<FaultSpec> faults) : faults_(std::move(faults)) {}

  void Start(int64_t runStart) { origin_ = runStart; running_ = true; }
  void Stop() { running_ = false; }

  bool Active(FaultKind kind, int64_t t) const;
  // The first window start or end strictly after t; NoTime when none.
  int64_t NextEdge(int64_t t) const;
  // The first scheduled error frame at or after t; NoTime when none.
  int64_t NextErrorFrame(int64_t t) const;

 private:
  struct Window { int64_t Start, End; };
  // The window of f that contains t or, failing that, the next one after t.
  bool WindowAtOrAfter(const FaultSpec& f, int64_t t, Window& w) const;

  std::vector<FaultSpec> faults_;
  int64_t origin_ = 0;
  bool running_ = false;
};

}  // namespace tarvo::sim
