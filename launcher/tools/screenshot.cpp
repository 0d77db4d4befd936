// Takes the pictures of the launcher's dialogs for the documentation:
//   runkorvix_screenshot OUTPUT_FOLDER
// writes runkorvix-main.png (the main dialog as it starts for a new user), runkorvix-about.png,
// runkorvix-running.png (the dialog while korvix runs) and runkorvix-error.png (the message
// after a failed conversion). Run it on a real display, or under Xvfb with xvfb-run.
//
// The runs need a converter: the tool copies itself beside the dialog as korvix, and started
// under that name it acts one, slow or failing as RUNKORVIX_SHOT says.

#include "AboutDlg.h"
#include "ConverterProcess.h"
#include "FileChooser.h"
#include "ParseDlg.h"
#include "QtSettingsStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

// As korvix: "slow" works for two seconds, "fail" stops on a cut input file, leaving the
// output (the last argument) begun.
int ActAsConverter(int argc, char** argv) {
    const char* shot = std::getenv("RUNKORVIX_SHOT");
    if (shot != nullptr && std::strcmp(shot, "fail") == 0) {
        if (std::FILE* output = std::fopen(argv[argc - 1], "wb")) {
            std::fputs("MsRcf", output);
            std::fclose(output);
        }
        std::fputs("D 20\nW 71\nW 69\nUnexpected end of input file\n", stdout);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    return 0;
}

class FixedChooser : public IFileChooser {
public:
    QString input, output;
    QString ChooseOpen() override { return input; }
    QString ChooseSave() override { return output; }
};

bool Save(QWidget& widget, const QString& path) {
    widget.show();
    QApplication::processEvents();
    return widget.grab().save(path, "PNG");
}

void Click(const CParseDlg& dialog, CParseDlg::ControlId id) {
    qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id))->click();
}

} // namespace

int main(int argc, char** argv) {
    if (std::filesystem::path(argv[0]).filename().string() == runkorvix::ConverterFileName()) {
        return ActAsConverter(argc, argv);
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: runkorvix_screenshot OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    // A folder of its own, with the converter and no stored settings, so that the dialog starts
    // as it does the first time.
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("maps-XXXXXX")));
    const QString converter =
        folder.filePath(QString::fromStdString(runkorvix::ConverterFileName()));
    QFile input(folder.filePath(QStringLiteral("ride.gdb")));
    if (!folder.isValid() || !QFile::copy(QCoreApplication::applicationFilePath(), converter) ||
        !input.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "runkorvix_screenshot: cannot prepare a temporary folder\n");
        return 1;
    }
    input.close();
    QSettings store(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    CQtSettingsStore settingsStore(store);
    runkorvix::LauncherSettings settings(settingsStore);
    FixedChooser chooser;
    chooser.input = input.fileName();
    chooser.output = folder.filePath(QStringLiteral("ride-track.gdb"));

    CParseDlg dialog(settings, chooser,
                     folder.filePath(QString::fromStdString(runkorvix::LauncherFileName())));
    if (!dialog.OnInitDialog()) {
        return 1;
    }
    CAboutDlg about;
    bool ok = Save(dialog, out.filePath(QStringLiteral("runkorvix-main.png"))) &&
              Save(about, out.filePath(QStringLiteral("runkorvix-about.png")));
    about.hide();

    // The files chosen, -V selected, then one slow run and one that fails.
    Click(dialog, CParseDlg::kIdInputFile);
    Click(dialog, CParseDlg::kIdOutputFile);
    Click(dialog, CParseDlg::kIdRadioV);
    qputenv("RUNKORVIX_SHOT", "slow");
    QTimer::singleShot(500, &dialog, [&] {
        ok = Save(dialog, out.filePath(QStringLiteral("runkorvix-running.png"))) && ok;
    });
    Click(dialog, CParseDlg::kIdRun);

    qputenv("RUNKORVIX_SHOT", "fail");
    bool boxSeen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxSeen = true;
            ok = Save(*box, out.filePath(QStringLiteral("runkorvix-error.png"))) && ok;
            box->accept();
        }
    });
    poll.start(50);
    Click(dialog, CParseDlg::kIdRun);
    if (!ok || !boxSeen) {
        std::fprintf(stderr, "runkorvix_screenshot: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
