#include "LauncherApp.h"

#include "AppIcon.h"
#include "FileChooser.h"
#include "LauncherOptions.h"
#include "ParseDlg.h"
#include "QtSettingsStore.h"

#include <QSettings>

CLauncherApp::CLauncherApp(int& argc, char** argv)
    : QApplication(argc, argv), m_argc(argc), m_argv(argv) {
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
    QByteArrayList arguments;
    for (int index = 1; index < m_argc; ++index) {
        arguments.append(QByteArray(m_argv[index]));
    }
    CParseDlg dialog(settings, chooser, applicationFilePath(), arguments);
    dialog.DoModal();
    return false;
}
