#include "logging/LogTypes.h"

#include "logging/LogThread.h"

namespace tarvo {

TLog::TLog() = default;

// The thread goes first: it may still read the buffers.
TLog::~TLog() { Thread.reset(); }

TTarvoCAN* TLog::EnsureReplayBuffer() {
  if (!ReplayBuffer) ReplayBuffer = std::make_unique<TTarvoCAN[]>(size_t(MaxLogMessages));
  return ReplayBuffer.get();
}

}  // namespace tarvo
