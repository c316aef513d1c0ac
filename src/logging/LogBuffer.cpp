#include "logging/LogBuffer.h"

#include <algorithm>
#include <cstring>

namespace tarvo {

TLogBuffer::TLogBuffer(size_t capacity)
    : m_data(new char[std::max(capacity, MaxLineLength)]), m_capacity(std::max(capacity, MaxLineLength)) {}

void TLogBuffer::Grow(size_t needed) {
  const size_t capacity = std::max(needed, m_capacity * 2);
  std::unique_ptr<char[]> data(new char[capacity]);
  std::memcpy(data.get(), m_data.get(), m_size);
  m_data = std::move(data);
  m_capacity = capacity;
}

void TLogBuffer::AppendLine(std::string_view line) {
  if (m_capacity - m_size < line.size() + 2) Grow(m_size + line.size() + MaxLineLength);
  char* p = m_data.get() + m_size;
  std::memcpy(p, line.data(), line.size());
  EndLine(p + line.size());
}

int32_t TLogBuffer::KeepFirstLines(int32_t n) {
  if (n >= m_count) return 0;
  const int32_t dropped = m_count - std::max(n, 0);
  size_t end = 0;
  for (int32_t line = 0; line < n; ++line) {
    const std::string_view rest(m_data.get() + end, m_size - end);
    end += rest.find("\r\n") + 2;  // every line ends in CR LF
  }
  m_size = end;
  m_count -= dropped;
  return dropped;
}

}  // namespace tarvo
