#pragma once
// A file written anew without ever leaving it half written: the new content
// goes into a temporary file in the same folder, which replaces the old file
// in one rename once everything has reached the disk. A failure at any step
// leaves the old file as it was and removes the temporary one.
//
// A path that is a symbolic link is written through: the temporary file goes
// beside the link's target and replaces the target, so the link stays a link
// and the file it names gets the content.
//
// Beside it, the checks every reader and writer of the user's files makes
// first: whether two names reach one file, and whether a name is a file at all.
#include <cstdio>
#include <string>

namespace tarvo {

class TReplacingFile {
 public:
  explicit TReplacingFile(const std::string& path);
  ~TReplacingFile();
  TReplacingFile(const TReplacingFile&) = delete;
  TReplacingFile& operator=(const TReplacingFile&) = delete;

  bool Opened() const { return file_ != nullptr; }
  std::FILE* File() { return file_; }
  bool Write(const void* bytes, size_t n);
  // Flushes, syncs and closes the temporary file and renames it over the
  // target, which keeps its permissions; false when any step failed.
  bool Commit();
  // The system's text for the first step that failed ("No space left on
  // device"), empty while nothing failed.
  const std::string& Error() const { return error_; }

 private:
  void Fail(int errorNumber);

  std::string target_, temp_;
  std::FILE* file_ = nullptr;
  bool committed_ = false;
  std::string error_;
};

// Both names the same file, also through links; false when either is missing.
bool SameFile(const std::string& a, const std::string& b);
// An existing file that is not a regular file (a folder, a FIFO, a device):
// opening one to read may block or never end. False when path is missing.
bool ExistsButIsNotARegularFile(const std::string& path);

}  // namespace tarvo
