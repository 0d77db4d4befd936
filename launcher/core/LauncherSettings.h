#pragma once

#include <optional>
#include <string>

namespace runkorvix {

// A store of named values in sections, as the system keeps a user's settings.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // Empty when the value is absent or not of the kind asked for.
    virtual std::optional<int> ReadInt(const std::string& section, const std::string& entry) = 0;
    virtual std::optional<std::string> ReadString(const std::string& section,
                                                  const std::string& entry) = 0;
    // Each write reaches the store at once, so that a second launcher sees it.
    virtual void WriteInt(const std::string& section, const std::string& entry, int value) = 0;
    virtual void WriteString(const std::string& section, const std::string& entry,
                             const std::string& value) = 0;
};

// The launcher's two remembered values: "Radio", the index of the selected option button, and
// "Other", the free option text, both in the section "Options".
class LauncherSettings {
public:
    // Reads and writes through `store`, which the caller keeps alive.
    explicit LauncherSettings(ISettingsStore& store) : m_store(store) {}

    int GetRadio() const;         // 2 when absent or not a number
    std::string GetOther() const; // empty when absent
    void WriteRadio(int index);
    void WriteOther(const std::string& option);

private:
    ISettingsStore& m_store;
};

} // namespace runkorvix
