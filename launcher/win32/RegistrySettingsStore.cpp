#include "RegistrySettingsStore.h"

#include "LauncherOptions.h"
#include "platform.h"

#include <windows.h>

using korvix::utf8_from_wide;
using korvix::wide_from_utf8;

std::wstring CRegistrySettingsStore::DefaultRoot() {
    return L"Software\\" + wide_from_utf8(runkorvix::kCompany) + L"\\" +
           wide_from_utf8(runkorvix::kApplication);
}

std::wstring CRegistrySettingsStore::Key(const std::string& section) const {
    return m_root + L"\\" + wide_from_utf8(section);
}

std::optional<int> CRegistrySettingsStore::ReadInt(const std::string& section,
                                                   const std::string& entry) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, Key(section).c_str(), wide_from_utf8(entry).c_str(),
                     RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<std::string> CRegistrySettingsStore::ReadString(const std::string& section,
                                                              const std::string& entry) {
    const std::wstring key = Key(section);
    const std::wstring name = wide_from_utf8(entry);
    // The value may change between the two calls: ask again while it has grown.
    DWORD size = 0;
    LSTATUS status;
    std::wstring value;
    do {
        status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                              nullptr, &size);
        if (status != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.resize(size / sizeof(wchar_t));
        status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                              value.data(), &size);
    } while (status == ERROR_MORE_DATA);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') {
        value.pop_back();
    }
    return utf8_from_wide(value);
}

void CRegistrySettingsStore::WriteInt(const std::string& section, const std::string& entry,
                                      int value) {
    const auto data = static_cast<DWORD>(value);
    RegSetKeyValueW(HKEY_CURRENT_USER, Key(section).c_str(), wide_from_utf8(entry).c_str(),
                    REG_DWORD, &data, sizeof data);
}

void CRegistrySettingsStore::WriteString(const std::string& section, const std::string& entry,
                                         const std::string& value) {
    const std::wstring data = wide_from_utf8(value);
    RegSetKeyValueW(HKEY_CURRENT_USER, Key(section).c_str(), wide_from_utf8(entry).c_str(), REG_SZ,
                    data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}
