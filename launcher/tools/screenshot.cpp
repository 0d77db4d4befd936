// Takes the pictures of the launcher's dialogs for the documentation:
//   runkorvix_screenshot OUTPUT_FOLDER
// writes runkorvix-main.png (the main dialog as it starts for a new user) and
// runkorvix-about.png. Run it on a real display, or under Xvfb with xvfb-run.

#include "AboutDlg.h"
#include "FileChooser.h"
#include "LauncherSettings.h"
#include "ParseDlg.h"
#include "Platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool Save(QWidget& widget, const QString& path) {
    widget.show();
    QApplication::processEvents();
    return widget.grab().save(path, "PNG");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: runkorvix_screenshot OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    // A folder of its own, with a converter file and no stored settings, so that the dialog
    // starts as it does the first time.
    QTemporaryDir folder;
    QFile converter(folder.filePath(platform::ConverterFileName()));
    if (!folder.isValid() || !converter.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "runkorvix_screenshot: cannot prepare a temporary folder\n");
        return 1;
    }
    converter.close();
    QSettings store(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    CLauncherSettings settings(store);
    CQtFileChooser chooser;

    CParseDlg dialog(settings, chooser, folder.filePath(platform::LauncherFileName()));
    if (!dialog.OnInitDialog()) {
        return 1;
    }
    CAboutDlg about;
    const bool ok = Save(dialog, out.filePath(QStringLiteral("runkorvix-main.png"))) &&
                    Save(about, out.filePath(QStringLiteral("runkorvix-about.png")));
    if (!ok) {
        std::fprintf(stderr, "runkorvix_screenshot: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
