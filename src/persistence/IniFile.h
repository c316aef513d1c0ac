#pragma once
// Whole-file reading and writing of INI documents.
//
// Writing never leaves a half-written file behind and writes through a
// symbolic link to its target (see common/ReplacingFile.h).
#include <cstdint>
#include <string>

// FileNamePart and DirectoryPart, with which the callers split the paths of
// the files they read and write.
#include "common/FilePaths.h"
#include "persistence/IniDocument.h"

namespace tarvo {

// Larger files are refused rather than read: no settings or configuration
// file comes near it, and a runaway file must not take the memory.
inline constexpr uintmax_t MaxIniFileBytes = 64u * 1024u * 1024u;

enum class TIniReadResult { Read, Missing, Failed };

// Missing: no such file (doc is empty). Failed: the path exists but cannot
// be read as a file (a folder, no permission, too large, an I/O error).
TIniReadResult ReadIniFile(const std::string& path, TIniDocument& doc);

bool FileExists(const std::string& path);
// An existing file that nobody may write to (no write permission bit).
bool IsReadOnlyFile(const std::string& path);

// bytes replace the file's content, through a temporary file in its folder;
// on failure error (when given) gets the system's text of the cause.
bool ReplaceFileContent(const std::string& path, const std::string& bytes, std::string* error = nullptr);
bool WriteIniFile(const std::string& path, const TIniDocument& doc, std::string* error = nullptr);

// A failure message followed by its cause, the system's own text, so that a
// full disk is not mistaken for a permission problem.
inline std::string WithCause(const std::string& message, const std::string& cause) {
  return cause.empty() ? message : message + "\n\n" + cause;
}
inline constexpr const char* UnreadableFileCause = "The file there cannot be read, so it is not replaced.";

}  // namespace tarvo
