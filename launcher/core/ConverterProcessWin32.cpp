// The converter's process on Windows: CreateProcessW with its standard output into a pipe and
// a console of its own without a window, through which it is stopped, in a job that ends it when
// the launcher goes.
#include "ConverterProcess.h"
#include "platform.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <windows.h>

namespace runkorvix {

using korvix::wide_from_utf8;

std::string ConverterFileName() {
    return "korvix.exe";
}
std::string LauncherFileName() {
    return "runkorvix.exe";
}

namespace {

constexpr DWORD kPipeSize = 64 * 1024;

// Quotes one argument so that the started program splits its command line back into the same
// arguments (CommandLineToArgvW and the C runtime's rules).
std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring quoted = L"\"";
    for (auto it = arg.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != arg.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == arg.end()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        quoted.push_back(*it);
    }
    quoted.push_back(L'"');
    return quoted;
}

// An inheritable copy of one of the launcher's standard handles for the converter, or null when
// the launcher has none (a program started from the desktop).
HANDLE InheritableStdHandle(DWORD which) {
    const HANDLE own = GetStdHandle(which);
    HANDLE copy = nullptr;
    if (own == nullptr || own == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

void CloseIfOpen(HANDLE handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
}

// The command line that starts `program` with `arguments`. A program path never holds a double
// quote, so plain quotes delimit it safely.
std::wstring CommandLine(const std::string& program, const std::vector<std::string>& arguments) {
    std::wstring commandLine = L"\"" + wide_from_utf8(program) + L"\"";
    for (const std::string& argument : arguments) {
        commandLine += L" " + QuoteArgument(wide_from_utf8(argument));
    }
    return commandLine;
}

// A pipe for the converter's output: `readEnd` for the launcher, read overlapped, `writeEnd` for
// the converter to inherit. An anonymous pipe cannot be read with a time limit; a named pipe,
// read overlapped, can. Its name is this process's own. Returns 0, or the system's error number.
int CreateOutputPipe(HANDLE& readEnd, HANDLE& writeEnd) {
    static std::atomic<unsigned> serial{0};
    const std::wstring name = L"\\\\.\\pipe\\runkorvix-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++serial);
    readEnd = CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
        kPipeSize, 0, nullptr);
    if (readEnd == INVALID_HANDLE_VALUE) {
        return static_cast<int>(GetLastError());
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    writeEnd = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (writeEnd == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        CloseHandle(readEnd);
        return static_cast<int>(error);
    }
    return 0;
}

// A job that ends every process in it when its last handle closes. The launcher holds the only
// one (it is not inherited), so that korvix.exe ends with runkorvix.exe however that ends,
// TerminateProcess included. Null when the system makes none.
HANDLE CreateEndWithLauncherJob() {
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) {
        return nullptr;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

// Puts the converter, started suspended, into a job of its own (CreateEndWithLauncherJob) and
// lets it run. Returns the job, or null when none could be made or taken: on Windows before 8,
// which nests no jobs, a launcher that runs in a job of its own runs its converter as before,
// bound to that job alone. `error` is 0 when the converter runs, else the system's error number:
// the converter has been ended, and no job is returned.
HANDLE RunInJob(const PROCESS_INFORMATION& process, DWORD& error) {
    HANDLE job = CreateEndWithLauncherJob();
    if (job != nullptr && !AssignProcessToJobObject(job, process.hProcess)) {
        CloseHandle(job);
        job = nullptr;
    }
    error = ResumeThread(process.hThread) == static_cast<DWORD>(-1) ? GetLastError() : 0;
    if (error != 0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseIfOpen(job);
        job = nullptr;
    }
    return job;
}

// The launcher's standard handles, which joining and leaving a console change, put back as they
// were when it goes.
class StdHandlesKept {
public:
    StdHandlesKept()
        : m_handles{GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                    GetStdHandle(STD_ERROR_HANDLE)} {}
    ~StdHandlesKept() {
        SetStdHandle(STD_INPUT_HANDLE, m_handles[0]);
        SetStdHandle(STD_OUTPUT_HANDLE, m_handles[1]);
        SetStdHandle(STD_ERROR_HANDLE, m_handles[2]);
    }
    StdHandlesKept(const StdHandlesKept&) = delete;
    StdHandlesKept& operator=(const StdHandlesKept&) = delete;

private:
    std::array<HANDLE, 3> m_handles;
};

// The Ctrl+C that Interrupt sends reaches every process of korvix's console, the launcher too
// while it is joined to it: the launcher goes on.
BOOL WINAPI TakeInterrupt(DWORD event) {
    return event == CTRL_C_EVENT ? TRUE : FALSE;
}

// Once, before the first converter starts: the launcher takes its own Ctrl+C (TakeInterrupt),
// and processes Ctrl+C at all, which its converters inherit (one started with Ctrl+C ignored
// would pass that on, and korvix would not hear Interrupt).
void TakeOwnInterrupts() {
    static const bool taken = [] {
        SetConsoleCtrlHandler(nullptr, FALSE);
        return SetConsoleCtrlHandler(TakeInterrupt, TRUE) != FALSE;
    }();
    static_cast<void>(taken);
}

class Win32ConverterProcess final : public IConverterProcess {
public:
    Win32ConverterProcess() { m_overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }

    ~Win32ConverterProcess() override {
        if (m_output != nullptr) {
            if (m_pending) {
                // The read must be over before its buffer and OVERLAPPED go.
                CancelIoEx(m_output, &m_overlapped);
                DWORD got = 0;
                GetOverlappedResult(m_output, &m_overlapped, &got, TRUE);
            }
            CloseHandle(m_output); // a converter still writing gets an error and goes on silent
        }
        // A run given up before its end: the converter is stopped as the Stop button stops it,
        // and waited for.
        if (m_process != nullptr) {
            if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
                Interrupt();
                const auto grace = std::chrono::milliseconds(kStopGrace).count();
                if (WaitForSingleObject(m_process, static_cast<DWORD>(grace)) == WAIT_TIMEOUT) {
                    Kill();
                }
            }
            Wait();
        }
        CloseIfOpen(m_overlapped.hEvent);
    }

    int Start(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& workingDir) override {
        if (m_overlapped.hEvent == nullptr) {
            return static_cast<int>(GetLastError());
        }
        TakeOwnInterrupts();
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (const int error = CreateOutputPipe(readEnd, writeEnd); error != 0) {
            return error;
        }
        // The converter inherits the write end and copies of the launcher's standard input and
        // error; the launcher keeps the read end. CREATE_NO_WINDOW gives it a console of its own,
        // without a window, and in it nothing but the converter, which Interrupt joins.
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = InheritableStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = InheritableStdHandle(STD_ERROR_HANDLE);
        std::wstring commandLine = CommandLine(program, arguments);
        const std::wstring dir = wide_from_utf8(workingDir);
        PROCESS_INFORMATION process{};
        // Suspended until it is in its job, so that it never runs unbound.
        const BOOL started =
            CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                           NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr,
                           dir.c_str(), &startup, &process);
        DWORD error = started ? 0 : GetLastError();
        CloseHandle(writeEnd);
        CloseIfOpen(startup.hStdInput);
        CloseIfOpen(startup.hStdError);
        if (started) {
            m_job = RunInJob(process, error);
            CloseHandle(process.hThread);
            if (error != 0) {
                CloseHandle(process.hProcess);
            }
        }
        if (error != 0) {
            CloseHandle(readEnd);
            return static_cast<int>(error);
        }
        m_process = process.hProcess;
        m_id = process.dwProcessId;
        m_output = readEnd;
        return 0;
    }

    ReadResult Read(std::span<char> buffer, std::chrono::milliseconds timeout) override {
        if (m_output == nullptr) {
            return {0, true};
        }
        if (m_taken == m_have) {
            // Nothing is left of the last read: start the next one, unless one is under way, and
            // wait for it at most `timeout`.
            if (!m_pending) {
                m_taken = m_have = 0;
                if (!ReadFile(m_output, m_chunk.data(), kPipeSize, nullptr, &m_overlapped) &&
                    GetLastError() != ERROR_IO_PENDING) {
                    return {0, true}; // the converter has closed its end
                }
                m_pending = true;
            }
            if (WaitForSingleObject(m_overlapped.hEvent, static_cast<DWORD>(timeout.count())) !=
                WAIT_OBJECT_0) {
                return {};
            }
            m_pending = false;
            DWORD got = 0;
            if (!GetOverlappedResult(m_output, &m_overlapped, &got, FALSE)) {
                return {0, true};
            }
            m_have = got;
        }
        const std::size_t size = std::min(buffer.size(), m_have - m_taken);
        std::memcpy(buffer.data(), m_chunk.data() + m_taken, size);
        m_taken += size;
        return {size, false};
    }

    ExitStatus Wait() override {
        if (m_process == nullptr) {
            return {};
        }
        WaitForSingleObject(m_process, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(m_process, &code);
        CloseHandle(m_process);
        m_process = nullptr;
        CloseIfOpen(m_job); // ends nothing: its one process has ended
        m_job = nullptr;
        return {false, static_cast<int>(code)};
    }

    // A Ctrl+C in the converter's console, on which korvix removes its unfinished output and ends.
    // A process has one console at a time: the launcher joins the converter's for the moment of
    // the event. (A Ctrl+Break to the converter's own process group alone would spare the
    // launcher that, but Wine sends no Ctrl+Break; Ctrl+C reaches both, and TakeInterrupt takes
    // the launcher's.) A launcher with a console of its own (a console program that uses the
    // core, as its tests) leaves it for that moment and then joins its parent's. False when the
    // converter's console could not be joined, or took no event: it may not be up yet.
    bool Interrupt() override {
        if (m_process == nullptr) {
            return true;
        }
        const StdHandlesKept kept;
        bool joined = AttachConsole(m_id) != FALSE;
        bool ownConsole = false;
        if (!joined && GetLastError() == ERROR_ACCESS_DENIED) {
            ownConsole = FreeConsole() != FALSE;
            joined = ownConsole && AttachConsole(m_id) != FALSE;
        }
        const bool sent = joined && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != FALSE;
        if (joined) {
            FreeConsole();
        }
        if (ownConsole) {
            AttachConsole(ATTACH_PARENT_PROCESS);
        }
        return sent;
    }

    void Kill() override {
        if (m_process != nullptr) {
            TerminateProcess(m_process, 1);
        }
    }

private:
    HANDLE m_process = nullptr;
    HANDLE m_job = nullptr; // ends the converter when the launcher goes; null for none
    DWORD m_id = 0;
    HANDLE m_output = nullptr;
    OVERLAPPED m_overlapped{};
    bool m_pending = false; // a read into m_chunk is under way
    std::array<char, kPipeSize> m_chunk{};
    std::size_t m_have = 0;  // bytes in m_chunk from the last read
    std::size_t m_taken = 0; // of those, bytes handed out
};

} // namespace

std::unique_ptr<IConverterProcess> CreateConverterProcess() {
    return std::make_unique<Win32ConverterProcess>();
}

} // namespace runkorvix
