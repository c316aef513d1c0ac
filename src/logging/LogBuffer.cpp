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

}  // namespace tarvo
