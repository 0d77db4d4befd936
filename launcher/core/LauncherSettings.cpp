#include "LauncherSettings.h"

#include "LauncherOptions.h"

namespace runkorvix {

int LauncherSettings::GetRadio() const {
    return m_store.ReadInt(kSettingsSection, kRadioEntry).value_or(kDefaultRadio);
}

std::string LauncherSettings::GetOther() const {
    return m_store.ReadString(kSettingsSection, kOtherEntry).value_or(std::string());
}

void LauncherSettings::WriteRadio(int index) {
    m_store.WriteInt(kSettingsSection, kRadioEntry, index);
}

void LauncherSettings::WriteOther(const std::string& option) {
    m_store.WriteString(kSettingsSection, kOtherEntry, option);
}

} // namespace runkorvix
