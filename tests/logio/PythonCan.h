#pragma once
// python-can, the reference reader and writer of logs, run from the log
// library's tests: whether it is there, and what a command prints.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tarvo {

inline bool HasPythonCan() { return std::system("/usr/bin/python3 -c 'import can' >/dev/null 2>&1") == 0; }

// Standard output of a shell command, whole.
inline std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
    ::pclose(p);
  }
  return out;
}

}  // namespace tarvo
