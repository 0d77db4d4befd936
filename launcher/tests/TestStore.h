#pragma once
// Settings kept in memory for the core's tests, by "section/entry".

#include "LauncherSettings.h"

#include <map>
#include <optional>
#include <string>

class MemoryStore : public runkorvix::ISettingsStore {
public:
    std::map<std::string, int> ints;
    std::map<std::string, std::string> strings;

    std::optional<int> ReadInt(const std::string& section, const std::string& entry) override {
        const auto found = ints.find(section + '/' + entry);
        return found != ints.end() ? std::optional<int>(found->second) : std::nullopt;
    }
    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& entry) override {
        const auto found = strings.find(section + '/' + entry);
        return found != strings.end() ? std::optional<std::string>(found->second) : std::nullopt;
    }
    void WriteInt(const std::string& section, const std::string& entry, int value) override {
        ints[section + '/' + entry] = value;
    }
    void WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override {
        strings[section + '/' + entry] = value;
    }
};
