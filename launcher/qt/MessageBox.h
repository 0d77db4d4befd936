#pragma once

#include <QMessageBox>

// Shows `text` in a modal message box with an OK button and `icon`, titled with the
// application's name.
void ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text);
// The same with a second button `other` beside OK: true when the user chose it.
bool AskMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                   const QString& other);
