#include "persistence/IniFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tarvo {
namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& path) { return fs::path(path); }

// A name beside the target that no other file has; opened exclusively, so
// two writers never share it.
std::FILE* CreateTemporaryBeside(const fs::path& target, fs::path& tempPath) {
  static std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; attempt < 16; ++attempt) {
    tempPath = target;
    tempPath += ".tmp" + std::to_string(random() % 1000000);
    if (std::FILE* f = std::fopen(tempPath.c_str(), "wbx")) return f;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

bool WriteAndFlush(std::FILE* f, const std::string& bytes) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) return false;
  if (std::fflush(f) != 0) return false;
#ifndef _WIN32
  if (fsync(fileno(f)) != 0) return false;
#endif
  return true;
}

}  // namespace

TIniReadResult ReadIniFile(const std::string& path, TIniDocument& doc) {
  doc = TIniDocument::Parse({});
  std::error_code ec;
  const fs::file_status status = fs::status(PathOf(path), ec);
  if (status.type() == fs::file_type::not_found) return TIniReadResult::Missing;
  if (ec || status.type() != fs::file_type::regular) return TIniReadResult::Failed;
  const uintmax_t size = fs::file_size(PathOf(path), ec);
  if (ec || size > MaxIniFileBytes) return TIniReadResult::Failed;
  std::FILE* f = std::fopen(PathOf(path).c_str(), "rb");
  if (!f) return TIniReadResult::Failed;
  std::string bytes(size_t(size), '\0');
  const size_t read = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return TIniReadResult::Failed;
  bytes.resize(read);  // the file may have shrunk meanwhile
  doc = TIniDocument::Parse(bytes);
  return TIniReadResult::Read;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(PathOf(path), ec);
}

bool IsReadOnlyFile(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(PathOf(path), ec);
  if (ec || status.type() != fs::file_type::regular) return false;
  const fs::perms writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  return (status.permissions() & writable) == fs::perms::none;
}

bool ReplaceFileContent(const std::string& path, const std::string& bytes) {
  const fs::path target = PathOf(path);
  fs::path temp;
  std::FILE* f = CreateTemporaryBeside(target, temp);
  if (!f) return false;
  const bool written = WriteAndFlush(f, bytes);
  const bool closed = std::fclose(f) == 0;
  std::error_code ec;
  if (written && closed) {
    // The new file keeps the permissions of the one it replaces.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && old.type() == fs::file_type::regular) fs::permissions(temp, old.permissions(), ec);
    ec.clear();
    fs::rename(temp, target, ec);
    if (!ec) return true;
  }
  fs::remove(temp, ec);
  return false;
}

bool WriteIniFile(const std::string& path, const TIniDocument& doc) {
  return ReplaceFileContent(path, doc.Serialize());
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryPart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace tarvo
