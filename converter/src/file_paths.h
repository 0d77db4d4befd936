// File names as korvix receives and opens them: UTF-8 text on every system. On Windows the
// program's arguments are read from the UTF-16 command line and files are opened by their UTF-16
// names, so that no character of a name depends on the ANSI code page.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvix {

// The path of the file named by these UTF-8 bytes. Elsewhere than on Windows the bytes are the
// name as they stand, whatever they hold; on Windows they become the UTF-16 name, and bytes that
// are not UTF-8 give the empty path, which names no file.
std::filesystem::path path_from_utf8(std::string_view utf8_name);

// std::fopen of the file named by these UTF-8 bytes: the file that std::filesystem finds at
// path_from_utf8 of the same bytes.
std::FILE* open_file(std::string_view utf8_name, const char* mode);

// The arguments behind the program name, as UTF-8. On Windows they come from the process's
// UTF-16 command line, since argv holds them in the ANSI code page, which may lack characters of
// a file name; elsewhere they are argv as given.
std::vector<std::string> program_arguments(int argc, char** argv);

} // namespace korvix
