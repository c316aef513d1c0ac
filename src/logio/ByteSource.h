#pragma once
// Where a log's bytes come from: a regular file, or standard input for "-".
// The first bytes can be looked at before reading starts (to tell the
// format) without being lost, so a pipe is read once, front to back.
// Lines are split from it in large blocks with a bound on their length.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

class TByteSource {
 public:
  TByteSource() = default;
  ~TByteSource();
  TByteSource(const TByteSource&) = delete;
  TByteSource& operator=(const TByteSource&) = delete;

  // "-" is standard input. Only a regular file is opened by name: a folder,
  // FIFO or device is refused before any blocking open. False with the
  // reason in error.
  bool Open(const std::string& path, std::string& error);
  // Bytes held in memory (tests, the fuzz targets).
  void OpenBytes(std::string bytes);

  // The first up to n bytes, which Read hands out again from the start.
  std::string_view Head(size_t n = 64 * 1024);
  // Up to n bytes; 0 at the end or after a read error (Error()).
  size_t Read(void* buffer, size_t n);
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  // Bytes handed out so far, and the file's size (0 when not known).
  uint64_t Offset() const { return offset_; }
  uint64_t Size() const { return size_; }

 private:
  size_t ReadRaw(void* buffer, size_t n);

  std::FILE* file_ = nullptr;
  bool ownsFile_ = false;
  std::string memory_;
  size_t memoryAt_ = 0;
  bool inMemory_ = false;
  std::string head_;
  size_t headAt_ = 0;
  uint64_t offset_ = 0, size_ = 0;
  std::string path_, error_;
};

// The lines of a source, without their CR LF or LF ends. A line longer
// than MaxLineBytes is passed over whole and reported, never held.
class TLineReader {
 public:
  static constexpr size_t MaxLineBytes = size_t(64) << 20;

  explicit TLineReader(TByteSource& source, size_t maxLineBytes = MaxLineBytes);
  // The next line; false at the end of the source.
  bool Next(std::string_view& line);
  // Number of the line last handed out (1 for the first).
  uint64_t LineNo() const { return lineNo_; }
  // Lines passed over for their length, since the last call.
  uint64_t TakeOverlong() {
    const uint64_t n = overlong_;
    overlong_ = 0;
    return n;
  }
  uint64_t FirstOverlongLine() const { return firstOverlong_; }

 private:
  bool Fill();

  TByteSource& source_;
  size_t maxLine_;
  std::vector<char> block_;
  size_t begin_ = 0, end_ = 0;
  std::string carry_, lastCarry_;  // a line that spans blocks, and the one handed out
  bool skipping_ = false, atEnd_ = false;
  uint64_t lineNo_ = 0, overlong_ = 0, firstOverlong_ = 0;
};

}  // namespace tarvo
