// The converter's process on Windows: CreateProcessW with its standard output into a pipe and
// no console window.
#include "ConverterProcess.h"

#include <algorithm>
#include <windows.h>

namespace runkorvix {

std::string ConverterFileName() {
    return "korvix.exe";
}
std::string LauncherFileName() {
    return "runkorvix.exe";
}

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// Quotes one argument so that the C runtime of the started program splits it back unchanged.
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

class Win32ConverterProcess final : public IConverterProcess {
public:
    ~Win32ConverterProcess() override {
        if (m_output != nullptr) {
            CloseHandle(m_output); // a converter still writing gets an error and ends
        }
        if (m_process != nullptr) {
            Wait();
        }
    }

    int Start(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& workingDir) override {
        // A program path never holds a double quote, so plain quotes delimit it safely.
        std::wstring commandLine = L"\"" + Wide(program) + L"\"";
        for (const std::string& argument : arguments) {
            commandLine += L" " + QuoteArgument(Wide(argument));
        }
        const std::wstring dir = Wide(workingDir);

        // The converter inherits the write end only; the launcher keeps the read end.
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
            return static_cast<int>(GetLastError());
        }
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = writeEnd;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION process{};
        const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                            NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW, nullptr,
                                            dir.c_str(), &startup, &process);
        const DWORD error = started ? 0 : GetLastError();
        CloseHandle(writeEnd);
        if (!started) {
            CloseHandle(readEnd);
            return static_cast<int>(error);
        }
        CloseHandle(process.hThread);
        m_process = process.hProcess;
        m_output = readEnd;
        return 0;
    }

    ReadResult Read(std::span<char> buffer, std::chrono::milliseconds timeout) override {
        // An anonymous pipe cannot be waited on: look into it until output comes or time is up.
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(m_output, nullptr, 0, nullptr, &available, nullptr)) {
                return {0, true}; // the converter has closed its end
            }
            if (available > 0) {
                DWORD got = 0;
                const DWORD wanted = std::min<DWORD>(available, static_cast<DWORD>(buffer.size()));
                if (!ReadFile(m_output, buffer.data(), wanted, &got, nullptr)) {
                    return {0, true};
                }
                return {got, false};
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return {};
            }
            Sleep(static_cast<DWORD>(std::min<long long>(left.count(), 5)));
        }
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
        return {false, static_cast<int>(code)};
    }

private:
    HANDLE m_process = nullptr;
    HANDLE m_output = nullptr;
};

} // namespace

std::unique_ptr<IConverterProcess> CreateConverterProcess() {
    return std::make_unique<Win32ConverterProcess>();
}

} // namespace runkorvix
