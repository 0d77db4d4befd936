#pragma once

#include "RouteLimits.h"

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

// The launcher's remembered values, all in the section "Options": "Radio", the index of the
// selected option button, "Other", the free option text, the limits of -T to -W, "Points",
// "Tolerance" and "Split", the fit of -V and -W, "Fit" and "Waypoints", and "Folder", where the
// file choosers open. An absent value means the default: -T, no text, no limit, no fit, the
// choosers' own folder.
class LauncherSettings {
public:
    // Reads and writes through `store`, which the caller keeps alive.
    explicit LauncherSettings(ISettingsStore& store) : m_store(store) {}

    int GetRadio() const;         // 2 when absent or not a number
    std::string GetOther() const; // empty when absent
    // The stored limits; a point limit out of range or a tolerance that korvix would refuse
    // counts as none, and "Split" only with a point limit; a number of waypoints out of range
    // counts as all that the file leaves.
    RouteLimits GetLimits() const;
    std::string GetFolder() const; // empty when absent
    void WriteRadio(int index);
    void WriteOther(const std::string& option);
    void WriteLimits(const RouteLimits& limits);
    void WriteFolder(const std::string& folder);

private:
    ISettingsStore& m_store;
};

} // namespace runkorvix
