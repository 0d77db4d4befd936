// Files, folders and programs for the tests that run korvix or gpsbabel on real files.
#pragma once

#include "gdb_builder.h"

#include <filesystem>
#include <span>
#include <string>

namespace korvix::testing {

// Whether the tests and the korvix they run are built with AddressSanitizer, whose runtime needs
// address space and file descriptors of its own beyond the limits that some tests set.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool address_sanitizer = true;
#elif defined(__has_feature)
inline constexpr bool address_sanitizer = __has_feature(address_sanitizer);
#else
inline constexpr bool address_sanitizer = false;
#endif

// A fresh folder in the system's temporary folder, removed with everything in it when the object
// goes.
class TempDir {
public:
    explicit TempDir(const std::string& prefix);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A name in the folder, given as UTF-8 on every system.
    std::filesystem::path operator/(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// The UTF-8 bytes of a path: what korvix takes as a file name.
std::string utf8_name(const std::filesystem::path& path);

// A test's name for the file at this path: its stem without dashes.
std::string test_name_of_file(const std::filesystem::path& path);

Bytes read_file(const std::filesystem::path& path);
std::string read_text(const std::filesystem::path& path);

// Writes a new file. Removing the old one first keeps the file system from flushing a file that
// is truncated and written again, which would make thousands of runs slow.
void write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
void write_file(const std::filesystem::path& path, std::string_view text);

struct CommandOutcome {
    int status = -1; // exit status, -1 when the command did not exit normally
    std::string out; // standard output
    std::string err; // standard error
};

// Text quoted as one argument for the command interpreter: sh, or cmd.exe on Windows.
std::string shell_quoted(std::string_view text);

// Runs a command of the command interpreter (UTF-8 text), in the given folder if there is one.
// Standard output and standard error are captured apart, with "\n" for the line ends that a
// console program writes on Windows as "\r\n".
CommandOutcome run_command(const std::string& command, const std::filesystem::path& folder = {});

// Why gpsbabel cannot be run here (no POSIX shell, or not installed), or null when it can.
const char* why_no_gpsbabel();

// The korvix program as an absolute path, quoted for the command interpreter.
std::string korvix_command();

struct ProgramRun {
    int status = -1;
    std::string console; // trace lines and messages
};

// The whole korvix program on files, as `korvix option input output` runs it, but in this process:
// fast enough for thousands of runs.
ProgramRun run_program(const char* option, const std::filesystem::path& input,
                       const std::filesystem::path& output);

} // namespace korvix::testing
