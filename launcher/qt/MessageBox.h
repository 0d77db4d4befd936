#pragma once

#include <QMessageBox>

// Shows `text` in a modal message box with an OK button and `icon`, titled with the
// application's name.
void ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text);
