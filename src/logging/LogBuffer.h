#pragma once
// One half of the recorder's double buffer: finished log lines, each already
// ended by CR LF, in one contiguous block of characters. The GUI thread
// formats a line straight into the free space (BeginLine/EndLine), so adding
// a line never allocates once the block has grown to five seconds of
// traffic; the writer thread writes the block out in pieces that end at a
// line end.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace tarvo {

class TLogBuffer {
 public:
  // The longest line a line writer produces, line end included, with room to
  // spare.
  static constexpr size_t MaxLineLength = 256;
  static constexpr size_t DefaultCapacity = size_t(1) << 20;

  explicit TLogBuffer(size_t capacity = DefaultCapacity);

  // Room for one line of at most MaxLineLength characters.
  char* BeginLine() {
    if (m_capacity - m_size < MaxLineLength) Grow(m_size + MaxLineLength);
    return m_data.get() + m_size;
  }
  // Ends the line begun at BeginLine, which the caller filled up to end.
  void EndLine(char* end) {
    end[0] = '\r';
    end[1] = '\n';
    m_size = size_t(end + 2 - m_data.get());
    ++m_count;
  }
  // A line of any length; the CR LF is added.
  void AppendLine(std::string_view line);

  int32_t Count() const { return m_count; }
  bool Empty() const { return m_count == 0; }
  // Every line with its CR LF.
  std::string_view Text() const { return {m_data.get(), m_size}; }
  // Keeps the first n lines and drops the rest; returns how many it dropped.
  int32_t KeepFirstLines(int32_t n);
  // Keeps the block for the next lines.
  void Clear() {
    m_size = 0;
    m_count = 0;
  }

 private:
  void Grow(size_t needed);

  std::unique_ptr<char[]> m_data;
  size_t m_size = 0;
  size_t m_capacity = 0;
  int32_t m_count = 0;
};

}  // namespace tarvo
