#include "sim/SimBus.h"

namespace tarvo::sim {

SimBus::SimBus(const Scenario& s, int64_t powerOn) : bitRate_(s.BusBitRate), responders_(s.Responders) {
  for (const NodeSpec& setup : s.Nodes) {
    // Each node has its own reproducible pseudo-random sequence.
    const uint32_t seed = (setup.Frame.Id * 2654435761u) | 1u;
    nodes_.push_back({setup, ArbitrationKey(setup.Frame), powerOn + int64_t(setup.PhaseMs) * NsPerMs, 0, seed});
  }
}

int64_t SimBus::NextReady() const {
  int64_t next = answers_.empty() ? NoTime : answers_.front().Ready;
  for (const Node& n : nodes_)
    if (n.NextDue < next) next = n.NextDue;
  return next;
}

int SimBus::Best(int64_t t, uint64_t& key) const {
  int best = -1;
  for (size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].NextDue <= t && (best < 0 || nodes_[i].Key < key)) {
      best = int(i);
      key = nodes_[i].Key;
    }
  }
  // Answers after the nodes: index nodes_.size() stands for the oldest answer.
  if (!answers_.empty() && answers_.front().Ready <= t) {
    const uint64_t k = ArbitrationKey(answers_.front().Frame);
    if (best < 0 || k < key) {
      best = int(nodes_.size());
      key = k;
    }
  }
  return best;
}

CanFrame SimBus::Take(int index, int64_t t) {
  if (size_t(index) == nodes_.size()) {
    const CanFrame f = answers_.front().Frame;
    answers_.pop_front();
    return f;
  }
  Node& n = nodes_[size_t(index)];
  const int64_t period = int64_t(n.Setup.PeriodMs) * NsPerMs;
  if (period == 0) {
    n.NextDue = t;  // back to back: ready again as soon as the bus is free
  } else {
    // Absolute deadlines; periods missed on a crowded bus are skipped.
    n.NextDue += period;
    if (n.NextDue <= t) n.NextDue += ((t - n.NextDue) / period + 1) * period;
  }
  return NextFrame(n);
}

CanFrame SimBus::NextFrame(Node& n) {
  CanFrame f = n.Setup.Frame;
  for (int i = 0; i < f.Dlc && !f.Remote; ++i) {
    if (n.Setup.Kind[i] == ByteKind::Counter) {
      f.Data[i] = n.Counter;
    } else if (n.Setup.Kind[i] == ByteKind::Random) {
      n.Random ^= n.Random << 13;
      n.Random ^= n.Random >> 17;
      n.Random ^= n.Random << 5;
      f.Data[i] = uint8_t(n.Random >> 8);
    }
  }
  ++n.Counter;
  return f;
}

void SimBus::Observe(const CanFrame& f, int64_t end) {
  if (!f.Remote) return;
  for (const ResponderSpec& r : responders_) {
    if (r.Answer.Id == f.Id && r.Answer.Extended == f.Extended && answers_.size() < MaxPendingAnswers)
      answers_.push_back({r.Answer, end});
  }
}

}  // namespace tarvo::sim
