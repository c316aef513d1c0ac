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
    if (capacity_ - size_ < MaxLineLength) Grow(size_ + MaxLineLength);
    return data_.get() + size_;
  }
  // Ends the line begun at BeginLine, which the caller filled up to end.
  void EndLine(char* end) {
    end[0] = '\r';
    end[1] = '\n';
    size_ = size_t(end + 2 - data_.get());
    ++count_;
  }
  // A line of any length; the CR LF is added.
  void AppendLine(std::string_view line);

  int32_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  // Every line with its CR LF.
  std::string_view Text() const { return {data_.get(), size_}; }
  // Keeps the first n lines and drops the rest; returns how many it dropped.
  int32_t KeepFirstLines(int32_t n);
  // Keeps the block for the next lines.
  void Clear() {
    size_ = 0;
    count_ = 0;
  }

 private:
  void Grow(size_t needed);

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
  int32_t count_ = 0;
};

}  // namespace tarvo
