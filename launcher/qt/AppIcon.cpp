#include "AppIcon.h"

QIcon AppIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/runkorvix/runkorvix-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/runkorvix/runkorvix-16.png"), QSize(16, 16));
    return icon;
}
