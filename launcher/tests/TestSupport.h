#pragma once

#include "FileChooser.h"
#include "LauncherSettings.h"
#include "ParseDlg.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// A file chooser that gives the answers a test has set: a path, or empty for "cancelled".
class FakeFileChooser : public IFileChooser {
public:
    QString openAnswer;
    QString saveAnswer;
    int openCalls = 0;
    int saveCalls = 0;

    QString ChooseOpen() override {
        ++openCalls;
        return openAnswer;
    }
    QString ChooseSave() override {
        ++saveCalls;
        return saveAnswer;
    }
};

// What one modal window showed before it was closed.
struct SeenModal {
    QString className;
    QString title;
    QString text; // a message box's text
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QStringList labels; // texts of a dialog's labels
};

// While it lives, closes every modal window that opens (with OK for a message box, Cancel for
// another dialog) and records what each one showed.
class ModalWatcher : public QObject {
public:
    ModalWatcher();
    QList<SeenModal> seen;

private:
    void Poll();
    QTimer m_timer;
};

// One launcher folder: the place of the launcher's executable, with a converter beside it
// unless asked otherwise, settings of its own, and a file chooser the test answers.
class LauncherBench {
public:
    enum class Converter { Fake, None };
    explicit LauncherBench(Converter converter = Converter::Fake);

    QString Folder() const { return m_dir.path(); }
    QString ConverterPath() const;
    QString LauncherPath() const;
    // Creates a file in the bench's data folder (a folder with a blank in its name).
    QString MakeFile(const QString& name, const QByteArray& content = "data");
    QString DataPath(const QString& name) const;

    // Stores settings as an earlier run of the launcher would have left them.
    void Store(int radio, const QString& other);
    // The settings as they are on disk now; an invalid QVariant when absent.
    QVariant StoredRadio() const;
    QVariant StoredOther() const;

    // Constructs the main dialog and runs its start. The dialog is shown when the start
    // succeeded.
    std::unique_ptr<CParseDlg> Open();
    // Chooses the input and the output file through the dialog.
    void ChooseFiles(CParseDlg& dialog, const QString& input, const QString& output);

    // The converter runs that the fake converter saw: for each run, the working folder first,
    // then the arguments.
    QList<QStringList> ConverterRuns() const;

    FakeFileChooser chooser;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<CLauncherSettings> m_settings;
};

// Clicks the button with `id` in `dialog`.
void Click(const CParseDlg& dialog, int id);
