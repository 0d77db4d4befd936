#include "ConverterCommand.h"

#include <QFileInfo>

QStringList ConverterArguments(const QString& option, const QString& inputPath,
                               const QString& outputPath) {
    QStringList arguments = option.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    arguments << inputPath << outputPath;
    return arguments;
}

bool IsSameFile(const QString& inputPath, const QString& outputPath) {
    return QFileInfo(inputPath) == QFileInfo(outputPath);
}
