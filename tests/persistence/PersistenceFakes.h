#pragma once
// Test doubles for the files: the scripted dialogs set to cancel, and a
// folder of its own per test.
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/UserDialogs.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace tarvo::test {

// The shared scripted dialogs, answering an unscripted question with Cancel
// as a user who closes it does (a box with only OK is answered OK).
struct FileDialogs : ScriptedDialogs {
  FileDialogs() { DefaultAnswer = TDialogResult::Cancel; }
};

// A fresh folder below the system's temporary folder, removed afterwards;
// Dir() names it with the trailing separator a folder setting carries.
struct ScratchFolder : TempFolder {
  ScratchFolder() : TempFolder("tarvo-persistence") {}
  std::string Dir() const { return Path().string() + "/"; }
};

}  // namespace tarvo::test
