#pragma once

#include <QString>
#include <QStringList>

// The converter's arguments for one run: the option text split at its blanks (nothing when it
// is empty), then the input path and the output path, each as one argument.
QStringList ConverterArguments(const QString& option, const QString& inputPath,
                               const QString& outputPath);

// True when both paths name the same file, so that converting would destroy the input.
bool IsSameFile(const QString& inputPath, const QString& outputPath);
