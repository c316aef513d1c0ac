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
  m_error = 0;
  errno = 0;
  m_file = OpenWithoutWaiting(path);
  if (m_file == nullptr) {
    m_error = errno != 0 ? errno : EIO;
    return false;
  }
  // Unbuffered: the recorder hands over large blocks, and each write then
  // reports its own failure.
  std::setvbuf(m_file, nullptr, _IONBF, 0);
  return true;
}

bool TLogFile::Write(std::string_view text, size_t* written) {
  if (written) *written = 0;
  if (m_file == nullptr) {
    m_error = EBADF;
    return false;
  }
  errno = 0;
  const size_t n = std::fwrite(text.data(), 1, text.size(), m_file);
  if (written) *written = n;
  if (n == text.size()) return true;
  m_error = errno != 0 ? errno : EIO;
  std::clearerr(m_file);
  return false;
}

bool TLogFile::Close() {
  if (m_file == nullptr) return true;
  errno = 0;
  const bool ok = std::fclose(m_file) == 0;
  if (!ok) m_error = errno != 0 ? errno : EIO;
  m_file = nullptr;
  return ok;
}

}  // namespace tarvo
