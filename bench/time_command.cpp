// Runs one command and prints what it cost, for the benchmark script:
//
//   korvix_time_command [--stdout FILE] -- PROGRAM [ARGUMENTS...]
//
// prints one line "WALL_NS USER_US SYSTEM_US PEAK_RSS_KB EXIT_STATUS". The wall time runs from
// just before the fork to the end of the wait; the CPU times and the peak resident set size are
// the child's own, from wait4 (the figure that `/usr/bin/time -v` shows as its maximum resident
// set size). The command's standard output goes to FILE, /dev/null by default.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long now_ns() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

long long microseconds(const timeval& t) {
    return static_cast<long long>(t.tv_sec) * 1000000LL + t.tv_usec;
}

} // namespace

int main(int argc, char** argv) {
    const char* stdout_path = "/dev/null";
    int first = 1;
    if (first + 1 < argc && std::strcmp(argv[first], "--stdout") == 0) {
        stdout_path = argv[first + 1];
        first += 2;
    }
    if (first >= argc || std::strcmp(argv[first], "--") != 0 || first + 1 >= argc) {
        std::fputs("usage: korvix_time_command [--stdout FILE] -- PROGRAM [ARGUMENTS...]\n",
                   stderr);
        return 2;
    }
    char** command = argv + first + 1;

    const long long start = now_ns();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child == 0) {
        const int out = open(stdout_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || dup2(out, STDOUT_FILENO) < 0) {
            std::perror(stdout_path);
            _exit(127);
        }
        close(out);
        execvp(command[0], command);
        std::perror(command[0]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        std::perror("wait4");
        return 1;
    }
    const long long wall = now_ns() - start;
    const int exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%lld %lld %lld %ld %d\n", wall, microseconds(usage.ru_utime),
                microseconds(usage.ru_stime), usage.ru_maxrss, exit_status);
    return 0;
}
