// One converter run through the launcher core and this system's process, with the stand-in
// converter: its output read as it comes and passed on, its status, a failed start.
#include "ConverterRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace runkorvix;

namespace {

using Clock = std::chrono::steady_clock;

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// Tells the stand-in converter what to print and how to end.
void Converter(const std::string& print, long repeat, const std::string& exit, int sleepMs = 0) {
    SetEnv("RUNKORVIX_TEST_LOG", "");
    SetEnv("RUNKORVIX_TEST_PRINT", print);
    SetEnv("RUNKORVIX_TEST_REPEAT", std::to_string(repeat));
    SetEnv("RUNKORVIX_TEST_EXIT", exit);
    SetEnv("RUNKORVIX_TEST_SLEEP_MS", std::to_string(sleepMs));
}

const std::string kLimit = "Route point limit reached - track truncated!";

TEST(ConverterRun, ReadsTheOutputAsItComesAndTheStatus) {
    const struct {
        const char* name;
        std::string print;
        long repeat;
        std::string exit;
        ExitStatus status;
        std::vector<MessageLog::Entry> messages;
    } cases[] = {
        {"clean", "D 20\nW 71\nV 2\n", 1, "0", {false, 0}, {}},
        {"failure",
         "D 20\nUnexpected end of input file\n",
         1,
         "1",
         {false, 1},
         {{"Unexpected end of input file", 1}}},
        // Megabytes more than a pipe holds: the converter must not wait on a full pipe.
        {"a message a million times",
         "T 9\n" + kLimit + "\n",
         1000000,
         "0",
         {false, 0},
         {{kLimit, 1000000}}},
#ifndef _WIN32
        {"ended by a signal", "W 71\n", 1, "signal", {true, SIGTERM}, {}},
#endif
    };
    for (const auto& c : cases) {
        Converter(c.print, c.repeat, c.exit);
        const auto process = CreateConverterProcess();
        std::size_t echoed = 0;
        ConverterRun run(*process, [&echoed](std::string_view output) { echoed += output.size(); });
        ASSERT_EQ(run.Start(FAKE_KORVIX_PATH, {"-T", "in.gdb", "out.gdb"},
                            std::filesystem::current_path().string()),
                  0)
            << c.name;
        while (run.Pump(std::chrono::milliseconds(50))) {
        }
        EXPECT_EQ(run.Result().status, c.status) << c.name;
        EXPECT_EQ(run.Result().messages.Entries(), c.messages) << c.name;
        EXPECT_EQ(echoed, c.print.size() * static_cast<std::size_t>(c.repeat)) << c.name;
        EXPECT_FALSE(run.Pump(std::chrono::milliseconds(0))) << c.name;
    }
}

TEST(ConverterRun, PumpReturnsWhileTheConverterIsSilent) {
    Converter("W 71\n", 1, "0", 600);
    const auto process = CreateConverterProcess();
    ConverterRun run(*process, nullptr);
    ASSERT_EQ(run.Start(FAKE_KORVIX_PATH, {}, std::filesystem::current_path().string()), 0);
    const auto started = Clock::now();
    int turns = 0;
    while (run.Pump(std::chrono::milliseconds(20))) {
        ++turns;
    }
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_GE(turns, 10); // each turn came back within its slice
    EXPECT_EQ(run.Result().status, (ExitStatus{false, 0}));
}

TEST(ConverterRun, AFailedStartGivesTheSystemsErrorNumber) {
    const std::filesystem::path dir = std::filesystem::path(FAKE_KORVIX_PATH).parent_path();
    const std::filesystem::path here = std::filesystem::current_path();
    const struct {
        const char* name;
        std::filesystem::path program, workingDir;
        int error;
    } cases[] = {
        {"no such program", dir / "no such converter", here, 2},
        {"no such working folder", FAKE_KORVIX_PATH, dir / "no such folder", 2},
#ifndef _WIN32
        {"not executable", dir / "CMakeFiles", here, 13}, // a folder
#endif
    };
    for (const auto& c : cases) {
        const auto process = CreateConverterProcess();
        ConverterRun run(*process, nullptr);
        EXPECT_EQ(run.Start(c.program.string(), {}, c.workingDir.string()), c.error) << c.name;
        EXPECT_FALSE(run.Pump(std::chrono::milliseconds(0))) << c.name;
    }
}

} // namespace
