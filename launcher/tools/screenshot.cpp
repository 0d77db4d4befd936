// Takes the pictures of the launcher's dialogs for the documentation:
//   runkorvix_screenshot OUTPUT_FOLDER
// writes runkorvix-main.png (the main dialog with the files chosen, -V selected),
// runkorvix-about.png, runkorvix-running.png (the dialog while korvix runs), runkorvix-done.png
// (the box after a clean run) and runkorvix-error.png (the message after a failed conversion).
//   runkorvix_screenshot OUTPUT_FOLDER SUFFIX
// writes runkorvix-main SUFFIX .png alone, for the pictures at other scales (QT_SCALE_FACTOR).
// Run it on a real display, or under Xvfb with xvfb-run.
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
#include <string>
#include <thread>

namespace {

// A GDB file of the waypoints 'W' and routes 'R' that `types` lists, in that order.
std::string GdbFile(const std::string& types) {
    std::string file("MsRcf\0D\x6b\0\0\0A\x5e\x02S\0\0\0\0\0", 20);
    file.append("Sep 27 2026\0"
                "12:00:00\0"
                "\0"
                "MapSource\0",
                32);
    for (const char type : types + 'V') {
        file.append("\x02\0\0\0", 4);
        file += type;
        file.append("\0\x01", 2);
    }
    return file;
}

// As korvix: "slow" works for two seconds, converting the track of a file of 3 waypoints, a
// route and a track into a route through 4 new waypoints; "fail" stops on a cut input file,
// leaving the output (the last argument) as it was.
int ActAsConverter(int argc, char** argv) {
    const char* shot = std::getenv("RUNKORVIX_SHOT");
    if (shot != nullptr && std::strcmp(shot, "fail") == 0) {
        std::fputs("D 20\nW 71\nW 69\nUnexpected end of input file\n", stdout);
        return 1;
    }
    std::FILE* output = std::fopen(argv[argc - 1], "wb");
    std::this_thread::sleep_for(std::chrono::seconds(2));
    if (output != nullptr) {
        const std::string file = GdbFile("WWWRWWWWR");
        std::fwrite(file.data(), 1, file.size(), output);
        std::fclose(output);
    }
    std::fputs("W 80\nW 74\nW 78\nR 279\nT 143\nV 2\n", stdout);
    return 0;
}

class FixedChooser : public IFileChooser {
public:
    QString input, output;
    QString ChooseOpen() override { return input; }
    QString ChooseSave(const QString&) override { return output; }
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
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: runkorvix_screenshot OUTPUT_FOLDER [SUFFIX]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString suffix = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();

    // A folder of its own, with the converter and no stored settings, so that the dialog starts
    // as it does the first time, and a ride deep enough in it that its path is cut short.
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("maps-XXXXXX")));
    const QString converter =
        folder.filePath(QString::fromStdString(runkorvix::ConverterFileName()));
    const QString rides = folder.filePath(QStringLiteral("Rides in the Lake District/2026"));
    QFile input(rides + QStringLiteral("/ride.gdb"));
    if (!folder.isValid() || !QFile::copy(QCoreApplication::applicationFilePath(), converter) ||
        !QDir().mkpath(rides) || !input.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "runkorvix_screenshot: cannot prepare a temporary folder\n");
        return 1;
    }
    input.close();
    QSettings store(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    CQtSettingsStore settingsStore(store);
    runkorvix::LauncherSettings settings(settingsStore);
    FixedChooser chooser;
    chooser.input = input.fileName();
    chooser.output = rides + QStringLiteral("/ride-route.gdb");

    CParseDlg dialog(settings, chooser,
                     folder.filePath(QString::fromStdString(runkorvix::LauncherFileName())));
    if (!dialog.OnInitDialog()) {
        return 1;
    }
    Click(dialog, CParseDlg::kIdInputFile);
    Click(dialog, CParseDlg::kIdOutputFile);
    Click(dialog, CParseDlg::kIdRadioV);
    bool ok = Save(dialog, out.filePath(QStringLiteral("runkorvix-main%1.png").arg(suffix)));
    if (!suffix.isEmpty()) {
        return ok ? 0 : 1;
    }
    CAboutDlg about(&dialog);
    ok = Save(about, out.filePath(QStringLiteral("runkorvix-about.png"))) && ok;
    about.hide();

    // One slow run, whose box says what it did, and one that fails.
    const char* boxes[] = {"runkorvix-done.png", "runkorvix-error.png"};
    int boxesSeen = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (boxesSeen < 2) {
                ok = Save(*box, out.filePath(QString::fromLatin1(boxes[boxesSeen]))) && ok;
            }
            ++boxesSeen;
            box->accept();
        }
    });
    poll.start(50);
    qputenv("RUNKORVIX_SHOT", "slow");
    QTimer::singleShot(500, &dialog, [&] {
        ok = Save(dialog, out.filePath(QStringLiteral("runkorvix-running.png"))) && ok;
    });
    Click(dialog, CParseDlg::kIdRun);
    qputenv("RUNKORVIX_SHOT", "fail");
    Click(dialog, CParseDlg::kIdRun);
    if (!ok || boxesSeen != 2) {
        std::fprintf(stderr, "runkorvix_screenshot: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
