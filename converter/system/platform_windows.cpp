// korvix on Windows: arguments and file names come and go as UTF-16, and files are told apart by
// their volume and file index, whatever drive letter or path form names them.
#include "platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <optional>
#include <system_error>

namespace korvix {

namespace {

// What identifies an open file on its volume. The 128-bit file id (ReFS needs it) where the system
// gives one, the volume serial number and 64-bit file index otherwise.
struct FileIdentity {
    unsigned long long volume = 0;
    unsigned char id[16] = {};

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && std::memcmp(id, other.id, sizeof id) == 0;
    }
};

std::optional<FileIdentity> identity_of(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr)
        return std::nullopt;
    FileIdentity identity;
    FILE_ID_INFO id_info;
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &id_info, sizeof id_info)) {
        identity.volume = id_info.VolumeSerialNumber;
        std::memcpy(identity.id, &id_info.FileId, sizeof identity.id);
        return identity;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return std::nullopt; // a console, a pipe: no file on a volume
    identity.volume = info.dwVolumeSerialNumber;
    const unsigned long long index =
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    std::memcpy(identity.id, &index, sizeof index);
    return identity;
}

HANDLE handle_of(std::FILE* file) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

// Two handles name the same file on the same volume. What is no file on a volume (a console, a
// pipe) is the same only as the very same handle.
bool same_file(HANDLE a, HANDLE b) {
    const std::optional<FileIdentity> first = identity_of(a);
    const std::optional<FileIdentity> second = identity_of(b);
    if (first && second)
        return *first == *second;
    return a == b;
}

// Whether a handle is open on a regular file: on a disk, and no folder.
bool is_regular_file(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
           GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Two handles open on the same regular file.
bool same_regular_file(HANDLE a, HANDLE b) {
    return is_regular_file(a) && is_regular_file(b) && same_file(a, b);
}

// A handle of the file or folder that a name leads to, opened to be looked at only, or
// INVALID_HANDLE_VALUE.
HANDLE probe_of(const std::filesystem::path& path) {
    return path.empty() ? INVALID_HANDLE_VALUE
                        : CreateFileW(path.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string utf8_of(const wchar_t* wide) {
    return utf8_from_wide(wide);
}

// The identity of the file that `name` leads to, opened for its attributes only, sharing
// everything, so that neither a file in use nor a folder is refused; nothing when it cannot be.
std::optional<FileIdentity> identity_of_named(std::string_view name) {
    const HANDLE file = CreateFileW(wide_from_utf8(name).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const std::optional<FileIdentity> identity = identity_of(file);
    CloseHandle(file);
    return identity;
}

} // namespace

std::wstring wide_from_utf8(std::string_view text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
    return wide;
}

std::string utf8_from_wide(std::wstring_view wide) {
    // Characters that UTF-16 holds but UTF-8 cannot (lone surrogates) become U+FFFD.
    if (wide.empty())
        return {};
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size, nullptr, nullptr);
    return text;
}

bool names_same_file(std::string_view first, std::string_view second) {
    const std::optional<FileIdentity> one = identity_of_named(first);
    return one && identity_of_named(second) == one;
}

std::vector<std::string> program_arguments(int argc, char** argv) {
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count); wide != nullptr) {
        std::vector<std::string> arguments;
        for (int i = 1; i < count; ++i)
            arguments.push_back(utf8_of(wide[i]));
        LocalFree(wide);
        return arguments;
    }
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::filesystem::path path_from_utf8(std::string_view utf8_name) {
    const std::u8string_view name(reinterpret_cast<const char8_t*>(utf8_name.data()),
                                  utf8_name.size());
    try {
        return std::filesystem::path(name);
    } catch (const std::system_error&) {
        return {}; // bytes that are no UTF-16 name
    }
}

std::string utf8_of_path(const std::filesystem::path& path) {
    return utf8_of(path.c_str());
}

std::FILE* open_file(std::string_view utf8_name, const char* mode) {
    const std::filesystem::path path = path_from_utf8(utf8_name);
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode)); // ASCII
    return path.empty() ? nullptr : _wfopen(path.c_str(), wide_mode.c_str());
}

std::size_t read_at(std::FILE* file, std::int64_t offset, std::uint8_t* bytes, std::size_t count,
                    std::error_code* error) {
    std::size_t got = 0;
    while (got < count) {
        OVERLAPPED at{};
        const auto position = static_cast<unsigned long long>(offset) + got;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD part = 0;
        if (!ReadFile(handle_of(file), bytes + got, static_cast<DWORD>(count - got), &part, &at)) {
            // Reading at or past the end is the end, not an error.
            if (const DWORD code = GetLastError(); code != ERROR_HANDLE_EOF && error != nullptr)
                *error = std::error_code(static_cast<int>(code), std::system_category());
            break;
        }
        if (part == 0)
            break;
        got += part;
    }
    return got;
}

std::uint64_t file_version(std::FILE* file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle_of(file), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return 0;
    // The last write time in its 100-nanosecond steps, and the size beside it.
    std::uint64_t version =
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const std::uint64_t written =
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
        info.ftLastWriteTime.dwLowDateTime;
    version = (version ^ written) * 0x9E3779B97F4A7C15U;
    return version | 1;
}

// Windows writes a file from one range of memory at a time.
bool write_two(std::FILE* file, const std::uint8_t* first, std::size_t first_count,
               const std::uint8_t* second, std::size_t second_count) {
    return std::fwrite(first, 1, first_count, file) == first_count &&
           std::fwrite(second, 1, second_count, file) == second_count;
}

bool writes_to_file_of(std::FILE* stream, std::FILE* file) {
    return same_regular_file(handle_of(stream), handle_of(file));
}

bool writes_to_file_named(std::FILE* stream, const std::string& name) {
    const HANDLE probe = probe_of(path_from_utf8(name));
    const bool same = same_regular_file(handle_of(stream), probe);
    if (probe != INVALID_HANDLE_VALUE)
        CloseHandle(probe);
    return same;
}

// Windows has no SIGPIPE or SIGXFSZ, and a console program started without standard handles
// writes its trace nowhere: nothing to prepare.
void prepare_standard_streams() {}

// A console window that korvix has alone and shows, typed into and read: Explorer's start. A
// program that starts korvix without a window (CREATE_NO_WINDOW gives a console of its own too,
// but no window) or reads its output through a pipe gets no question.
static bool owns_visible_console(std::FILE* console) {
    DWORD processes[2];
    DWORD mode;
    return GetConsoleProcessList(processes, 2) == 1 && GetConsoleWindow() != nullptr &&
           GetConsoleMode(handle_of(console), &mode) &&
           GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
}

void hold_own_console(std::FILE* console) {
    if (!owns_visible_console(console))
        return; // started from a command prompt, or by another program
    std::fputs("Press Enter to close this window.\n", console);
    std::fflush(console);
    for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
    }
}

// Why a name cannot be opened for writing, when it is a file that korvix refuses to write anyway:
// a program that holds the file open without sharing it for writing (cmd.exe, for the file it
// redirects standard output to) keeps it from opening, but not from being looked at; a folder
// does not open for writing either, and is said to be one.
void refuse_unopened(const std::filesystem::path& path, HANDLE input, HANDLE console,
                     RunFiles& files) {
    files.outcome = OpenOutcome::output_not_opened;
    const HANDLE probe = probe_of(path);
    if (probe == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info;
    if (same_file(input, probe))
        files.outcome = OpenOutcome::output_is_input;
    else if (same_file(console, probe))
        files.outcome = OpenOutcome::output_is_console;
    else if (GetFileInformationByHandle(probe, &info) &&
             (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        files.reason = std::make_error_code(std::errc::is_a_directory);
    CloseHandle(probe);
}

// The file that takes the place of the open output file at the end of a run that succeeds:
// created beside the file itself, or, where that folder takes no new file (or the system cannot
// tell the file's path), in the system's temporary folder, to be copied over the output. Takes
// `output` over. Nothing when neither can be made; `commit` then tells why.
static File replacement_of(HANDLE output_handle, int output, const std::filesystem::path& named,
                           OutputCommit& commit) {
    const std::wstring final_path = final_path_of(output_handle);
    if (!final_path.empty()) {
        File beside = commit.create_temporary(final_path, output);
        if (beside || !OutputCommit::refused_by_folder(commit.error())) {
            _close(output);
            return beside;
        }
    }
    return commit.create_staged(final_path.empty() ? named : std::filesystem::path(final_path),
                                output);
}

// Opens the output of a run whose input is open, as open_run_files says.
static void open_output(RunFiles& files, const std::string& output_name, HANDLE input,
                        HANDLE console_handle) {
    files.outcome = OpenOutcome::output_not_opened;
    const std::filesystem::path output_path = path_from_utf8(output_name);
    if (!output_path.empty() && ends_in_folder(output_path)) {
        files.reason = std::make_error_code(std::errc::is_a_directory);
        return;
    }
    // Opened without _O_CREAT and _O_TRUNC: nothing is created or changed before the checks below.
    const int output =
        output_path.empty() ? -1 : _wopen(output_path.c_str(), _O_WRONLY | _O_BINARY);
    if (output == -1 && errno == ENOENT && !output_path.empty()) {
        // No output yet: a new file, under a temporary name until the end.
        files.output = files.commit.create_temporary(output_path, -1);
        files.reason = files.commit.error();
    } else if (output == -1) {
        files.reason = std::error_code(errno, std::generic_category());
        refuse_unopened(output_path, input, console_handle, files);
        return;
    } else {
        const HANDLE output_handle = reinterpret_cast<HANDLE>(_get_osfhandle(output));
        bool taken = false; // by a commit or a stream, which closes it
        if (same_file(input, output_handle)) {
            files.outcome = OpenOutcome::output_is_input;
        } else if (same_file(console_handle, output_handle)) {
            files.outcome = OpenOutcome::output_is_console;
        } else if (GetFileType(output_handle) == FILE_TYPE_DISK) {
            // Whatever happens, the output's own bytes are changed only by a commit.
            files.output = replacement_of(output_handle, output, output_path, files.commit);
            files.reason = files.commit.error();
            taken = true;
        } else if (std::FILE* stream = _fdopen(output, "wb"); stream != nullptr) {
            // A device or a pipe: written as it stands, with no bytes of its own to lose.
            files.output.reset(stream);
            taken = true;
        }
        if (!taken)
            _close(output);
    }
    if (files.output)
        files.outcome = OpenOutcome::opened;
}

RunFiles open_run_files(const std::string& input_name, const std::string& output_name,
                        std::FILE* console) {
    RunFiles files;
    files.input.reset(open_file(input_name, "rb")); // a folder does not open
    if (!files.input)
        return files;
    const HANDLE input = handle_of(files.input.get());
    const HANDLE console_handle = handle_of(console);
    files.input_seekable = GetFileType(input) == FILE_TYPE_DISK;
    // The trace written to the input would change it: nothing more is opened.
    if (same_regular_file(console_handle, input)) {
        files.outcome = OpenOutcome::input_is_console;
        return files;
    }
    open_output(files, output_name, input, console_handle);
    return files;
}

} // namespace korvix
