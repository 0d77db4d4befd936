#pragma once

#include <string>

// Whether two paths name one file, told by the file's identity as the system keeps it, not by
// how its name is spelled: links, "." and "..", and on Windows another drive letter for the same
// folder, "\\?\" and "\\.\" paths, short names and another case all name the same file. One file
// per system implements it (SameFilePosix.cpp, SameFileWin32.cpp).
namespace runkorvix {

// True when both paths (names as the launcher keeps them, Launcher.h) name one existing file, so
// that converting would destroy the input. Both are opened read-only for the comparison and closed
// again; a path that cannot be opened (the output does not exist yet) names no file that the other
// could be.
bool IsSameFile(const std::string& input, const std::string& output);

} // namespace runkorvix
