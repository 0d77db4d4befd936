#pragma once
// Shared by the launcher's tests: a launcher folder with settings of its own, a file chooser the
// test answers, and a watcher that records and closes message boxes and dialogs.

#include "ConverterProcess.h"
#include "FileChooser.h"
#include "GdbTestFiles.h"
#include "ParseDlg.h"
#include "QtSettingsStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>
#include <memory>

// The header of a GDB file, and a record appended to one: a 32-bit little-endian body length,
// the type letter and the body.
inline QByteArray GdbHeader() {
    return QByteArray::fromStdString(gdbtest::GdbHeader());
}
inline void AppendRecord(QByteArray& gdb, char type, const QByteArray& body) {
    gdb.append(QByteArray::fromStdString(gdbtest::Record(type, body.toStdString())));
}

// A GDB file of waypoints with the names `waypoints` and of `tracks` tracks of two points, each
// named "track".
inline QByteArray GdbFile(const QList<QByteArray>& waypoints, int tracks) {
    QByteArray gdb = GdbHeader();
    for (const QByteArray& name : waypoints) {
        AppendRecord(gdb, 'W', name + QByteArray(1, '\0'));
    }
    for (int track = 0; track < tracks; ++track) {
        gdb.append(QByteArray::fromStdString(gdbtest::TwoPointTrack()));
    }
    AppendRecord(gdb, 'V', QByteArray("\0\x01", 2));
    return gdb;
}

class FakeFileChooser : public IFileChooser {
public:
    QByteArray openAnswer, saveAnswer; // the system's bytes of a name; empty: the user cancels
    int openCalls = 0, saveCalls = 0;
    QString openFolder, saveFolder; // where the last choosers started
    bool savedGpx = false;          // whether the last save chooser asked for a GPX file
    QByteArray ChooseOpen(const QString& folder) override {
        openFolder = folder;
        return ++openCalls, openAnswer;
    }
    QByteArray ChooseSave(const QString& folder, bool gpx) override {
        saveFolder = folder;
        savedGpx = gpx;
        return ++saveCalls, saveAnswer;
    }
};

inline QString ConverterFileName() {
    return QString::fromStdString(runkorvix::ConverterFileName());
}
inline QString LauncherFileName() {
    return QString::fromStdString(runkorvix::LauncherFileName());
}

// What a modal window showed: class, title, then a message box's text or a dialog's labels; of
// a file chooser its modes, default suffix and folder.
struct SeenModal {
    QString className, title, text, folder;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QStringList extraButtons; // a message box's buttons of its own, by caption
    int fileMode = -1, acceptMode = -1;
    bool wholeInSight = false; // a message box: its text all shown, the box within its screen
};

// While it lives, records every modal window that opens and closes it (OK, or Cancel); a file
// chooser chooses `chosenFile` when it is set, else it is cancelled too.
class ModalWatcher {
public:
    QList<SeenModal> seen;
    QString chosenFile;
    ModalWatcher() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(5);
    }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) {
            return;
        }
        // Read at the next turn, once the window has been laid out as shown.
        if (modal != m_shown) {
            m_shown = modal;
            return;
        }
        m_shown = nullptr;
        SeenModal s;
        s.className = QString::fromLatin1(modal->metaObject()->className());
        s.title = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            s.text = box->text();
            s.icon = box->icon();
            s.buttons = box->standardButtons();
            for (const QAbstractButton* button : box->buttons()) {
                if (box->standardButton(const_cast<QAbstractButton*>(button)) ==
                    QMessageBox::NoButton) {
                    s.extraButtons << button->text();
                }
            }
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            s.wholeInSight =
                label != nullptr && label->text() == box->text() &&
                label->heightForWidth(label->width()) <= label->height() &&
                box->frameGeometry().height() <= box->screen()->availableGeometry().height();
        } else if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
            s.fileMode = chooser->fileMode();
            s.acceptMode = chooser->acceptMode();
            s.folder = chooser->directory().absolutePath();
            s.text = chooser->defaultSuffix() + QLatin1Char(' ') + chooser->nameFilters().join('|');
        } else {
            for (const QLabel* label : modal->findChildren<QLabel*>()) {
                s.text += label->text() + QLatin1Char('\n');
            }
        }
        seen.append(s);
        if (auto* chooser = qobject_cast<QFileDialog*>(modal); chooser && !chosenFile.isEmpty()) {
            if (QWidget* focus = chooser->focusWidget()) {
                focus->clearFocus(); // the name field in focus would not take the selected name
            }
            chooser->selectFile(chosenFile);
            static_cast<QDialog*>(chooser)->accept(); // QFileDialog's own, which checks the name
            return;
        }
        qobject_cast<QDialog*>(modal)->reject();
    }
    QTimer m_timer;
    QWidget* m_shown = nullptr;
};

// A launcher folder: the launcher's place, the fake converter beside it (unless none is
// wanted), settings in a file there, and a data folder with a blank in its name.
class LauncherBench {
public:
    FakeFileChooser chooser;

    explicit LauncherBench(bool withConverter = true)
        : m_store(Path(QStringLiteral("settings.ini")), QSettings::IniFormat),
          m_settingsStore(m_store), m_settings(m_settingsStore) {
        QDir(m_dir.path()).mkdir(QStringLiteral("my maps"));
        if (withConverter) {
            QFile::copy(QStringLiteral(FAKE_KORVIX_PATH), ConverterPath());
        }
        qputenv("RUNKORVIX_TEST_LOG", Path(QStringLiteral("converter.log")).toLocal8Bit());
        Converter();
    }
    // What the fake converter prints, its exit status ("signal": killed), how long it sleeps
    // before it ends and what it does when asked to stop ("log", "ignore"; fake_korvix.cpp); by
    // default a quiet, quick and successful run.
    static void Converter(const QByteArray& print = {}, const QByteArray& exit = "0",
                          int sleepMs = 0, const QByteArray& onStop = {}) {
        qputenv("RUNKORVIX_TEST_ON_STOP", onStop);
        qputenv("RUNKORVIX_TEST_PRINT", print);
        qputenv("RUNKORVIX_TEST_REPEAT", "1");
        qputenv("RUNKORVIX_TEST_EXIT", exit);
        qputenv("RUNKORVIX_TEST_SLEEP_MS", QByteArray::number(sleepMs));
    }
    QString Folder() const { return m_dir.path(); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString ConverterPath() const { return Path(ConverterFileName()); }
    QString DataPath(const QString& name) const {
        return QDir::toNativeSeparators(Path(QStringLiteral("my maps/") + name));
    }
    QString MakeFile(const QString& name, const QByteArray& content = "data") const {
        QFile file(DataPath(name));
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return file.fileName();
    }
    // A file in the data folder named by the system's bytes `name`, which need not be UTF-8 (Qt's
    // own file classes take only names that are); returns its path, as bytes.
    QByteArray MakeNamedFile(const QByteArray& name, const QByteArray& content = "data") const {
        const QByteArray path = QFile::encodeName(Path(QStringLiteral("my maps"))) + '/' + name;
        std::ofstream(path.toStdString(), std::ios::binary) << content.toStdString();
        return path;
    }

    void Store(int radio, const QString& other) {
        m_store.setValue(QStringLiteral("Options/Radio"), radio);
        m_store.setValue(QStringLiteral("Options/Other"), other);
        m_store.sync();
    }
    // As on disk now; invalid when absent.
    QVariant Stored(const char* name) const {
        return QSettings(m_store.fileName(), QSettings::IniFormat)
            .value(QStringLiteral("Options/") + QLatin1String(name));
    }

    // The dialog after its start, shown when the start succeeded. `launcher` is the launcher's
    // file, by default in the bench's folder; `arguments` its command line's.
    std::unique_ptr<CParseDlg> Open(const QString& launcher = QString(),
                                    const QByteArrayList& arguments = {}) {
        auto dialog = std::make_unique<CParseDlg>(
            m_settings, chooser, launcher.isEmpty() ? Path(LauncherFileName()) : launcher,
            arguments);
        if (dialog->OnInitDialog()) {
            dialog->show();
        }
        return dialog;
    }
    void ChooseFiles(const CParseDlg& dialog, const QString& input, const QString& output) {
        ChooseNames(dialog, QFile::encodeName(input), QFile::encodeName(output));
    }
    // The files by the system's bytes of their names.
    void ChooseNames(const CParseDlg& dialog, const QByteArray& input, const QByteArray& output) {
        chooser.openAnswer = input;
        Click(dialog, CParseDlg::kIdInputFile);
        chooser.saveAnswer = output;
        Click(dialog, CParseDlg::kIdOutputFile);
    }
    static void Click(const CParseDlg& dialog, CParseDlg::ControlId id) {
        qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id))->click();
    }

    // Each converter run the fake converter saw: its working folder, then its arguments.
    QList<QStringList> ConverterRuns() const {
        QFile log(Path(QStringLiteral("converter.log")));
        QList<QStringList> runs{{}};
        if (log.open(QIODevice::ReadOnly)) {
            for (const QString& line : QString::fromLocal8Bit(log.readAll()).split('\n')) {
                line == QLatin1String("end") ? runs.append(QStringList())
                                             : runs.last().append(line);
            }
        }
        runs.removeLast();
        return runs;
    }

private:
    QTemporaryDir m_dir;
    QSettings m_store;
    CQtSettingsStore m_settingsStore;
    runkorvix::LauncherSettings m_settings;
};

// The sentence with which the box after a run that made its output, in the bench's data folder,
// names that folder.
inline QString Where(const LauncherBench& bench, const QString& output) {
    return "\n\n" + output + " is in the folder " + bench.DataPath(QString()).chopped(1) + '.';
}
