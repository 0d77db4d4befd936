#pragma once
// Shared by the launcher's tests: a launcher folder with settings of its own, a file chooser the
// test answers, and a watcher that records and closes message boxes and dialogs.

#include "FileChooser.h"
#include "LauncherSettings.h"
#include "ParseDlg.h"
#include "Platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

class FakeFileChooser : public IFileChooser {
public:
    QString openAnswer, saveAnswer; // empty: the user cancels
    int openCalls = 0, saveCalls = 0;
    QString ChooseOpen() override { return ++openCalls, openAnswer; }
    QString ChooseSave() override { return ++saveCalls, saveAnswer; }
};

// What a modal window showed: class, title, then a message box's text or a dialog's labels.
struct SeenModal {
    QString className, title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// While it lives, records every modal window that opens and closes it (OK, or Cancel).
class ModalWatcher {
public:
    QList<SeenModal> seen;
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
        SeenModal s;
        s.className = QString::fromLatin1(modal->metaObject()->className());
        s.title = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            s.text = box->text();
            s.icon = box->icon();
            s.buttons = box->standardButtons();
        } else {
            for (const QLabel* label : modal->findChildren<QLabel*>()) {
                s.text += label->text() + QLatin1Char('\n');
            }
        }
        seen.append(s);
        qobject_cast<QDialog*>(modal)->reject();
    }
    QTimer m_timer;
};

// A launcher folder: the launcher's place, the fake converter beside it (unless none is
// wanted), settings in a file there, and a data folder with a blank in its name.
class LauncherBench {
public:
    FakeFileChooser chooser;

    explicit LauncherBench(bool withConverter = true)
        : m_store(Path(QStringLiteral("settings.ini")), QSettings::IniFormat), m_settings(m_store) {
        QDir(m_dir.path()).mkdir(QStringLiteral("my maps"));
        if (withConverter) {
            QFile::copy(QStringLiteral(FAKE_KORVIX_PATH), ConverterPath());
        }
        qputenv("RUNKORVIX_TEST_LOG", Path(QStringLiteral("converter.log")).toLocal8Bit());
    }
    QString Folder() const { return m_dir.path(); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString ConverterPath() const { return Path(platform::ConverterFileName()); }
    QString DataPath(const QString& name) const {
        return QDir::toNativeSeparators(Path(QStringLiteral("my maps/") + name));
    }
    QString MakeFile(const QString& name, const QByteArray& content = "data") const {
        QFile file(DataPath(name));
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return file.fileName();
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
    // file, by default in the bench's folder.
    std::unique_ptr<CParseDlg> Open(const QString& launcher = QString()) {
        auto dialog = std::make_unique<CParseDlg>(
            m_settings, chooser,
            launcher.isEmpty() ? Path(platform::LauncherFileName()) : launcher);
        if (dialog->OnInitDialog()) {
            dialog->show();
        }
        return dialog;
    }
    void ChooseFiles(const CParseDlg& dialog, const QString& input, const QString& output) {
        chooser.openAnswer = input;
        Click(dialog, CParseDlg::kIdInputFile);
        chooser.saveAnswer = output;
        Click(dialog, CParseDlg::kIdOutputFile);
    }
    static void Click(const CParseDlg& dialog, int id) {
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
    CLauncherSettings m_settings;
};
