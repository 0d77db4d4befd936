#include "LauncherApp.h"

#include "AppIcon.h"
#include "FileChooser.h"
#include "LauncherNames.h"
#include "LauncherSettings.h"
#include "ParseDlg.h"

#include <QSettings>

CLauncherApp::CLauncherApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(names::kCompany);
    setApplicationName(names::kApplication);
    setWindowIcon(AppIcon());
}

CLauncherApp::~CLauncherApp() = default;

bool CLauncherApp::InitInstance() {
    const auto store = OpenUserSettings();
    CLauncherSettings settings(*store);
    CQtFileChooser chooser;
    CParseDlg dialog(settings, chooser, applicationFilePath());
    dialog.DoModal();
    return false;
}
