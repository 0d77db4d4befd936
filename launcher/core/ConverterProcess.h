#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Everything that differs between operating systems lives behind this header: one file per
// system implements it (ConverterProcessPosix.cpp, ConverterProcessWin32.cpp).
namespace runkorvix {

// File name of the converter as it lies beside the launcher: "korvix" or "korvix.exe".
std::string ConverterFileName();
// File name of the launcher itself: "runkorvix" or "runkorvix.exe".
std::string LauncherFileName();

// How a program ended: its exit status, or the signal that ended it.
struct ExitStatus {
    bool signalled = false;
    int code = 0; // the exit status, or the signal's number

    bool Succeeded() const { return !signalled && code == 0; }
    bool operator==(const ExitStatus&) const = default;
};

// How long a converter asked to stop (IConverterProcess::Interrupt) has to end, removing its
// unfinished output, before it is forced to.
inline constexpr std::chrono::seconds kStopGrace(3);

// What one read of the program's output gave.
struct ReadResult {
    std::size_t size = 0; // bytes read; 0 when nothing came in time
    bool end = false;     // the program has closed its output: nothing more will come
};

// One run of the converter: started with its standard output into a pipe that the launcher
// reads, then waited for. Strings are as the launcher keeps file names (Launcher.h): bytes on
// POSIX systems, passed as they are; UTF-8 on Windows. Destroyed while the program runs, it ends
// the program as Interrupt and, kStopGrace later, Kill do, and waits for it.
class IConverterProcess {
public:
    virtual ~IConverterProcess() = default;

    // Starts `program` with `arguments` (each passed as one argument), `workingDir` as its
    // current folder and this process's environment, without a console window of its own.
    // Returns 0 when the program was started, otherwise the system's error number for the
    // failed start (2 when the program file does not exist). The program does not outlive this
    // process, however that ends: on Linux it gets SIGTERM when the thread that started it ends
    // (so Start is called from a thread that lives to the run's end: the dialog's), on Windows
    // it runs in a job that ends it when this process's handle to it closes.
    virtual int Start(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workingDir) = 0;

    // Waits at most `timeout` for output and reads what there is into `buffer`.
    virtual ReadResult Read(std::span<char> buffer, std::chrono::milliseconds timeout) = 0;

    // Once the output has ended: waits without a time limit for the program to end.
    virtual ExitStatus Wait() = 0;

    // Asks the running program to end as on the user's interrupt, on which korvix removes its
    // unfinished output and ends: SIGTERM on POSIX, Ctrl+C in its console on Windows. False when
    // the request could not be delivered (yet): it may be made again.
    virtual bool Interrupt() = 0;
    // Ends the running program at once (SIGKILL, TerminateProcess): for one that has not ended
    // kStopGrace after Interrupt.
    virtual void Kill() = 0;
};

// This system's implementation.
std::unique_ptr<IConverterProcess> CreateConverterProcess();

} // namespace runkorvix
