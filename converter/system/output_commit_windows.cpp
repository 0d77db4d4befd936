// An output committed on Windows: written to a temporary file, flushed with FlushFileBuffers and
// put in the output's place by ReplaceFileW, which keeps an existing output's attributes and
// security, or by MoveFileExW; or written in the system's temporary folder and copied over the
// output. The names are those that the system gives the temporary file when it is made, the file
// itself, wherever the links and drive letters of the output's name lead. A temporary file that
// is not put in place is removed by its handle (FileDispositionInfo), wherever its folder has
// gone since; and a folder renamed or moved during the run, or a link to it repointed, is found
// before the file is renamed by its name, which then names another place: the file is removed by
// its handle instead. Every console control event removes the temporary file before the system
// ends korvix as it would without a handler; once the output is in place, Ctrl+C and Ctrl+Break
// no longer end it.
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

#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>

namespace korvix {

namespace {

namespace fs = std::filesystem;

// The temporary file that a console event removes, by its handle while korvix holds it open, else
// by its name. The system calls the handler on a thread of its own: the lock keeps it from
// removing a file that the commit is putting in place, or using a handle being closed.
SRWLOCK registry_lock = SRWLOCK_INIT;
std::wstring registered_path;
HANDLE registered_handle = INVALID_HANDLE_VALUE;
bool path_registered = false;
bool output_in_place = false; // the run has succeeded: korvix goes on to its end

class RegistryLocked {
public:
    RegistryLocked() { AcquireSRWLockExclusive(&registry_lock); }
    ~RegistryLocked() { ReleaseSRWLockExclusive(&registry_lock); }
    RegistryLocked(const RegistryLocked&) = delete;
    RegistryLocked& operator=(const RegistryLocked&) = delete;
};

// Marks the open file to be removed when its last handle closes, wherever it lies by then.
bool remove_on_close(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return handle != INVALID_HANDLE_VALUE &&
           SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

BOOL WINAPI remove_temporary_on_stop(DWORD) {
    const RegistryLocked locked;
    // A run whose output is in place ends as it succeeded (the system ends it after a close,
    // logoff or shutdown event all the same, having waited for the handler).
    if (output_in_place)
        return TRUE;
    // The file is open, shared for deletion: it goes when korvix's handle closes.
    if (path_registered && !remove_on_close(registered_handle))
        DeleteFileW(registered_path.c_str());
    path_registered = false;
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

HANDLE handle_of(std::FILE* file) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

} // namespace

void (*output_in_place_hook)() = nullptr;
void (*output_placing_hook)() = nullptr;

std::uint64_t unpredictable_bits() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(GetCurrentProcessId()) << 40 ^
           static_cast<std::uint64_t>(counter.QuadPart) ^ GetTickCount64();
}

std::wstring final_path_of(void* handle) {
    std::wstring final_path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = GetFinalPathNameByHandleW(handle, final_path.data(),
                                                     static_cast<DWORD>(final_path.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (size == 0)
            return {};
        if (size < final_path.size()) {
            final_path.resize(size);
            return final_path;
        }
        final_path.resize(size); // the size needed, its closing null included
    }
}

namespace {

std::error_code system_error_of(DWORD error) {
    return {static_cast<int>(error), std::system_category()};
}

// Creates a file of a new temporary name beside `beside`, for writing (and reading, when
// `readable`) and for its removal by handle; sets `path` to its name. INVALID_HANDLE_VALUE, with
// the system's error, when none is made.
HANDLE create_new_file(const fs::path& beside, bool readable, fs::path& path, DWORD& error) {
    bool short_form = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = temporary_name_beside(beside, short_form);
        if (path.empty()) {
            error = ERROR_INVALID_NAME;
            return INVALID_HANDLE_VALUE;
        }
        const HANDLE handle =
            CreateFileW(path.c_str(), GENERIC_WRITE | DELETE | (readable ? GENERIC_READ : 0),
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                        readable ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return handle;
        error = GetLastError();
        if (name_too_long(error) && !short_form)
            short_form = true;
        else if (!name_taken(error))
            return INVALID_HANDLE_VALUE;
    }
    error = ERROR_FILE_EXISTS;
    return INVALID_HANDLE_VALUE;
}

// The new file as a stream, registered for removal under the name that the system gives it, which
// `path` is set to; nothing, and the file removed, when it cannot be made one.
std::FILE* stream_of_new(HANDLE handle, fs::path& path, bool readable) {
    if (const std::wstring final_path = final_path_of(handle); !final_path.empty())
        path = final_path;
    const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle),
                                           (readable ? _O_RDWR : _O_WRONLY) | _O_BINARY);
    std::FILE* file = descriptor != -1 ? _fdopen(descriptor, readable ? "w+b" : "wb") : nullptr;
    if (file == nullptr) {
        const bool removed = remove_on_close(handle);
        if (descriptor != -1)
            _close(descriptor);
        else
            CloseHandle(handle);
        if (!removed)
            DeleteFileW(path.c_str());
        return nullptr;
    }
    registered_path = path.native();
    registered_handle = handle;
    path_registered = true;
    output_in_place = false;
    return file;
}

} // namespace

bool OutputCommit::refused_by_folder(const std::error_code& error) {
    return error.category() == std::system_category() &&
           (error.value() == ERROR_ACCESS_DENIED || error.value() == ERROR_WRITE_PROTECT);
}

File OutputCommit::create_temporary(const fs::path& final_path, int existing) {
    const RegistryLocked locked;
    handle_console_events();
    fs::path path;
    DWORD error = ERROR_SUCCESS;
    const HANDLE handle = create_new_file(final_path, false, path, error);
    if (handle == INVALID_HANDLE_VALUE) {
        error_ = system_error_of(error);
        return {};
    }
    if (existing != -1)
        take_attributes(handle, existing);
    std::FILE* file = stream_of_new(handle, path, false);
    if (file == nullptr) {
        error_ = system_error_of(ERROR_INVALID_HANDLE);
        return {};
    }
    // The output beside the file where the system made it: the folder that its name led to then.
    return adopt(file, path, path.parent_path() / final_path.filename(), existing != -1);
}

File OutputCommit::create_staged(const fs::path& final_path, int existing) {
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    if (error) {
        error_ = error;
        _close(existing);
        return {};
    }
    const RegistryLocked locked;
    handle_console_events();
    fs::path path;
    DWORD created_error = ERROR_SUCCESS;
    const HANDLE handle =
        create_new_file(folder / final_path.filename(), true, path, created_error);
    std::FILE* file = handle == INVALID_HANDLE_VALUE ? nullptr : stream_of_new(handle, path, true);
    if (file == nullptr) {
        error_ =
            system_error_of(handle == INVALID_HANDLE_VALUE ? created_error : ERROR_INVALID_HANDLE);
        _close(existing);
        return {};
    }
    staged_output_ = existing;
    return adopt(file, path, final_path, true);
}

bool OutputCommit::flush_to_disk(std::FILE* file) {
    if (std::fflush(file) != 0) {
        error_ = std::error_code(errno, std::generic_category());
        return false;
    }
    if (FlushFileBuffers(handle_of(file)) != FALSE)
        return true;
    error_ = system_error_of(GetLastError());
    return false;
}

// Called with the registry locked: closes the temporary file, whose handle no console event may
// use from now on.
static void close_registered(File& output) {
    registered_handle = INVALID_HANDLE_VALUE;
    output.reset();
}

bool OutputCommit::put_in_place(File& output) {
    if (output_placing_hook != nullptr)
        output_placing_hook();
    const RegistryLocked locked;
    // A console event may have removed the file meanwhile: korvix is about to end.
    if (!path_registered) {
        error_ = system_error_of(ERROR_OPERATION_ABORTED);
        return false;
    }
    // The file is renamed by its name: one that no longer leads to it (its folder renamed or
    // moved) would miss it, and it is left open to be removed by its handle.
    if (const std::wstring now = final_path_of(handle_of(output.get()));
        !now.empty() && now != temporary_.native()) {
        error_ = system_error_of(ERROR_PATH_NOT_FOUND);
        return false;
    }
    close_registered(output);
    bool placed = false;
    // ReplaceFileW may fail having removed the output already (ERROR_UNABLE_TO_MOVE_REPLACEMENT):
    // then the temporary file holds the only copy of the user's bytes, and stays unless it can
    // still be moved into the output's place.
    bool output_gone = false;
    if (replaces_) {
        placed = ReplaceFileW(final_.c_str(), temporary_.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
        output_gone = !placed && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
    }
    if (!placed)
        placed = MoveFileExW(temporary_.c_str(), final_.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!placed)
        error_ = system_error_of(GetLastError());
    if (!placed && output_gone)
        kept_ = temporary_;
    if (placed || !kept_.empty()) {
        path_registered = false;
        temporary_.clear();
    }
    output_in_place = placed;
    if (placed && output_in_place_hook != nullptr)
        output_in_place_hook();
    return placed;
}

bool OutputCommit::commit(File& output) {
    if (!pending_) {
        if (std::fclose(output.release()) == 0)
            return true;
        error_ = std::error_code(errno, std::generic_category());
        return false;
    }
    bool done = false;
    if (staged_output_ == -1) {
        done = flush_to_disk(output.get()) && put_in_place(output);
    } else if (std::fflush(output.get()) != 0) {
        error_ = std::error_code(errno, std::generic_category());
    } else {
        // A copy that failed before it changed the output leaves the temporary file to be
        // removed; one that failed part of the way has kept it.
        done = copy_over_output(output.get());
    }
    discard(output);
    return done;
}

void OutputCommit::discard(File& output) {
    {
        const RegistryLocked locked;
        // Removed by its handle while it is open, wherever its folder has gone since.
        if (output && path_registered && !temporary_.empty() &&
            remove_on_close(handle_of(output.get()))) {
            path_registered = false;
            temporary_.clear();
        }
        close_registered(output);
    }
    remove_temporary(); // by its name, where its handle could not remove it
    close_staged_output();
    pending_ = false;
}

namespace {

// Copies the `size` bytes of `from` over the front of `to`, then cuts `to` to that size;
// `changed` tells whether a byte of `to` may have been changed when it fails, `error` why.
bool copy_bytes_over(int from, int to, long long size, bool& changed, std::error_code& error) {
    static char block[64 * 1024];
    error = std::make_error_code(std::errc::io_error);
    if (_lseeki64(from, 0, SEEK_SET) != 0 || _lseeki64(to, 0, SEEK_SET) != 0)
        return false;
    for (long long offset = 0; offset < size;) {
        const int got = _read(from, block, sizeof block);
        if (got <= 0)
            return false;
        changed = true;
        if (_write(to, block, static_cast<unsigned>(got)) != got) {
            error = std::error_code(errno, std::generic_category());
            return false;
        }
        offset += got;
    }
    changed = true;
    if (const errno_t cut = _chsize_s(to, size); cut != 0) {
        error = std::error_code(cut, std::generic_category());
        return false;
    }
    if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(to))) == FALSE) {
        error = system_error_of(GetLastError());
        return false;
    }
    return true;
}

} // namespace

bool OutputCommit::copy_over_output(std::FILE* file) {
    const int from = _fileno(file);
    const long long size = _filelengthi64(from);
    if (size < 0) {
        error_ = std::error_code(errno, std::generic_category());
        return false;
    }
    // The console events wait from the first byte changed: a copy is never left half done by them.
    const RegistryLocked locked;
    bool changed = false;
    if (!copy_bytes_over(from, staged_output_, size, changed, error_)) {
        if (changed) {
            kept_ = temporary_; // the only whole copy of the output
            path_registered = false;
            temporary_.clear();
        }
        return false;
    }
    output_in_place = true;
    if (output_in_place_hook != nullptr)
        output_in_place_hook();
    return true;
}

void OutputCommit::close_staged_output() {
    if (staged_output_ != -1)
        _close(staged_output_);
    staged_output_ = -1;
}

void OutputCommit::close_folder() {}

void OutputCommit::remove_temporary() {
    if (temporary_.empty())
        return;
    const RegistryLocked locked;
    if (path_registered)
        DeleteFileW(temporary_.c_str());
    path_registered = false;
    temporary_.clear();
}

} // namespace korvix
