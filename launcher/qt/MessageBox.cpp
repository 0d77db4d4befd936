#include "MessageBox.h"

#include "LauncherOptions.h"

#include <QDesktopServices>
#include <QFile>
#include <QPushButton>
#include <QUrl>

void ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                    const QByteArray& folder) {
    QMessageBox box(icon, QString::fromLatin1(runkorvix::kApplication), text, QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* open = nullptr;
    if (!folder.isEmpty()) {
        open = box.addButton(QString::fromLatin1(runkorvix::kOpenFolderCaption),
                             QMessageBox::ActionRole);
        box.setDefaultButton(QMessageBox::Ok);
    }
    box.exec();
    if (open != nullptr && box.clickedButton() == open) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(folder)));
    }
}
