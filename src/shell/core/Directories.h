#pragma once
// The program's directories: settings in the local application-data folder,
// configurations, snapshots and logs under the documents folder.
#include <string>

namespace tarvo {

// The platform's known folders; an empty text when one cannot be determined.
class KnownFolders {
 public:
  virtual ~KnownFolders() = default;
  virtual std::string LocalAppData() = 0;
  virtual std::string Documents() = 0;
};

// Every directory text ends in a separator, or is empty (the working directory).
struct TDirectories {
  std::string TarvoDIR;       // holds the settings file
  std::string DocumentsDIR;
  std::string ConfigurationDIR;
  std::string SnapshotDIR;
  std::string LogDIR;
};

// folder + "Quorbel/Tarvo/Application/", created with its parents when
// missing; the bare folder (with a separator) when creation fails; empty for an empty folder.
std::string ApplicationDirectory(const std::string& folder);

// documentsDIR + name + separator, created when missing; documentsDIR
// itself when creation fails.
std::string WorkingDirectory(const std::string& documentsDIR, const std::string& name);

// Prepares all five directories; failures fall back silently.
TDirectories PrepareDirectories(KnownFolders& folders);

}  // namespace tarvo
