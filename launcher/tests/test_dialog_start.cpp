// The main dialog as it starts: stored settings, the converter's place, the controls.

#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "Platform.h"
#include "TestSupport.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

QAbstractButton* Button(const CParseDlg& dialog, int id) {
    return qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id));
}
QLineEdit* Edit(const CParseDlg& dialog, int id) {
    return qobject_cast<QLineEdit*>(dialog.GetDlgItem(id));
}

// Ids of the checked option buttons.
QList<int> CheckedOptions(const CParseDlg& dialog) {
    QList<int> checked;
    for (int id : {1005, 1006, 1007, 1008, 1009, 1011, 1012}) {
        if (Button(dialog, id)->isChecked()) {
            checked.append(id);
        }
    }
    return checked;
}

} // namespace

class DialogStartTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartSelectsDefaultOption();
    void storedSettingsAreRestored_data();
    void storedSettingsAreRestored();
    void converterIsLookedForBesideTheLauncher_data();
    void converterIsLookedForBesideTheLauncher();
    void missingConverterEndsTheDialog();
    void controlsFollowTheTemplate_data();
    void controlsFollowTheTemplate();
    void tabOrderAndOptionGroup();
    void captionsAreShownWholeAndControlsDoNotOverlap();
    void dialogUnitsRoundToNearestPixel();
};

void DialogStartTest::firstStartSelectsDefaultOption() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    QVERIFY(dialog->isVisible());

    QCOMPARE(CheckedOptions(*dialog), QList<int>{1007});
    QCOMPARE(dialog->SelectedIndex(), 2);
    QCOMPARE(dialog->OptionText(), QStringLiteral("-T"));
    QCOMPARE(Edit(*dialog, 1013)->text(), QString());
    QVERIFY(!Edit(*dialog, 1013)->isEnabled());
    QVERIFY(Button(*dialog, 1002)->isEnabled());
    QVERIFY(!Button(*dialog, 1004)->isEnabled());
    QVERIFY(!Button(*dialog, 1010)->isEnabled());
    QCOMPARE(Edit(*dialog, 1014)->text(), QString());
    QCOMPARE(Edit(*dialog, 1015)->text(), QString());
    QCOMPARE(dialog->focusWidget(), dialog->GetDlgItem(1002));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Run Korvix"));
    QVERIFY(!dialog->windowIcon().isNull());

    // Starting (and closing) writes nothing.
    dialog->close();
    QVERIFY(!bench.StoredRadio().isValid());
    QVERIFY(!bench.StoredOther().isValid());
}

void DialogStartTest::storedSettingsAreRestored_data() {
    QTest::addColumn<int>("storedRadio");
    QTest::addColumn<QString>("storedOther");
    QTest::addColumn<int>("checkedId");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("fieldEnabled");

    QTest::newRow("free option -u") << 6 << "-u" << 1012 << 6 << "-u" << true;
    QTest::newRow("-S with a stored free option") << 1 << "-u" << 1006 << 1 << "-S" << false;
    QTest::newRow("-R") << 0 << "" << 1005 << 0 << "-R" << false;
    QTest::newRow("-W") << 5 << "-v x" << 1011 << 5 << "-W" << false;
    QTest::newRow("free option, empty") << 6 << "" << 1012 << 6 << "" << true;
    QTest::newRow("index above the buttons") << 7 << "-u" << 1007 << 2 << "-T" << false;
    QTest::newRow("negative index") << -1 << "-u" << 1007 << 2 << "-T" << false;
}

void DialogStartTest::storedSettingsAreRestored() {
    QFETCH(int, storedRadio);
    QFETCH(QString, storedOther);
    QFETCH(int, checkedId);
    QFETCH(int, index);
    QFETCH(QString, option);
    QFETCH(bool, fieldEnabled);

    LauncherBench bench;
    bench.Store(storedRadio, storedOther);
    const auto dialog = bench.Open();

    QCOMPARE(CheckedOptions(*dialog), QList<int>{checkedId});
    QCOMPARE(dialog->SelectedIndex(), index);
    QCOMPARE(dialog->OptionText(), option);
    // The field shows the stored free option text whichever option is selected.
    QCOMPARE(Edit(*dialog, 1013)->text(), storedOther);
    QCOMPARE(Edit(*dialog, 1013)->isEnabled(), fieldEnabled);
}

void DialogStartTest::converterIsLookedForBesideTheLauncher_data() {
    QTest::addColumn<QString>("launcherName");
    QTest::addColumn<QString>("converterPlace");
    QTest::addColumn<bool>("found");

    QTest::newRow("beside the launcher") << "runkorvix"
                                         << "." << true;
    QTest::newRow("launcher under another name") << "launch-it.bin"
                                                 << "." << true;
    QTest::newRow("only in a sub folder") << "runkorvix"
                                          << "sub" << false;
}

void DialogStartTest::converterIsLookedForBesideTheLauncher() {
    QFETCH(QString, launcherName);
    QFETCH(QString, converterPlace);
    QFETCH(bool, found);

    LauncherBench bench(LauncherBench::Converter::None);
    const QDir folder(bench.Folder());
    folder.mkdir(QStringLiteral("sub"));
    const QString converter =
        folder.filePath(converterPlace + QLatin1Char('/') + platform::ConverterFileName());
    QVERIFY(QFile::copy(QStringLiteral(FAKE_KORVIX_PATH), converter));

    ModalWatcher watcher;
    FakeFileChooser chooser;
    QSettings store(folder.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    CLauncherSettings settings(store);
    CParseDlg dialog(settings, chooser, folder.filePath(launcherName));
    QCOMPARE(dialog.OnInitDialog(), found);
    QCOMPARE(watcher.seen.size(), found ? 0 : 1);

    const QString expectedDir = QDir::toNativeSeparators(bench.Folder()) + QDir::separator();
    QCOMPARE(dialog.ConverterDir(), expectedDir);
    QCOMPARE(dialog.ConverterPath(), expectedDir + platform::ConverterFileName());
}

void DialogStartTest::missingConverterEndsTheDialog() {
    LauncherBench bench(LauncherBench::Converter::None);
    // An index that names no button: the start would write back another one if it wrote.
    bench.Store(9, "-u");
    ModalWatcher watcher;
    const auto dialog = bench.Open();

    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(watcher.seen.size(), 1);
    const SeenModal& message = watcher.seen.first();
    QCOMPARE(message.title, QStringLiteral("runkorvix"));
    QCOMPARE(message.icon, QMessageBox::Critical);
    QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
#ifdef _WIN32
    const QString converter = QStringLiteral("korvix.exe");
    const QString launcher = QStringLiteral("runkorvix.exe");
#else
    const QString converter = QStringLiteral("korvix");
    const QString launcher = QStringLiteral("runkorvix");
#endif
    QCOMPARE(message.text, QStringLiteral("Bummer. Could not locate the \"%1\" application!\n\n"
                                          "Be sure that \"%2\" is in the same directory\n"
                                          "as \"%1\".\n\n"
                                          "Cannot continue.")
                               .arg(converter, launcher));
    // Nothing is written.
    QCOMPARE(bench.StoredRadio().toInt(), 9);
    QCOMPARE(bench.StoredOther().toString(), QStringLiteral("-u"));
}

void DialogStartTest::controlsFollowTheTemplate_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");

    QTest::newRow("Input File") << 1002 << "QPushButton"
                                << "Input File";
    QTest::newRow("Output File") << 1004 << "QPushButton"
                                 << "Output File";
    QTest::newRow("-R") << 1005 << "QRadioButton"
                        << "-R";
    QTest::newRow("-S") << 1006 << "QRadioButton"
                        << "-S";
    QTest::newRow("-T") << 1007 << "QRadioButton"
                        << "-T";
    QTest::newRow("-U") << 1008 << "QRadioButton"
                        << "-U";
    QTest::newRow("-V") << 1009 << "QRadioButton"
                        << "-V";
    QTest::newRow("Run") << 1010 << "QPushButton"
                         << "Run Korvix";
    QTest::newRow("-W") << 1011 << "QRadioButton"
                        << "-W";
    QTest::newRow("free option button") << 1012 << "QRadioButton"
                                        << "";
    QTest::newRow("free option field") << 1013 << "QLineEdit"
                                       << "";
    QTest::newRow("input path") << 1014 << "QLineEdit"
                                << "";
    QTest::newRow("output path") << 1015 << "QLineEdit"
                                 << "";
    QTest::newRow("About") << 1016 << "QPushButton"
                           << "About";
    QTest::newRow("Help") << 1017 << "QPushButton"
                          << "Help";
}

void DialogStartTest::controlsFollowTheTemplate() {
    QFETCH(int, id);
    QFETCH(QString, kind);
    QFETCH(QString, caption);

    LauncherBench bench;
    const auto dialog = bench.Open();
    QWidget* control = dialog->GetDlgItem(id);
    QVERIFY(control != nullptr);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QCOMPARE(button->text(), caption);
    }
    if (id == 1014 || id == 1015) {
        auto* path = qobject_cast<QLineEdit*>(control);
        QVERIFY(path->isReadOnly());
        QCOMPARE(path->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }
    if (id == 1013) {
        QVERIFY(!qobject_cast<QLineEdit*>(control)->isReadOnly());
    }
}

void DialogStartTest::tabOrderAndOptionGroup() {
    LauncherBench bench;
    const auto dialog = bench.Open();

    // Walk the focus chain once round, from the Input File button.
    QList<int> tabStops;
    QWidget* widget = dialog->GetDlgItem(1002);
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
            widget->property(kControlIdProperty).isValid()) {
            tabStops.append(widget->property(kControlIdProperty).toInt());
        }
        widget = widget->nextInFocusChain();
    } while (widget != dialog->GetDlgItem(1002));
    QCOMPARE(tabStops, (QList<int>{1002, 1004, 1010, 1013, 1014, 1015, 1016, 1017}));

    // The seven option buttons are one exclusive group, ids 0 to 6 in index order.
    const QList<int> buttonIds = {1005, 1006, 1007, 1008, 1009, 1011, 1012};
    QButtonGroup* group = qobject_cast<QAbstractButton*>(dialog->GetDlgItem(1005))->group();
    QVERIFY(group != nullptr);
    QVERIFY(group->exclusive());
    QCOMPARE(group->buttons().size(), 7);
    for (int index = 0; index < buttonIds.size(); ++index) {
        QCOMPARE(group->button(index), dialog->GetDlgItem(buttonIds[index]));
    }
    qobject_cast<QAbstractButton*>(dialog->GetDlgItem(1009))->click();
    QCOMPARE(CheckedOptions(*dialog), QList<int>{1009});
}

void DialogStartTest::captionsAreShownWholeAndControlsDoNotOverlap() {
    LauncherBench bench;
    const auto dialog = bench.Open();
    const QRect client = dialog->rect();

    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QVERIFY(controls.size() >= 23);
    for (const QWidget* control : controls) {
        QVERIFY2(client.contains(control->geometry()), control->metaObject()->className());
        if (auto* label = qobject_cast<const QLabel*>(control)) {
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
        }
        if (qobject_cast<const QGroupBox*>(control)) {
            continue;
        }
        for (const QWidget* other : controls) {
            if (other == control || qobject_cast<const QGroupBox*>(other)) {
                continue;
            }
            QVERIFY2(!control->geometry().intersects(other->geometry()),
                     qPrintable(QStringLiteral("%1 overlaps %2")
                                    .arg(control->property(kControlIdProperty).toInt())
                                    .arg(other->property(kControlIdProperty).toInt())));
        }
    }
    // The option buttons and their labels lie inside the "Options" box.
    const QGroupBox* options = dialog->findChild<QGroupBox*>();
    QCOMPARE(options->title(), QStringLiteral("Options"));
    for (int id : {1005, 1006, 1007, 1008, 1009, 1011, 1012, 1013}) {
        QVERIFY(options->geometry().contains(dialog->GetDlgItem(id)->geometry()));
    }
}

void DialogStartTest::dialogUnitsRoundToNearestPixel() {
    // Base units 6 by 13, the template font's: 1 unit across is 1.5 pixels, down 1.625.
    const DialogUnits units(6, 13);
    QCOMPARE(units.X(1), 2);
    QCOMPARE(units.Y(1), 2);
    QCOMPARE(units.Y(3), 5);
    QCOMPARE(units.Rect(20, 14, 50, 14), QRect(30, 23, 75, 23));
    QCOMPARE(units.Size(255, 205), QSize(383, 333));
    // Position and size are rounded apart: the right edge is not rounded again.
    QCOMPARE(units.Rect(45, 73, 23, 10), QRect(68, 119, 35, 16));

    // Measured units follow the font: a larger font gives larger units.
    QFont small = DialogFont();
    QFont large = DialogFont();
    large.setPointSize(16);
    const DialogUnits smallUnits = DialogUnits::ForFont(small);
    const DialogUnits largeUnits = DialogUnits::ForFont(large);
    QVERIFY(smallUnits.BaseX() > 0 && smallUnits.BaseY() > 0);
    QVERIFY(largeUnits.BaseX() > smallUnits.BaseX());
    QVERIFY(largeUnits.BaseY() > smallUnits.BaseY());
}

QTEST_MAIN(DialogStartTest)
#include "test_dialog_start.moc"
