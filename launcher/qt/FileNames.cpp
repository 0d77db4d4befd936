#include "FileNames.h"

#include <QFile>

QString ShownName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

QByteArray NameOfUrl(const QUrl& url) {
    if (!url.isLocalFile()) {
        return QByteArray();
    }
    if (!url.host().isEmpty()) { // a file on another machine: "//host/path", as Qt names it
        return QFile::encodeName(url.toLocalFile());
    }
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}
