// The Run button: what the converter is started with, and what is stored.

#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleHints>
#include <QTest>
#include <QTimer>

namespace {

void SetField(const CParseDlg& dialog, const QString& text) {
    qobject_cast<QLineEdit*>(dialog.GetDlgItem(CParseDlg::kIdOther))->setText(text);
}

} // namespace

class RunTest : public QObject {
    Q_OBJECT
private slots:
    void converterSeesArgumentsAndFolder_data();
    void converterSeesArgumentsAndFolder();
    void radioIsWrittenWhetherOrNotTheStartSucceeds_data();
    void radioIsWrittenWhetherOrNotTheStartSucceeds();
    void refusedBeforeTheRun();
    void whatTheConverterSaidIsShown_data();
    void whatTheConverterSaidIsShown();
    void theBoxSaysWhatTheLimitsDid_data();
    void theBoxSaysWhatTheLimitsDid();
    void aRunCanAlwaysBeLeft_data();
    void aRunCanAlwaysBeLeft();
    void aDoubleClickOnRunRuns();
};

void RunTest::converterSeesArgumentsAndFolder_data() {
    QTest::addColumn<int>("radio"); // stored
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("click"); // then clicked, 0 for none
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("otherAfter");
    QTest::addColumn<QList<int>>("boxes"); // then these check boxes clicked
    QTest::addColumn<QString>("points");   // and this typed into the point limit's field
    QTest::addColumn<int>("pointsAfter");  // stored; -1: not stored
    QTest::newRow("-V") << 2 << "" << int(CParseDlg::kIdRadioV) << "" << QStringList{"-V"} << ""
                        << QList<int>{} << "" << 0;
    QTest::newRow("-V, a point limit of 300 and the split")
        << 2 << "" << int(CParseDlg::kIdRadioV) << ""
        << QStringList{"-V", "--points=300", "--split"} << ""
        << QList<int>{CParseDlg::kIdLimitPoints, CParseDlg::kIdSplit} << "300" << 300;
    QTest::newRow("the free option, the limits disabled")
        << 2 << "" << int(CParseDlg::kIdRadioOther) << "-U" << QStringList{"-U"} << "-U"
        << QList<int>{CParseDlg::kIdLimitPoints} << "300" << -1;
    QTest::newRow("stored -S, -u stays")
        << 1 << "-u" << 0 << "" << QStringList{"-S"} << "-u" << QList<int>{} << "" << -1;
    QTest::newRow("stored free option -u")
        << 6 << "-u" << 0 << "" << QStringList{"-u"} << "-u" << QList<int>{} << "" << -1;
    QTest::newRow("empty free option")
        << 6 << "" << 0 << "" << QStringList{} << "" << QList<int>{} << "" << -1;
    QTest::newRow("free option, stored text")
        << 0 << "-w" << int(CParseDlg::kIdRadioOther) << "" << QStringList{"-w"} << "-w"
        << QList<int>{} << "" << -1;
    QTest::newRow("two typed words, extra blanks")
        << 2 << "" << int(CParseDlg::kIdRadioOther) << " -V  x " << QStringList{"-V", "x"}
        << " -V  x " << QList<int>{} << "" << -1;
    QTest::newRow("a reduction typed into the free option")
        << 2 << "" << int(CParseDlg::kIdRadioOther) << "-V --points=50"
        << QStringList{"-V", "--points=50"} << "-V --points=50" << QList<int>{} << "" << -1;
    // The fit's number typed into its field where a point limit's would be.
    QTest::newRow("-W, every track fit into 500 waypoints")
        << 2 << "" << int(CParseDlg::kIdRadioW) << ""
        << QStringList{"-W", "--fit", "--waypoints=500"} << "" << QList<int>{CParseDlg::kIdFit}
        << "500" << 0;
}

void RunTest::converterSeesArgumentsAndFolder() {
    QFETCH(int, radio);
    QFETCH(QString, other);
    QFETCH(int, click);
    QFETCH(QString, typed);
    QFETCH(QStringList, options);
    QFETCH(QString, otherAfter);
    QFETCH(QList<int>, boxes);
    QFETCH(QString, points);
    QFETCH(int, pointsAfter);

    LauncherBench bench;
    bench.Store(radio, other);
    const QString input = bench.MakeFile("my route.gdb"), output = bench.DataPath("my track.gdb");
    ModalWatcher watcher;
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, output);
    if (click != 0) {
        LauncherBench::Click(*dialog, static_cast<CParseDlg::ControlId>(click));
    }
    if (!typed.isEmpty()) {
        SetField(*dialog, typed);
    }
    for (const int box : boxes) {
        LauncherBench::Click(*dialog, static_cast<CParseDlg::ControlId>(box));
    }
    if (!points.isEmpty()) {
        const bool fit = boxes.contains(CParseDlg::kIdFit);
        auto* field = qobject_cast<QLineEdit*>(
            dialog->GetDlgItem(fit ? CParseDlg::kIdWaypoints : CParseDlg::kIdPoints));
        field->selectAll();
        QTest::keyClicks(field, points);
    }
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun); // every choice is kept for another run

    // A fixed option's run is summed up in a box; the free option's, quiet here, is not.
    QCOMPARE(watcher.seen.size(), dialog->SelectedIndex() == 6 ? 0 : 2);
    const QList<QStringList> runs = bench.ConverterRuns();
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[1], runs[0]);
    QCOMPARE(QFileInfo(runs[0][0]).canonicalFilePath(),
             QFileInfo(bench.Folder()).canonicalFilePath());
    QCOMPARE(runs[0].mid(1), options + QStringList({input, output}));
    QCOMPARE(bench.Stored("Radio").toInt(), dialog->SelectedIndex());
    QCOMPARE(bench.Stored("Other").toString(), otherAfter);
    QCOMPARE(bench.Stored("Points").isValid() ? bench.Stored("Points").toInt() : -1, pointsAfter);
    // The choosers open where the files were chosen, in this dialog and, stored, in the next.
    QCOMPARE(bench.Stored("Folder").toString(), QFileInfo(output).absolutePath());
    const auto next = bench.Open();
    LauncherBench::Click(*next, CParseDlg::kIdInputFile);
    QCOMPARE(bench.chooser.openFolder, QFileInfo(output).absolutePath());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void RunTest::radioIsWrittenWhetherOrNotTheStartSucceeds_data() {
    QTest::addColumn<QString>("converter");
    QTest::addColumn<QString>("message");
    QTest::newRow("started") << "present"
                             << "";
    QTest::newRow("removed after the start") << "removed"
                                             << "CreateProcess Error = 0002";
#ifndef _WIN32
    QTest::newRow("not executable") << "not executable"
                                    << "CreateProcess Error = 0013";
#endif
}

void RunTest::radioIsWrittenWhetherOrNotTheStartSucceeds() {
    QFETCH(QString, converter);
    QFETCH(QString, message);

    LauncherBench bench;
    const QString input = bench.MakeFile("in.gdb"), output = bench.DataPath("out.gdb");
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, output);
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioV);
    if (converter == "removed") {
        QVERIFY(QFile::remove(bench.ConverterPath()));
    } else if (converter == "not executable") {
        QVERIFY(QFile::setPermissions(bench.ConverterPath(), QFile::ReadOwner | QFile::WriteOwner));
    }
    ModalWatcher watcher;
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);

    QCOMPARE(bench.Stored("Radio").toInt(), 4);
    QVERIFY(!bench.Stored("Other").isValid());
    QCOMPARE(bench.ConverterRuns().size(), message.isEmpty() ? 1 : 0);
    // A started run is summed up, a failed start told.
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].icon,
             message.isEmpty() ? QMessageBox::Information : QMessageBox::Critical);
    if (!message.isEmpty()) {
        QCOMPARE(watcher.seen[0].text, message);
        QCOMPARE(watcher.seen[0].title, QStringLiteral("runkorvix"));
        QCOMPARE(watcher.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    // The dialog stays as it was, ready for another run.
    QVERIFY(dialog->isVisible() && dialog->GetDlgItem(CParseDlg::kIdRun)->isEnabled());
    QCOMPARE(dialog->InputPath() + dialog->OutputPath() + dialog->OptionText(),
             input + output + "-V");
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void RunTest::refusedBeforeTheRun() {
    LauncherBench bench;
    ModalWatcher watcher;
    const QString input = bench.MakeFile("in.gdb", "keep me");
    const auto dialog = bench.Open();
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioOther);
    SetField(*dialog, "-u");
    // Other spellings of one file are the core's same-file table. The input as the output is
    // refused when chosen, and Run stays disabled for it.
    bench.ChooseFiles(*dialog, input, input);
    QCOMPARE(dialog->OutputPath(), QString());
    QCOMPARE(qobject_cast<QLabel*>(dialog->GetDlgItem(CParseDlg::kIdOutputNote))->toolTip(),
             QStringLiteral("The output file must not be the input file."));
    QVERIFY(!dialog->GetDlgItem(CParseDlg::kIdRun)->isEnabled());
    // An input chosen after its output is refused by Run.
    bench.ChooseFiles(*dialog, bench.MakeFile("other in.gdb"), input);
    bench.chooser.openAnswer = QFile::encodeName(input);
    LauncherBench::Click(*dialog, CParseDlg::kIdInputFile);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].text, QStringLiteral("The output file must not be the input file."));
    QCOMPARE(watcher.seen[0].icon, QMessageBox::Critical);
    QCOMPARE(bench.ConverterRuns().size(), 0);
    QCOMPARE(bench.Stored("Radio").toInt(), 6); // written all the same
    QCOMPARE(bench.Stored("Other").toString(), QStringLiteral("-u"));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);

    // Another output runs, even when the input has gone meanwhile.
    bench.ChooseFiles(*dialog, input, bench.DataPath("other.gdb"));
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QVERIFY(QFile::remove(input));
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(bench.ConverterRuns().size(), 2);
    QCOMPARE(watcher.seen.size(), 1);

    // A checked limit out of range, named in a box of the launcher's own; nothing stored.
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioV);
    LauncherBench::Click(*dialog, CParseDlg::kIdLimitTolerance);
    qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdTolerance))->setText("2,5");
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(watcher.seen.size(), 2);
    QCOMPARE(watcher.seen[1].text, QString::fromLatin1(runkorvix::kBadToleranceText));
    QCOMPARE(watcher.seen[1].icon, QMessageBox::Critical);
    QCOMPARE(bench.ConverterRuns().size(), 2);
    QCOMPARE(bench.Stored("Radio").toInt(), 6);
    QVERIFY(!bench.Stored("Tolerance").isValid());
}

void RunTest::whatTheConverterSaidIsShown_data() {
    const QByteArray limit = "Route point limit reached - track truncated!\n";
    QByteArray wide; // 30 distinct messages, each of 300 wide letters
    for (int n = 10; n < 40; ++n) {
        wide += QByteArray(297, 'W') + QByteArray::number(n) + "\n";
    }
    QTest::addColumn<QByteArray>("print");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QByteArray>("exit");
    QTest::addColumn<bool>("outputLeft"); // the output file exists before and after the run
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("said");
    QTest::newRow("failed, output left")
        << QByteArray("D 20\nUnexpected end of input file\n") << 1 << QByteArray("1") << true
        << int(QMessageBox::Critical) << "\n\nUnexpected end of input file\n";
    QTest::newRow("failed before the output")
        << QByteArray("Can't open input file\n") << 1 << QByteArray("1") << false
        << int(QMessageBox::Critical) << "\n\nCan't open input file";
    QTest::newRow("warned") << "T 9\n" + limit + limit + "V 2\n"
                            << 1 << QByteArray("0") << true << int(QMessageBox::Information)
                            << "\n\nRoute point limit reached - track truncated! (2 times)";
    QTest::newRow("clean: what it did")
        << QByteArray("D 20\nR 279\nR 9\nV 2\n") << 1 << QByteArray("0") << true
        << int(QMessageBox::Information) << "2 routes became tracks in out.gdb.";
    QTest::newRow("clean: nothing to convert")
        << QByteArray("D 20\nT 9\nV 2\n") << 1 << QByteArray("0") << true
        << int(QMessageBox::Information)
        << "out.gdb is now a copy of in.gdb: it holds no route to convert.\n\n"
           "Its 1 track is converted by -V and -W.";
#ifndef _WIN32
    QTest::newRow("killed") << QByteArray("W 71\n") << 1 << QByteArray("signal") << true
                            << int(QMessageBox::Critical) << "\n\nkorvix was ended by signal 15.";
#endif
    // Whatever korvix printed, the box keeps its last line in sight.
    QTest::newRow("failed with a line of 100 kB")
        << QByteArray("x") << 100000 << QByteArray("1") << false << int(QMessageBox::Critical)
        << QString(50, 'x') + '\n' + QString(50, 'x') + "...\n";
    QTest::newRow("failed with line breaks of its own")
        << QByteArray("ab\r\x0b\x0c") << 300 << QByteArray("1") << true
        << int(QMessageBox::Critical) << "\n\nab   ab   ab";
    QTest::newRow("failed with 30 long messages")
        << wide << 1 << QByteArray("1") << false << int(QMessageBox::Critical)
        << "W...\n... and 21 more messages";
}

void RunTest::whatTheConverterSaidIsShown() {
    QFETCH(QByteArray, print);
    QFETCH(int, repeat);
    QFETCH(QByteArray, exit);
    QFETCH(bool, outputLeft);
    QFETCH(int, icon);
    QFETCH(QString, said);

    LauncherBench bench;
    const QString input = bench.MakeFile("in.gdb"), output = bench.DataPath("out.gdb");
    if (outputLeft) {
        bench.MakeFile("out.gdb", "cut short");
    }
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, output);
    LauncherBench::Converter(print, exit);
    qputenv("RUNKORVIX_TEST_REPEAT", QByteArray::number(repeat));
    ModalWatcher watcher;
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);

    QCOMPARE(bench.ConverterRuns().size(), 1);
    QCOMPARE(watcher.seen.size(), 1);
    const SeenModal& box = watcher.seen[0];
    QCOMPARE(box.title, QStringLiteral("runkorvix"));
    QCOMPARE(int(box.icon), icon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY2(box.text.contains(said), qPrintable(box.text));
    QVERIFY2(box.wholeInSight, qPrintable(box.text));
    // The stand-in converter leaves the output file as it was, or makes none.
    if (icon == QMessageBox::Critical) {
        QVERIFY2(box.text.endsWith(outputLeft ? "\n\nThe output file was left as it was."
                                              : "\n\nNo output file was made."),
                 qPrintable(box.text));
    }
    QVERIFY(dialog->isEnabled() && dialog->GetDlgItem(CParseDlg::kIdRun)->isEnabled());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void RunTest::theBoxSaysWhatTheLimitsDid_data() {
    const QByteArray tooMany = "Too many waypoints needed to convert - track skipped\n";
    QTest::addColumn<int>("option");
    QTest::addColumn<QList<int>>("boxes");            // checked
    QTest::addColumn<QString>("points");              // typed into the point limit's field
    QTest::addColumn<QList<QByteArray>>("waypoints"); // of the input, by name; 2 tracks
    QTest::addColumn<int>("outputWaypoints");         // of the output; -1: none made
    QTest::addColumn<QByteArray>("print");
    QTest::addColumn<QString>("text");
    QTest::newRow("tracks reduced to routes")
        << int(CParseDlg::kIdRadioV)
        << QList<int>{CParseDlg::kIdLimitPoints, CParseDlg::kIdLimitTolerance} << ""
        << QList<QByteArray>{"001", "Home"} << 6
        << QByteArray("W 1\nW 1\nT 9\nMORNING: 4210 points -> 250, within 9.9 m\nT 9\n"
                      "EVENING: 600 points -> 250, within 3.1 m\nV 2\n")
        << "2 tracks became 2 routes of at most 250 points in out.gdb, within 9.9\u00A0m of their "
           "tracks, through 4 new waypoints.";
    QTest::newRow("a route cut into tracks")
        << int(CParseDlg::kIdRadioT) << QList<int>{CParseDlg::kIdLimitPoints, CParseDlg::kIdSplit}
        << "10" << QList<QByteArray>{} << -1
        << QByteArray("R 279\nTHAMES WALK: 24 points -> 3 tracks of 10, 10 and 6, within 0.0 m\n"
                      "V 2\n")
        << "1 route became 3 tracks of at most 10 points in out.gdb, within 0.0\u00A0m of its "
           "route.";
    QTest::newRow("tracks skipped for lack of names")
        << int(CParseDlg::kIdRadioV) << QList<int>{} << ""
        << QList<QByteArray>{"001", "002", "003", "002"} << -1
        << "W 1\nW 1\nW 1\nW 1\nT 9\n" + tooMany + "T 9\n" + tooMany + "V 2\n"
        << "No track became a route in out.gdb.\n2 tracks were skipped and are not in out.gdb: "
           "track and track. One run names at most 999 waypoints, and the file's own waypoints "
           "take 3 of those names. "
           "Fit every track into 996 waypoints converts them all.\n\nkorvix said:\n\nToo many "
           "waypoints needed to convert "
           "- track skipped (2 times)";
}

void RunTest::theBoxSaysWhatTheLimitsDid() {
    QFETCH(int, option);
    QFETCH(QList<int>, boxes);
    QFETCH(QString, points);
    QFETCH(QList<QByteArray>, waypoints);
    QFETCH(int, outputWaypoints);
    QFETCH(QByteArray, print);
    QFETCH(QString, text);

    LauncherBench bench;
    const QString input = bench.MakeFile("in.gdb", GdbFile(waypoints, 2));
    if (outputWaypoints >= 0) {
        bench.MakeFile("out.gdb", GdbFile(QList<QByteArray>(outputWaypoints, "x"), 0));
    }
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, bench.DataPath("out.gdb"));
    LauncherBench::Click(*dialog, static_cast<CParseDlg::ControlId>(option));
    for (const int box : boxes) {
        LauncherBench::Click(*dialog, static_cast<CParseDlg::ControlId>(box));
    }
    if (!points.isEmpty()) {
        qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdPoints))->setText(points);
    }
    LauncherBench::Converter(print);
    ModalWatcher watcher;
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);

    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen[0].icon, QMessageBox::Information);
    // The box names the output's folder, and offers to open it.
    QCOMPARE(watcher.seen[0].text,
             text + (outputWaypoints >= 0 ? Where(bench, QStringLiteral("out.gdb")) : QString()));
    QCOMPARE(watcher.seen[0].extraButtons.contains(QStringLiteral("Open folder")),
             outputWaypoints >= 0);
}

void RunTest::aRunCanAlwaysBeLeft_data() {
    QTest::addColumn<QString>("leave");
    QTest::newRow("by Stop") << "Stop";
    QTest::newRow("by Escape") << "Escape";
    QTest::newRow("by closing the window") << "close";
}

namespace {

// The captions of Run, Input File, -V and About, each with '+' when it takes clicks.
QString ButtonsShown(const CParseDlg& dialog) {
    QString shown;
    for (const CParseDlg::ControlId id :
         {CParseDlg::kIdRun, CParseDlg::kIdInputFile, CParseDlg::kIdRadioV, CParseDlg::kIdAbout}) {
        auto* button = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id));
        shown += button->text() + (button->isEnabled() ? "+ " : "- ");
    }
    return shown;
}

// The user during a run: clicks Input File, which is dropped, and About, which opens; then
// leaves the run by `leave`. False when the window did not take a close.
bool UseAndLeave(CParseDlg& dialog, const QString& leave) {
    QTest::mouseClick(dialog.GetDlgItem(CParseDlg::kIdInputFile), Qt::LeftButton);
    QTest::mouseClick(dialog.GetDlgItem(CParseDlg::kIdAbout), Qt::LeftButton);
    if (leave == "Stop") {
        QTest::mouseClick(dialog.GetDlgItem(CParseDlg::kIdRun), Qt::LeftButton);
    } else if (leave == "Escape") {
        QTest::keyClick(&dialog, Qt::Key_Escape);
    } else {
        return dialog.close();
    }
    return true;
}

} // namespace

void RunTest::aRunCanAlwaysBeLeft() {
    QFETCH(QString, leave);

    LauncherBench bench;
    ModalWatcher watcher; // closes the About box and the box after the run
    const QString output = bench.MakeFile("out.gdb", "old");
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, bench.MakeFile("in.gdb"), output);
    auto* run = qobject_cast<QAbstractButton*>(dialog->GetDlgItem(CParseDlg::kIdRun));
    run->setFocus();
    LauncherBench::Converter({}, "0", 20000, "log"); // hangs until stopped

    QString during; // once the stand-in has started, while the event loop runs the dialog
    bool busy = false, closeTaken = true;
    QTimer user;
    // A click on Stop within the double-click time of the Run press would be a double click.
    const int doubleClick = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    QElapsedTimer clock;
    connect(&user, &QTimer::timeout, dialog.get(), [&] {
        if (during.isEmpty() && !bench.ConverterRuns().isEmpty() && clock.elapsed() > doubleClick) {
            during = ButtonsShown(*dialog);
            busy = QGuiApplication::overrideCursor() != nullptr &&
                   QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor;
            closeTaken = UseAndLeave(*dialog, leave);
        }
    });
    user.start(20);
    clock.start();
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    user.stop();

    QVERIFY(clock.elapsed() < 5000 + doubleClick && during == "Stop+ Input File- -V- About+ ");
    QVERIFY(busy && closeTaken == (leave != "close") && bench.chooser.openCalls == 1);
    QVERIFY(watcher.seen.size() == 2 && watcher.seen[0].className == "CAboutDlg");
    QVERIFY(watcher.seen[1].text == QString::fromLatin1(runkorvix::kStoppedText) &&
            watcher.seen[1].icon == QMessageBox::Information);
    // korvix was asked to end, as korvix removes its unfinished output then; the old output stays.
    QFile log(bench.Path("converter.log")), old(output);
    QVERIFY(log.open(QIODevice::ReadOnly) && log.readAll().endsWith("end\nstopped\n"));
    QVERIFY(old.open(QIODevice::ReadOnly) && old.readAll() == "old");
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    if (leave != "Stop") { // the dialog has ended after the run
        QVERIFY(!dialog->isVisible() && dialog->result() == QDialog::Rejected);
        return;
    }
    // Stopped, the dialog is as before: the focus on Run, which reads Run Korvix and runs again.
    QVERIFY(dialog->isVisible() && run->isEnabled() && dialog->focusWidget() == run);
    QCOMPARE(run->text(), QStringLiteral("Run Korvix"));
    LauncherBench::Converter();
    QTest::mouseClick(run, Qt::LeftButton);
    QCOMPARE(bench.ConverterRuns().size(), 2);
}

// A double click on Run: the second click, within the system's double-click time, is no Stop,
// and the run converts.
void RunTest::aDoubleClickOnRunRuns() {
    LauncherBench bench;
    ModalWatcher watcher;
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, bench.MakeFile("in.gdb"), bench.DataPath("out.gdb"));
    LauncherBench::Converter("D 20\nR 279\nV 2\n", "0", 300, "log");
    bool second = false;
    QTimer user;
    connect(&user, &QTimer::timeout, dialog.get(), [&] {
        if (!second && !bench.ConverterRuns().isEmpty()) {
            second = true;
            QTest::mouseClick(dialog->GetDlgItem(CParseDlg::kIdRun), Qt::LeftButton);
        }
    });
    user.start(10);
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(5000);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    user.stop();
    QVERIFY(second);
    QFile log(bench.Path("converter.log"));
    QVERIFY(log.open(QIODevice::ReadOnly) && !log.readAll().contains("stopped"));
    QCOMPARE(watcher.seen.size(), 1);
    QVERIFY(watcher.seen[0].text.startsWith(QStringLiteral("1 route became a track in out.gdb.")));
}

QTEST_MAIN(RunTest)
#include "test_run.moc"
