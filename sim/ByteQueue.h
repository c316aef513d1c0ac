#pragma once
// The driver's receive queue toward the host: a bounded ring of bytes. A
// packet that does not fit is dropped whole and marks an overrun, which
// stays until the queue is flushed.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvo::sim {

inline constexpr size_t HostQueueBytes = 65536;

class ByteQueue {
 public:
  explicit ByteQueue(size_t capacity = HostQueueBytes) : ring_(capacity) {}

  // All or nothing; false (and an overrun) when the bytes do not fit.
  bool Push(const uint8_t* bytes, size_t n);
  size_t Pop(uint8_t* out, size_t n);
  void Clear();

  size_t Size() const { return size_; }
  size_t Capacity() const { return ring_.size(); }
  bool Overrun() const { return overrun_; }

 private:
  std::vector<uint8_t> ring_;
  size_t head_ = 0;  // next byte to pop
  size_t size_ = 0;
  bool overrun_ = false;
};

}  // namespace tarvo::sim
