// Conversions through the dialog with the real korvix from the build's bin folder: one with
// nothing to convert, one that converts the sample file under names without a '.', again with a
// point limit, and one that fails; a file as a GPS names its waypoints, whose tracks do not all
// find names, again with a point limit that overrules the tolerance, and fitted into the names
// left; and the picture of a run, offered by the box after it.

#include "PictureWindow.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <filesystem>

#ifdef KORVIX_PROGRAM_DIR
namespace {

// A small GDB file: the header, then one record of another type and the closing 'V' record.
// It holds no waypoint, no route and no track, so a run with -R copies it byte for byte.
QByteArray SampleGdb() {
    QByteArray gdb = GdbHeader();
    AppendRecord(gdb, 'L', QByteArray("map set\0", 8));
    AppendRecord(gdb, 'V', QByteArray("\0\x01", 2));
    return gdb;
}

} // namespace
#endif

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void runConvertsASampleFile();
    void theLinesAndTheBoxTellWhatBecameOfADevicesTracks();
    void aNameThatIsNoUtf8_data();
    void aNameThatIsNoUtf8();
    void showDrawsWhatARunMade();
};

void EndToEndTest::runConvertsASampleFile() {
#ifndef KORVIX_PROGRAM_DIR
    QSKIP("korvix is not part of this build");
#else
    // The launcher's own file lies in the bin folder beside the real converter.
    const QString launcher = QDir(QStringLiteral(KORVIX_PROGRAM_DIR)).filePath(LauncherFileName());
    LauncherBench bench(false);
    const QByteArray sample = SampleGdb();
    const QString input = bench.MakeFile("sample route.gdb", sample);
    const QString output = bench.DataPath("sample copy.gdb");

    ModalWatcher watcher;
    const auto dialog = bench.Open(launcher);
    QVERIFY(dialog->isVisible());
    bench.ChooseFiles(*dialog, input, output);
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioR);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);

    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].icon, QMessageBox::Information);
    QCOMPARE(watcher.seen[0].text,
             QStringLiteral("sample copy.gdb is now a copy of sample route.gdb: it holds no route "
                            "and no track to convert.") +
                 Where(bench, "sample copy.gdb"));
    QFile converted(output);
    QVERIFY2(converted.open(QIODevice::ReadOnly), "korvix wrote no output file");
    QCOMPARE(converted.readAll(), sample);
    QCOMPARE(bench.Stored("Radio").toInt(), 0);

    // The sample's track (the file holds 3 waypoints) becomes a route through 4 new waypoints,
    // which korvix's trace does not tell: they are counted in the output. Names without a '.'
    // are converted as they are, not with ".gdb" appended.
    QFile example(QStringLiteral(KORVIX_SAMPLE_GDB));
    QVERIFY(example.open(QIODevice::ReadOnly));
    const QString dotless = bench.MakeFile("sample", example.readAll());
    bench.ChooseFiles(*dialog, dotless, bench.DataPath("sample converted"));
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioV);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(watcher.seen.size(), 2);
    QCOMPARE(
        watcher.seen[1].text,
        QStringLiteral("1 track became a route in sample converted, through 4 new waypoints.") +
            Where(bench, "sample converted"));
    QVERIFY(QFile::exists(bench.DataPath("sample converted")));
    QVERIFY(!QFile::exists(bench.DataPath("sample converted.gdb")));

    // With a point limit of 3 the track of 4 points becomes a route of 3, which korvix tells in
    // a line of its own that the box sums up.
    LauncherBench::Click(*dialog, CParseDlg::kIdLimitPoints);
    qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdPoints))->setText("3");
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(watcher.seen.size(), 3);
    QCOMPARE(watcher.seen[2].text,
             QStringLiteral("1 track became 1 route of at most 3 points in sample converted, "
                            "within 3.5\u00A0m of its track, through 3 new waypoints.") +
                 Where(bench, "sample converted"));
    LauncherBench::Click(*dialog, CParseDlg::kIdLimitPoints);

    // A text file as input: korvix's own message, and the output of the first run as it was.
    bench.ChooseFiles(*dialog, bench.MakeFile("notes.txt", "not a GDB file\n"), output);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(watcher.seen.size(), 4);
    QCOMPARE(watcher.seen[3].icon, QMessageBox::Critical);
    QCOMPARE(watcher.seen[3].text, QStringLiteral("korvix did not complete the conversion:\n\n"
                                                  "Input file not in GDB format\n\n"
                                                  "The output file was left as it was."));
    QFile kept(output);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), sample);
#endif
}

void EndToEndTest::theLinesAndTheBoxTellWhatBecameOfADevicesTracks() {
#ifndef KORVIX_PROGRAM_DIR
    QSKIP("korvix is not part of this build");
#else
    const QString launcher = QDir(QStringLiteral(KORVIX_PROGRAM_DIR)).filePath(LauncherFileName());
    LauncherBench bench(false);
    // 990 waypoints named by the device leave 9 names: the tracks of 1, 1 and 5 points take 7,
    // those of 3 and 4 find too few.
    const QString input = bench.MakeFile(
        "device.gdb", QByteArray::fromStdString(gdbtest::DeviceNamedGdb(990, {1, 1, 5, 3, 4})));
    ModalWatcher watcher;
    const auto dialog = bench.Open(launcher);
    const auto note = [&](CParseDlg::ControlId id) {
        return qobject_cast<QLabel*>(dialog->GetDlgItem(id))->toolTip();
    };
    bench.ChooseFiles(*dialog, input, bench.DataPath("trips/out.gdb"));
    // Under -T the line says that -T finds nothing here.
    QCOMPARE(note(CParseDlg::kIdInputNote),
             QStringLiteral("-T finds no route in device.gdb; -V or -W convert its 5 tracks"));
    QCOMPARE(note(CParseDlg::kIdOutputNote),
             "No folder " + QDir::toNativeSeparators(bench.DataPath("trips")));
    const QString output = bench.DataPath("device-route.gdb");
    bench.ChooseFiles(*dialog, input, output);
    QCOMPARE(note(CParseDlg::kIdOutputNote), QString());
    // -V by the keyboard: Tab to the option group, entered at -T, and down to -V.
    dialog->GetDlgItem(CParseDlg::kIdInputFile)->setFocus();
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down, Qt::Key_Down}) {
        QTest::keyClick(dialog->focusWidget(), key);
    }
    QCOMPARE(dialog->focusWidget(), dialog->GetDlgItem(CParseDlg::kIdRadioV));
    QCOMPARE(dialog->OptionText(), QStringLiteral("-V"));
    QCOMPARE(note(CParseDlg::kIdInputNote), QStringLiteral("990 waypoints, 5 tracks of 1 to 5 "
                                                           "points, no routes; 9 names left for "
                                                           "new waypoints"));
    // A double click on Run: its second click comes while korvix runs, and stops nothing.
    auto* run = dialog->GetDlgItem(CParseDlg::kIdRun);
    bool second = false;
    QTimer user; // started before Run: it fires first in the run's wait
    user.setSingleShot(true);
    QObject::connect(&user, &QTimer::timeout, dialog.get(), [&] {
        second = qobject_cast<QPushButton*>(run)->text() == QStringLiteral("Stop");
        QTest::mouseClick(run, Qt::LeftButton);
    });
    user.start(0);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QVERIFY(second);
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].text,
             QStringLiteral(
                 "3 tracks became routes in device-route.gdb, through 7 new waypoints.\n2 tracks "
                 "were skipped and are not in device-route.gdb: ACTIVE LOG 004 and ACTIVE LOG "
                 "005. One run names at most 999 waypoints, and the file's own waypoints take 990 "
                 "of those names. Fit every track into 9 waypoints converts them all.\n2 tracks of "
                 "a single position became routes of one point.\n\nkorvix said:\n\nToo many "
                 "waypoints needed to convert - track skipped (2 times)") +
                 Where(bench, "device-route.gdb"));
    QCOMPARE(note(CParseDlg::kIdOutputNote),
             QStringLiteral("device-route.gdb exists: Run replaces it"));

    // Two points a track fit the names; two of the three tracks reduced leave their lines by more
    // than the half metre asked for, which korvix says on their lines.
    LauncherBench::Click(*dialog, CParseDlg::kIdLimitPoints);
    qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdPoints))->setText("2");
    LauncherBench::Click(*dialog, CParseDlg::kIdLimitTolerance);
    qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdTolerance))->setText("0.5");
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(watcher.seen.size(), 2);
    QCOMPARE(
        watcher.seen[1].text,
        QStringLiteral("5 tracks became 5 routes of at most 2 points in device-route.gdb, "
                       "within 1.5\u00A0m of their tracks, through 8 new waypoints.\nOn 2 tracks 2 "
                       "points could not keep within 0.5\u00A0m.\n2 tracks of a single position "
                       "became routes of one point.") +
            Where(bench, "device-route.gdb"));

    // The fit: every track a route within the 9 names, at the one distance that korvix finds.
    LauncherBench::Click(*dialog, CParseDlg::kIdLimitPoints);
    LauncherBench::Click(*dialog, CParseDlg::kIdFit);
    QVERIFY(!dialog->GetDlgItem(CParseDlg::kIdLimitTolerance)->isEnabled());
    QCOMPARE(qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdWaypoints))->text(),
             QStringLiteral("9"));
    // A unit counts the file's own waypoints too.
    QCOMPARE(note(CParseDlg::kIdWaypointsNote),
             QStringLiteral("new waypoints\n(999 with the file's own 990)"));
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(watcher.seen.size(), 3);
    QCOMPARE(watcher.seen[2].text,
             QStringLiteral("5 tracks became 5 routes through 9 new waypoints (999 with the "
                            "file's own 990), within 0.7\u00A0m of their tracks.\n2 tracks of a "
                            "single position became routes of one point.") +
                 Where(bench, "device-route.gdb"));
    QCOMPARE(bench.Stored("Fit").toInt(), 1);
#endif
}

void EndToEndTest::aNameThatIsNoUtf8_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("Latin-1") << QByteArray("caf\xE9 ride.gdb") << QByteArray("caf\xE9 route");
    QTest::newRow("a lone byte, UTF-8")
        << QByteArray("\xFF.gdb") << QByteArray("Z\xC3\xBCrich.gdb");
}

// The sample file under a name that is no UTF-8, named on the launcher's command line: the
// dialog shows it (U+FFFD for the bytes that are no UTF-8) and korvix converts it into the output
// chosen by its bytes, which the box names and whose new waypoints it counts, as for the sample
// under a plain name.
void EndToEndTest::aNameThatIsNoUtf8() {
#ifndef KORVIX_PROGRAM_DIR
    QSKIP("korvix is not part of this build");
#else
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    const QString launcher = QDir(QStringLiteral(KORVIX_PROGRAM_DIR)).filePath(LauncherFileName());
    LauncherBench bench(false);
    QFile example(QStringLiteral(KORVIX_SAMPLE_GDB));
    QVERIFY(example.open(QIODevice::ReadOnly));
    const QByteArray inputPath = bench.MakeNamedFile(input, example.readAll());
    const QByteArray outputPath = inputPath.left(inputPath.lastIndexOf('/') + 1) + output;
    ModalWatcher watcher;
    const auto dialog = bench.Open(launcher, {inputPath});
    QCOMPARE(dialog->InputPath(), QFile::decodeName(inputPath));
    bench.ChooseNames(*dialog, inputPath, outputPath);
    QCOMPARE(dialog->OutputPath(), QFile::decodeName(outputPath));
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioV);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].text, "1 track became a route in " + QFile::decodeName(output) +
                                       ", through 4 new waypoints." +
                                       Where(bench, QFile::decodeName(output)));
    QVERIFY(std::filesystem::is_regular_file(outputPath.toStdString()));
#endif
}

void EndToEndTest::showDrawsWhatARunMade() {
#ifndef KORVIX_PROGRAM_DIR
    QSKIP("korvix is not part of this build");
#else
    const QString launcher = QDir(QStringLiteral(KORVIX_PROGRAM_DIR)).filePath(LauncherFileName());
    LauncherBench bench(false);
    const QString input = bench.MakeFile(
        "device.gdb", QByteArray::fromStdString(gdbtest::DeviceNamedGdb(12, {40, 120, 7})));
    const auto dialog = bench.Open(launcher);
    bench.ChooseFiles(*dialog, input, bench.DataPath("device-route.gdb"));
    QVERIFY(!dialog->GetDlgItem(CParseDlg::kIdShowRun)->isEnabled());
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioV);
    LauncherBench::Click(*dialog, CParseDlg::kIdLimitPoints);
    qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdPoints))->setText("5");

    // The box after the run: Show; then the picture, read and closed.
    QStringList farthest;
    int inked = 0;
    double zoomed = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->isVisible()) {
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == QStringLiteral("Show")) {
                    button->click();
                }
            }
        } else if (auto* window = qobject_cast<CPictureWindow*>(modal);
                   window && window->isVisible()) {
            const QAbstractItemModel* rows = window->List()->model();
            for (int row = 0; row < rows->rowCount(); ++row) {
                farthest << rows->index(row, 2).data().toString();
            }
            const QImage drawn = window->Canvas()->grab().toImage();
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    inked += drawn.pixelColor(x, y) != Qt::white ? 1 : 0;
                }
            }
            const double whole = window->View().MetresPerPixel();
            QTest::keyClick(window->Canvas(), Qt::Key_Plus);
            QTest::keyClick(window->List(), Qt::Key_Plus); // the list passes it on
            zoomed = whole / window->View().MetresPerPixel();
            window->List()->setCurrentIndex(window->List()->model()->index(1, 0));
            QCOMPARE(window->View().Selected(), std::optional<std::size_t>(1));
            window->reject();
        }
    });
    poll.start(5);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    poll.stop();
    // Each track's row says how far its route strays, as korvix's lines do.
    QCOMPARE(farthest.size(), 3);
    for (const QString& metres : farthest) {
        QVERIFY2(metres.endsWith(QStringLiteral(" m")), qPrintable(metres));
    }
    QVERIFY(inked > 100);
    QCOMPARE(zoomed, 4.0);
    QVERIFY(dialog->GetDlgItem(CParseDlg::kIdShowRun)->isEnabled());
#endif
}

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
