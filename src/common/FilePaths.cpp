#include "common/FilePaths.h"

namespace tarvo {

size_t FileNameStart(std::string_view path, std::string_view separators) {
  const size_t separator = path.find_last_of(separators);
  return separator == std::string_view::npos ? 0 : separator + 1;
}

std::string FileNamePart(std::string_view path, std::string_view separators) {
  return std::string(path.substr(FileNameStart(path, separators)));
}

std::string DirectoryPart(std::string_view path, std::string_view separators) {
  return std::string(path.substr(0, FileNameStart(path, separators)));
}

std::string ExtensionPart(std::string_view path, std::string_view separators) {
  const std::string_view name = path.substr(FileNameStart(path, separators));
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

}  // namespace tarvo
