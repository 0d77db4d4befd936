#include "MessageBox.h"

#include "LauncherOptions.h"

#include <QPushButton>

void ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QString::fromLatin1(runkorvix::kApplication), text, QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool AskMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                   const QString& other) {
    QMessageBox box(icon, QString::fromLatin1(runkorvix::kApplication), text, QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    const QAbstractButton* button = box.addButton(other, QMessageBox::ActionRole);
    box.exec();
    return box.clickedButton() == button;
}
