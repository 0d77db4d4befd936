#pragma once

#include <QByteArray>
#include <QString>

// Asks the user for the input and the output file. Both return the chosen full path as the
// system's bytes (FileNames.h), or nothing when the user cancelled. Both start in `folder`, or
// where the toolkit's choosers start when it is empty. The output is chosen as a GPX file when
// `gpx`: the format that korvix writes from a GPX input.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    virtual QByteArray ChooseOpen(const QString& folder) = 0;
    virtual QByteArray ChooseSave(const QString& folder, bool gpx) = 0;
};

// The toolkit's file choosers, with the filters of LauncherOptions.h. The open chooser accepts
// existing files only. The save chooser adds "gdb" (for a GPX output "gpx") to a name without an
// extension and asks before an existing file is replaced. The chosen file is read from its URL
// (NameOfUrl), which keeps a name that is no UTF-8 where a chooser gives its bytes there; Qt's
// own chooser (Qt 6.4) lists no such name at all.
class CQtFileChooser : public IFileChooser {
public:
    QByteArray ChooseOpen(const QString& folder) override;
    QByteArray ChooseSave(const QString& folder, bool gpx) override;
};
