// What korvix needs of the system it runs on, in one place: its arguments and file names as
// UTF-8, its standard streams, and the opening of a run's two files with the checks that keep it
// from destroying its input. One source file per system implements it (platform_posix.cpp,
// platform_windows.cpp); nothing else in the converter knows which system it runs on.
#pragma once

#include "output_commit.h"
#include "owned_file.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace korvix {

// The arguments behind the program name, as UTF-8. On Windows they come from the process's UTF-16
// command line, since argv holds them in the ANSI code page, which may lack characters of a file
// name; elsewhere they are argv as given.
std::vector<std::string> program_arguments(int argc, char** argv);

// The path of the file named by these UTF-8 bytes. Elsewhere than on Windows the bytes are the
// name as they stand, whatever they hold; on Windows they become the UTF-16 name, and bytes that
// are not UTF-8 give the empty path, which names no file.
std::filesystem::path path_from_utf8(std::string_view utf8_name);

// The UTF-8 bytes of a path, as korvix prints a file name.
std::string utf8_of_path(const std::filesystem::path& path);

// The system's words for an error, on one line: "No space left on device".
inline std::string reason_text(const std::error_code& error) {
    std::string text = error.message();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// std::fopen of the file named by these UTF-8 bytes.
std::FILE* open_file(std::string_view utf8_name, const char* mode);

// Reads up to `count` bytes of a file from `offset` on, wherever its position stands, which may
// move; returns the bytes read, fewer only at the end of the file or on an error, which `error`
// (when given) then tells.
std::size_t read_at(std::FILE* file, std::int64_t offset, std::uint8_t* bytes, std::size_t count,
                    std::error_code* error = nullptr);

// The file's size and the time its bytes last changed, as one number: another program that writes
// to the file changes it. 0 when the system tells neither (a pipe, a device).
std::uint64_t file_version(std::FILE* file);

// Writes `first_count` bytes and then `second_count` bytes to an unbuffered file, with one system
// call where the system has one for two ranges of memory (writev); false when a write fails.
bool write_two(std::FILE* file, const std::uint8_t* first, std::size_t first_count,
               const std::uint8_t* second, std::size_t second_count);

// Makes the standard streams safe to run with, before any file is opened: descriptors 0 to 2 open
// (so that a file opened by the run never takes the place of standard output and receives the
// trace), and neither a reader of the trace that goes away (SIGPIPE) nor a file size limit
// (SIGXFSZ) ends the process: the write fails instead and the run reports it.
void prepare_standard_streams();

// On Windows, when korvix has a console window of its own (it was started from Explorer, not from
// a command prompt or another program), asks the user to press Enter before the window goes, so
// that what korvix said can be read. Elsewhere, and on Windows in every other case, nothing.
void hold_own_console(std::FILE* console);

// Whether `stream` writes to the regular file that `file` is open on, however each was opened
// (standard output appended to the input); false for anything else that both may lead to: a
// terminal, a pipe, a device.
bool writes_to_file_of(std::FILE* stream, std::FILE* file);

// The same for the regular file that `name` leads to now, which is not opened: for a message
// said before the input is open or when it cannot be.
bool writes_to_file_named(std::FILE* stream, const std::string& name);

// Whether two names (UTF-8 bytes, as korvix takes them) lead to one existing file, told by the
// file's identity as the system keeps it, not by how the names are spelled: links, "." and "..",
// and on Windows another drive letter for the same folder, "\\?\" paths, short names and another
// case all lead to the same file. Both are opened for their identity alone (a FIFO without
// waiting for a writer) and closed again; a name that cannot be opened (an output that does not
// exist yet) leads to no file that the other could be.
bool names_same_file(std::string_view first, std::string_view second);

#ifdef _WIN32
// UTF-8 text and the UTF-16 text of the Windows calls, both ways. Characters that UTF-16 holds and
// UTF-8 cannot (lone surrogates), and bytes that are no UTF-8, become U+FFFD.
std::wstring wide_from_utf8(std::string_view text);
std::string utf8_from_wide(std::wstring_view text);
#endif

// The outcome of opening a run's files.
enum class OpenOutcome {
    opened,
    input_not_opened,  // missing, unreadable, or a folder
    input_is_console,  // the file that the trace would go to (standard output appended to it)
    output_not_opened, // cannot be created or written, or a folder
    output_is_input,   // the same file, however its name is spelled
    output_is_console, // the file that the trace goes to
};

struct RunFiles {
    OpenOutcome outcome = OpenOutcome::input_not_opened;
    std::error_code reason; // the system's, when the output could not be opened
    File input;             // binary reading
    // How the output reaches its name; declared before `output`, so that the file is closed
    // before a temporary file left behind is removed.
    OutputCommit commit;
    File output;                 // binary writing, empty
    bool input_seekable = false; // a file that can be read twice (not a pipe or a device)
};

// Opens the input and compares it with the file that `console` writes to: when that is the input
// (a regular file), nothing else is done, since the trace would change the input. Then opens an
// existing output for writing without emptying it, and compares the open files themselves: their
// identities, not their names, so that a link, another drive letter or any other spelling of the
// input's name is the input, and so that nothing can swap a file between the test and the use.
// An output name that ends in no file name ("maps/", "/", "..": ends_in_folder) is refused as a
// folder before anything is opened for it. Only when the output is neither the input nor the file
// that `console` writes to is anything created or emptied: a regular file, existing or new, is
// then written to a temporary file beside it (see OutputCommit), which `commit` puts in its place
// after a run that succeeded; a writable output whose folder takes no new file or does not let
// korvix replace it is written to a temporary file in the system's temporary folder, which `commit`
// copies over it; a device or a FIFO is emptied and written directly. Where none of this can be
// done, nothing is written: the outcome is output_not_opened, with the system's reason. An output
// named through symbolic links is the file they lead to, and the links stay. A refusal leaves an
// existing output as it was and creates nothing. Names that lead to FIFOs are compared before
// either is opened, since opening one waits for the other end.
RunFiles open_run_files(const std::string& input_name, const std::string& output_name,
                        std::FILE* console);

} // namespace korvix
