// An output committed on POSIX systems: written under a temporary name, flushed with fsync and
// renamed over the output's name. SIGINT, SIGTERM and SIGHUP remove the temporary file before
// they end korvix as they would without a handler.
#include "output_commit.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvix {

namespace {

namespace fs = std::filesystem;

constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary file that a signal to stop removes. A signal handler may call nothing that
// allocates or locks: the path waits in a buffer of its own.
char registered_path[PATH_MAX];
volatile sig_atomic_t path_registered = 0;

extern "C" void remove_temporary_and_stop(int signal_number) {
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

File OutputCommit::create_temporary(const fs::path& final_path, int existing) {
    struct stat model;
    if (existing != -1 && fstat(existing, &model) != 0)
        return {};
    const StopSignalsHeld held;
    handle_stop_signals();
    fs::path path;
    int descriptor = -1;
    bool short_form = false;
    for (int attempt = 0; attempt < 100 && descriptor == -1; ++attempt) {
        path = temporary_name_beside(final_path, short_form);
        if (path.empty())
            return {};
        descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor == -1 && errno == ENAMETOOLONG && !short_form)
            short_form = true;
        else if (descriptor == -1 && errno != EEXIST)
            return {};
    }
    if (descriptor == -1)
        return {};
    if (existing != -1) {
        // The owner and group where korvix may give them, then the mode, which a change of
        // owner would have cleared of its set-user-ID and set-group-ID bits.
        [[maybe_unused]] const int owned = fchown(descriptor, model.st_uid, model.st_gid);
        fchmod(descriptor, model.st_mode & 07777);
    }
    std::FILE* file = register_path(path) ? fdopen(descriptor, "wb") : nullptr;
    if (file == nullptr) {
        close(descriptor);
        unlink(path.c_str());
        path_registered = 0;
        return {};
    }
    return adopt(file, path, final_path, existing != -1);
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
        path_registered = 0;
        temporary_.clear();
    }
    flush_folder_of(final_);
    return true;
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
