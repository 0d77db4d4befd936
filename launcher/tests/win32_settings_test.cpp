// The registry store of runkorvix.exe: the values lie where the Qt launcher keeps its settings on
// Windows, of the kinds that it writes.
#include "RegistrySettingsStore.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(RegistrySettingsStore, KeepsIntegersAsDwordsAndTextAsStrings) {
    EXPECT_EQ(CRegistrySettingsStore::DefaultRoot(), L"Software\\Vantory\\runkorvix");

    // A key of the test's own, so that the user's settings stay as they are.
    const std::wstring root = L"Software\\Vantory\\runkorvix-test";
    const std::wstring section = root + L"\\Options";
    RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
    CRegistrySettingsStore store(root);
    EXPECT_EQ(store.ReadInt("Options", "Radio"), std::nullopt);
    EXPECT_EQ(store.ReadString("Options", "Other"), std::nullopt);

    store.WriteInt("Options", "Radio", 4);
    store.WriteString("Options", "Other", "-V \xc3\xbc"); // "-V ü" in UTF-8
    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof number;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, section.c_str(), L"Radio", RRF_RT_ANY, &type, &number,
                           &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number, 4u);
    wchar_t text[16] = {};
    size = sizeof text;
    ASSERT_EQ(
        RegGetValueW(HKEY_CURRENT_USER, section.c_str(), L"Other", RRF_RT_ANY, &type, text, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(text), L"-V \u00fc");

    EXPECT_EQ(store.ReadInt("Options", "Radio"), 4);
    EXPECT_EQ(store.ReadString("Options", "Other"), "-V \xc3\xbc");
    // A value of the other kind is not taken.
    EXPECT_EQ(store.ReadInt("Options", "Other"), std::nullopt);
    EXPECT_EQ(store.ReadString("Options", "Radio"), std::nullopt);
    RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
}

} // namespace
