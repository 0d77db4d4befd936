#pragma once

#include <QString>
#include <QStringList>

// Everything that differs between operating systems lives behind these functions.
namespace platform {

// File name of the converter as it lies beside the launcher: "korvix" or "korvix.exe".
QString ConverterFileName();

// File name of the launcher itself: "runkorvix" or "runkorvix.exe".
QString LauncherFileName();

// Starts `program` with `arguments` (each passed as one argument), `workingDir` as its current
// folder and this process's environment, and waits without a time limit until it has ended.
// Returns 0 when the program was started, otherwise the system's error number for the failed
// start (2 when the program file does not exist). The program's exit status is not looked at.
int RunAndWait(const QString& program, const QStringList& arguments, const QString& workingDir);

} // namespace platform
