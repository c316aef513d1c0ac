#pragma once
// A path split into its folder, its file name and the name's extension.
//
// The folder ends at the last separator. By default both '/' and '\' are
// separators, as the configuration and log files and the file dialogs give
// paths written on Windows as well as here; a caller that holds a path of
// this system only passes its own separators. Examples with the default:
//   DirectoryPart("/a/b/c.txt") -> "/a/b/"   FileNamePart("/a/b/c.txt") -> "c.txt"
//   ExtensionPart("/a/b/c.tar.csv") -> ".csv" ExtensionPart("/a/b.d/c") -> ""
//   DirectoryPart("C:\\Logs\\x.asc") -> "C:\\Logs\\" (as C++ literals)
//   DirectoryPart("x.asc") -> ""          FileNamePart("/a/b/") -> ""
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

inline constexpr std::string_view AnyPathSeparators = "/\\";

// Where the file name begins: after the last separator, or 0 without one.
size_t FileNameStart(std::string_view path, std::string_view separators = AnyPathSeparators);

// The name after the last separator; the whole path without one.
std::string FileNamePart(std::string_view path, std::string_view separators = AnyPathSeparators);

// The folder with its closing separator; empty without one.
std::string DirectoryPart(std::string_view path, std::string_view separators = AnyPathSeparators);

// From the last dot of the file name on, with the dot (a name ending in a dot
// gives "."); empty when the name has none. A dot in a folder's name does not
// count.
std::string ExtensionPart(std::string_view path, std::string_view separators = AnyPathSeparators);

}  // namespace tarvo
