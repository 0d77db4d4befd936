#pragma once

#include <QString>

// Asks the user for the input and the output file. Both return the chosen full path, or an
// empty string when the user cancelled. Both start in `folder`, or where the toolkit's choosers
// start when it is empty.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    virtual QString ChooseOpen(const QString& folder) = 0;
    virtual QString ChooseSave(const QString& folder) = 0;
};

// The toolkit's file choosers, offering "Mapsource GDB Files (*.gdb)" and "All Files (*.*)".
// The open chooser accepts existing files only. The save chooser adds "gdb" to a name without an
// extension and asks before an existing file is replaced.
class CQtFileChooser : public IFileChooser {
public:
    QString ChooseOpen(const QString& folder) override;
    QString ChooseSave(const QString& folder) override;
};
