#pragma once
// The other nodes on an adapter's bus: periodic senders and the nodes that
// answer remote frames. The adapter's event loop asks which of their frames
// is ready, arbitrates them against its own, and shows every completed frame
// back to them so that the answering nodes can react.
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/CanFrame.h"
#include "sim/Scenario.h"

namespace tarvo::sim {

inline constexpr size_t MaxPendingAnswers = 64;

class SimBus {
 public:
  SimBus(const Scenario& s, int64_t powerOn);

  double BitRate() const { return bitRate_; }
  // Earliest time a node wants the bus; NoTime when none ever will.
  int64_t NextReady() const;
  // The ready frame (at t) that wins arbitration; -1 when none is ready.
  int Best(int64_t t, uint64_t& key) const;
  // Hands out the frame of Best() for a transfer starting at t.
  CanFrame Take(int index, int64_t t);
  // A frame has completed at `end`; answering nodes queue their replies.
  void Observe(const CanFrame& f, int64_t end);

 private:
  struct Node {
    NodeSpec Setup;
    uint64_t Key;
    int64_t NextDue;
    uint8_t Counter = 0;
    uint32_t Random;
  };
  struct Answer { CanFrame Frame; int64_t Ready; };

  CanFrame NextFrame(Node& n);

  double bitRate_;
  std::vector<Node> nodes_;
  std::vector<ResponderSpec> responders_;
  std::deque<Answer> answers_;  // in the order they became ready
};

}  // namespace tarvo::sim
