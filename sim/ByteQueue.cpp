#include "sim/ByteQueue.h"

#include <algorithm>
#include <cstring>

namespace tarvo::sim {

bool ByteQueue::Push(const uint8_t* bytes, size_t n) {
  if (n > ring_.size() - size_) {
    overrun_ = true;
    return false;
  }
  if (n == 0) return true;
  const size_t tail = (head_ + size_) % ring_.size();
  const size_t first = std::min(n, ring_.size() - tail);
  std::memcpy(ring_.data() + tail, bytes, first);
  std::memcpy(ring_.data(), bytes + first, n - first);
  size_ += n;
  return true;
}

size_t ByteQueue::Pop(uint8_t* out, size_t n) {
  n = std::min(n, size_);
  if (n == 0) return 0;  // out may be null then
  const size_t first = std::min(n, ring_.size() - head_);
  std::memcpy(out, ring_.data() + head_, first);
  std::memcpy(out + first, ring_.data(), n - first);
  head_ = (head_ + n) % ring_.size();
  size_ -= n;
  return n;
}

void ByteQueue::Clear() {
  head_ = size_ = 0;
  overrun_ = false;
}

}  // namespace tarvo::sim
