// runkorvix.exe: the launcher's dialog on Windows. It shows the main dialog modally; the process
// ends when the dialog closes. Switches on the command line change nothing.
#include "ParseDlg.h"
#include "RegistrySettingsStore.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    InitCommonControls(); // the controls of the manifest's common controls 6
    CRegistrySettingsStore store;
    runkorvix::LauncherSettings settings(store);
    CParseDlg dialog(settings, instance);
    dialog.DoModal();
    return 0;
}
