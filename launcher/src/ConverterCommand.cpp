#include "ConverterCommand.h"

#include <QFileInfo>

QStringList ConverterArguments(const QString& option, const QString& inputPath,
                               const QString& outputPath) {
    QStringList arguments = option.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    arguments << inputPath << outputPath;
    return arguments;
}

bool IsSameFile(const QString& inputPath, const QString& outputPath) {
    // Only an existing output can be the input file; then both names are resolved in full
    // (links, "." and "..", and the file system's case rules).
    const QFileInfo input(inputPath);
    const QFileInfo output(outputPath);
    return input.exists() && output.exists() && input == output;
}
