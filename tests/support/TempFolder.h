#pragma once
// A scratch folder of one test: made fresh and unique under the system's
// temporary directory, removed with everything in it when the test is done.
#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo::test {

class TempFolder {
 public:
  // The folder is named after the tag and made unique by mkdtemp, so that
  // parallel test programs and repeated runs never share one.
  explicit TempFolder(std::string_view tag);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The path of a file in the folder.
  std::string File(std::string_view name) const;
  // Writes the bytes as they are into a file in the folder; returns its path.
  std::string Write(std::string_view name, std::string_view bytes) const;
  // The whole file as it is; empty when it is missing.
  std::string Read(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

}  // namespace tarvo::test
