#include "logging/LogFile.h"

#include <cerrno>

#include "common/ReplacingFile.h"

namespace tarvo {

TLogFile::~TLogFile() { Close(); }

bool TLogFile::Open(const std::string& path) {
  Close();
  m_error = 0;
  errno = 0;
  // Opening a FIFO to write waits for a reader: a log file is a regular file.
  if (ExistsButIsNotARegularFile(path)) {
    m_error = EINVAL;
    return false;
  }
  m_file = std::fopen(path.c_str(), "wb");
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
