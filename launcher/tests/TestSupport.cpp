#include "TestSupport.h"

#include "Platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

namespace {

const char kLogVariable[] = "RUNKORVIX_TEST_LOG";
const QString kDataFolder = QStringLiteral("my maps");

} // namespace

ModalWatcher::ModalWatcher() {
    connect(&m_timer, &QTimer::timeout, this, &ModalWatcher::Poll);
    m_timer.start(5);
}

void ModalWatcher::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
        return;
    }
    SeenModal seen;
    seen.className = QString::fromLatin1(modal->metaObject()->className());
    seen.title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        this->seen.append(seen);
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
        return;
    }
    for (const QLabel* label : modal->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            seen.labels.append(label->text());
        }
    }
    this->seen.append(seen);
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else {
        modal->close();
    }
}

LauncherBench::LauncherBench(Converter converter) {
    QDir(m_dir.path()).mkdir(kDataFolder);
    m_store = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                          QSettings::IniFormat);
    m_settings = std::make_unique<CLauncherSettings>(*m_store);
    if (converter == Converter::Fake) {
        QFile::copy(QStringLiteral(FAKE_KORVIX_PATH), ConverterPath());
    }
    qputenv(kLogVariable, m_dir.filePath(QStringLiteral("converter.log")).toLocal8Bit());
}

QString LauncherBench::ConverterPath() const {
    return m_dir.filePath(platform::ConverterFileName());
}

QString LauncherBench::LauncherPath() const {
    return m_dir.filePath(platform::LauncherFileName());
}

QString LauncherBench::DataPath(const QString& name) const {
    return QDir::toNativeSeparators(m_dir.filePath(kDataFolder + QLatin1Char('/') + name));
}

QString LauncherBench::MakeFile(const QString& name, const QByteArray& content) {
    QFile file(DataPath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        qFatal("cannot write %s", qPrintable(file.fileName()));
    }
    return file.fileName();
}

void LauncherBench::Store(int radio, const QString& other) {
    QSettings store(m_store->fileName(), QSettings::IniFormat);
    store.setValue(QStringLiteral("Options/Radio"), radio);
    store.setValue(QStringLiteral("Options/Other"), other);
    store.sync();
    m_store->sync();
}

QVariant LauncherBench::StoredRadio() const {
    return QSettings(m_store->fileName(), QSettings::IniFormat)
        .value(QStringLiteral("Options/Radio"));
}

QVariant LauncherBench::StoredOther() const {
    return QSettings(m_store->fileName(), QSettings::IniFormat)
        .value(QStringLiteral("Options/Other"));
}

std::unique_ptr<CParseDlg> LauncherBench::Open() {
    auto dialog = std::make_unique<CParseDlg>(*m_settings, chooser, LauncherPath());
    if (dialog->OnInitDialog()) {
        dialog->show();
    }
    return dialog;
}

void LauncherBench::ChooseFiles(CParseDlg& dialog, const QString& input, const QString& output) {
    chooser.openAnswer = input;
    Click(dialog, CParseDlg::kIdInputFile);
    chooser.saveAnswer = output;
    Click(dialog, CParseDlg::kIdOutputFile);
}

QList<QStringList> LauncherBench::ConverterRuns() const {
    QFile log(m_dir.filePath(QStringLiteral("converter.log")));
    QList<QStringList> runs;
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return runs;
    }
    QStringList run;
    for (const QString& line : QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("cwd=")) || line.startsWith(QLatin1String("arg="))) {
            run.append(line.mid(4));
        } else if (line == QLatin1String("end")) {
            runs.append(run);
            run.clear();
        }
    }
    return runs;
}

void Click(const CParseDlg& dialog, int id) {
    auto* button = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id));
    QVERIFY2(button != nullptr, qPrintable(QStringLiteral("no button %1").arg(id)));
    button->click();
}
