// Choosing files and options in the main dialog, its keys, and the help and about boxes.

#include "TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QLineEdit* Edit(const CParseDlg& dialog, int id) {
    return qobject_cast<QLineEdit*>(dialog.GetDlgItem(id));
}
bool Enabled(const CParseDlg& dialog, int id) {
    return dialog.GetDlgItem(id)->isEnabled();
}

} // namespace

class DialogChoicesTest : public QObject {
    Q_OBJECT
private slots:
    void inputChoice();
    void outputChoice();
    void optionButtonsSetIndexAndText_data();
    void optionButtonsSetIndexAndText();
    void freeOptionFollowsTheField();
    void typedFreeOptionIsLostWithoutARun();
    void enterOutsideAButtonEndsTheDialogWithoutSaving();
    void enterOnAButtonPressesIt();
    void helpAndAboutChangeNothing();
};

void DialogChoicesTest::inputChoice() {
    LauncherBench bench;
    const QString first = bench.MakeFile(QStringLiteral("first.gdb"));
    const QString second = bench.MakeFile(QStringLiteral("second"));
    const auto dialog = bench.Open();

    // Cancelled, then a name that does not exist: nothing changes.
    bench.chooser.openAnswer.clear();
    Click(*dialog, CParseDlg::kIdInputFile);
    bench.chooser.openAnswer = bench.DataPath(QStringLiteral("missing.gdb"));
    Click(*dialog, CParseDlg::kIdInputFile);
    QCOMPARE(bench.chooser.openCalls, 2);
    QVERIFY(!Enabled(*dialog, 1004));
    QCOMPARE(dialog->InputPath(), QString());
    QCOMPARE(Edit(*dialog, 1014)->text(), QString());

    // An existing file: shown in full, Output File enabled, Run still not.
    bench.chooser.openAnswer = first;
    Click(*dialog, CParseDlg::kIdInputFile);
    QCOMPARE(dialog->InputPath(), first);
    QCOMPARE(Edit(*dialog, 1014)->text(), first);
    QVERIFY(Enabled(*dialog, 1004));
    QVERIFY(!Enabled(*dialog, 1010));

    // A missing name after a good choice keeps the good one.
    bench.chooser.openAnswer = bench.DataPath(QStringLiteral("gone.gdb"));
    Click(*dialog, CParseDlg::kIdInputFile);
    QCOMPARE(dialog->InputPath(), first);
    QCOMPARE(Edit(*dialog, 1014)->text(), first);
    QVERIFY(Enabled(*dialog, 1004));

    // A new input (any extension) replaces the path; output and Run are left as they are.
    bench.chooser.saveAnswer = bench.DataPath(QStringLiteral("out.gdb"));
    Click(*dialog, CParseDlg::kIdOutputFile);
    bench.chooser.openAnswer = second;
    Click(*dialog, CParseDlg::kIdInputFile);
    QCOMPARE(dialog->InputPath(), second);
    QCOMPARE(Edit(*dialog, 1014)->text(), second);
    QCOMPARE(dialog->OutputPath(), bench.DataPath(QStringLiteral("out.gdb")));
    QVERIFY(Enabled(*dialog, 1010));
}

void DialogChoicesTest::outputChoice() {
    LauncherBench bench;
    const QString input = bench.MakeFile(QStringLiteral("in.gdb"));
    const auto dialog = bench.Open();

    // Output File is disabled until an input has been chosen.
    Click(*dialog, CParseDlg::kIdOutputFile);
    QCOMPARE(bench.chooser.saveCalls, 0);

    bench.chooser.openAnswer = input;
    Click(*dialog, CParseDlg::kIdInputFile);
    bench.chooser.saveAnswer.clear();
    Click(*dialog, CParseDlg::kIdOutputFile);
    QCOMPARE(bench.chooser.saveCalls, 1);
    QVERIFY(!Enabled(*dialog, 1010));
    QCOMPARE(dialog->OutputPath(), QString());

    const QString output = bench.DataPath(QStringLiteral("new file.gdb"));
    bench.chooser.saveAnswer = output;
    Click(*dialog, CParseDlg::kIdOutputFile);
    QCOMPARE(dialog->OutputPath(), output);
    QCOMPARE(Edit(*dialog, 1015)->text(), output);
    QVERIFY(Enabled(*dialog, 1010));
    QVERIFY(!QFile::exists(output)); // chosen, not created

    // Cancelling a later choice keeps the earlier path and Run.
    bench.chooser.saveAnswer.clear();
    Click(*dialog, CParseDlg::kIdOutputFile);
    QCOMPARE(dialog->OutputPath(), output);
    QCOMPARE(Edit(*dialog, 1015)->text(), output);
    QVERIFY(Enabled(*dialog, 1010));
}

void DialogChoicesTest::optionButtonsSetIndexAndText_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("option");

    QTest::newRow("-R") << 1005 << 0 << "-R";
    QTest::newRow("-S") << 1006 << 1 << "-S";
    QTest::newRow("-T") << 1007 << 2 << "-T";
    QTest::newRow("-U") << 1008 << 3 << "-U";
    QTest::newRow("-V") << 1009 << 4 << "-V";
    QTest::newRow("-W") << 1011 << 5 << "-W";
    QTest::newRow("free option") << 1012 << 6 << "-x y";
}

void DialogChoicesTest::optionButtonsSetIndexAndText() {
    QFETCH(int, id);
    QFETCH(int, index);
    QFETCH(QString, option);

    LauncherBench bench;
    bench.Store(6, QStringLiteral("-x y"));
    const auto dialog = bench.Open();
    // Leave the free option first, so that every row changes the selection.
    Click(*dialog, id == 1005 ? 1006 : 1005);
    Click(*dialog, id);
    QCOMPARE(dialog->SelectedIndex(), index);
    QCOMPARE(dialog->OptionText(), option);
    QCOMPARE(Enabled(*dialog, 1013), index == 6);
    QCOMPARE(Edit(*dialog, 1013)->text(), QStringLiteral("-x y")); // the field keeps its text
}

void DialogChoicesTest::freeOptionFollowsTheField() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    Click(*dialog, 1012);
    QVERIFY(Enabled(*dialog, 1013));
    QCOMPARE(dialog->OptionText(), QString());

    QLineEdit* field = Edit(*dialog, 1013);
    QTest::keyClicks(field, QStringLiteral("-V x"));
    QCOMPARE(dialog->OptionText(), QStringLiteral("-V x"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-V"));

    // Back to a fixed option and again to the free one: the field's text is taken again.
    Click(*dialog, 1008);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-U"));
    Click(*dialog, 1012);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-V"));
}

void DialogChoicesTest::typedFreeOptionIsLostWithoutARun() {
    LauncherBench bench;
    bench.Store(6, QStringLiteral("-u"));
    {
        const auto dialog = bench.Open();
        Edit(*dialog, 1013)->setText(QStringLiteral("-w"));
        QCOMPARE(dialog->OptionText(), QStringLiteral("-w"));
        Click(*dialog, 1009);
        QCOMPARE(dialog->OptionText(), QStringLiteral("-V"));
        dialog->close();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
    }
    QCOMPARE(bench.StoredRadio().toInt(), 6);
    QCOMPARE(bench.StoredOther().toString(), QStringLiteral("-u"));

    const auto again = bench.Open();
    QCOMPARE(again->SelectedIndex(), 6);
    QCOMPARE(Edit(*again, 1013)->text(), QStringLiteral("-u"));
}

void DialogChoicesTest::enterOutsideAButtonEndsTheDialogWithoutSaving() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    Click(*dialog, 1012);
    QLineEdit* field = Edit(*dialog, 1013);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("-s"));
    QTest::keyClick(field, Qt::Key_Return);

    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(!bench.StoredRadio().isValid());
    QVERIFY(!bench.StoredOther().isValid());

    // Escape ends it as Cancel does.
    const auto second = bench.Open();
    QTest::keyClick(second.get(), Qt::Key_Escape);
    QVERIFY(!second->isVisible());
    QCOMPARE(second->result(), int(QDialog::Rejected));
}

void DialogChoicesTest::enterOnAButtonPressesIt() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    QApplication::setActiveWindow(dialog.get());
    QWidget* help = dialog->GetDlgItem(CParseDlg::kIdHelp);
    help->setFocus();
    ModalWatcher watcher;
    QTest::keyClick(help, Qt::Key_Return);

    QCOMPARE(watcher.seen.size(), 1);
    QCOMPARE(watcher.seen.first().icon, QMessageBox::Information);
    QVERIFY(dialog->isVisible());
}

void DialogChoicesTest::helpAndAboutChangeNothing() {
    LauncherBench bench;
    const QString input = bench.MakeFile(QStringLiteral("in.gdb"));
    const auto dialog = bench.Open();
    bench.ChooseFiles(*dialog, input, bench.DataPath(QStringLiteral("out.gdb")));
    Click(*dialog, 1011);

    ModalWatcher watcher;
    Click(*dialog, CParseDlg::kIdHelp);
    Click(*dialog, CParseDlg::kIdAbout);
    QCOMPARE(watcher.seen.size(), 2);

    const SeenModal& help = watcher.seen[0];
    QCOMPARE(help.title, QStringLiteral("runkorvix"));
    QCOMPARE(help.icon, QMessageBox::Information);
    QCOMPARE(help.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(help.text, QStringLiteral("1. Select Input File.\n"
                                       "2. Select Output File.\n"
                                       "3. Select the file conversion option.\n"
                                       "4. Click the \"Run Korvix\" button.\n"));

    const SeenModal& about = watcher.seen[1];
    QCOMPARE(about.className, QStringLiteral("CAboutDlg"));
    QCOMPARE(about.title, QStringLiteral("About RunKorvix"));
    QVERIFY(about.labels.contains(QStringLiteral("Run Korvix Version 1.0")));

    QCOMPARE(dialog->InputPath(), input);
    QCOMPARE(dialog->OutputPath(), bench.DataPath(QStringLiteral("out.gdb")));
    QCOMPARE(dialog->SelectedIndex(), 5);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-W"));
    QVERIFY(Enabled(*dialog, 1010));
    QVERIFY(!bench.StoredRadio().isValid());
}

QTEST_MAIN(DialogChoicesTest)
#include "test_dialog_choices.moc"
