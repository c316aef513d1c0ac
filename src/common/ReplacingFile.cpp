#include "common/ReplacingFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tarvo {
namespace fs = std::filesystem;

namespace {

// The file a path names: a symbolic link's target, else the path itself.
fs::path Target(const std::string& path) {
  std::error_code ec;
  const fs::path p(path);
  if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
  const fs::path resolved = fs::weakly_canonical(p, ec);
  return ec ? p : resolved;
}

}  // namespace

TReplacingFile::TReplacingFile(const std::string& path) : target_(Target(path).string()) {
  static std::mt19937 random{std::random_device{}()};
  // A name beside the target that no other file has, opened exclusively so
  // that two writers never share it.
  for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
    temp_ = target_ + ".tmp" + std::to_string(random() % 1000000);
    file_ = std::fopen(temp_.c_str(), "wbx");
    if (!file_ && errno != EEXIST) break;
  }
  if (!file_) {
    Fail(errno);
    temp_.clear();
  }
}

TReplacingFile::~TReplacingFile() {
  if (file_) std::fclose(file_);
  if (!committed_ && !temp_.empty()) {
    std::error_code ec;
    fs::remove(temp_, ec);
  }
}

void TReplacingFile::Fail(int errorNumber) {
  if (error_.empty()) error_ = std::strerror(errorNumber ? errorNumber : EIO);
}

bool TReplacingFile::Write(const void* bytes, size_t n) {
  if (!file_) return false;
  if (n == 0 || std::fwrite(bytes, 1, n, file_) == n) return true;
  Fail(errno);
  return false;
}

bool TReplacingFile::Commit() {
  if (!file_) return false;
  bool ok = error_.empty() && std::ferror(file_) == 0;
  if (ok && std::fflush(file_) != 0) ok = false, Fail(errno);
#ifdef _WIN32
  if (ok && _commit(_fileno(file_)) != 0) ok = false, Fail(errno);
#else
  if (ok && fsync(fileno(file_)) != 0) ok = false, Fail(errno);
#endif
  if (std::fclose(file_) != 0 && ok) ok = false, Fail(errno);
  file_ = nullptr;
  if (!ok) {
    Fail(EIO);
    return false;
  }
  std::error_code ec;
  const fs::file_status old = fs::status(target_, ec);
  if (!ec && old.type() == fs::file_type::regular) fs::permissions(temp_, old.permissions(), ec);
  ec.clear();
  fs::rename(temp_, target_, ec);
  if (ec) {
    Fail(ec.value());
    return false;
  }
  committed_ = true;
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(fs::path(a), fs::path(b), ec) && !ec;
}

bool ExistsButIsNotARegularFile(const std::string& path) {
  std::error_code ec;
  const fs::file_status s = fs::status(fs::path(path), ec);
  return !ec && s.type() != fs::file_type::not_found && s.type() != fs::file_type::regular;
}

}  // namespace tarvo
