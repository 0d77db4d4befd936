// An output committed on Windows: written under a temporary name, flushed with FlushFileBuffers
// and put in the output's place by ReplaceFileW, which keeps an existing output's attributes and
// security, or by MoveFileExW. Ctrl+C, Ctrl+Break and the console's close remove the temporary
// file before the system ends korvix as it would without a handler.
#include "output_commit.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <string>

namespace korvix {

namespace {

namespace fs = std::filesystem;

// The temporary file that a console event removes. The system calls the handler on a thread of
// its own: the lock keeps it from removing a file that the commit is putting in place.
SRWLOCK registry_lock = SRWLOCK_INIT;
std::wstring registered_path;
bool path_registered = false;

class RegistryLocked {
public:
    RegistryLocked() { AcquireSRWLockExclusive(&registry_lock); }
    ~RegistryLocked() { ReleaseSRWLockExclusive(&registry_lock); }
    RegistryLocked(const RegistryLocked&) = delete;
    RegistryLocked& operator=(const RegistryLocked&) = delete;
};

BOOL WINAPI remove_temporary_on_stop(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        const RegistryLocked locked;
        // The file is open, shared for deletion: it goes when korvix's handle closes.
        if (path_registered)
            DeleteFileW(registered_path.c_str());
        path_registered = false;
    }
    return FALSE; // the next handler, at last the system's, ends korvix
}

// Called with the registry locked.
void handle_console_events() {
    static bool handled = false;
    if (!handled)
        handled = SetConsoleCtrlHandler(remove_temporary_on_stop, TRUE) != FALSE;
}

// Gives the new file the attributes of the output it replaces that a file written to may have
// (hidden, system, archive, not indexed). ReplaceFileW keeps them too, where the system's does;
// MoveFileExW, when it has to serve, does not.
void take_attributes(HANDLE file, int existing) {
    BY_HANDLE_FILE_INFORMATION model;
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(existing)), &model))
        return;
    constexpr DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{}; // times of 0 stay as they are
    basic.FileAttributes = model.dwFileAttributes & kept;
    if (basic.FileAttributes != 0) // the new file has none but FILE_ATTRIBUTE_NORMAL
        SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
}

bool name_taken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

bool name_too_long(DWORD error) {
    return error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_NAME;
}

} // namespace

std::uint64_t unpredictable_bits() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(GetCurrentProcessId()) << 40 ^
           static_cast<std::uint64_t>(counter.QuadPart) ^ GetTickCount64();
}

File OutputCommit::create_temporary(const fs::path& final_path, int existing) {
    const RegistryLocked locked;
    handle_console_events();
    fs::path path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool short_form = false;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        path = temporary_name_beside(final_path, short_form);
        if (path.empty())
            return {};
        handle = CreateFileW(path.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        if (handle == INVALID_HANDLE_VALUE && name_too_long(error) && !short_form)
            short_form = true;
        else if (handle == INVALID_HANDLE_VALUE && !name_taken(error))
            return {};
    }
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    if (existing != -1)
        take_attributes(handle, existing);
    const int descriptor =
        _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_WRONLY | _O_BINARY);
    std::FILE* file = descriptor != -1 ? _fdopen(descriptor, "wb") : nullptr;
    if (file == nullptr) {
        if (descriptor != -1)
            _close(descriptor);
        else
            CloseHandle(handle);
        DeleteFileW(path.c_str());
        return {};
    }
    registered_path = path.native();
    path_registered = true;
    return adopt(file, path, final_path, existing != -1);
}

bool OutputCommit::flush_to_disk(std::FILE* file) {
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FALSE;
}

bool OutputCommit::put_in_place() {
    const RegistryLocked locked;
    // A console event may have removed the file meanwhile: korvix is about to end.
    if (!path_registered)
        return false;
    bool placed = false;
    if (replaces_)
        placed = ReplaceFileW(final_.c_str(), temporary_.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
    if (!placed)
        placed = MoveFileExW(temporary_.c_str(), final_.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    // ReplaceFileW may fail having removed the output already: then the temporary file holds the
    // only copy of the user's bytes, and stays.
    if (placed || (replaces_ && GetFileAttributesW(final_.c_str()) == INVALID_FILE_ATTRIBUTES)) {
        path_registered = false;
        temporary_.clear();
    }
    return placed;
}

void OutputCommit::remove_temporary() {
    if (!pending())
        return;
    const RegistryLocked locked;
    if (path_registered)
        DeleteFileW(temporary_.c_str());
    path_registered = false;
    temporary_.clear();
}

} // namespace korvix
