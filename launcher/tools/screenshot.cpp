// Takes the pictures of the launcher's dialogs for the documentation:
//   runkorvix_screenshot OUTPUT_FOLDER
// writes runkorvix-main.png (the main dialog with the files chosen, -V selected, a point limit
// of 250 and a tolerance of 10 m), runkorvix-about.png, runkorvix-running.png (the dialog while
// korvix runs), runkorvix-done.png (the box after a clean run that reduced tracks, bent some
// beyond the tolerance and skipped others) and runkorvix-error.png (the message after a failed
// conversion).
//   runkorvix_screenshot OUTPUT_FOLDER SUFFIX
// writes runkorvix-main SUFFIX .png alone, for the pictures at other scales (QT_SCALE_FACTOR).
//   runkorvix_screenshot OUTPUT_FOLDER picture OPTION INPUT OUTPUT
// writes runkorvix-picture.png: the picture of a run of korvix OPTION INPUT OUTPUT that was made
// before, the whole file, then runkorvix-picture-row.png with its longest row selected.
// Run it on a real display, or under Xvfb with xvfb-run.
//
// The runs need a converter: the tool copies itself beside the dialog as korvix, and started
// under that name it acts one, slow or failing as RUNKORVIX_SHOT says.

#include "AboutDlg.h"
#include "ConverterProcess.h"
#include "FileChooser.h"
#include "ParseDlg.h"
#include "PictureWindow.h"
#include "QtSettingsStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace {

// The ride of the pictures, as a season of riding leaves it: 312 waypoints that the GPS named 001
// to 312, and 26 tracks "ACTIVE LOG 001" to "ACTIVE LOG 026", 10 of them of 7 to 1906 points and
// 16 of a single position (the GPS switched on and off). The pictured run, -V --points=250
// --tolerance=10, has the 687 names that the file's own waypoints leave of a run's 999.
constexpr int kWaypoints = 312;
constexpr int kTracks = 26;
constexpr int kNames = 999 - kWaypoints;
constexpr int kPointLimit = 250;

// The points of each track, and of the long ones what the tolerance of 10 m leaves of them and
// how far the point limit keeps the longest three from their lines.
struct RideTrack {
    int points;
    int withinTolerance; // points that keep within 10 m
    double metres;       // of what was kept
};
RideTrack TrackOfTheRide(int track) {
    constexpr RideTrack kLong[] = {
        {1906, 520, 24.3}, {1204, 410, 17.9}, {860, 300, 12.2}, {512, 143, 9.8}, {301, 88, 9.6},
        {188, 61, 9.9},    {96, 30, 8.7},     {40, 14, 7.2},    {12, 6, 4.1},    {7, 4, 2.0}};
    // Every other one of the first 20 tracks is a long one.
    return track < 20 && track % 2 == 0 ? kLong[track / 2] : RideTrack{1, 1, 0.0};
}

std::string Word(std::uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((value >> shift) & 0xff);
    }
    return bytes;
}
std::string Record(char type, const std::string& body) {
    return Word(static_cast<std::uint32_t>(body.size())) + type + body;
}
std::string Header() {
    std::string file("MsRcf\0D\x6b\0\0\0A\x5e\x02S\0\0\0\0\0", 20);
    file.append("Sep 27 2026\0"
                "12:00:00\0"
                "\0"
                "MapSource\0",
                32);
    return file;
}
std::string Closed(const std::string& records) {
    return Header() + records + Record('V', std::string("\0\x01", 2));
}
std::string Waypoints(int count) {
    std::string records;
    char name[8];
    for (int waypoint = 1; waypoint <= count; ++waypoint) {
        std::snprintf(name, sizeof name, "%03d", waypoint % 1000);
        records += Record('W', std::string(name, 4) + std::string(9, '\0'));
    }
    return records;
}

// The body of the ride's track `track`: its name, its points as a header without a version
// record lays them out.
std::string TrackBody(int track) {
    char name[32];
    std::snprintf(name, sizeof name, "ACTIVE LOG %03d", track + 1);
    const int points = TrackOfTheRide(track).points;
    std::string body = std::string(name) + '\0' + std::string("\x01\x02\0\0\0", 5) +
                       Word(static_cast<std::uint32_t>(points));
    for (int point = 0; point < points; ++point) {
        body += Word(static_cast<std::uint32_t>(track * 100000 + point * 300)) +
                Word(static_cast<std::uint32_t>(point * 1000)) + std::string(4, '\0');
    }
    return body + '\0';
}

// The ride as a GDB file: the waypoints, then the tracks.
std::string RideFile() {
    std::string records = Waypoints(kWaypoints);
    for (int track = 0; track < kTracks; ++track) {
        records += Record('T', TrackBody(track));
    }
    return Closed(records);
}

// korvix's trace of the ride under -V --points=250 --tolerance=10: a reduction line for each
// track reduced, the tolerance after it where the point limit overruled it, and the tracks that
// find too few of the names left skipped. `made` counts the new waypoints.
std::string ReducedTrace(int& made) {
    std::string trace;
    for (int waypoint = 0; waypoint < kWaypoints; ++waypoint) {
        trace += "W 13\n";
    }
    made = 0;
    char line[128];
    for (int track = 0; track < kTracks; ++track) {
        const RideTrack ride = TrackOfTheRide(track);
        const int kept = ride.withinTolerance > kPointLimit ? kPointLimit : ride.withinTolerance;
        trace += "T " + std::to_string(TrackBody(track).size()) + '\n';
        if (made + kept > kNames) {
            trace += "Too many waypoints needed to convert - track skipped\n";
            continue;
        }
        made += kept;
        if (kept < ride.points) {
            std::snprintf(line, sizeof line, "ACTIVE LOG %03d: %d points -> %d, within %.1f m%s\n",
                          track + 1, ride.points, kept, ride.metres,
                          ride.metres > 10 ? ", not 10 m" : "");
            trace += line;
        }
    }
    return trace + "V 2\n";
}

// As korvix: "slow" works for two seconds, its trace coming as it goes, converting the ride's
// tracks into routes as far as the names go; "fail" stops on a cut input file, leaving the
// output (the last argument) as it was.
int ActAsConverter(int argc, char** argv) {
    const char* shot = std::getenv("RUNKORVIX_SHOT");
    if (shot != nullptr && std::strcmp(shot, "fail") == 0) {
        std::fputs("D 20\nW 71\nW 69\nUnexpected end of input file\n", stdout);
        return 1;
    }
    int made = 0;
    const std::string trace = ReducedTrace(made);
    // A line of each track at a time, the tracks spread over the two seconds.
    for (std::size_t at = 0; at < trace.size();) {
        const std::size_t end = trace.find('\n', at) + 1;
        std::fwrite(trace.data() + at, 1, end - at, stdout);
        if (trace[at] == 'T') {
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(2000 / kTracks));
        }
        at = end;
    }
    if (std::FILE* output = std::fopen(argv[argc - 1], "wb")) {
        const std::string file = Closed(Waypoints(kWaypoints + made));
        std::fwrite(file.data(), 1, file.size(), output);
        std::fclose(output);
    }
    return 0;
}

class FixedChooser : public IFileChooser {
public:
    QString input, output;
    QByteArray ChooseOpen(const QString&) override { return QFile::encodeName(input); }
    QByteArray ChooseSave(const QString&, bool) override { return QFile::encodeName(output); }
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
        QFile earlier(rides + QStringLiteral("/ride-route.gdb")); // a run's before
        if (!m_folder.isValid() ||
            !QFile::copy(QCoreApplication::applicationFilePath(), converter) ||
            !QDir().mkpath(rides) || !input.open(QIODevice::WriteOnly) ||
            !earlier.open(QIODevice::WriteOnly)) {
            return false;
        }
        const std::string ride = RideFile();
        input.write(ride.data(), qint64(ride.size()));
        input.close();
        earlier.write("earlier");
        earlier.close();
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

// The picture of a run made before: the whole file, then its row of the most points selected.
int ShootPicture(const QDir& out, const runkorvix::PictureRun& run) {
    std::optional<runkorvix::RunPicture> picture = runkorvix::BuildRunPicture(run);
    if (!picture || picture->rows.empty()) {
        std::fprintf(stderr, "runkorvix_screenshot: the run's files cannot be read\n");
        return 1;
    }
    const auto longest =
        std::max_element(picture->rows.begin(), picture->rows.end(),
                         [](const auto& a, const auto& b) { return a.points < b.points; });
    const int row = static_cast<int>(longest - picture->rows.begin());
    CPictureWindow window(std::move(*picture), nullptr);
    window.resize(960, 600);
    bool ok = Save(window, out.filePath(QStringLiteral("runkorvix-picture.png")));
    window.List()->selectRow(row);
    QApplication::processEvents();
    ok = Save(window, out.filePath(QStringLiteral("runkorvix-picture-row.png"))) && ok;
    return ok ? 0 : 1;
}

void Click(const CParseDlg& dialog, CParseDlg::ControlId id) {
    qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id))->click();
}

// The dialog as the pictures show it: the ride and its route of an earlier run chosen, -V with
// a point limit of 250 and a tolerance of 10 m.
void ChooseAsShown(const CParseDlg& dialog) {
    Click(dialog, CParseDlg::kIdInputFile);
    Click(dialog, CParseDlg::kIdOutputFile);
    Click(dialog, CParseDlg::kIdRadioV);
    Click(dialog, CParseDlg::kIdLimitPoints);
    Click(dialog, CParseDlg::kIdLimitTolerance);
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
    // Past a second, when the progress shows.
    QTimer::singleShot(1100, &dialog, [&] {
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
    if (argc == 6 && std::strcmp(argv[2], "picture") == 0) {
        return ShootPicture(QDir(QString::fromLocal8Bit(argv[1])), {argv[3], argv[4], argv[5], {}});
    }
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
