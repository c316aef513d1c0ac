#include "persistence/IniFile.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/ReplacingFile.h"

namespace tarvo {
namespace fs = std::filesystem;

namespace {

fs::path PathOf(const std::string& path) { return fs::path(path); }

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

bool ReplaceFileContent(const std::string& path, const std::string& bytes, std::string* error) {
  TReplacingFile file(path);
  const bool written = file.Write(bytes.data(), bytes.size()) && file.Commit();
  if (!written && error) *error = file.Error();
  return written;
}

bool WriteIniFile(const std::string& path, const TIniDocument& doc, std::string* error) {
  return ReplaceFileContent(path, doc.Serialize(), error);
}

}  // namespace tarvo
