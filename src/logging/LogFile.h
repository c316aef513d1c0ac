#pragma once
// The open log file. Text goes to the operating system at every Write, so a
// failure (a full disk, a vanished medium) is seen by the write that meets
// it and not later by a close nobody checks. The bytes are written as they
// come: the lines carry their own CR LF, and no byte-order mark is added.
#include <cstdio>
#include <string>
#include <string_view>

namespace tarvo {

class TLogFile {
 public:
  TLogFile() = default;
  ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  // Creates the file or truncates it. False with LastError() set when it
  // cannot be opened.
  bool Open(const std::string& path);
  // False when not every byte reached the file; written (if given) gets the
  // number of bytes that did.
  bool Write(std::string_view text, size_t* written = nullptr);
  // Closes the file; false when the last bytes could not be written. The
  // file is closed either way.
  bool Close();
  bool IsOpen() const { return file_ != nullptr; }
  // The errno of the last failure, 0 when none.
  int LastError() const { return error_; }

 private:
  std::FILE* file_ = nullptr;
  int error_ = 0;
};

}  // namespace tarvo
