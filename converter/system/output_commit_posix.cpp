// An output committed on POSIX systems: written under a temporary name, flushed with fsync and
// renamed over the output's name, or copied over the output from the system's temporary folder.
// The signals to stop remove the temporary file before they end korvix as they would without a
// handler; once the output is in place they no longer end it.
#include "output_commit.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace korvix {

namespace {

namespace fs = std::filesystem;

// Every signal whose default action ends the process and that a user, a script or a limit may
// send to a run (SIGPIPE and SIGXFSZ are ignored: a failed write reports them).
constexpr int stop_signals[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGUSR1,
                                SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU};

// The temporary file that a signal to stop removes. A signal handler may call nothing that
// allocates or locks: the path waits in a buffer of its own.
char registered_path[PATH_MAX];
volatile sig_atomic_t path_registered = 0;
// Set, with the signals held back, once the output is in place: the run has succeeded, and a
// signal that comes now must not make it look as if it had not.
volatile sig_atomic_t output_in_place = 0;

extern "C" void remove_temporary_and_stop(int signal_number) {
    if (output_in_place != 0)
        return;
    if (path_registered != 0)
        unlink(registered_path);
    // The signal once more, now without a handler: korvix ends as the signal ends a process, and
    // whoever started it sees which one.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal_number, &fallback, nullptr);
    raise(signal_number); // delivered when the handler returns
}

sigset_t stop_signal_set() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal_number : stop_signals)
        sigaddset(&set, signal_number);
    return set;
}

// Holds the signals to stop back while it lives, so that a handler never reads a path half
// written, nor removes a temporary file that is being renamed into the output's place.
class StopSignalsHeld {
public:
    StopSignalsHeld() {
        const sigset_t set = stop_signal_set();
        sigprocmask(SIG_BLOCK, &set, &previous_);
    }
    ~StopSignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// Installs the handler for each signal to stop that korvix was not started to ignore (nohup keeps
// SIGHUP ignored, a shell's background job SIGINT).
void handle_stop_signals() {
    static bool handled = false;
    if (handled)
        return;
    handled = true;
    for (const int signal_number : stop_signals) {
        struct sigaction current;
        if (sigaction(signal_number, nullptr, &current) != 0 ||
            (current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL)
            continue;
        struct sigaction handler = {};
        handler.sa_handler = remove_temporary_and_stop;
        handler.sa_mask = stop_signal_set();
        sigaction(signal_number, &handler, nullptr);
    }
}

// Called with the signals to stop held back.
bool register_path(const fs::path& path) {
    const std::string& name = path.native();
    if (name.size() >= sizeof registered_path)
        return false;
    std::memcpy(registered_path, name.c_str(), name.size() + 1);
    path_registered = 1;
    return true;
}

// Writes the folder's entries to the disk: the rename is then as lasting as the file's bytes. A
// folder that cannot be flushed costs nothing more: the file is in place either way.
void flush_folder_of(const fs::path& path) {
    const fs::path folder = path.parent_path();
    const int descriptor =
        open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor != -1) {
        fsync(descriptor);
        close(descriptor);
    }
}

} // namespace

void (*output_in_place_hook)() = nullptr;

std::uint64_t unpredictable_bits() {
    std::uint64_t bits = 0;
    if (getentropy(&bits, sizeof bits) == 0)
        return bits;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(getpid()) << 40 ^
           static_cast<std::uint64_t>(now.tv_sec) * 1000000000U ^
           static_cast<std::uint64_t>(now.tv_nsec);
}

namespace {

std::error_code last_error() {
    return {errno, std::generic_category()};
}

// Creates a file of a new temporary name beside `beside`, open for writing (and reading, when
// `readable`), with the given mode; sets `path` to its name. -1, with errno, when none is made.
int create_new_file(const fs::path& beside, mode_t mode, bool readable, fs::path& path) {
    bool short_form = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = temporary_name_beside(beside, short_form);
        if (path.empty()) {
            errno = EINVAL;
            return -1;
        }
        const int descriptor =
            open(path.c_str(), (readable ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor != -1)
            return descriptor;
        if (errno == ENAMETOOLONG && !short_form)
            short_form = true;
        else if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

bool OutputCommit::refused_by_folder(const std::error_code& error) {
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
           error == std::errc::read_only_file_system;
}

File OutputCommit::create_temporary(const fs::path& final_path, int existing) {
    struct stat model;
    if (existing != -1 && fstat(existing, &model) != 0) {
        error_ = last_error();
        return {};
    }
    const StopSignalsHeld held;
    handle_stop_signals();
    output_in_place = 0;
    fs::path path;
    const int descriptor = create_new_file(final_path, 0666, false, path);
    if (descriptor == -1) {
        error_ = last_error();
        return {};
    }
    if (existing != -1) {
        // The owner and group where korvix may give them, then the mode, which a change of
        // owner would have cleared of its set-user-ID and set-group-ID bits.
        [[maybe_unused]] const int owned = fchown(descriptor, model.st_uid, model.st_gid);
        fchmod(descriptor, model.st_mode & 07777);
    }
    std::FILE* file = register_path(path) ? fdopen(descriptor, "wb") : nullptr;
    if (file == nullptr) {
        error_ = std::make_error_code(std::errc::filename_too_long);
        close(descriptor);
        unlink(path.c_str());
        path_registered = 0;
        return {};
    }
    return adopt(file, path, final_path, existing != -1);
}

File OutputCommit::create_staged(const fs::path& final_path, int existing) {
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    if (error) {
        error_ = error;
        close(existing);
        return {};
    }
    const StopSignalsHeld held;
    handle_stop_signals();
    output_in_place = 0;
    fs::path path;
    // The user's bytes in a folder that others may read: for the owner's eyes alone.
    const int descriptor = create_new_file(folder / final_path.filename(), 0600, true, path);
    std::FILE* file = nullptr;
    if (descriptor == -1)
        error_ = last_error();
    else if (!register_path(path) || (file = fdopen(descriptor, "w+b")) == nullptr)
        error_ = std::make_error_code(std::errc::filename_too_long);
    if (file == nullptr) {
        if (descriptor != -1) {
            close(descriptor);
            unlink(path.c_str());
        }
        path_registered = 0;
        close(existing);
        return {};
    }
    staged_output_ = existing;
    return adopt(file, path, final_path, true);
}

// A file system that has no such flush (EINVAL) keeps the bytes as well as it can anyway; any
// other error is a failed write.
bool OutputCommit::flush_to_disk(std::FILE* file) {
    return fsync(fileno(file)) == 0 || errno == EINVAL;
}

bool OutputCommit::put_in_place() {
    {
        const StopSignalsHeld held;
        if (std::rename(temporary_.c_str(), final_.c_str()) != 0)
            return false;
        output_in_place = 1;
        path_registered = 0;
        temporary_.clear();
        if (output_in_place_hook != nullptr)
            output_in_place_hook();
    }
    flush_folder_of(final_);
    return true;
}

namespace {

// Reserves the disk space of `size` bytes for the file, where its file system can, without
// changing its size or bytes: a disk too full for the copy then fails it before the output's
// first byte is changed. False only when the space is known to be missing.
bool reserve_space(int descriptor, off_t size) {
#ifdef __linux__
    if (size > 0 && fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, size) != 0)
        return errno != ENOSPC && errno != EDQUOT && errno != EFBIG;
#else
    (void)descriptor;
    (void)size;
#endif
    return true;
}

// Copies the `size` bytes of `from` over the front of `to`, then cuts `to` to that size;
// `changed` tells whether a byte of `to` may have been changed when it fails.
bool copy_bytes_over(int from, int to, off_t size, bool& changed) {
    std::uint8_t block[64 * 1024];
    for (off_t offset = 0; offset < size;) {
        const ssize_t got = pread(from, block, sizeof block, offset);
        if (got <= 0)
            return false;
        changed = true;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                pwrite(to, block + done, static_cast<std::size_t>(got - done), offset + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
        offset += got;
    }
    changed = true;
    return ftruncate(to, size) == 0 && (fsync(to) == 0 || errno == EINVAL);
}

} // namespace

bool OutputCommit::copy_over_output(std::FILE* file) {
    const int from = fileno(file);
    struct stat staged;
    if (fstat(from, &staged) != 0 || !reserve_space(staged_output_, staged.st_size))
        return false;
    // The signals stay held from the first byte changed: a copy is never left half done by them.
    const StopSignalsHeld held;
    bool changed = false;
    if (!copy_bytes_over(from, staged_output_, staged.st_size, changed)) {
        if (changed) {
            kept_ = temporary_; // the only whole copy of the output
            path_registered = 0;
            temporary_.clear();
        }
        return false;
    }
    output_in_place = 1;
    if (output_in_place_hook != nullptr)
        output_in_place_hook();
    return true;
}

void OutputCommit::close_staged_output() {
    if (staged_output_ != -1)
        close(staged_output_);
    staged_output_ = -1;
}

void OutputCommit::remove_temporary() {
    if (!pending())
        return;
    const StopSignalsHeld held;
    unlink(temporary_.c_str());
    path_registered = 0;
    temporary_.clear();
}

} // namespace korvix
