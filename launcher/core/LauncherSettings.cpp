#include "LauncherSettings.h"

#include "LauncherOptions.h"

namespace runkorvix {

int LauncherSettings::GetRadio() const {
    return m_store.ReadInt(kSettingsSection, kRadioEntry).value_or(kDefaultRadio);
}

std::string LauncherSettings::GetOther() const {
    return m_store.ReadString(kSettingsSection, kOtherEntry).value_or(std::string());
}

RouteLimits LauncherSettings::GetLimits() const {
    RouteLimits limits;
    const int points = m_store.ReadInt(kSettingsSection, kPointsEntry).value_or(0);
    limits.points = points >= kMinPoints && points <= kMaxPoints ? points : 0;
    const std::string tolerance =
        m_store.ReadString(kSettingsSection, kToleranceEntry).value_or(std::string());
    limits.tolerance = ParseTolerance(tolerance).value_or(std::string());
    limits.split = limits.points != 0 && m_store.ReadInt(kSettingsSection, kSplitEntry) == 1;
    limits.fit = m_store.ReadInt(kSettingsSection, kFitEntry) == 1;
    const int waypoints = m_store.ReadInt(kSettingsSection, kWaypointsEntry).value_or(0);
    limits.waypoints = waypoints >= kMinWaypoints && waypoints <= kMaxWaypoints ? waypoints : 0;
    return limits;
}

std::string LauncherSettings::GetFolder() const {
    return m_store.ReadString(kSettingsSection, kFolderEntry).value_or(std::string());
}

void LauncherSettings::WriteFolder(const std::string& folder) {
    m_store.WriteString(kSettingsSection, kFolderEntry, folder);
}

void LauncherSettings::WriteRadio(int index) {
    m_store.WriteInt(kSettingsSection, kRadioEntry, index);
}

void LauncherSettings::WriteOther(const std::string& option) {
    m_store.WriteString(kSettingsSection, kOtherEntry, option);
}

void LauncherSettings::WriteLimits(const RouteLimits& limits) {
    m_store.WriteInt(kSettingsSection, kPointsEntry, limits.points);
    m_store.WriteString(kSettingsSection, kToleranceEntry, limits.tolerance);
    m_store.WriteInt(kSettingsSection, kSplitEntry, limits.split && limits.points != 0 ? 1 : 0);
    m_store.WriteInt(kSettingsSection, kFitEntry, limits.fit ? 1 : 0);
    m_store.WriteInt(kSettingsSection, kWaypointsEntry, limits.waypoints);
}

} // namespace runkorvix
