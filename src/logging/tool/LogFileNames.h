#pragma once
// What the log tool and the log analysis tell from a file's name and from
// the format words of the command line.
#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "logging/LogTypes.h"

namespace tarvo {

// "txt", "csv", "asc" (either case) name a Tarvo log format.
inline std::optional<TLogFileType> LogFileTypeFromText(std::string_view t) {
  if (t == "txt" || t == "TXT") return TXT_FILE;
  if (t == "csv" || t == "CSV") return CSV_FILE;
  if (t == "asc" || t == "ASC") return ASC_FILE;
  return std::nullopt;
}

// The extension of the file's name in lower case, without the dot; empty
// when the name has none (a dot in a folder's name does not count).
inline std::string FileExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace tarvo
