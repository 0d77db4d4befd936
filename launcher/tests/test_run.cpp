// The Run button: what the converter is started with, and what is stored.

#include "TestSupport.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

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
    void outputSameAsInputIsRefused();
};

void RunTest::converterSeesArgumentsAndFolder_data() {
    QTest::addColumn<int>("radio"); // stored
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("click"); // then clicked, 0 for none
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("otherAfter");
    QTest::newRow("-V") << 2 << "" << int(CParseDlg::kIdRadioV) << "" << QStringList{"-V"} << "";
    QTest::newRow("stored -S, -u stays") << 1 << "-u" << 0 << "" << QStringList{"-S"} << "-u";
    QTest::newRow("stored free option -u") << 6 << "-u" << 0 << "" << QStringList{"-u"} << "-u";
    QTest::newRow("empty free option") << 6 << "" << 0 << "" << QStringList{} << "";
    QTest::newRow("free option, stored text")
        << 0 << "-w" << int(CParseDlg::kIdRadioOther) << "" << QStringList{"-w"} << "-w";
    QTest::newRow("two typed words, extra blanks")
        << 2 << "" << int(CParseDlg::kIdRadioOther) << " -V  x " << QStringList{"-V", "x"}
        << " -V  x ";
}

void RunTest::converterSeesArgumentsAndFolder() {
    QFETCH(int, radio);
    QFETCH(QString, other);
    QFETCH(int, click);
    QFETCH(QString, typed);
    QFETCH(QStringList, options);
    QFETCH(QString, otherAfter);

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
    LauncherBench::Click(*dialog, CParseDlg::kIdRun);
    LauncherBench::Click(*dialog, CParseDlg::kIdRun); // every choice is kept for another run

    QCOMPARE(watcher.seen.size(), 0);
    const QList<QStringList> runs = bench.ConverterRuns();
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[1], runs[0]);
    QCOMPARE(QFileInfo(runs[0][0]).canonicalFilePath(),
             QFileInfo(bench.Folder()).canonicalFilePath());
    QCOMPARE(runs[0].mid(1), options + QStringList({input, output}));
    QCOMPARE(bench.Stored("Radio").toInt(), dialog->SelectedIndex());
    QCOMPARE(bench.Stored("Other").toString(), otherAfter);
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
    QCOMPARE(watcher.seen.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(watcher.seen[0].text, message);
        QCOMPARE(watcher.seen[0].title, QStringLiteral("runkorvix"));
        QCOMPARE(watcher.seen[0].icon, QMessageBox::Critical);
        QCOMPARE(watcher.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    // The dialog stays as it was, ready for another run.
    QVERIFY(dialog->isVisible() && dialog->GetDlgItem(CParseDlg::kIdRun)->isEnabled());
    QCOMPARE(dialog->InputPath() + dialog->OutputPath() + dialog->OptionText(),
             input + output + "-V");
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void RunTest::outputSameAsInputIsRefused() {
    LauncherBench bench;
    ModalWatcher watcher;
    const QString input = bench.MakeFile("in.gdb", "keep me");
    const auto dialog = bench.Open();
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioOther);
    SetField(*dialog, "-u");
    for (const QString& output : {input, bench.DataPath("../my maps/./in.gdb")}) {
        bench.ChooseFiles(*dialog, input, output);
        LauncherBench::Click(*dialog, CParseDlg::kIdRun);
        QCOMPARE(watcher.seen.last().text,
                 QStringLiteral("The output file must not be the input file."));
        QCOMPARE(watcher.seen.last().icon, QMessageBox::Critical);
    }
    QCOMPARE(watcher.seen.size(), 2);
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
    QCOMPARE(watcher.seen.size(), 2);
}

QTEST_MAIN(RunTest)
#include "test_run.moc"
