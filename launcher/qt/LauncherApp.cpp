#include "LauncherApp.h"

#include "AppIcon.h"
#include "FileChooser.h"
#include "LauncherOptions.h"
#include "ParseDlg.h"
#include "QtSettingsStore.h"

#include <QSettings>

CLauncherApp::CLauncherApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QString::fromLatin1(runkorvix::kCompany));
    setApplicationName(QString::fromLatin1(runkorvix::kApplication));
    setWindowIcon(AppIcon());
}

CLauncherApp::~CLauncherApp() = default;

bool CLauncherApp::InitInstance() {
    const auto store = OpenUserSettings();
    CQtSettingsStore settingsStore(*store);
    runkorvix::LauncherSettings settings(settingsStore);
    CQtFileChooser chooser;
    CParseDlg dialog(settings, chooser, applicationFilePath(), arguments().mid(1));
    dialog.DoModal();
    return false;
}
