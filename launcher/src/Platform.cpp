#include "Platform.h"

#ifdef _WIN32

#include <QDir>

#include <string>
#include <windows.h>

namespace {

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

} // namespace

namespace platform {

QString ConverterFileName() {
    return QStringLiteral("korvix.exe");
}
QString LauncherFileName() {
    return QStringLiteral("runkorvix.exe");
}

int RunAndWait(const QString& program, const QStringList& arguments, const QString& workingDir) {
    const std::wstring path = QDir::toNativeSeparators(program).toStdWString();
    // A program path never holds a double quote, so plain quotes delimit it safely.
    std::wstring commandLine = L"\"" + path + L"\"";
    for (const QString& arg : arguments) {
        commandLine += L" " + QuoteArgument(arg.toStdWString());
    }
    const std::wstring dir = QDir::toNativeSeparators(workingDir).toStdWString();

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, dir.c_str(), &startup, &process)) {
        return static_cast<int>(GetLastError());
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    return 0;
}

} // namespace platform

#else // POSIX

#include <QFile>

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace platform {

QString ConverterFileName() {
    return QStringLiteral("korvix");
}
QString LauncherFileName() {
    return QStringLiteral("runkorvix");
}

int RunAndWait(const QString& program, const QStringList& arguments, const QString& workingDir) {
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> encoded;
    encoded.reserve(static_cast<std::size_t>(arguments.size()));
    for (const QString& arg : arguments) {
        encoded.push_back(QFile::encodeName(arg));
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.constData()));
    for (QByteArray& arg : encoded) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    int error = posix_spawn_file_actions_init(&actions);
    if (error != 0) {
        return error;
    }
    const QByteArray dir = QFile::encodeName(workingDir);
    error = posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
    pid_t pid = 0;
    if (error == 0) {
        error = posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return error;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return 0;
}

} // namespace platform

#endif
