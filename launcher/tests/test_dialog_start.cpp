// The main dialog as it starts: stored settings, the converter's place, the controls.

#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "TestSupport.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

namespace {

using Id = CParseDlg::ControlId;
const QList<Id> kIds = {
    CParseDlg::kIdInputFile,   CParseDlg::kIdOutputFile, CParseDlg::kIdRadioR,
    CParseDlg::kIdRadioS,      CParseDlg::kIdRadioT,     CParseDlg::kIdRadioU,
    CParseDlg::kIdRadioV,      CParseDlg::kIdRun,        CParseDlg::kIdRadioW,
    CParseDlg::kIdRadioOther,  CParseDlg::kIdOther,      CParseDlg::kIdInputPath,
    CParseDlg::kIdOutputPath,  CParseDlg::kIdAbout,      CParseDlg::kIdHelp,
    CParseDlg::kIdLimitPoints, CParseDlg::kIdPoints,     CParseDlg::kIdLimitTolerance,
    CParseDlg::kIdTolerance,   CParseDlg::kIdSplit,      CParseDlg::kIdFit,
    CParseDlg::kIdWaypoints,   CParseDlg::kIdInputNote,  CParseDlg::kIdOutputNote,
    CParseDlg::kIdShowRun};

// The dialog's state as the user sees it: the index of the checked option button, option text,
// free option field text, and which of Output File, Run and the field are enabled.
QString State(const CParseDlg& d) {
    const auto* field = qobject_cast<QLineEdit*>(d.GetDlgItem(CParseDlg::kIdOther));
    const int checked =
        qobject_cast<QAbstractButton*>(d.GetDlgItem(CParseDlg::kIdRadioR))->group()->checkedId();
    return QStringLiteral("%1 %2 [%3] %4%5%6")
        .arg(checked)
        .arg(d.OptionText(), field->text())
        .arg(d.GetDlgItem(CParseDlg::kIdOutputFile)->isEnabled())
        .arg(d.GetDlgItem(CParseDlg::kIdRun)->isEnabled())
        .arg(field->isEnabled());
}

} // namespace

class DialogStartTest : public QObject {
    Q_OBJECT
private slots:
    void firstStart();
    void storedSettings_data();
    void storedSettings();
    void converterBesideTheLauncher();
    void templateControls();
    void captionsWholeAndNoOverlap();
    void dialogUnits();
};

void DialogStartTest::firstStart() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    QVERIFY(dialog->isVisible());
    QCOMPARE(State(*dialog), QStringLiteral("2 -T [] 000"));
    QCOMPARE(dialog->SelectedIndex(), 2);
    QCOMPARE(dialog->focusWidget(), dialog->GetDlgItem(CParseDlg::kIdInputFile));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Run Korvix"));
    QVERIFY(!dialog->windowIcon().isNull());
    dialog->close();
    QVERIFY(!bench.Stored("Radio").isValid() && !bench.Stored("Other").isValid());
}

void DialogStartTest::storedSettings_data() {
    QTest::addColumn<int>("radio");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("state");
    QTest::newRow("free option -u") << 6 << "-u"
                                    << "6 -u [-u] 001";
    QTest::newRow("-S, free option -u kept in the field") << 1 << "-u"
                                                          << "1 -S [-u] 000";
    QTest::newRow("-W") << 5 << ""
                        << "5 -W [] 000";
    QTest::newRow("index past the buttons counts as -T") << 7 << "-u"
                                                         << "2 -T [-u] 000";
    QTest::newRow("negative index counts as -T") << -1 << ""
                                                 << "2 -T [] 000";
}

void DialogStartTest::storedSettings() {
    QFETCH(int, radio);
    QFETCH(QString, other);
    QFETCH(QString, state);
    LauncherBench bench;
    bench.Store(radio, other);
    QCOMPARE(State(*bench.Open()), state);
}

void DialogStartTest::converterBesideTheLauncher() {
    // Only the launcher's folder counts, not its file name.
    LauncherBench present;
    const auto found = present.Open(present.Path(QStringLiteral("launch-it.bin")));
    QVERIFY(found->isVisible());
    const QString dir = QDir::toNativeSeparators(present.Folder()) + QDir::separator();
    QCOMPARE(found->ConverterDir(), dir);
    QCOMPARE(found->ConverterPath(), dir + ConverterFileName());

    // Missing: the message, then the dialog ends, writing nothing (index 9 would become 2).
    LauncherBench missing(false);
    QDir(missing.Folder()).mkdir(QStringLiteral("sub"));
    QFile::copy(QStringLiteral(FAKE_KORVIX_PATH),
                missing.Path(QStringLiteral("sub/") + ConverterFileName()));
    missing.Store(9, QStringLiteral("-u"));
    ModalWatcher watcher;
    const auto ended = missing.Open();
    QVERIFY(!ended->isVisible());
    QCOMPARE(ended->result(), int(QDialog::Rejected));
    QCOMPARE(watcher.seen.size(), 1);
    const SeenModal& message = watcher.seen[0];
    QCOMPARE(message.title, QStringLiteral("runkorvix"));
    QCOMPARE(message.icon, QMessageBox::Critical);
    QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
#ifdef _WIN32
    const QString converter = "korvix.exe", launcher = "runkorvix.exe";
#else
    const QString converter = "korvix", launcher = "runkorvix";
#endif
    QCOMPARE(message.text, QStringLiteral("Bummer. Could not locate the \"%1\" application!\n\n"
                                          "Be sure that \"%2\" is in the same directory\n"
                                          "as \"%1\".\n\nCannot continue.")
                               .arg(converter, launcher));
    QCOMPARE(missing.Stored("Radio").toInt(), 9);
    QCOMPARE(missing.Stored("Other").toString(), QStringLiteral("-u"));
}

void DialogStartTest::templateControls() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    // Id, kind and caption of every control with an id.
    QStringList controls;
    for (const Id id : kIds) {
        if (const QWidget* control = dialog->GetDlgItem(id)) {
            const auto* button = qobject_cast<const QAbstractButton*>(control);
            const auto* edit = qobject_cast<const QLineEdit*>(control);
            const QString what = button  ? button->text()
                                 : !edit ? "note"
                                 : edit->isReadOnly() && edit->alignment() & Qt::AlignHCenter
                                     ? "path"
                                     : "field";
            controls << QStringLiteral("%1 %2 %3")
                            .arg(id)
                            .arg(QString::fromLatin1(control->metaObject()->className()), what);
        }
    }
    QCOMPARE(controls,
             (QStringList{"1002 QPushButton Input File",
                          "1004 QPushButton Output File",
                          "1005 QRadioButton -R",
                          "1006 QRadioButton -S",
                          "1007 QRadioButton -T",
                          "1008 QRadioButton -U",
                          "1009 QRadioButton -V",
                          "1010 QPushButton Run Korvix",
                          "1011 QRadioButton -W",
                          "1012 QRadioButton ",
                          "1013 QLineEdit field",
                          "1014 QLineEdit path",
                          "1015 QLineEdit path",
                          "1016 QPushButton About",
                          "1017 QPushButton Help",
                          "1018 QCheckBox Point limit:",
                          "1019 QLineEdit field",
                          "1020 QCheckBox Tolerance:",
                          "1021 QLineEdit field",
                          "1022 QCheckBox Split into parts instead of leaving points out.",
                          "1025 QCheckBox Fit every track into",
                          "1026 QLineEdit field",
                          "1023 QLabel note",
                          "1024 QLabel note",
                          "1029 QPushButton Show last run"}));

    // Tab from Input File once round the dialog: the option group entered at its selected
    // option, -T, the disabled controls passed over; Shift+Tab back.
    const auto focusedId = [&] {
        const auto id = std::find_if(kIds.begin(), kIds.end(), [&](Id named) {
            return dialog->GetDlgItem(named) == dialog->focusWidget();
        });
        return id != kIds.end() ? int(*id) : -1;
    };
    QList<int> tabStops;
    dialog->GetDlgItem(CParseDlg::kIdInputFile)->setFocus();
    for (int step = 0; step < 9; ++step) {
        QTest::keyClick(dialog->focusWidget(), step < 8 ? Qt::Key_Tab : Qt::Key_Backtab);
        tabStops << focusedId();
    }
    QCOMPARE(tabStops, (QList<int>{1007, 1014, 1015, 1016, 1017, 1018, 1020, 1002, 1020}));

    // One exclusive group of the seven option buttons, ids 0 to 6.
    QButtonGroup* group =
        qobject_cast<QAbstractButton*>(dialog->GetDlgItem(CParseDlg::kIdRadioR))->group();
    QVERIFY(group->exclusive());
    QCOMPARE(group->buttons().size(), 7);
    for (int index = 0; index < 7; ++index) {
        QCOMPARE(group->button(index), dialog->GetDlgItem(CParseDlg::kOptionIds[index]));
    }
}

void DialogStartTest::captionsWholeAndNoOverlap() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const QList<QGroupBox*> groups = dialog->findChildren<QGroupBox*>();
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups[0]->title() + '|' + groups[1]->title(),
             QStringLiteral("Options|Routes and tracks made"));
    QCOMPARE(controls.size(), 38);
    for (const QWidget* a : controls) {
        if (!a->isVisibleTo(dialog.get())) { // the progress bar, in the place of a line
            continue;
        }
        QVERIFY(dialog->rect().contains(a->geometry()));
        if (const auto* label = qobject_cast<const QLabel*>(a)) {
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
        }
        for (const QWidget* b : controls) {
            if (!b->isVisibleTo(dialog.get())) {
                continue;
            }
            const bool group = groups.contains(a) || groups.contains(b);
            QVERIFY2(a == b || group || !a->geometry().intersects(b->geometry()),
                     a->metaObject()->className());
        }
    }
    // Every option button inside the first frame, every limit inside the second, the buttons as
    // large as they need.
    QList<std::pair<Id, QGroupBox*>> framed;
    for (const Id id : CParseDlg::kOptionIds) {
        framed.append({id, groups[0]});
    }
    for (const Id id : {CParseDlg::kIdLimitPoints, CParseDlg::kIdPoints,
                        CParseDlg::kIdLimitTolerance, CParseDlg::kIdTolerance, CParseDlg::kIdSplit,
                        CParseDlg::kIdFit, CParseDlg::kIdWaypoints}) {
        framed.append({id, groups[1]});
    }
    for (const auto& [id, group] : framed) {
        const QWidget* control = dialog->GetDlgItem(id);
        QVERIFY(group->geometry().contains(control->geometry()));
        QVERIFY2(!qobject_cast<const QAbstractButton*>(control) ||
                     (control->width() >= control->sizeHint().width() &&
                      control->height() >= control->sizeHint().height()),
                 qPrintable(QString::number(id)));
    }
}

void DialogStartTest::dialogUnits() {
    // The template font's base units, 6 by 13: halves round up, position and size apart.
    const DialogUnits units(6, 13);
    QCOMPARE(units.Rect(20, 14, 50, 14), QRect(30, 23, 75, 23));
    QCOMPARE(units.Rect(45, 73, 23, 10), QRect(68, 119, 35, 16));
    QCOMPARE(units.Size(255, 205), QSize(383, 333));

    QFont large = QApplication::font();
    large.setPointSize(16);
    const DialogUnits normal = DialogUnits::ForFont(QApplication::font());
    QVERIFY(normal.BaseX() > 0 && normal.BaseY() > normal.BaseX());
    QVERIFY(DialogUnits::ForFont(large).BaseX() > normal.BaseX());
}

QTEST_MAIN(DialogStartTest)
#include "test_dialog_start.moc"
