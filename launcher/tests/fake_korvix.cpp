// Stands in for korvix in the launcher's tests. Steered by environment variables:
//   RUNKORVIX_TEST_LOG       appends its working folder, its arguments (one a line) and a line
//                            "end" to this file
//   RUNKORVIX_TEST_PID       writes its process id to this file
//   RUNKORVIX_TEST_ON_STOP   what it does when asked to stop as korvix is (SIGTERM on POSIX,
//                            Ctrl+C, Ctrl+Break or the console's close on Windows): "log" appends
//                            "stopped" to the log and ends as korvix does, "ignore" goes on; by
//                            default the system ends it
//   RUNKORVIX_TEST_PRINT     prints this text on standard output ...
//   RUNKORVIX_TEST_REPEAT    ... this many times (default once)
//   RUNKORVIX_TEST_SLEEP_MS  then sleeps this long
//   RUNKORVIX_TEST_EXIT      then exits with this status (default 0), or "signal": ends by
//                            SIGTERM
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

const char* stop_log = ""; // RUNKORVIX_TEST_LOG, for the stop handler

#ifdef _WIN32
BOOL WINAPI LogStop(DWORD) {
    if (std::FILE* log = std::fopen(stop_log, "a")) {
        std::fputs("stopped\n", log);
        std::fclose(log);
    }
    return FALSE; // the system's handler ends the process, as korvix's handler lets it
}
BOOL WINAPI IgnoreStop(DWORD) {
    return TRUE;
}

void OnStop(const char* what) {
    if (std::strcmp(what, "log") == 0) {
        SetConsoleCtrlHandler(LogStop, TRUE);
    } else if (std::strcmp(what, "ignore") == 0) {
        SetConsoleCtrlHandler(IgnoreStop, TRUE);
    }
}

int ProcessId() {
    return _getpid();
}
#else
extern "C" void LogStop(int signal) {
    const int log = open(stop_log, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (log >= 0) {
        [[maybe_unused]] const ssize_t written = write(log, "stopped\n", 8);
        close(log);
    }
    std::signal(signal, SIG_DFL); // and ends by it, as korvix does
    std::raise(signal);
}

void OnStop(const char* what) {
    if (std::strcmp(what, "log") == 0) {
        std::signal(SIGTERM, LogStop);
    } else if (std::strcmp(what, "ignore") == 0) {
        std::signal(SIGTERM, SIG_IGN);
    }
}

int ProcessId() {
    return static_cast<int>(getpid());
}
#endif

} // namespace

int main(int argc, char** argv) {
    stop_log = Env("RUNKORVIX_TEST_LOG");
    OnStop(Env("RUNKORVIX_TEST_ON_STOP"));
    if (*Env("RUNKORVIX_TEST_PID") != '\0') {
        std::FILE* pid = std::fopen(Env("RUNKORVIX_TEST_PID"), "w");
        if (pid == nullptr || std::fprintf(pid, "%d\n", ProcessId()) < 0 || std::fclose(pid) != 0) {
            return 5;
        }
    }
    if (*stop_log != '\0') {
        std::FILE* log = std::fopen(stop_log, "a");
        if (log == nullptr) {
            return 3;
        }
        std::fprintf(log, "%s\n", std::filesystem::current_path().string().c_str());
        for (int i = 1; i < argc; ++i) {
            std::fprintf(log, "%s\n", argv[i]);
        }
        std::fprintf(log, "end\n");
        if (std::fclose(log) != 0) {
            return 4;
        }
    }
    const std::string text = Env("RUNKORVIX_TEST_PRINT");
    for (long n = *Env("RUNKORVIX_TEST_REPEAT") ? std::atol(Env("RUNKORVIX_TEST_REPEAT")) : 1;
         n > 0; --n) {
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fflush(stdout);
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::atol(Env("RUNKORVIX_TEST_SLEEP_MS"))));
    if (std::strcmp(Env("RUNKORVIX_TEST_EXIT"), "signal") == 0) {
        std::raise(SIGTERM);
    }
    return std::atoi(Env("RUNKORVIX_TEST_EXIT"));
}
