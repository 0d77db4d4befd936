#pragma once
// File names between Qt's text and the launcher's core, which keeps them as the system's bytes
// (Launcher.h). Qt 6 decodes a name (QFile::decodeName) as UTF-8 and puts the replacement
// character U+FFFD for bytes that are no UTF-8; such a text does not encode back to the name
// (QFile::encodeName gives the bytes of U+FFFD). So a name reaches the core as bytes, from the
// command line, from a file chooser's or a drop's URL, and its text is for display only.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <string>

// A name kept by the core, as a path field shows it: U+FFFD where its bytes are no UTF-8.
QString ShownName(const std::string& name);

// The name of a local file's URL as the system's bytes: its path percent-decoded, so that bytes
// that are no UTF-8, percent-encoded in the URL ("file:///maps/caf%E9.gdb"), are kept, where
// QUrl::toLocalFile would put U+FFFD. Empty for a URL of no local file.
QByteArray NameOfUrl(const QUrl& url);
