#include "MessageBox.h"

#include "LauncherNames.h"

void ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, names::kApplication, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
