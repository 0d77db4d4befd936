#pragma once

#include "LauncherSettings.h"

#include <QString>
#include <memory>

class QSettings;

// The launcher's settings kept by the toolkit's settings store, a section being a group of it.
class CQtSettingsStore : public runkorvix::ISettingsStore {
public:
    // Reads and writes through `store`, which the caller keeps alive.
    explicit CQtSettingsStore(QSettings& store) : m_store(store) {}

    std::optional<int> ReadInt(const std::string& section, const std::string& entry) override;
    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& entry) override;
    void WriteInt(const std::string& section, const std::string& entry, int value) override;
    void WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override;

private:
    QSettings& m_store;
};

// The user's own settings store of the launcher: native format (on Windows the registry), user
// scope, organisation "Vantory", application "runkorvix".
std::unique_ptr<QSettings> OpenUserSettings();
