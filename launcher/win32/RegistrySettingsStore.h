#pragma once

#include "LauncherSettings.h"

#include <string>

// The launcher's settings in the current user's registry: a section is a key below
// HKEY_CURRENT_USER\<root>, an integer a REG_DWORD value, a string a REG_SZ value.
class CRegistrySettingsStore : public runkorvix::ISettingsStore {
public:
    // Software\Vantory\runkorvix: where the Qt launcher's native user settings of "Vantory",
    // "runkorvix" lie on Windows, so that both launchers share the stored option.
    static std::wstring DefaultRoot();

    explicit CRegistrySettingsStore(std::wstring root = DefaultRoot()) : m_root(std::move(root)) {}

    std::optional<int> ReadInt(const std::string& section, const std::string& entry) override;
    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& entry) override;
    void WriteInt(const std::string& section, const std::string& entry, int value) override;
    void WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override;

private:
    std::wstring Key(const std::string& section) const;

    std::wstring m_root;
};
