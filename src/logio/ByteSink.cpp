#include "logio/ByteSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/ReplacingFile.h"

namespace tarvo {

namespace {
constexpr size_t BlockBytes = size_t(1) << 20;
}

void TByteSink::Put(const void* bytes, size_t n) {
  if (buffer_.empty() && n >= BlockBytes) {
    // A whole block from the caller goes on as it is, without a copy.
    if (!failed_ && !Emit(static_cast<const char*>(bytes), n)) failed_ = true;
    flushed_ += n;
    return;
  }
  buffer_.append(static_cast<const char*>(bytes), n);
  if (buffer_.size() >= BlockBytes) Flush();
}

bool TByteSink::Flush() {
  if (!buffer_.empty() && !failed_ && !Emit(buffer_.data(), buffer_.size())) failed_ = true;
  flushed_ += buffer_.size();
  buffer_.clear();
  return !failed_;
}

bool TByteSink::PutAt(uint64_t offset, const void* bytes, size_t n) {
  if (offset >= flushed_) {
    const size_t at = size_t(offset - flushed_);
    if (at + n > buffer_.size()) return false;
    buffer_.replace(at, n, static_cast<const char*>(bytes), n);
    return true;
  }
  if (!Flush()) return false;
  return EmitAt(offset, static_cast<const char*>(bytes), n);
}

bool TByteSink::Finish(std::string& error) {
  const bool flushed = Flush();
  const bool closed = Close(error);
  if (!flushed && error.empty()) error = "it could not be written";
  return flushed && closed;
}

TFileSink::TFileSink(const std::string& path) : file_(std::make_unique<TReplacingFile>(path)) {}
TFileSink::~TFileSink() = default;
bool TFileSink::Opened() const { return file_->Opened(); }
const std::string& TFileSink::OpenError() const { return file_->Error(); }

bool TFileSink::Emit(const char* bytes, size_t n) { return file_->Write(bytes, n); }

bool TFileSink::EmitAt(uint64_t offset, const char* bytes, size_t n) {
  std::FILE* f = file_->File();
  if (!f || std::fflush(f) != 0) return false;
  const long end = std::ftell(f);
  if (end < 0 || std::fseek(f, long(offset), SEEK_SET) != 0) return false;
  const bool ok = file_->Write(bytes, n);
  return std::fseek(f, end, SEEK_SET) == 0 && ok;
}

bool TFileSink::Close(std::string& error) {
  if (failed_) {
    error = file_->Error().empty() ? "it could not be written" : file_->Error();
    return false;  // the temporary file is removed with the object; the old file stays
  }
  if (file_->Commit()) return true;
  error = file_->Error();
  return false;
}

bool TStdoutSink::Emit(const char* bytes, size_t n) { return std::fwrite(bytes, 1, n, stdout) == n; }

bool TStdoutSink::Close(std::string& error) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout) && !failed_) return true;
  error = "standard output could not be written";
  return false;
}

TDeviceSink::~TDeviceSink() {
  if (fd_ >= 0) ::close(fd_);
}

bool TDeviceSink::Open(const std::string& path, std::string& error) {
  // A FIFO without a reader would block the open forever: opened without
  // waiting, it says so at once.
  fd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
  if (fd_ < 0) {
    error = errno == ENXIO ? "no program reads from it" : std::strerror(errno);
    return false;
  }
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  return true;
}

bool TDeviceSink::Emit(const char* bytes, size_t n) {
  while (n > 0) {
    const ssize_t k = ::write(fd_, bytes, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      error_ = std::strerror(errno);
      return false;
    }
    bytes += k;
    n -= size_t(k);
  }
  return true;
}

bool TDeviceSink::Close(std::string& error) {
  if (!failed_) return true;
  error = error_.empty() ? "it could not be written" : error_;
  return false;
}

std::unique_ptr<TByteSink> OpenByteSink(const std::string& path, std::string& error) {
  if (path == "-") return std::make_unique<TStdoutSink>();
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      error = std::strerror(EISDIR);
      return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
      // A device or a FIFO is written into, as the shell's ">" does; it is
      // never replaced by a regular file.
      auto device = std::make_unique<TDeviceSink>();
      if (!device->Open(path, error)) return nullptr;
      return device;
    }
    // A write-protected file stays as it is, as the shell's ">" leaves it
    // (also for the administrator, whom the system would let through).
    if ((st.st_mode & 0222) == 0) {
      error = "it is write-protected";
      return nullptr;
    }
    if (::access(path.c_str(), W_OK) != 0) {
      error = std::strerror(errno);
      return nullptr;
    }
  }
  auto sink = std::make_unique<TFileSink>(path);
  if (!sink->Opened()) {
    error = sink->OpenError();
    return nullptr;
  }
  return sink;
}

}  // namespace tarvo
