#include "FileChooser.h"

#include <QFileDialog>
#include <QStringList>

namespace {

// The text before the last parenthesis pair is what the user sees; the last pair holds the
// patterns. "All Files (*.*)" has to match names without a dot too, hence its pattern "*".
const QStringList kFilters = {
    QStringLiteral("Mapsource GDB Files (*.gdb) (*.gdb)"),
    QStringLiteral("All Files (*.*) (*)"),
};

QString Choose(QFileDialog::AcceptMode mode) {
    QFileDialog dialog;
    dialog.setAcceptMode(mode);
    // The open chooser takes existing files only; the save chooser any name.
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(kFilters);
    dialog.selectNameFilter(kFilters.first());
    if (mode == QFileDialog::AcceptSave) {
        dialog.setDefaultSuffix(QStringLiteral("gdb"));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().first();
}

} // namespace

QString CQtFileChooser::ChooseOpen() {
    return Choose(QFileDialog::AcceptOpen);
}
QString CQtFileChooser::ChooseSave() {
    return Choose(QFileDialog::AcceptSave);
}
