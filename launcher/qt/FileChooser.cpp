#include "FileChooser.h"

#include "FileNames.h"
#include "LauncherOptions.h"

#include <QFileDialog>
#include <QStringList>

namespace {

// The text before the last parenthesis pair is what the user sees; the last pair holds the
// patterns. "*.*" has to match names without a dot too, which in this toolkit is "*".
// Patterns stand apart by blanks here, not by ';'.
QStringList Filters(const runkorvix::FileFilters& table) {
    QStringList filters;
    for (const runkorvix::FileFilter& filter : table) {
        const std::string_view pattern = filter.pattern == "*.*" ? "*" : filter.pattern;
        filters << QString::fromLatin1(filter.name.data(), qsizetype(filter.name.size())) + " (" +
                       QString::fromLatin1(pattern.data(), qsizetype(pattern.size()))
                           .replace(';', ' ') +
                       ')';
    }
    return filters;
}

QByteArray Choose(QFileDialog::AcceptMode mode, const QString& folder,
                  const runkorvix::FileFilters& table, const char* extension) {
    QFileDialog dialog;
    if (!folder.isEmpty()) {
        dialog.setDirectory(folder);
    }
    dialog.setAcceptMode(mode);
    // The open chooser takes existing files only; the save chooser any name.
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = Filters(table);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    if (mode == QFileDialog::AcceptSave) {
        dialog.setDefaultSuffix(QString::fromLatin1(extension));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty()) {
        return QByteArray();
    }
    return NameOfUrl(dialog.selectedUrls().first());
}

} // namespace

QByteArray CQtFileChooser::ChooseOpen(const QString& folder) {
    return Choose(QFileDialog::AcceptOpen, folder, runkorvix::kOpenFilters, nullptr);
}
QByteArray CQtFileChooser::ChooseSave(const QString& folder, bool gpx) {
    return gpx ? Choose(QFileDialog::AcceptSave, folder, runkorvix::kSaveGpxFilters,
                        runkorvix::kGpxExtension)
               : Choose(QFileDialog::AcceptSave, folder, runkorvix::kSaveGdbFilters,
                        runkorvix::kDefaultExtension);
}
