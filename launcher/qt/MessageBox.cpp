#include "MessageBox.h"

#include "LauncherOptions.h"

#include <QDesktopServices>
#include <QFile>
#include <QPushButton>
#include <QUrl>

bool ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                    const QByteArray& folder, const QString& other) {
    QMessageBox box(icon, QString::fromLatin1(runkorvix::kApplication), text, QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    const QAbstractButton* chosen =
        other.isEmpty() ? nullptr : box.addButton(other, QMessageBox::ActionRole);
    QPushButton* open = nullptr;
    if (!folder.isEmpty()) {
        open = box.addButton(QString::fromLatin1(runkorvix::kOpenFolderCaption),
                             QMessageBox::ActionRole);
    }
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (open != nullptr && box.clickedButton() == open) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(folder)));
    }
    return chosen != nullptr && box.clickedButton() == chosen;
}
