// The Run button: what the converter is started with, and what is stored.

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

namespace {

QString Canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

class RunTest : public QObject {
    Q_OBJECT
private slots:
    void converterSeesArgumentsAndFolder_data();
    void converterSeesArgumentsAndFolder();
    void storedFixedOptionLeavesOtherAlone();
    void radioIsWrittenWhetherOrNotTheStartSucceeds_data();
    void radioIsWrittenWhetherOrNotTheStartSucceeds();
    void outputSameAsInputIsRefused();
};

void RunTest::converterSeesArgumentsAndFolder_data() {
    QTest::addColumn<int>("storedRadio");
    QTest::addColumn<QString>("storedOther");
    QTest::addColumn<int>("clickId"); // 0: keep the stored option
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("storedOtherAfter");

    QTest::newRow("-V") << 2 << "" << 1009 << "" << QStringList{"-V"} << "";
    QTest::newRow("stored free option -u") << 6 << "-u" << 0 << "" << QStringList{"-u"} << "-u";
    QTest::newRow("empty free option") << 6 << "" << 0 << "" << QStringList{} << "";
    QTest::newRow("free option chosen, stored text kept")
        << 0 << "-w" << 1012 << "" << QStringList{"-w"} << "-w";
    QTest::newRow("one typed word") << 2 << "" << 1012 << "-u" << QStringList{"-u"} << "-u";
    QTest::newRow("two typed words")
        << 2 << "" << 1012 << "-V x" << QStringList{"-V", "x"} << "-V x";
    QTest::newRow("blanks around and between words")
        << 2 << "" << 1012 << "  -V   x " << QStringList{"-V", "x"} << "  -V   x ";
}

void RunTest::converterSeesArgumentsAndFolder() {
    QFETCH(int, storedRadio);
    QFETCH(QString, storedOther);
    QFETCH(int, clickId);
    QFETCH(QString, typed);
    QFETCH(QStringList, options);
    QFETCH(QString, storedOtherAfter);

    LauncherBench bench;
    bench.Store(storedRadio, storedOther);
    const QString input = bench.MakeFile(QStringLiteral("my route.gdb"));
    const QString output = bench.DataPath(QStringLiteral("my track.gdb"));
    ModalWatcher watcher;
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, output);
    if (clickId != 0) {
        Click(*dialog, clickId);
    }
    if (!typed.isEmpty()) {
        qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdOther))->setText(typed);
    }
    Click(*dialog, CParseDlg::kIdRun);
    Click(*dialog, CParseDlg::kIdRun); // every choice is kept for the next run

    QCOMPARE(watcher.seen.size(), 0);
    const QList<QStringList> runs = bench.ConverterRuns();
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[0], runs[1]);
    QCOMPARE(Canonical(runs[0].first()), Canonical(bench.Folder()));
    QCOMPARE(runs[0].mid(1), options + QStringList({input, output}));
    QCOMPARE(bench.StoredRadio().toInt(), dialog->SelectedIndex());
    QCOMPARE(bench.StoredOther().toString(), storedOtherAfter);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void RunTest::storedFixedOptionLeavesOtherAlone() {
    LauncherBench bench;
    bench.Store(1, QStringLiteral("-u"));
    const QString input = bench.MakeFile(QStringLiteral("in.gdb"));
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, bench.DataPath(QStringLiteral("out.gdb")));
    Click(*dialog, CParseDlg::kIdRun);

    const QList<QStringList> runs = bench.ConverterRuns();
    QCOMPARE(runs.size(), 1);
    QCOMPARE(runs[0].at(1), QStringLiteral("-S"));
    QCOMPARE(bench.StoredRadio().toInt(), 1);
    QCOMPARE(bench.StoredOther().toString(), QStringLiteral("-u"));
}

void RunTest::radioIsWrittenWhetherOrNotTheStartSucceeds_data() {
    QTest::addColumn<QString>("converter");
    QTest::addColumn<QString>("message");

    QTest::newRow("started") << "present"
                             << "";
    QTest::newRow("converter removed after the start") << "removed"
                                                       << "CreateProcess Error = 0002";
#ifndef _WIN32
    QTest::newRow("converter not executable") << "not executable"
                                              << "CreateProcess Error = 0013";
#endif
}

void RunTest::radioIsWrittenWhetherOrNotTheStartSucceeds() {
    QFETCH(QString, converter);
    QFETCH(QString, message);

    LauncherBench bench;
    const QString input = bench.MakeFile(QStringLiteral("in.gdb"));
    const QString output = bench.DataPath(QStringLiteral("out.gdb"));
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, output);
    Click(*dialog, 1009);
    if (converter == QLatin1String("removed")) {
        QVERIFY(QFile::remove(bench.ConverterPath()));
    } else if (converter == QLatin1String("not executable")) {
        QVERIFY(QFile::setPermissions(bench.ConverterPath(), QFile::ReadOwner | QFile::WriteOwner));
    }
    ModalWatcher watcher;
    Click(*dialog, CParseDlg::kIdRun);

    QCOMPARE(bench.StoredRadio().toInt(), 4);
    QVERIFY(!bench.StoredOther().isValid());
    if (message.isEmpty()) {
        QCOMPARE(watcher.seen.size(), 0);
        QCOMPARE(bench.ConverterRuns().size(), 1);
    } else {
        QCOMPARE(watcher.seen.size(), 1);
        QCOMPARE(watcher.seen[0].text, message);
        QCOMPARE(watcher.seen[0].title, QStringLiteral("runkorvix"));
        QCOMPARE(watcher.seen[0].icon, QMessageBox::Critical);
        QCOMPARE(watcher.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(bench.ConverterRuns().size(), 0);
    }
    // The dialog stays as it was, ready for another run.
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->GetDlgItem(CParseDlg::kIdRun)->isEnabled());
    QCOMPARE(dialog->InputPath(), input);
    QCOMPARE(dialog->OutputPath(), output);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-V"));
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void RunTest::outputSameAsInputIsRefused() {
    LauncherBench bench;
    const QByteArray content = "keep me";
    const QString input = bench.MakeFile(QStringLiteral("in.gdb"), content);
    const QString sameByAnotherName =
        bench.DataPath(QStringLiteral("../my maps/./in.gdb")); // the same file
    bench.Store(2, QString());
    const auto dialog = bench.Open();
    Click(*dialog, 1012);
    qobject_cast<QLineEdit*>(dialog->GetDlgItem(CParseDlg::kIdOther))->setText("-u");

    for (const QString& output : {input, sameByAnotherName}) {
        bench.ChooseFiles(*dialog, input, output);
        ModalWatcher watcher;
        Click(*dialog, CParseDlg::kIdRun);
        QCOMPARE(watcher.seen.size(), 1);
        QCOMPARE(watcher.seen[0].text,
                 QStringLiteral("The output file must not be the input file."));
        QCOMPARE(watcher.seen[0].icon, QMessageBox::Critical);
    }
    QCOMPARE(bench.ConverterRuns().size(), 0);
    // The settings are written all the same.
    QCOMPARE(bench.StoredRadio().toInt(), 6);
    QCOMPARE(bench.StoredOther().toString(), QStringLiteral("-u"));
    QFile file(input);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);

    // A different output is run as usual, even when the input has gone meanwhile.
    bench.ChooseFiles(*dialog, input, bench.DataPath(QStringLiteral("other.gdb")));
    Click(*dialog, CParseDlg::kIdRun);
    QVERIFY(QFile::remove(input));
    Click(*dialog, CParseDlg::kIdRun);
    QCOMPARE(bench.ConverterRuns().size(), 2);
}

QTEST_MAIN(RunTest)
#include "test_run.moc"
