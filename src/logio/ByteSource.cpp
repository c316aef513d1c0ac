#include "logio/ByteSource.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "common/ReplacingFile.h"

namespace tarvo {

TByteSource::~TByteSource() {
  if (file_ && ownsFile_) std::fclose(file_);
}

bool TByteSource::Open(const std::string& path, std::string& error) {
  path_ = path;
  if (path == "-") {
    file_ = stdin;
    return true;
  }
  if (ExistsButIsNotARegularFile(path)) {
    error = "it is not a regular file";
    return false;
  }
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) {
    error = std::strerror(errno);
    return false;
  }
  ownsFile_ = true;
  struct stat st {};
  if (::fstat(::fileno(file_), &st) == 0 && S_ISREG(st.st_mode)) size_ = uint64_t(st.st_size);
  return true;
}

void TByteSource::OpenBytes(std::string bytes) {
  memory_ = std::move(bytes);
  size_ = memory_.size();
  inMemory_ = true;
  path_ = "(memory)";
}

size_t TByteSource::ReadRaw(void* buffer, size_t n) {
  if (inMemory_) {
    const size_t k = std::min(n, memory_.size() - memoryAt_);
    std::memcpy(buffer, memory_.data() + memoryAt_, k);
    memoryAt_ += k;
    return k;
  }
  if (!file_) return 0;
  const size_t k = std::fread(buffer, 1, n, file_);
  if (k < n && std::ferror(file_) && error_.empty()) error_ = std::strerror(errno);
  return k;
}

std::string_view TByteSource::Head(size_t n) {
  while (head_.size() < n) {
    const size_t had = head_.size();
    head_.resize(n);
    const size_t k = ReadRaw(head_.data() + had, n - had);
    head_.resize(had + k);
    if (k == 0) break;
  }
  return std::string_view(head_).substr(0, std::min(n, head_.size()));
}

size_t TByteSource::Read(void* buffer, size_t n) {
  size_t k = 0;
  if (headAt_ < head_.size()) {
    k = std::min(n, head_.size() - headAt_);
    std::memcpy(buffer, head_.data() + headAt_, k);
    headAt_ += k;
    if (headAt_ == head_.size()) {
      head_.clear();
      head_.shrink_to_fit();
      headAt_ = 0;
    }
  } else {
    k = ReadRaw(buffer, n);
  }
  offset_ += k;
  return k;
}

TLineReader::TLineReader(TByteSource& source, size_t maxLineBytes)
    : source_(source), maxLine_(maxLineBytes), block_(size_t(1) << 20) {}

bool TLineReader::Fill() {
  begin_ = 0;
  end_ = atEnd_ ? 0 : source_.Read(block_.data(), block_.size());
  if (end_ == 0) atEnd_ = true;
  return end_ > 0;
}

bool TLineReader::Next(std::string_view& line) {
  for (;;) {
    if (begin_ == end_ && !Fill()) {
      // The last line without a line end.
      if (skipping_) {
        skipping_ = false;
        ++lineNo_;
        if (!overlong_++) firstOverlong_ = lineNo_;
      }
      if (carry_.empty()) return false;
      ++lineNo_;
      lastCarry_.swap(carry_);
      carry_.clear();
      line = lastCarry_;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      return true;
    }
    const char* at = block_.data() + begin_;
    const char* nl = static_cast<const char*>(std::memchr(at, '\n', end_ - begin_));
    if (!nl) {
      // The line goes on in the next block.
      if (!skipping_) {
        if (carry_.size() + (end_ - begin_) > maxLine_) {
          skipping_ = true;
          carry_.clear();
        } else {
          carry_.append(at, end_ - begin_);
        }
      }
      begin_ = end_;
      continue;
    }
    const size_t n = size_t(nl - at);
    begin_ += n + 1;
    ++lineNo_;
    if (skipping_) {
      skipping_ = false;
      if (!overlong_++) firstOverlong_ = lineNo_;
      continue;
    }
    if (carry_.empty()) {
      line = std::string_view(at, n);
    } else {
      if (carry_.size() + n > maxLine_) {
        carry_.clear();
        if (!overlong_++) firstOverlong_ = lineNo_;
        continue;
      }
      carry_.append(at, n);
      lastCarry_.swap(carry_);
      carry_.clear();
      line = lastCarry_;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }
}

}  // namespace tarvo
