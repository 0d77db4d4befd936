#pragma once

#include <QMessageBox>

// Shows `text` in a modal message box with an OK button and `icon`, titled with the
// application's name. With a `folder` (the system's bytes of its name), the box offers "Open
// folder" too, which shows that folder in the desktop's file manager; with an `other` caption a
// button of that caption beside OK: true when the user chose it.
bool ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                    const QByteArray& folder = {}, const QString& other = {});
