// An output committed on POSIX systems. The output's folder is opened once, when the temporary
// file is made, and every step after is taken in that open folder (openat, linkat, renameat,
// unlinkat): a folder renamed, or a link to it repointed, during the run changes nothing, and a
// temporary file that is not put in place is removed from the folder it was made in. On Linux
// the temporary file has no name until the commit (O_TMPFILE): one that is never put in place,
// because the run failed or was ended, or because the folder no longer takes it, is gone with
// korvix's last descriptor of it. Elsewhere, or where the file system makes no such file, it has
// a temporary name from the start, which the signals to stop remove before they end korvix as
// they would without a handler. The committed file is flushed with fsync, renamed over the
// output's name and the folder flushed; or its bytes are copied over the output from the system's
// temporary folder. Once the output is in place the signals to stop no longer end korvix.
#include "extended_attributes.h"
#include "output_commit.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace korvix {

namespace {

namespace fs = std::filesystem;

// Every signal whose default action ends the process and that a user, a script or a limit may
// send to a run (SIGPIPE and SIGXFSZ are ignored: a failed write reports them).
constexpr int stop_signals[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGUSR1,
                                SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU};

// The named temporary file that a signal to stop removes: its name in the open folder. A signal
// handler may call nothing that allocates or locks: the name waits in a buffer of its own, and
// unlinkat is safe to call there.
char registered_name[1024];
volatile sig_atomic_t registered_folder = -1; // -1: no file to remove
// Set, with the signals held back, once the output is in place: the run has succeeded, and a
// signal that comes now must not make it look as if it had not.
volatile sig_atomic_t output_in_place = 0;

extern "C" void remove_temporary_and_stop(int signal_number) {
    if (output_in_place != 0)
        return;
    if (registered_folder != -1)
        unlinkat(registered_folder, registered_name, 0);
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

// Holds the signals to stop back while it lives, so that a handler never reads a name half
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

// Called with the signals to stop held back. A name is one entry of a folder, far shorter than
// the buffer.
void register_name(int folder, const fs::path& name) {
    const std::string& text = name.native();
    if (text.size() >= sizeof registered_name)
        return;
    std::memcpy(registered_name, text.c_str(), text.size() + 1);
    registered_folder = folder;
}

std::error_code last_error() {
    return {errno, std::generic_category()};
}

bool same_identity(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens a folder (the current one for an empty path) to make, rename and remove files in: for
// reading where korvix may, so that its entries can be flushed to the disk, else only as a place
// (O_PATH), where the system has that.
int open_folder(const fs::path& path) {
    const char* name = path.empty() ? "." : path.c_str();
    int descriptor = open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
    if (descriptor == -1 && errno == EACCES)
        descriptor = open(name, O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
    return descriptor;
}

// Tries `make` with new temporary names beside `model` until one is free: true once it makes
// one, which `name` then holds; false, with errno and `name` empty, when it fails otherwise.
template <class Make> bool under_new_name(const fs::path& model, fs::path& name, Make make) {
    bool short_form = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporary_name_beside(model, short_form);
        if (name.empty()) {
            errno = EINVAL;
            return false;
        }
        if (make(name.c_str()))
            return true;
        if (errno == ENAMETOOLONG && !short_form) {
            short_form = true;
        } else if (errno != EEXIST) {
            name.clear();
            return false;
        }
    }
    name.clear();
    errno = EEXIST;
    return false;
}

// Creates a file of a new temporary name beside `model` in `folder`, open as `access` says, with
// the given mode; sets `name` to its name. -1, with errno, when none is made.
int create_named(int folder, const fs::path& model, mode_t mode, int access, fs::path& name) {
    int descriptor = -1;
    under_new_name(model, name, [&](const char* attempt) {
        descriptor = openat(folder, attempt, access | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        return descriptor != -1;
    });
    return descriptor;
}

// The name through which the system links an open file to a folder: linkat of the file itself
// (AT_EMPTY_PATH) needs a privilege, its name under /proc does not.
struct ProcName {
    explicit ProcName(int descriptor) {
        std::snprintf(text, sizeof text, "/proc/self/fd/%d", descriptor);
    }
    char text[32];
};

#ifdef O_TMPFILE
// Whether an unnamed file can be given a name: /proc is there and leads to it.
bool can_be_named(int descriptor) {
    struct stat file;
    struct stat through_proc;
    return fstat(descriptor, &file) == 0 && stat(ProcName(descriptor).text, &through_proc) == 0 &&
           same_identity(file, through_proc);
}
#endif

// Creates the file to be put in place of `model` in `folder`, open for writing: without a name
// where the file system makes such files, else under a new temporary name, which `name` is then
// set to. -1, with errno, when none is made.
int create_temporary_file(int folder, const fs::path& model, mode_t mode, fs::path& name) {
    name.clear();
#ifdef O_TMPFILE
    const int unnamed = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (unnamed != -1 && can_be_named(unnamed))
        return unnamed;
    if (unnamed != -1)
        close(unnamed);
    // A file system, or a kernel, that makes no unnamed files: a named one serves. Any other
    // error (no permission, no space) is the folder's.
    else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return -1;
#endif
    return create_named(folder, model, mode, O_WRONLY, name);
}

// Gives the unnamed, open file a new temporary name beside `model` in `folder`; false, with
// errno, when it cannot.
bool name_unnamed(int descriptor, int folder, const fs::path& model, fs::path& name) {
    const ProcName file(descriptor);
    return under_new_name(model, name, [&](const char* attempt) {
        return linkat(AT_FDCWD, file.text, folder, attempt, AT_SYMLINK_FOLLOW) == 0;
    });
}

// Whether `folder` holds the output `output` under `name` (the file itself, not a link to it nor
// a file put there since), and korvix may rename another file over it there: in a sticky folder
// (/tmp) only the file's owner, the folder's owner and root may, so another user's output there,
// writable to all, is written in place as before.
bool may_replace(int folder, const fs::path& name, const struct stat& output) {
    struct stat named;
    struct stat folder_file;
    if (fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !same_identity(named, output) || fstat(folder, &folder_file) != 0)
        return false;
    const uid_t user = geteuid();
    return (folder_file.st_mode & S_ISVTX) == 0 || user == 0 || user == output.st_uid ||
           user == folder_file.st_uid;
}

// The folder of `final_path`, open, for the file that takes the output's place; -1, with `error`,
// when it cannot be opened, or when the existing output `model` is not to be replaced there
// (EPERM, which sends the output to the system's temporary folder): a name that leads to no
// folder that holds it (a name under /proc/self/fd of a file removed since), or a sticky folder.
int folder_for(const fs::path& final_path, const struct stat* model, std::error_code& error) {
    const int folder = open_folder(final_path.parent_path());
    if (folder == -1) {
        error = model != nullptr && (errno == ENOENT || errno == ENOTDIR)
                    ? std::make_error_code(std::errc::operation_not_permitted)
                    : last_error();
        return -1;
    }
    if (model != nullptr && !may_replace(folder, final_path.filename(), *model)) {
        close(folder);
        error = std::make_error_code(std::errc::operation_not_permitted);
        return -1;
    }
    return folder;
}

// Gives the new file what korvix keeps of the output it replaces: the owner and group where
// korvix may give them, then the mode, which a change of owner would have cleared of its
// set-user-ID and set-group-ID bits, then the extended attributes, ACLs among them.
void take_kept_properties(int file, int existing, const struct stat& model) {
    [[maybe_unused]] const int owned = fchown(file, model.st_uid, model.st_gid);
    fchmod(file, model.st_mode & 07777);
    copy_extended_attributes(existing, file);
}

} // namespace

void (*output_in_place_hook)() = nullptr;
void (*output_placing_hook)() = nullptr;

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
    if (ends_in_folder(final_path)) {
        error_ = std::make_error_code(std::errc::is_a_directory);
        return {};
    }
    const fs::path name = final_path.filename();
    const int folder = folder_for(final_path, existing != -1 ? &model : nullptr, error_);
    if (folder == -1)
        return {};
    const StopSignalsHeld held;
    handle_stop_signals();
    output_in_place = 0;
    fs::path temporary;
    const int descriptor = create_temporary_file(folder, name, 0666, temporary);
    std::FILE* file = descriptor == -1 ? nullptr : fdopen(descriptor, "wb");
    if (file == nullptr) {
        error_ = last_error();
        if (descriptor != -1) {
            close(descriptor);
            if (!temporary.empty())
                unlinkat(folder, temporary.c_str(), 0);
        }
        close(folder);
        return {};
    }
    if (!temporary.empty())
        register_name(folder, temporary);
    if (existing != -1)
        take_kept_properties(descriptor, existing, model);
    folder_ = folder;
    folder_path_ = final_path.parent_path();
    return adopt(file, temporary, name, existing != -1);
}

File OutputCommit::create_staged(const fs::path& final_path, int existing) {
    std::error_code error;
    const fs::path folder_path = fs::temp_directory_path(error);
    const int folder = error ? -1 : open_folder(folder_path);
    if (!error && folder == -1)
        error = last_error();
    if (error) {
        error_ = error;
        close(existing);
        return {};
    }
    const StopSignalsHeld held;
    handle_stop_signals();
    output_in_place = 0;
    fs::path temporary;
    // The user's bytes in a folder that others may read: for the owner's eyes alone. Named from
    // the start, so that a copy that fails part of the way can keep it.
    const int descriptor = create_named(folder, final_path.filename(), 0600, O_RDWR, temporary);
    std::FILE* file = descriptor == -1 ? nullptr : fdopen(descriptor, "w+b");
    if (file == nullptr) {
        error_ = last_error();
        if (descriptor != -1) {
            close(descriptor);
            unlinkat(folder, temporary.c_str(), 0);
        }
        close(folder);
        close(existing);
        return {};
    }
    register_name(folder, temporary);
    folder_ = folder;
    folder_path_ = folder_path;
    staged_output_ = existing;
    return adopt(file, temporary, final_path, true);
}

// A file system that has no such flush (EINVAL) keeps the bytes as well as it can anyway; any
// other error is a failed write.
bool OutputCommit::flush_to_disk(std::FILE* file) {
    if (std::fflush(file) == 0 && (fsync(fileno(file)) == 0 || errno == EINVAL))
        return true;
    error_ = last_error();
    return false;
}

bool OutputCommit::put_in_place(File& output) {
    if (output_placing_hook != nullptr)
        output_placing_hook();
    {
        const StopSignalsHeld held;
        const bool named =
            !temporary_.empty() || name_unnamed(fileno(output.get()), folder_, final_, temporary_);
        if (!named || renameat(folder_, temporary_.c_str(), folder_, final_.c_str()) != 0) {
            error_ = last_error();
            remove_temporary();
            return false;
        }
        output_in_place = 1;
        registered_folder = -1;
        temporary_.clear();
        if (output_in_place_hook != nullptr)
            output_in_place_hook();
    }
    // Its bytes are on the disk: its close can lose nothing.
    output.reset();
    // The folder's entries to the disk: the rename is then as lasting as the file's bytes. A
    // folder open only as a place, or one that cannot be flushed, costs nothing more: the file is
    // in place either way.
    fsync(folder_);
    return true;
}

bool OutputCommit::commit(File& output) {
    if (!pending_) {
        if (std::fclose(output.release()) == 0)
            return true;
        error_ = last_error();
        return false;
    }
    bool done = false;
    if (staged_output_ == -1) {
        done = flush_to_disk(output.get()) && put_in_place(output);
    } else if (std::fflush(output.get()) != 0) {
        error_ = last_error();
    } else {
        // A copy that failed before it changed the output leaves the temporary file to be
        // removed; one that failed part of the way has kept it.
        done = copy_over_output(output.get());
    }
    discard(output);
    return done;
}

void OutputCommit::discard(File& output) {
    output.reset();
    remove_temporary();
    close_staged_output();
    close_folder();
    pending_ = false;
}

namespace {

// Reserves the disk space of `size` bytes for the file, where its file system can, without
// changing its size or bytes: a disk too full for the copy then fails it before the output's
// first byte is changed. False, with errno, only when the space is known to be missing.
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
// `changed` tells whether a byte of `to` may have been changed when it fails, errno why.
bool copy_bytes_over(int from, int to, off_t size, bool& changed) {
    std::uint8_t block[64 * 1024];
    for (off_t offset = 0; offset < size;) {
        const ssize_t got = pread(from, block, sizeof block, offset);
        if (got <= 0) {
            if (got == 0)
                errno = EIO; // the staged file is shorter than it was a moment ago
            return false;
        }
        changed = true;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put =
                pwrite(to, block + done, static_cast<std::size_t>(got - done), offset + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (put == 0)
                    errno = EIO;
                return false;
            }
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
    if (fstat(from, &staged) != 0 || !reserve_space(staged_output_, staged.st_size)) {
        error_ = last_error();
        return false;
    }
    // The signals stay held from the first byte changed: a copy is never left half done by them.
    const StopSignalsHeld held;
    bool changed = false;
    if (!copy_bytes_over(from, staged_output_, staged.st_size, changed)) {
        error_ = last_error();
        if (changed) {
            kept_ = folder_path_ / temporary_; // the only whole copy of the output
            registered_folder = -1;
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

void OutputCommit::close_folder() {
    if (folder_ != -1)
        close(folder_);
    folder_ = -1;
}

void OutputCommit::remove_temporary() {
    if (temporary_.empty() || folder_ == -1)
        return;
    const StopSignalsHeld held;
    unlinkat(folder_, temporary_.c_str(), 0);
    registered_folder = -1;
    temporary_.clear();
}

} // namespace korvix
