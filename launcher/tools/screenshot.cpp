// Takes the pictures of the launcher's dialogs for the documentation:
//   runkorvix_screenshot OUTPUT_FOLDER
// writes runkorvix-main.png (the main dialog with the files chosen, -V selected, a point limit
// of 250 and a tolerance of 20 m with the split), runkorvix-about.png, runkorvix-running.png (the
// dialog while korvix runs), runkorvix-done.png (the box after a clean run that reduced and cut
// tracks) and runkorvix-error.png (the message after a failed conversion).
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
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace {

// The ride of the pictures: 312 waypoints that the GPS named 001 to 312, and 26 tracks. Under
// -V --points=250 --tolerance=20 --split the long first track is cut in two routes that share a
// joint (250 + 51 - 1 = 300 waypoints) and the 25 others keep 14 points each: 650 new waypoints,
// within the 687 names that the file's own 312 leave of a run's 999.
constexpr int kWaypoints = 312;
constexpr int kTracks = 26;
constexpr int kNewWaypoints = 300 + (kTracks - 1) * 14;
static_assert(kWaypoints + kNewWaypoints <= 999);

// A GDB file of records of the types that `types` lists, in that order, each with a short body.
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

// korvix's trace of the ride under -V --points=250 --tolerance=20 --split, with the reduction
// line of each track.
std::string ReducedTrace() {
    std::string trace;
    for (int waypoint = 0; waypoint < kWaypoints; ++waypoint) {
        trace += "W 74\n";
    }
    char line[96];
    for (int track = 1; track <= kTracks; ++track) {
        trace += "T 143\n";
        if (track == 1) {
            std::snprintf(line, sizeof line, "ACTIVE LOG 001: 4210 points -> 2 routes of 250 and 51");
        } else {
            std::snprintf(line, sizeof line, "ACTIVE LOG %03d: %d points -> 14", track,
                          180 + 61 * track);
        }
        trace += line;
        std::snprintf(line, sizeof line, ", within %.1f m\n", 19.6 - 0.3 * (track % 7));
        trace += line;
    }
    return trace + "V 2\n";
}

// As korvix: "slow" works for two seconds, converting the ride's tracks into routes through
// 650 new waypoints; "fail" stops on a cut input file, leaving the output (the last argument)
// as it was.
int ActAsConverter(int argc, char** argv) {
    const char* shot = std::getenv("RUNKORVIX_SHOT");
    if (shot != nullptr && std::strcmp(shot, "fail") == 0) {
        std::fputs("D 20\nW 71\nW 69\nUnexpected end of input file\n", stdout);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    if (std::FILE* output = std::fopen(argv[argc - 1], "wb")) {
        const std::string file = GdbFile(std::string(kWaypoints + kNewWaypoints, 'W'));
        std::fwrite(file.data(), 1, file.size(), output);
        std::fclose(output);
    }
    std::fputs(ReducedTrace().c_str(), stdout);
    return 0;
}

class FixedChooser : public IFileChooser {
public:
    QString input, output;
    QString ChooseOpen() override { return input; }
    QString ChooseSave(const QString&) override { return output; }
};

// A folder of its own, with the converter and no stored settings, so that the dialog starts as
// it does the first time, and a ride deep enough in it that its path is cut short.
class ShotFolder {
public:
    FixedChooser chooser;

    bool Prepare() {
        const QString rides = m_folder.filePath(QStringLiteral("Rides in the Lake District/2026"));
        const QString converter =
            m_folder.filePath(QString::fromStdString(runkorvix::ConverterFileName()));
        QFile input(rides + QStringLiteral("/ride.gdb"));
        if (!m_folder.isValid() ||
            !QFile::copy(QCoreApplication::applicationFilePath(), converter) ||
            !QDir().mkpath(rides) || !input.open(QIODevice::WriteOnly)) {
            return false;
        }
        const std::string ride = GdbFile(std::string(kWaypoints, 'W') + std::string(kTracks, 'T'));
        input.write(ride.data(), qint64(ride.size()));
        chooser.input = input.fileName();
        chooser.output = rides + QStringLiteral("/ride-route.gdb");
        m_store = std::make_unique<QSettings>(m_folder.filePath(QStringLiteral("settings.ini")),
                                              QSettings::IniFormat);
        m_settingsStore = std::make_unique<CQtSettingsStore>(*m_store);
        m_settings = std::make_unique<runkorvix::LauncherSettings>(*m_settingsStore);
        return true;
    }
    runkorvix::LauncherSettings& Settings() { return *m_settings; }
    QString LauncherPath() const {
        return m_folder.filePath(QString::fromStdString(runkorvix::LauncherFileName()));
    }

private:
    QTemporaryDir m_folder{QDir::temp().filePath(QStringLiteral("maps-XXXXXX"))};
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<CQtSettingsStore> m_settingsStore;
    std::unique_ptr<runkorvix::LauncherSettings> m_settings;
};

bool Save(QWidget& widget, const QString& path) {
    widget.show();
    QApplication::processEvents();
    return widget.grab().save(path, "PNG");
}

void Click(const CParseDlg& dialog, CParseDlg::ControlId id) {
    qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id))->click();
}

// The dialog as the pictures show it: the ride and its route chosen, -V with a point limit of
// 250 and a tolerance of 20 m, the long tracks split.
void ChooseAsShown(const CParseDlg& dialog) {
    Click(dialog, CParseDlg::kIdInputFile);
    Click(dialog, CParseDlg::kIdOutputFile);
    Click(dialog, CParseDlg::kIdRadioV);
    Click(dialog, CParseDlg::kIdLimitPoints);
    Click(dialog, CParseDlg::kIdLimitTolerance);
    qobject_cast<QLineEdit*>(dialog.GetDlgItem(CParseDlg::kIdTolerance))->setText("20");
    Click(dialog, CParseDlg::kIdSplit);
}

// One slow run, pictured while korvix runs, whose box says what it did; then one that fails.
bool ShootRuns(CParseDlg& dialog, const QDir& out) {
    const char* boxes[] = {"runkorvix-done.png", "runkorvix-error.png"};
    int boxesSeen = 0;
    bool ok = true;
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
    return ok && boxesSeen == 2;
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
    ShotFolder folder;
    if (!folder.Prepare()) {
        std::fprintf(stderr, "runkorvix_screenshot: cannot prepare a temporary folder\n");
        return 1;
    }
    CParseDlg dialog(folder.Settings(), folder.chooser, folder.LauncherPath());
    if (!dialog.OnInitDialog()) {
        return 1;
    }
    ChooseAsShown(dialog);
    bool ok = Save(dialog, out.filePath(QStringLiteral("runkorvix-main%1.png").arg(suffix)));
    if (suffix.isEmpty()) {
        CAboutDlg about(&dialog);
        ok = Save(about, out.filePath(QStringLiteral("runkorvix-about.png"))) && ok;
        about.hide();
        ok = ShootRuns(dialog, out) && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "runkorvix_screenshot: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
