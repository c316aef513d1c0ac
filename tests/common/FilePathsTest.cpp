#include "common/FilePaths.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(FilePaths, SplitsAtTheLastSlashOrBackslashAndTakesTheExtensionFromTheNameOnly) {
  const struct {
    const char* path;
    const char* directory;
    const char* name;
    const char* extension;
  } cases[] = {
      {"/a/b/c.txt", "/a/b/", "c.txt", ".txt"},
      {"c.txt", "", "c.txt", ".txt"},
      {"/a/b/c", "/a/b/", "c", ""},
      {"/a/b/c.tar.csv", "/a/b/", "c.tar.csv", ".csv"},
      {"/a/b.d/c", "/a/b.d/", "c", ""},          // the dot of a folder is no extension
      {"b.d\\c", "b.d\\", "c", ""},
      {"/a/c.", "/a/", "c.", "."},               // a trailing dot is an empty extension
      {"/a/.hidden", "/a/", ".hidden", ".hidden"},
      {"/a/b/", "/a/b/", "", ""},
      {"/x.log", "/", "x.log", ".log"},
      {"C:\\Logs\\run.ASC", "C:\\Logs\\", "run.ASC", ".ASC"},
      {"C:\\Logs/sub\\run.asc", "C:\\Logs/sub\\", "run.asc", ".asc"},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DirectoryPart(c.path), c.directory) << c.path;
    EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
    EXPECT_EQ(ExtensionPart(c.path), c.extension) << c.path;
    EXPECT_EQ(FileNameStart(c.path), std::string_view(c.directory).size()) << c.path;
  }
}

// A caller with only '/' as separator keeps a backslash in the name.
TEST(FilePaths, GivenSeparatorsOnlyEndTheFolder) {
  EXPECT_EQ(DirectoryPart("/a/b\\c.d\\e", "/"), "/a/");
  EXPECT_EQ(FileNamePart("/a/b\\c.d\\e", "/"), "b\\c.d\\e");
  EXPECT_EQ(ExtensionPart("/a/b\\c.d\\e", "/"), ".d\\e");
  EXPECT_EQ(ExtensionPart("/a.b/c\\d", "/"), "");
}

}  // namespace
}  // namespace tarvo
