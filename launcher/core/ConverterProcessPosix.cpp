// The converter's process on POSIX systems: fork and exec on Linux, where the child asks before
// the exec to be ended with the launcher; elsewhere posix_spawn, or fork and exec where the C
// library cannot change the child's folder in posix_spawn.
#include "ConverterProcess.h"
#include "ConverterStopPosix.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/prctl.h>
#elif defined(KORVIX_HAVE_POSIX_SPAWN_ADDCHDIR)
#define KORVIX_START_BY_POSIX_SPAWN
#endif

extern char** environ;

namespace runkorvix {

std::string ConverterFileName() {
    return "korvix";
}
std::string LauncherFileName() {
    return "runkorvix";
}

namespace {

// Moves `fd` above the standard streams and marks it close-on-exec; returns the new descriptor,
// or -1 with errno set.
int MoveAside(int fd) {
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int error = errno;
    close(fd);
    errno = error;
    return moved;
}

#ifdef KORVIX_START_BY_POSIX_SPAWN
// Starts the program by posix_spawn, with `output` as its standard output, `workingDir` as its
// folder and the signal mask `mask`; returns 0 and sets `pid`, or returns the error number.
int SpawnProgram(const std::string& program, char* const* argv, const std::string& workingDir,
                 int output, const sigset_t& mask, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    int error = posix_spawn_file_actions_init(&actions);
    if (error != 0) {
        return error;
    }
    error = posix_spawnattr_init(&attributes);
    if (error != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return error;
    }
    // The converter gets the default SIGPIPE and SIGTERM back, whatever the launcher does with
    // them (StartMask).
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    error = posix_spawnattr_setsigdefault(&attributes, &defaults);
    if (error == 0) {
        error = posix_spawnattr_setsigmask(&attributes, &mask);
    }
    if (error == 0) {
        error =
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    if (error == 0) {
        error = posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    }
    if (error == 0) {
        error = posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    }
    pid_t child = -1;
    if (error == 0) {
        error = posix_spawn(&child, program.c_str(), &actions, &attributes, argv, environ);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error == 0) {
        pid = child;
    }
    return error;
}
#else
// The child between fork and exec: only async-signal-safe calls. Every signal that the launcher
// catches gets its default action back (the exec would give it that anyway), and SIGPIPE and
// SIGTERM too, whatever the launcher does with them (StartMask), before the mask `mask` comes:
// no handler of the launcher runs in the converter's process. On Linux the child then asks for
// SIGTERM when the launcher's thread that forked it ends, which it does when the launcher ends by
// any means, SIGKILL included. SIGTERM, not SIGKILL: korvix takes it as it takes the Stop button,
// and removes its temporary file. A launcher (process `parent`) gone before that request was made
// would never send it: the child then ends at once. A failed exec writes its error number to
// `report`.
[[noreturn]] void RunChild(const char* program, char* const* argv, const char* workingDir,
                           int output, const sigset_t& mask, pid_t parent, int report) {
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current = {};
        if (sigaction(signal, nullptr, &current) == 0 &&
            (signal == SIGPIPE || signal == SIGTERM || (current.sa_flags & SA_SIGINFO) != 0 ||
             (current.sa_handler != SIG_IGN && current.sa_handler != SIG_DFL))) {
            struct sigaction fallback = {};
            fallback.sa_handler = SIG_DFL;
            sigaction(signal, &fallback, nullptr);
        }
    }
#ifdef __linux__
    // Refused only where a sandbox forbids it: the converter then runs as it did before.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) {
        _exit(127);
    }
#else
    static_cast<void>(parent);
#endif
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    if (dup2(output, STDOUT_FILENO) >= 0 && chdir(workingDir) == 0) {
        execve(program, argv, environ);
    }
    const int error = errno;
    [[maybe_unused]] const ssize_t written = write(report, &error, sizeof error);
    _exit(127);
}

// Reads the error number that a child writes when its exec fails; 0 when the exec succeeded
// (the pipe closes without a word).
int ReadExecError(int fd) {
    int error = 0;
    ssize_t got;
    while ((got = read(fd, &error, sizeof error)) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

// Starts the program by fork and exec (RunChild), with `output` as its standard output,
// `workingDir` as its folder and the signal mask `mask`; returns 0 and sets `pid`, or returns the
// error number. Every signal is blocked across the fork, so that none reaches the child before
// its handlers are reset. A failed exec is told through a close-on-exec pipe, and its child is
// waited for.
int SpawnProgram(const std::string& program, char* const* argv, const std::string& workingDir,
                 int output, const sigset_t& mask, pid_t& pid) {
    int report[2];
    if (pipe(report) != 0) {
        return errno;
    }
    fcntl(report[0], F_SETFD, FD_CLOEXEC);
    fcntl(report[1], F_SETFD, FD_CLOEXEC);
    const pid_t launcher = getpid();
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    const pid_t child = fork();
    if (child == 0) {
        RunChild(program.c_str(), argv, workingDir.c_str(), output, mask, launcher, report[1]);
    }
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    close(report[1]);
    const int error = child < 0 ? forkError : ReadExecError(report[0]);
    close(report[0]);
    if (child < 0) {
        return error;
    }
    if (error != 0) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        return error;
    }
    pid = child;
    return 0;
}
#endif

// The signal mask that the converter starts with: the launcher's `launcher`, but SIGTERM, by which
// the launcher ends its converter (at Stop, and when it goes itself), is never blocked: the
// converter, which removes its temporary file on it, must hear it even from a launcher that was
// started with SIGTERM blocked (and, SIGTERM back at its default action, one that ignores it).
sigset_t StartMask(const sigset_t& launcher) {
    sigset_t mask = launcher;
    sigdelset(&mask, SIGTERM);
    return mask;
}

class PosixConverterProcess final : public IConverterProcess {
public:
    // A run given up before its end (the launcher goes while the converter runs): the converter
    // ignores SIGPIPE and would convert to its end with no one reading, so it is ended as the
    // Stop button ends it, and reaped. A converter that has ended already and waits to be reaped
    // takes no harm from the signal.
    ~PosixConverterProcess() override {
        if (m_output >= 0) {
            close(m_output);
        }
        if (m_pid > 0) {
            const StopSignalsBlocked blocked;
            EndAndReap(m_pid);
            ForwardStopsTo(0);
        }
    }

    int Start(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& workingDir) override {
        // The launcher passes the converter's output on to its own standard output; when that
        // is a pipe whose reader has gone, the write has to fail rather than end the launcher.
        std::signal(SIGPIPE, SIG_IGN);

        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);

        int ends[2];
        if (pipe(ends) != 0) {
            return errno;
        }
        const int readEnd = MoveAside(ends[0]);
        const int readError = errno;
        const int writeEnd = MoveAside(ends[1]);
        if (readEnd < 0 || writeEnd < 0) {
            const int error = readEnd < 0 ? readError : errno;
            close(readEnd);
            close(writeEnd);
            return error;
        }
        // A signal that ends the launcher ends the converter first, from its start on.
        const StopSignalsBlocked blocked;
        const int error = SpawnProgram(program, argv.data(), workingDir, writeEnd,
                                       StartMask(blocked.Previous()), m_pid);
        if (error == 0) {
            ForwardStopsTo(m_pid);
        }
        close(writeEnd);
        if (error != 0) {
            close(readEnd);
            return error;
        }
        m_output = readEnd;
        return 0;
    }

    ReadResult Read(std::span<char> buffer, std::chrono::milliseconds timeout) override {
        pollfd watched{m_output, POLLIN, 0};
        if (poll(&watched, 1, static_cast<int>(timeout.count())) <= 0) {
            return {}; // nothing yet, or a signal came in between
        }
        const ssize_t got = read(m_output, buffer.data(), buffer.size());
        if (got < 0) {
            return {0, errno != EINTR && errno != EAGAIN};
        }
        return {static_cast<std::size_t>(got), got == 0};
    }

    ExitStatus Wait() override {
        if (m_pid <= 0) {
            return {};
        }
        // Waited for without being reaped, so that a stop signal meanwhile still finds it; then
        // reaped and forgotten in one piece.
        siginfo_t ended = {};
        while (waitid(P_PID, static_cast<id_t>(m_pid), &ended, WEXITED | WNOWAIT) < 0 &&
               errno == EINTR) {
        }
        int status = 0;
        {
            const StopSignalsBlocked blocked;
            waitpid(m_pid, &status, 0);
            ForwardStopsTo(0);
        }
        m_pid = -1;
        if (WIFSIGNALED(status)) {
            return {true, WTERMSIG(status)};
        }
        return {false, WIFEXITED(status) ? WEXITSTATUS(status) : 0};
    }

    bool Interrupt() override { return m_pid <= 0 || kill(m_pid, SIGTERM) == 0 || errno == ESRCH; }

    void Kill() override {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
        }
    }

private:
    pid_t m_pid = -1;
    int m_output = -1;
};

} // namespace

std::unique_ptr<IConverterProcess> CreateConverterProcess() {
    return std::make_unique<PosixConverterProcess>();
}

} // namespace runkorvix
