#include "logging/LogFile.h"

#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvo {

namespace {

// Opening a FIFO to write waits until a reader comes, which may be never: a
// FIFO is opened only when a reader is there already (a tool reading the log
// as it is written), else the open fails at once.
std::FILE* OpenWithoutWaiting(const std::string& path) {
#ifndef _WIN32
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) ::close(fd);
    return f;
  }
#endif
  return std::fopen(path.c_str(), "wb");
}

}  // namespace

TLogFile::~TLogFile() { Close(); }

bool TLogFile::Open(const std::string& path) {
  Close();
  error_ = 0;
  errno = 0;
  file_ = OpenWithoutWaiting(path);
  if (file_ == nullptr) {
    error_ = errno != 0 ? errno : EIO;
    return false;
  }
  // Unbuffered: the recorder hands over large blocks, and each write then
  // reports its own failure.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  return true;
}

bool TLogFile::Write(std::string_view text, size_t* written) {
  if (written) *written = 0;
  if (file_ == nullptr) {
    error_ = EBADF;
    return false;
  }
  errno = 0;
  const size_t n = std::fwrite(text.data(), 1, text.size(), file_);
  if (written) *written = n;
  if (n == text.size()) return true;
  error_ = errno != 0 ? errno : EIO;
  std::clearerr(file_);
  return false;
}

bool TLogFile::Close() {
  if (file_ == nullptr) return true;
  errno = 0;
  const bool ok = std::fclose(file_) == 0;
  if (!ok) error_ = errno != 0 ? errno : EIO;
  file_ = nullptr;
  return ok;
}

}  // namespace tarvo
