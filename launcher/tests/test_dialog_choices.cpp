// Choosing files and options in the main dialog, its keys, and the help and about boxes.

#include "TestSupport.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>

namespace {

QLineEdit* Field(const CParseDlg& dialog, CParseDlg::ControlId id) {
    return qobject_cast<QLineEdit*>(dialog.GetDlgItem(id));
}
bool Enabled(const CParseDlg& dialog, CParseDlg::ControlId id) {
    return dialog.GetDlgItem(id)->isEnabled();
}
// What the path field `id` shows of `path`: all of it in its tooltip, in the field as much as
// fits, the file name whole.
void CheckPathField(const CParseDlg& dialog, CParseDlg::ControlId id, const QString& path) {
    const QLineEdit* field = Field(dialog, id);
    QCOMPARE(field->toolTip(), path);
    QVERIFY2(field->text().endsWith(QFileInfo(path).fileName()), qPrintable(field->text()));
    QVERIFY(QFontMetrics(field->font()).horizontalAdvance(field->text()) < field->width());
}

} // namespace

class DialogChoicesTest : public QObject {
    Q_OBJECT
private slots:
    void choosers();
    void inputChoice();
    void inputDroppedOrOnTheCommandLine();
    void outputChoice();
    void freeOption();
    void typedFreeOptionIsLostWithoutARun();
    void keys();
    void helpAndAboutChangeNothing();
};

void DialogChoicesTest::choosers() {
    // The toolkit's choosers: the open one takes existing files only, every GPS file first; the
    // save one the output's format first, and adds its extension. All cancelled here.
    ModalWatcher watcher;
    CQtFileChooser chooser;
    const QString folder = QDir::tempPath();
    QCOMPARE(chooser.ChooseOpen(folder), QByteArray());
    QCOMPARE(chooser.ChooseSave(folder, false), QByteArray());
    QCOMPARE(chooser.ChooseSave(folder, true), QByteArray());
    QCOMPARE(watcher.seen.size(), 3);
    const SeenModal &open = watcher.seen[0], &save = watcher.seen[1], &gpx = watcher.seen[2];
    const QString gdbFiles = "Mapsource GDB Files (*.gdb) (*.gdb)", all = "All Files (*.*) (*)";
    QCOMPARE(open.className + save.className, QStringLiteral("QFileDialogQFileDialog"));
    QCOMPARE(open.fileMode, int(QFileDialog::ExistingFile));
    QCOMPARE(open.acceptMode, int(QFileDialog::AcceptOpen));
    QCOMPARE(open.text, " GPS files (*.gdb *.gpx) (*.gdb *.gpx)|" + gdbFiles + '|' + all);
    QCOMPARE(save.fileMode, int(QFileDialog::AnyFile));
    QCOMPARE(save.acceptMode, int(QFileDialog::AcceptSave));
    QCOMPARE(save.text, "gdb " + gdbFiles + "|GPS files (*.gdb *.gpx) (*.gdb *.gpx)|" + all);
    QCOMPARE(gpx.text,
             "gpx GPX Files (*.gpx) (*.gpx)|GPS files (*.gdb *.gpx) (*.gpx *.gdb)|" + all);
    QCOMPARE(open.folder + save.folder, QDir(folder).absolutePath() + QDir(folder).absolutePath());

    // A file chosen: its path as the system's bytes, read from the chooser's URL, where a '%',
    // a '#' or a '?' of the name stands encoded.
    const QTemporaryDir files;
    for (const QString name : {"ride.gdb", "Z\u00FCrich 100%.gdb", "a#b?c.gdb"}) {
        const QString existing = files.filePath(name), fresh = files.filePath("new " + name);
        QFile(existing).open(QIODevice::WriteOnly);
        watcher.chosenFile = existing;
        QCOMPARE(chooser.ChooseOpen(files.path()), QFile::encodeName(existing));
        watcher.chosenFile = fresh;
        QCOMPARE(chooser.ChooseSave(files.path(), false), QFile::encodeName(fresh));
    }
}

void DialogChoicesTest::inputChoice() {
    LauncherBench bench;
    const QString first = bench.MakeFile("first.gdb"), second = bench.MakeFile("second");
    const auto dialog = bench.Open();
    // Cancelled, or a name that does not exist: nothing changes, before and after a good choice.
    for (const QString& answer :
         {QString(), bench.DataPath("missing.gdb"), first, bench.DataPath("gone.gdb"), QString()}) {
        bench.chooser.openAnswer = QFile::encodeName(answer);
        LauncherBench::Click(*dialog, CParseDlg::kIdInputFile);
        const QString expected = bench.chooser.openCalls >= 3 ? first : QString();
        QCOMPARE(dialog->InputPath(), expected);
        CheckPathField(*dialog, CParseDlg::kIdInputPath, expected);
        // Under the path, what the file holds.
        QCOMPARE(qobject_cast<QLabel*>(dialog->GetDlgItem(CParseDlg::kIdInputNote))->text(),
                 expected.isEmpty() ? QString() : QStringLiteral("Not a GDB file."));
        QCOMPARE(Enabled(*dialog, CParseDlg::kIdOutputFile), !expected.isEmpty());
        QVERIFY(!Enabled(*dialog, CParseDlg::kIdRun));
    }
    // A new input (any extension) replaces the path; output and Run stay as they are.
    bench.ChooseFiles(*dialog, second, bench.DataPath("out.gdb"));
    CheckPathField(*dialog, CParseDlg::kIdInputPath, second);
    QCOMPARE(dialog->OutputPath(), bench.DataPath("out.gdb"));
    QVERIFY(Enabled(*dialog, CParseDlg::kIdRun));
}

void DialogChoicesTest::inputDroppedOrOnTheCommandLine() {
    LauncherBench bench;
    const QString named = bench.MakeFile("named.gdb"), dropped = bench.MakeFile("dropped.gdb");
    // The first argument that is no switch; a relative name is taken in the current folder.
    const QString current = QDir::currentPath();
    QDir::setCurrent(bench.DataPath(QString()));
    const auto dialog = bench.Open(QString(), {"-style", "named.gdb", "dropped.gdb"});
    QDir::setCurrent(current);
    QCOMPARE(QFileInfo(dialog->InputPath()).canonicalFilePath(),
             QFileInfo(named).canonicalFilePath());
    QVERIFY(QFileInfo(dialog->InputPath()).isAbsolute());
    QVERIFY(Enabled(*dialog, CParseDlg::kIdOutputFile));

    // One file dropped on the dialog is taken as if chosen; a folder is not; two are told to come
    // one at a time.
    const auto drop = [](const CParseDlg& on, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(const_cast<CParseDlg*>(&on), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(const_cast<CParseDlg*>(&on), &event);
        return enter.isAccepted();
    };
    const auto local = &QUrl::fromLocalFile;
    QVERIFY(drop(*dialog, {local(named), local(dropped)}));
    QCOMPARE(qobject_cast<QLabel*>(dialog->GetDlgItem(CParseDlg::kIdInputNote))->text(),
             QStringLiteral("Drop one file at a time."));
    QVERIFY(drop(*dialog, {local(bench.DataPath(QString()))}));
    QCOMPARE(QFileInfo(dialog->InputPath()).canonicalFilePath(),
             QFileInfo(named).canonicalFilePath());
    QVERIFY(drop(*dialog, {local(dropped)}));
    QCOMPARE(dialog->InputPath(), dropped);
    CheckPathField(*dialog, CParseDlg::kIdInputPath, dropped);

    // Names that are no UTF-8, on the command line and dropped (a file manager's URL
    // percent-encodes their bytes): each taken as the file it names, and shown with U+FFFD for
    // the bytes that are no UTF-8. Qt's own text of such a name names no file.
    const QByteArray latin1 = bench.MakeNamedFile("caf\xE9.gdb");
    const QByteArray lone = bench.MakeNamedFile("\xFF.gdb");
    const auto other = bench.Open(QString(), {"-style", latin1});
    QCOMPARE(other->InputPath(), QFile::decodeName(latin1));
    QVERIFY(other->InputPath().endsWith(QStringLiteral("caf\uFFFD.gdb")));
    CheckPathField(*other, CParseDlg::kIdInputPath, QFile::decodeName(latin1));
    QVERIFY(Enabled(*other, CParseDlg::kIdOutputFile));
    QVERIFY(drop(*other, {QUrl::fromEncoded("file://" + lone.toPercentEncoding("/"))}));
    QCOMPARE(other->InputPath(), QFile::decodeName(lone));
    QVERIFY(drop(*other, {local(QFile::decodeName(latin1))}));
    QCOMPARE(other->InputPath(), QFile::decodeName(lone));
}

void DialogChoicesTest::outputChoice() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    LauncherBench::Click(*dialog, CParseDlg::kIdOutputFile); // disabled: nothing asked
    QCOMPARE(bench.chooser.saveCalls, 0);

    bench.ChooseFiles(*dialog, bench.MakeFile("in.gdb"), QString());
    QVERIFY(!Enabled(*dialog, CParseDlg::kIdRun));
    const QString output = bench.DataPath("new file.gdb");
    for (const QString& answer : {output, QString()}) { // the later choice is cancelled
        bench.chooser.saveAnswer = QFile::encodeName(answer);
        LauncherBench::Click(*dialog, CParseDlg::kIdOutputFile);
        QCOMPARE(dialog->OutputPath(), output);
        CheckPathField(*dialog, CParseDlg::kIdOutputPath, output);
        QCOMPARE(bench.chooser.saveFolder, QFileInfo(bench.DataPath("in.gdb")).absolutePath());
        QVERIFY(Enabled(*dialog, CParseDlg::kIdRun));
    }
    QCOMPARE(bench.chooser.saveCalls, 3);
    QVERIFY(!QFile::exists(output)); // chosen, not created
    QVERIFY(!bench.chooser.savedGpx);

    // The output of a GPX input is chosen as a GPX file, told by the input's content.
    bench.ChooseFiles(*dialog, bench.MakeFile("ride", "<?xml version=\"1.0\"?><gpx/>"), QString());
    LauncherBench::Click(*dialog, CParseDlg::kIdOutputFile);
    QVERIFY(bench.chooser.savedGpx);
}

void DialogChoicesTest::freeOption() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    const auto& ids = CParseDlg::kOptionIds;
    const QStringList options = {"-R", "-S", "-T", "-U", "-V", "-W"};
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioOther);
    QVERIFY(Enabled(*dialog, CParseDlg::kIdOther));
    QCOMPARE(dialog->OptionText(), QString());
    QTest::keyClicks(Field(*dialog, CParseDlg::kIdOther), "-V x");
    QTest::keyClick(Field(*dialog, CParseDlg::kIdOther), Qt::Key_Backspace);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-V "));

    for (int index = 0; index < options.size(); ++index) {
        LauncherBench::Click(*dialog, ids[static_cast<std::size_t>(index)]);
        QCOMPARE(dialog->SelectedIndex(), index);
        QCOMPARE(dialog->OptionText(), options[index]);
        QVERIFY(!Enabled(*dialog, CParseDlg::kIdOther));
        QCOMPARE(Field(*dialog, CParseDlg::kIdOther)->text(),
                 QStringLiteral("-V ")); // the field keeps it
    }
    // A click on an option's description selects it too.
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("Convert routes to track with via points only.")) {
            QTest::mouseClick(const_cast<QLabel*>(label), Qt::LeftButton);
        }
    }
    QCOMPARE(dialog->OptionText(), QStringLiteral("-U"));
    LauncherBench::Click(*dialog,
                         CParseDlg::kIdRadioOther); // back to the free option: its text again
    QCOMPARE(dialog->SelectedIndex(), 6);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-V "));
}

void DialogChoicesTest::typedFreeOptionIsLostWithoutARun() {
    LauncherBench bench;
    bench.Store(6, "-u");
    {
        const auto dialog = bench.Open();
        Field(*dialog, CParseDlg::kIdOther)->setText("-w");
        QCOMPARE(dialog->OptionText(), QStringLiteral("-w"));
        LauncherBench::Click(*dialog, CParseDlg::kIdRadioV);
        dialog->close();
    }
    QCOMPARE(bench.Stored("Radio").toInt(), 6);
    QCOMPARE(bench.Stored("Other").toString(), QStringLiteral("-u"));
    const auto again = bench.Open();
    QCOMPARE(again->SelectedIndex(), 6);
    QCOMPARE(Field(*again, CParseDlg::kIdOther)->text(), QStringLiteral("-u"));
}

void DialogChoicesTest::keys() {
    LauncherBench bench;
    const QString input = bench.MakeFile("in.gdb"), output = bench.DataPath("out.gdb");
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, output);
    // A keyboard alone: Tab to the option group, down to -V, on to the point limit and the fit.
    const auto press = [&](Qt::Key key, int times = 1) {
        for (int at = 0; at < times; ++at) {
            QTest::keyClick(dialog->focusWidget(), key);
        }
    };
    dialog->GetDlgItem(CParseDlg::kIdInputFile)->setFocus();
    press(Qt::Key_Tab, 2);
    QCOMPARE(dialog->focusWidget(), dialog->GetDlgItem(CParseDlg::kIdRadioT));
    press(Qt::Key_Down, 2);
    QCOMPARE(dialog->focusWidget(), dialog->GetDlgItem(CParseDlg::kIdRadioV));
    QCOMPARE(dialog->OptionText(), QStringLiteral("-V"));
    QCOMPARE(dialog->GetDlgItem(CParseDlg::kIdRadioV)->accessibleName(),
             QStringLiteral("-V, Convert tracks to route with user vias."));
    QCOMPARE(Field(*dialog, CParseDlg::kIdInputPath)->accessibleName(),
             QStringLiteral("Input file"));
    press(Qt::Key_Tab, 6);
    QCOMPARE(dialog->focusWidget(), dialog->GetDlgItem(CParseDlg::kIdLimitPoints));
    press(Qt::Key_Space);
    press(Qt::Key_Tab);
    QCOMPARE(dialog->focusWidget(), Field(*dialog, CParseDlg::kIdPoints));
    Field(*dialog, CParseDlg::kIdPoints)->selectAll();
    QTest::keyClicks(dialog->focusWidget(), "250");
    // Enter in a field of the limits confirms its value and keeps the dialog.
    press(Qt::Key_Return);
    QVERIFY(dialog->isVisible());
    QCOMPARE(bench.Stored("Points").toInt(), 250);
    QCOMPARE(bench.Stored("Radio").toInt(), 4);
    press(Qt::Key_Tab, 3);
    QCOMPARE(dialog->focusWidget(), dialog->GetDlgItem(CParseDlg::kIdFit));
    press(Qt::Key_Space);
    press(Qt::Key_Tab);
    Field(*dialog, CParseDlg::kIdWaypoints)->selectAll();
    QTest::keyClicks(dialog->focusWidget(), "500");
    press(Qt::Key_Enter);
    QVERIFY(dialog->isVisible());
    QCOMPARE(bench.Stored("Waypoints").toInt(), 500);
    QCOMPARE(bench.Stored("Fit").toInt(), 1);

    // Enter in the free option field ends the dialog as OK, its choice stored first.
    const auto other = bench.Open();
    LauncherBench::Click(*other, CParseDlg::kIdRadioOther);
    Field(*other, CParseDlg::kIdOther)->setFocus();
    QTest::keyClicks(Field(*other, CParseDlg::kIdOther), "-s");
    QTest::keyClick(Field(*other, CParseDlg::kIdOther), Qt::Key_Return);
    QVERIFY(!other->isVisible());
    QCOMPARE(other->result(), int(QDialog::Accepted));
    QCOMPARE(bench.Stored("Radio").toInt(), 6);
    QCOMPARE(bench.Stored("Other").toString(), QStringLiteral("-s"));
    // Escape ends it as Cancel.
    const auto second = bench.Open();
    QTest::keyClick(second.get(), Qt::Key_Escape);
    QVERIFY(!second->isVisible());
    QCOMPARE(second->result(), int(QDialog::Rejected));
}

void DialogChoicesTest::helpAndAboutChangeNothing() {
    LauncherBench bench;
    const QString input = bench.MakeFile("in.gdb"), output = bench.DataPath("out.gdb");
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, output);
    LauncherBench::Click(*dialog, CParseDlg::kIdRadioW);

    ModalWatcher watcher;
    LauncherBench::Click(*dialog, CParseDlg::kIdHelp);
    LauncherBench::Click(*dialog, CParseDlg::kIdAbout);
    QCOMPARE(watcher.seen.size(), 2);
    const SeenModal &help = watcher.seen[0], &about = watcher.seen[1];
    QCOMPARE(help.title, QStringLiteral("runkorvix"));
    QCOMPARE(help.icon, QMessageBox::Information);
    QCOMPARE(help.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(help.text, QStringLiteral("1. Select Input File.\n2. Select Output File.\n"
                                       "3. Select the file conversion option.\n"
                                       "4. Click the \"Run Korvix\" button.\n"));
    QCOMPARE(about.className, QStringLiteral("CAboutDlg"));
    QCOMPARE(about.title, QStringLiteral("About RunKorvix"));
    QVERIFY(about.text.contains(QStringLiteral("Run Korvix Version 1.0\n")));

    QCOMPARE(dialog->InputPath(), input);
    QCOMPARE(dialog->OutputPath(), output);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-W"));
    QVERIFY(Enabled(*dialog, CParseDlg::kIdRun));
    QVERIFY(!bench.Stored("Radio").isValid());
}

QTEST_MAIN(DialogChoicesTest)
#include "test_dialog_choices.moc"
