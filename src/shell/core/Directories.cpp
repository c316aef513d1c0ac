#include "shell/core/Directories.h"

#include <filesystem>
#include <system_error>

namespace tarvo {
namespace fs = std::filesystem;

namespace {

const std::string Separator(1, fs::path::preferred_separator);

bool EndsWithSeparator(const std::string& s) {
  return !s.empty() && (s.back() == '/' || s.back() == fs::path::preferred_separator);
}

std::string WithSeparator(const std::string& s) { return EndsWithSeparator(s) ? s : s + Separator; }

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool CreateDirectories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return !ec && IsDirectory(path);
}

}  // namespace

std::string ApplicationDirectory(const std::string& folder) {
  if (folder.empty()) return {};
  const std::string dir = WithSeparator(folder) + "Quorbel" + Separator + "Tarvo" + Separator + "Application";
  if (IsDirectory(dir) || CreateDirectories(dir)) return dir + Separator;
  // With a separator, so that the working directories are built inside the
  // folder and not beside it.
  return WithSeparator(folder);
}

std::string WorkingDirectory(const std::string& documentsDIR, const std::string& name) {
  const std::string dir = documentsDIR + name + Separator;
  // An empty documentsDIR leaves a relative name: it lives in the working directory.
  if (IsDirectory(dir) || CreateDirectories(dir)) return dir;
  return documentsDIR;
}

TDirectories PrepareDirectories(KnownFolders& folders) {
  TDirectories d;
  d.TarvoDIR = ApplicationDirectory(folders.LocalAppData());
  d.DocumentsDIR = ApplicationDirectory(folders.Documents());
  d.ConfigurationDIR = WorkingDirectory(d.DocumentsDIR, "Configuration");
  d.SnapshotDIR = WorkingDirectory(d.DocumentsDIR, "Snapshot");
  d.LogDIR = WorkingDirectory(d.DocumentsDIR, "Log");
  return d;
}

}  // namespace tarvo
