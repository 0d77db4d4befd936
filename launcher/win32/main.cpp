// runkorvix.exe: the launcher's dialog on Windows. It shows the main dialog modally; the process
// ends when the dialog closes. A file named on the command line (Explorer names one dropped on
// the program's icon, or opened with it) becomes the dialog's input; switches change nothing.
#include "ParseDlg.h"
#include "RegistrySettingsStore.h"
#include "platform.h"

#include <commctrl.h>
#include <objbase.h>
#include <string>
#include <vector>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs

namespace {

// The arguments of the process's command line, without the program's name, in UTF-8.
std::vector<std::string> CommandLineArguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int index = 1; words != nullptr && index < count; ++index) {
        arguments.push_back(korvix::utf8_from_wide(words[index]));
    }
    LocalFree(words);
    return arguments;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    InitCommonControls(); // the controls of the manifest's common controls 6
    // The accessible names of the dialog's controls are set through a COM service.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CRegistrySettingsStore store;
    runkorvix::LauncherSettings settings(store);
    CParseDlg dialog(settings, instance, CommandLineArguments());
    dialog.DoModal();
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return 0;
}
