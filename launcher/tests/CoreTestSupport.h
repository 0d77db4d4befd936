#pragma once
// Shared by the core's tests: settings kept in memory, and the stand-in converter steered and
// read.

#include "GdbTestFiles.h"
#include "LauncherSettings.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

inline void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// Tells the stand-in converter what to print and how to end, and what to do when it is asked to
// stop ("log", "ignore"; fake_korvix.cpp).
inline void Converter(const std::string& print, long repeat, const std::string& exit,
                      int sleepMs = 0, const std::string& onStop = {}) {
    SetEnv("RUNKORVIX_TEST_LOG", "");
    SetEnv("RUNKORVIX_TEST_PID", "");
    SetEnv("RUNKORVIX_TEST_ON_STOP", onStop);
    SetEnv("RUNKORVIX_TEST_PRINT", print);
    SetEnv("RUNKORVIX_TEST_REPEAT", std::to_string(repeat));
    SetEnv("RUNKORVIX_TEST_EXIT", exit);
    SetEnv("RUNKORVIX_TEST_SLEEP_MS", std::to_string(sleepMs));
}

// The lines of the stand-in converter's log: for each run its working folder, its arguments and
// "end".
inline std::vector<std::string> LogLines(const std::string& log) {
    std::ifstream logged(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(logged, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A file's bytes; closed again before the caller goes on, as Windows removes no open file.
inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Settings kept in memory, by "section/entry".
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

using gdbtest::DeviceNamedGdb;
using gdbtest::GdbHeader;
using gdbtest::OnePointTrack;
using gdbtest::Record;
using gdbtest::RouteRecord;
