#pragma once
// What the log library tells from a file's name: its extension, a hint to
// the format where the content does not say it.
#include <cctype>
#include <string>

#include "common/FilePaths.h"

namespace tarvo {

// The extension of the file's name in lower case, without the dot; empty
// when the name has none (a dot in a folder's name does not count).
inline std::string FileExtension(const std::string& path) {
  std::string ext = ExtensionPart(path);
  if (!ext.empty()) ext.erase(0, 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace tarvo
