#include "logging/LogBuffer.h"

#include <algorithm>
#include <cstring>

namespace tarvo {

TLogBuffer::TLogBuffer(size_t capacity)
    : data_(new char[std::max(capacity, MaxLineLength)]), capacity_(std::max(capacity, MaxLineLength)) {}

void TLogBuffer::Grow(size_t needed) {
  const size_t capacity = std::max(needed, capacity_ * 2);
  std::unique_ptr<char[]> data(new char[capacity]);
  std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

void TLogBuffer::AppendLine(std::string_view line) {
  if (capacity_ - size_ < line.size() + 2) Grow(size_ + line.size() + MaxLineLength);
  char* p = data_.get() + size_;
  std::memcpy(p, line.data(), line.size());
  EndLine(p + line.size());
}

int32_t TLogBuffer::KeepFirstLines(int32_t n) {
  if (n >= count_) return 0;
  const int32_t dropped = count_ - std::max(n, 0);
  size_t end = 0;
  for (int32_t line = 0; line < n; ++line) {
    const std::string_view rest(data_.get() + end, size_ - end);
    end += rest.find("\r\n") + 2;  // every line ends in CR LF
  }
  size_ = end;
  count_ -= dropped;
  return dropped;
}

}  // namespace tarvo
