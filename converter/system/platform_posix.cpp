// korvix on POSIX systems: file names are bytes, files are told apart by device and inode.
#include "platform.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace korvix {

namespace {

bool same_identity(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A descriptor as a stream; the descriptor is closed when the stream cannot be made.
File stream_of(int descriptor, const char* mode) {
    std::FILE* file = fdopen(descriptor, mode);
    if (file == nullptr)
        close(descriptor);
    return File(file);
}

// The name of the file that `name` leads to through symbolic links: each link's target, one that
// is not absolute taken in the link's folder, up to a name that is no link or names nothing.
// After 40 links, as many as the system follows, the name reached.
std::string through_links(std::string name) {
    for (int link = 0; link < 40; ++link) {
        struct stat entry;
        if (lstat(name.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode))
            break;
        char target[PATH_MAX];
        const ssize_t size = readlink(name.c_str(), target, sizeof target);
        if (size <= 0 || static_cast<std::size_t>(size) == sizeof target)
            break;
        const std::string::size_type slash = name.rfind('/');
        if (target[0] == '/' || slash == std::string::npos)
            name.assign(target, static_cast<std::size_t>(size));
        else
            name.replace(slash + 1, std::string::npos, target, static_cast<std::size_t>(size));
    }
    return name;
}

// The file that takes the place of the open, regular output `output` at the end of a run that
// succeeds: created beside the file that the output's name leads to, or, where that folder takes
// no new file or lets korvix not replace this one (or the name leads to no file: a link through
// /proc/self/fd), in the system's temporary folder, to be copied over the output. Takes `output`
// over. Nothing when neither can be made; `commit` then tells why.
File replacement_of(const std::string& output_name, int output, OutputCommit& commit) {
    const std::string final_name = through_links(output_name);
    File beside = commit.create_temporary(final_name, output);
    if (beside || !OutputCommit::refused_by_folder(commit.error())) {
        close(output);
        return beside;
    }
    return commit.create_staged(final_name, output);
}

// Whether the open descriptor is a regular file of this identity.
bool is_regular_file(int descriptor, const struct stat& file) {
    struct stat open_file;
    return fstat(descriptor, &open_file) == 0 && S_ISREG(open_file.st_mode) &&
           S_ISREG(file.st_mode) && same_identity(open_file, file);
}

} // namespace

std::vector<std::string> program_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::filesystem::path path_from_utf8(std::string_view utf8_name) {
    return std::filesystem::path(std::string(utf8_name));
}

std::string utf8_of_path(const std::filesystem::path& path) {
    return path.native();
}

std::FILE* open_file(std::string_view utf8_name, const char* mode) {
    return std::fopen(std::string(utf8_name).c_str(), mode);
}

std::size_t read_at(std::FILE* file, std::int64_t offset, std::uint8_t* bytes, std::size_t count,
                    std::error_code* error) {
    std::size_t got = 0;
    while (got < count) {
        const ssize_t part = pread(fileno(file), bytes + got, count - got,
                                   static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (part < 0 && errno == EINTR)
            continue;
        if (part < 0 && error != nullptr)
            *error = std::error_code(errno, std::generic_category());
        if (part <= 0)
            break;
        got += static_cast<std::size_t>(part);
    }
    return got;
}

std::uint64_t file_version(std::FILE* file) {
    struct stat state;
    if (fstat(fileno(file), &state) != 0 || !S_ISREG(state.st_mode))
        return 0;
    // The modification time to the nanosecond where the file system keeps it; the size beside
    // it, as a write within one tick of the clock leaves the time as it was.
    std::uint64_t version = static_cast<std::uint64_t>(state.st_size);
    for (const auto part : {static_cast<std::uint64_t>(state.st_mtim.tv_sec),
                            static_cast<std::uint64_t>(state.st_mtim.tv_nsec)})
        version = (version ^ part) * 0x9E3779B97F4A7C15U;
    return version | 1;
}

bool write_two(std::FILE* file, const std::uint8_t* first, std::size_t first_count,
               const std::uint8_t* second, std::size_t second_count) {
    iovec parts[2] = {{const_cast<std::uint8_t*>(first), first_count},
                      {const_cast<std::uint8_t*>(second), second_count}};
    iovec* part = parts;
    iovec* const end = parts + 2;
    for (;;) {
        while (part != end && part->iov_len == 0)
            ++part;
        if (part == end)
            return true;
        const ssize_t written = writev(fileno(file), part, static_cast<int>(end - part));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        // A write may take fewer bytes than given (a pipe, a signal): go on behind them.
        for (auto done = static_cast<std::size_t>(written); done > 0; ++part) {
            const std::size_t taken = std::min(done, part->iov_len);
            part->iov_base = static_cast<std::uint8_t*>(part->iov_base) + taken;
            part->iov_len -= taken;
            done -= taken;
            if (part->iov_len > 0)
                break;
        }
    }
}

void prepare_standard_streams() {
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF)
            open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY); // takes the lowest free
    }
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

void hold_own_console(std::FILE*) {}

bool writes_to_file_of(std::FILE* stream, std::FILE* file) {
    struct stat open_file;
    return fstat(fileno(file), &open_file) == 0 && is_regular_file(fileno(stream), open_file);
}

bool writes_to_file_named(std::FILE* stream, const std::string& name) {
    struct stat named;
    return stat(name.c_str(), &named) == 0 && is_regular_file(fileno(stream), named);
}

bool names_same_file(std::string_view first, std::string_view second) {
    // A FIFO is opened without waiting for a writer, and a terminal does not become korvix's.
    const auto identity = [](std::string_view name, struct stat& state) {
        const int descriptor =
            open(std::string(name).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (descriptor == -1)
            return false;
        const bool known = fstat(descriptor, &state) == 0;
        close(descriptor);
        return known;
    };
    struct stat a;
    struct stat b;
    return identity(first, a) && identity(second, b) && same_identity(a, b);
}

namespace {

std::error_code last_error() {
    return {errno, std::generic_category()};
}

// Opens the output of a run whose input is open, as open_run_files says.
void open_output(RunFiles& files, const std::string& output_name, const struct stat& input_file,
                 std::FILE* console) {
    files.outcome = OpenOutcome::output_not_opened;
    if (ends_in_folder(output_name)) {
        files.reason = std::make_error_code(std::errc::is_a_directory);
        return;
    }
    // Opened without O_CREAT and O_TRUNC: nothing is created or changed before the checks below.
    const int output = open(output_name.c_str(), O_WRONLY | O_CLOEXEC);
    if (output == -1) {
        files.reason = last_error();
        // No output yet, or a link to none: a new file, under a temporary name until the end.
        if (errno == ENOENT) {
            files.output = files.commit.create_temporary(through_links(output_name), -1);
            files.reason = files.commit.error();
        }
        if (files.output)
            files.outcome = OpenOutcome::opened;
        return;
    }
    struct stat output_file;
    struct stat console_file;
    if (fstat(output, &output_file) != 0) {
        files.reason = last_error();
    } else if (same_identity(input_file, output_file)) {
        files.outcome = OpenOutcome::output_is_input;
    } else if (fstat(fileno(console), &console_file) == 0 &&
               same_identity(console_file, output_file)) {
        files.outcome = OpenOutcome::output_is_console;
    } else if (S_ISREG(output_file.st_mode)) {
        // Whatever happens, the output's own bytes are changed only by a commit.
        files.output = replacement_of(output_name, output, files.commit);
        files.reason = files.commit.error();
        if (files.output)
            files.outcome = OpenOutcome::opened;
        return;
    } else {
        // A device or a FIFO: written as it stands, with no bytes of its own to lose.
        files.output = stream_of(output, "wb");
        files.outcome = files.output ? OpenOutcome::opened : OpenOutcome::output_not_opened;
        return;
    }
    close(output);
}

// Whether the two names lead to one FIFO. Opening a FIFO waits for its other end, so the input
// is compared with the output before either is opened, where a FIFO is concerned.
bool same_fifo(const std::string& input_name, const std::string& output_name) {
    struct stat input_file;
    struct stat output_file;
    return stat(input_name.c_str(), &input_file) == 0 && S_ISFIFO(input_file.st_mode) &&
           stat(output_name.c_str(), &output_file) == 0 && same_identity(input_file, output_file);
}

} // namespace

RunFiles open_run_files(const std::string& input_name, const std::string& output_name,
                        std::FILE* console) {
    RunFiles files;
    if (same_fifo(input_name, output_name)) {
        files.outcome = OpenOutcome::output_is_input;
        return files;
    }
    const int input = open(input_name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat input_file;
    if (input == -1)
        return files;
    // A folder opens for reading here but holds no bytes to read.
    if (fstat(input, &input_file) != 0 || S_ISDIR(input_file.st_mode)) {
        close(input);
        return files;
    }
    files.input = stream_of(input, "rb");
    if (!files.input)
        return files;
    files.input_seekable = S_ISREG(input_file.st_mode);
    // The trace written to the input would change it: nothing more is opened.
    if (is_regular_file(fileno(console), input_file)) {
        files.outcome = OpenOutcome::input_is_console;
        return files;
    }
    open_output(files, output_name, input_file, console);
    return files;
}

} // namespace korvix
