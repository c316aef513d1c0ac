#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tarvo::test {

namespace fs = std::filesystem;

namespace {

// Gives the owner full rights on every folder below (and including) the
// given one, so that a test which took rights away cannot keep its files
// from being removed.
void AllowRemoval(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) return;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ec);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) AllowRemoval(it->path());
}

}  // namespace

TempFolder::TempFolder(std::string_view tag) {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / (std::string(tag) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    const std::string problem = "cannot make a temporary folder " + pattern + ": " + std::strerror(errno);
    ADD_FAILURE() << problem;
    // Without a folder of its own the test would write somewhere else.
    throw std::runtime_error(problem);
  }
  path_ = pattern;
}

TempFolder::~TempFolder() {
  AllowRemoval(path_);
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempFolder::File(std::string_view name) const { return (path_ / name).string(); }

std::string TempFolder::Write(std::string_view name, std::string_view bytes) const {
  const std::string path = File(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  if (!out) ADD_FAILURE() << "cannot write " << path;
  return path;
}

std::string TempFolder::Read(std::string_view name) const {
  std::ifstream in(File(name), std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace tarvo::test
