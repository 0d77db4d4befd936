#include "MessageBox.h"

#include "LauncherOptions.h"

void ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QString::fromLatin1(runkorvix::kApplication), text, QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
