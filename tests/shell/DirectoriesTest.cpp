#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ShellTestSupport.h"
#include "shell/core/Directories.h"

namespace tarvo {
namespace {
namespace fs = std::filesystem;
using test::TemporaryFolders;

const std::string Sep(1, fs::path::preferred_separator);

class FixedFolders : public KnownFolders {
 public:
  std::string AppData, Docs;
  std::string LocalAppData() override { return AppData; }
  std::string Documents() override { return Docs; }
};

TEST(Directories, CreatesTheApplicationFoldersAndTheWorkingDirectories) {
  TemporaryFolders folders;
  const TDirectories d = PrepareDirectories(folders);
  const std::string app = Sep + "Quorbel" + Sep + "Tarvo" + Sep + "Application" + Sep;
  EXPECT_EQ(d.TarvoDIR, folders.LocalAppData() + app);
  EXPECT_EQ(d.DocumentsDIR, folders.Documents() + app);
  EXPECT_EQ(d.ConfigurationDIR, d.DocumentsDIR + "Configuration" + Sep);
  EXPECT_EQ(d.SnapshotDIR, d.DocumentsDIR + "Snapshot" + Sep);
  EXPECT_EQ(d.LogDIR, d.DocumentsDIR + "Log" + Sep);
  for (const std::string& dir : {d.TarvoDIR, d.ConfigurationDIR, d.SnapshotDIR, d.LogDIR})
    EXPECT_TRUE(fs::is_directory(dir)) << dir;
}

TEST(Directories, ExistingDirectoriesAreKept) {
  TemporaryFolders folders;
  const TDirectories first = PrepareDirectories(folders);
  std::ofstream(first.LogDIR + "kept.txt") << "x";
  const TDirectories second = PrepareDirectories(folders);
  EXPECT_EQ(second.LogDIR, first.LogDIR);
  EXPECT_TRUE(fs::exists(second.LogDIR + "kept.txt"));
}

// A folder where nothing can be created: the application directory falls
// back to the bare folder, the working directories to that.
TEST(Directories, CreationFailuresFallBackToTheFolderAbove) {
  TemporaryFolders temp;
  const fs::path blocker = temp.Root / "blocker";
  std::ofstream(blocker) << "a file where a directory should go";
  FixedFolders folders;
  folders.AppData = blocker.string();
  folders.Docs = blocker.string();
  const TDirectories d = PrepareDirectories(folders);
  EXPECT_EQ(d.TarvoDIR, blocker.string() + Sep);
  EXPECT_EQ(d.DocumentsDIR, blocker.string() + Sep);
  EXPECT_EQ(d.ConfigurationDIR, d.DocumentsDIR);
  EXPECT_EQ(d.LogDIR, d.DocumentsDIR);
}

TEST(Directories, UnknownFoldersLeaveTheWorkingDirectory) {
  TemporaryFolders temp;
  const fs::path before = fs::current_path();
  fs::current_path(temp.Root);
  FixedFolders folders;  // both unknown
  const TDirectories d = PrepareDirectories(folders);
  fs::current_path(before);
  EXPECT_EQ(d.TarvoDIR, "");
  EXPECT_EQ(d.DocumentsDIR, "");
  EXPECT_EQ(d.ConfigurationDIR, "Configuration" + Sep);
  EXPECT_TRUE(fs::is_directory(temp.Root / "Configuration"));
}

}  // namespace
}  // namespace tarvo
