#pragma once

#include <QString>
#include <memory>

class QSettings;

// The launcher's two remembered values, in the section "Options" of the user's settings:
// "Radio", the index of the selected option button, and "Other", the free option text.
class CLauncherSettings {
public:
    static constexpr int kDefaultRadio = 2;

    // Reads and writes through `store`, which the caller keeps alive.
    explicit CLauncherSettings(QSettings& store);

    int GetRadio() const;     // default 2 when absent or not a number
    QString GetOther() const; // default empty
    // Both writes reach the store at once, so that a converter run or a second launcher that
    // starts meanwhile sees them.
    void WriteRadio(int index);
    void WriteOther(const QString& option);

private:
    QSettings& m_store;
};

// The user's own settings store of the launcher: native format, user scope, organisation
// "Vantory", application "runkorvix".
std::unique_ptr<QSettings> OpenUserSettings();
