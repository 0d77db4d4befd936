// One converter run through the launcher core and this system's process, with the stand-in
// converter: its output read as it comes and passed on, its status, a failed start; and the Run
// button of the launcher core.
#include "ConverterRun.h"
#include "CoreTestSupport.h"
#include "Launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/prctl.h>
#endif

using namespace runkorvix;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kLimit = "Route point limit reached - track truncated!";

// How many bytes the stand-in converter writes for `print`: on Windows its standard output ends
// lines in CR LF, as korvix's does.
std::size_t Written(const std::string& print) {
#ifdef _WIN32
    return print.size() + static_cast<std::size_t>(std::count(print.begin(), print.end(), '\n'));
#else
    return print.size();
#endif
}

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
        EXPECT_EQ(echoed, Written(c.print) * static_cast<std::size_t>(c.repeat)) << c.name;
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

// The lines of the stand-in's log once it has logged its start ("end"), within 5 s.
std::vector<std::string> StartLogged(const std::string& log) {
    const auto until = Clock::now() + std::chrono::seconds(5);
    std::vector<std::string> lines;
    while ((lines = LogLines(log)).empty() && Clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return lines;
}

// A run given up while the converter still runs (the launcher goes): the converter is asked to
// end, so that it removes its unfinished output, instead of being waited for to the end of its
// work.
TEST(ConverterRun, ARunGivenUpEndsTheConverter) {
    const std::string log = (std::filesystem::current_path() / "given up.log").string();
    std::filesystem::remove(log);
    Converter("W 71\n", 1, "0", 20000, "log");
    SetEnv("RUNKORVIX_TEST_LOG", log);
    const auto started = Clock::now();
    {
        const auto process = CreateConverterProcess();
        ConverterRun run(*process, nullptr);
        ASSERT_EQ(run.Start(FAKE_KORVIX_PATH, {}, std::filesystem::current_path().string()), 0);
        EXPECT_TRUE(run.Pump(std::chrono::milliseconds(20)));
        ASSERT_FALSE(StartLogged(log).empty());
    }
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(LogLines(log).back(), "stopped");
    std::filesystem::remove(log);
}

#ifndef _WIN32
// runkorvix ended by a signal ends its converter first, which is not left to run on as an
// orphan: asked (SIGTERM), or forced kStopGrace later when it does not hear that.
TEST(ConverterRun, ALauncherEndedByASignalEndsItsConverterFirst) {
    namespace fs = std::filesystem;
    const std::string log = (fs::current_path() / "signalled.log").string();
    const std::string pidFile = (fs::current_path() / "signalled.pid").string();
    const struct {
        int signal;
        const char* onStop;
    } cases[] = {{SIGTERM, "log"}, {SIGINT, "log"}, {SIGHUP, "ignore"}};
    for (const auto& c : cases) {
        // As a launcher started from a desktop has them. CTest runs each test in a process of
        // its own, before any converter has started in it.
        std::signal(c.signal, SIG_DFL);
        fs::remove(log);
        fs::remove(pidFile);
        Converter("W 71\n", 1, "0", 20000, c.onStop);
        SetEnv("RUNKORVIX_TEST_LOG", log);
        SetEnv("RUNKORVIX_TEST_PID", pidFile);
        const auto started = Clock::now();
        EXPECT_EXIT(
            {
                const auto process = CreateConverterProcess();
                ConverterRun run(*process, nullptr);
                run.Start(FAKE_KORVIX_PATH, {}, fs::current_path().string());
                StartLogged(log);
                std::raise(c.signal);
            },
            ::testing::KilledBySignal(c.signal), "")
            << c.signal;
        EXPECT_LT(Clock::now() - started, std::chrono::seconds(5)) << c.signal;
        const std::vector<std::string> logged = LogLines(log);
        ASSERT_FALSE(logged.empty()) << c.signal;
        EXPECT_EQ(logged.back() == "stopped", std::string(c.onStop) == "log") << c.signal;
        const std::vector<std::string> pid = LogLines(pidFile);
        ASSERT_EQ(pid.size(), 1u) << c.signal;
        // Gone and reaped: not even a zombie is left.
        EXPECT_EQ(kill(static_cast<pid_t>(std::stol(pid[0])), 0), -1) << c.signal;
        EXPECT_EQ(errno, ESRCH) << c.signal;
    }
    fs::remove(log);
    fs::remove(pidFile);
}
#endif

#ifndef _WIN32
// SIGTERM, by which the launcher ends its converter (Stop, and the launcher's own end), reaches the
// converter also from a launcher started with SIGTERM ignored or blocked: the stand-in, asleep
// and without a handler, ends by it at once, not by the SIGKILL kStopGrace later.
TEST(ConverterRun, TheConverterHearsSigtermWhateverTheLauncherDoesWithIt) {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    for (const bool ignored : {true, false}) { // else blocked
        struct sigaction ignore = {};
        ignore.sa_handler = ignored ? SIG_IGN : SIG_DFL;
        struct sigaction before = {};
        sigaction(SIGTERM, &ignore, &before);
        sigset_t mask;
        pthread_sigmask(ignored ? SIG_SETMASK : SIG_BLOCK, ignored ? nullptr : &term, &mask);
        Converter("W 71\n", 1, "0", 20000);
        const auto process = CreateConverterProcess();
        ConverterRun run(*process, nullptr);
        ASSERT_EQ(run.Start(FAKE_KORVIX_PATH, {}, std::filesystem::current_path().string()), 0);
        const auto stopped = Clock::now();
        run.Stop();
        while (run.Pump(std::chrono::milliseconds(50))) {
        }
        EXPECT_EQ(run.Result().status, (ExitStatus{true, SIGTERM})) << ignored;
        EXPECT_LT(Clock::now() - stopped, kStopGrace) << ignored;
        pthread_sigmask(SIG_SETMASK, &mask, nullptr);
        sigaction(SIGTERM, &before, nullptr);
    }
}
#endif

// True once the stand-in converter `pid` has ended, within `time`; else it is ended here, so that
// no test leaves it behind. A converter whose launcher has gone comes to this process on Linux (a
// subreaper), which reaps it.
bool EndsWithin(int pid, std::chrono::milliseconds time) {
#ifdef _WIN32
    const HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    }
    const bool ended =
        WaitForSingleObject(process, static_cast<DWORD>(time.count())) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process, 1);
    }
    CloseHandle(process);
    return ended;
#else
    const auto until = Clock::now() + time;
    do {
        const pid_t reaped = waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG);
        if (reaped == pid || (reaped < 0 && kill(static_cast<pid_t>(pid), 0) < 0)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (Clock::now() < until);
    kill(static_cast<pid_t>(pid), SIGKILL);
    waitpid(static_cast<pid_t>(pid), nullptr, 0);
    return false;
#endif
}

// runkorvix killed outright (SIGKILL; TerminateProcess on Windows), which leaves it no handler to
// run: its converter ends within a second all the same, on Linux by SIGTERM, on which korvix
// removes its temporary file as on Stop. The launcher is fake_runkorvix, its converter the
// stand-in, asleep for 20 seconds, which logs the SIGTERM ("log") or is ended by it.
TEST(ConverterRun, AKilledLauncherLeavesNoConverterRunning) {
#if !defined(_WIN32) && !defined(__linux__)
    GTEST_SKIP() << "the converter is bound to its launcher on Linux and Windows";
#else
    namespace fs = std::filesystem;
    const std::string log = (fs::current_path() / "orphaned.log").string();
    const std::string pidFile = (fs::current_path() / "orphaned.pid").string();
#ifdef _WIN32
    constexpr bool kStopLogged = false; // the job ends it as TerminateProcess does
    const ExitStatus killed{false, 1};
#else
    constexpr bool kStopLogged = true;
    const ExitStatus killed{true, SIGKILL};
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
#endif
    for (const std::string onStop : {"log", ""}) {
        fs::remove(log);
        fs::remove(pidFile);
        Converter("W 71\n", 1, "0", 20000, onStop);
        SetEnv("RUNKORVIX_TEST_LOG", log);
        SetEnv("RUNKORVIX_TEST_PID", pidFile);
        const auto launcher = CreateConverterProcess();
        ConverterRun run(*launcher, nullptr);
        ASSERT_EQ(run.Start(FAKE_RUNKORVIX_PATH, {FAKE_KORVIX_PATH}, fs::current_path().string()),
                  0);
        ASSERT_FALSE(StartLogged(log).empty()) << onStop;
        const std::vector<std::string> pid = LogLines(pidFile);
        ASSERT_EQ(pid.size(), 1u) << onStop;
        launcher->Kill();
        EXPECT_TRUE(EndsWithin(std::stoi(pid[0]), std::chrono::seconds(1))) << onStop;
        while (run.Pump(std::chrono::milliseconds(50))) {
        }
        EXPECT_EQ(run.Result().status, killed) << onStop;
        EXPECT_EQ(LogLines(log).back() == "stopped", kStopLogged && onStop == "log") << onStop;
    }
#ifdef __linux__
    prctl(PR_SET_CHILD_SUBREAPER, 0);
#endif
    fs::remove(log);
    fs::remove(pidFile);
#endif
}

// The real korvix, stopped while its output is a temporary file beside the output: it removes
// that file when asked, and the previous output stays as it was.
TEST(ConverterRun, KorvixStoppedLeavesNoTemporaryFile) {
#ifndef KORVIX_PATH
    GTEST_SKIP() << "built without korvix";
#else
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "runkorvix korvix stopped";
    fs::remove_all(dir);
    fs::create_directories(dir);
    // A million records: far more trace than a pipe holds, and more work than korvix does
    // before the request reaches it.
    std::string input = GdbHeader();
    for (int n = 0; n < 1000000; ++n) {
        input += Record('W', "x");
    }
    std::ofstream(dir / "in.gdb", std::ios::binary) << input + Record('V', "");
    std::ofstream(dir / "out.gdb") << "old";
    const auto listing = [&dir] {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto process = CreateConverterProcess();
    ConverterRun run(*process, nullptr);
    ASSERT_EQ(run.Start(KORVIX_PATH, {"-T", "in.gdb", "out.gdb"}, dir.string()), 0);
    // Unread, korvix fills the pipe with its trace and waits, its temporary file made: named
    // beside the output, or, on Linux, without a name until the commit, which a descriptor of
    // some process (korvix's) shows as "#<inode> (deleted)" in the folder.
    const auto made = [&] {
        if (listing().size() == 3) {
            return true;
        }
#ifdef __linux__
        std::error_code error;
        for (fs::directory_iterator process("/proc", error), end; process != end;
             process.increment(error)) {
            if (!std::isdigit(static_cast<unsigned char>(process->path().filename().c_str()[0]))) {
                continue;
            }
            for (fs::directory_iterator fd(process->path() / "fd", error); fd != end;
                 fd.increment(error)) {
                const std::string target = fs::read_symlink(fd->path(), error).string();
                if (target.starts_with((dir / "#").string()) && target.ends_with("(deleted)")) {
                    return true;
                }
            }
        }
#endif
        return false;
    };
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (!made() && Clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(made());
    const auto stopped = Clock::now();
    run.Stop();
    while (run.Pump(std::chrono::milliseconds(50))) {
    }
    EXPECT_LT(Clock::now() - stopped, kStopGrace); // it heard the request; it was not forced
    EXPECT_TRUE(run.Result().stopped);
    EXPECT_EQ(listing(), (std::vector<std::string>{"in.gdb", "out.gdb"}));
    EXPECT_TRUE(FileText(dir / "out.gdb") == "old");
    fs::remove_all(dir);
#endif
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
#ifdef _WIN32
        // ERROR_DIRECTORY: the working folder is not a folder.
        {"no such working folder", FAKE_KORVIX_PATH, dir / "no such folder", 267},
#else
        {"no such working folder", FAKE_KORVIX_PATH, dir / "no such folder", 2},
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

TEST(LauncherRun, StoresTheChoiceRunsTheConverterInItsFolderAndTellsTheOutcome) {
    // The launcher's folder, with the stand-in converter under the converter's name, and files
    // with blanks in their names.
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "runkorvix launcher run";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string input = (dir / "in put.gdb").string();
    const std::string output = (dir / "out put.gdb").string();
    const std::string absent = (dir / "absent.gdb").string(); // never made
    const std::string log = (dir / "converter.log").string();
    std::ofstream(input) << "GDB";
    const std::string failed = "korvix did not complete the conversion:\n\n";
    // A box after a run that made its output names the output's folder.
    const std::string where = "\n\nout put.gdb is in the folder " + dir.string() + '.';
    const struct {
        const char* name;
        int radio;
        std::string other, output, print, exit;
        bool converterThere;
        FeedbackIcon icon;
        std::string text;
        std::vector<std::string> arguments; // what the converter got; empty: it did not run
    } cases[] = {
        {"the free option split at its blanks, a warning",
         kOtherIndex,
         " -V  x",
         output,
         kLimit + "\n",
         "0",
         true,
         FeedbackIcon::Information,
         "korvix completed the conversion with these messages:\n\n" + kLimit + where,
         {"-V", "x", input, output}},
        {"a clean run, what it did",
         0,
         "-u",
         output,
         "W 71\nR 279\nV 2\n",
         "0",
         true,
         FeedbackIcon::Information,
         "1 waypoint and 1 route were rewritten with user vias into out put.gdb." + where,
         {"-R", input, output}},
        {"a clean run of the free option",
         kOtherIndex,
         "-R",
         output,
         "W 71\nR 279\nV 2\n",
         "0",
         true,
         FeedbackIcon::None,
         "",
         {"-R", input, output}},
        {"a failure, the output file there before",
         3,
         "",
         output,
         "Can't write output file\n",
         "1",
         true,
         FeedbackIcon::Error,
         failed + "Can't write output file\n\nThe output file was left as it was.",
         {"-U", input, output}},
        {"a failure, no output file before",
         1,
         "",
         absent,
         "Unexpected end of input file\n",
         "1",
         true,
         FeedbackIcon::Error,
         failed + "Unexpected end of input file\n\nNo output file was made.",
         {"-S", input, absent}},
        {"the output is the input",
         4,
         "",
         input,
         "",
         "0",
         true,
         FeedbackIcon::Error,
         kSameFileText,
         {}},
        {"the converter gone",
         5,
         "",
         output,
         "",
         "0",
         false,
         FeedbackIcon::Error,
         "CreateProcess Error = 0002",
         {}},
    };
    for (const auto& c : cases) {
        fs::remove(dir / ConverterFileName());
        if (c.converterThere) {
            fs::copy_file(FAKE_KORVIX_PATH, dir / ConverterFileName());
        }
        fs::remove(log);
        std::ofstream(output) << "old";
        Converter(c.print, 1, c.exit);
        SetEnv("RUNKORVIX_TEST_LOG", log);
        MemoryStore store;
        store.strings["Options/Other"] = "-stored";
        LauncherSettings settings(store);
        Launcher launcher(settings);
        launcher.Restore();
        EXPECT_EQ(launcher.LocateConverter((dir / LauncherFileName()).string()), c.converterThere)
            << c.name;
        launcher.SelectOption(c.radio, c.other);
        // The output first: an input chosen later may be the output, which Run refuses.
        ASSERT_TRUE(launcher.ChooseOutput(c.output)) << c.name;
        ASSERT_TRUE(launcher.ChooseInput(input)) << c.name;

        const Feedback feedback = launcher.Run([](ConverterRun& run) {
            while (run.Pump(std::chrono::milliseconds(50))) {
            }
        });
        EXPECT_EQ(feedback.icon, c.icon) << c.name;
        EXPECT_EQ(feedback.text, c.text) << c.name;
        EXPECT_EQ(feedback.folder, c.text.ends_with(where) ? dir.string() : std::string())
            << c.name;
        EXPECT_EQ(store.ints["Options/Radio"], c.radio) << c.name;
        EXPECT_EQ(store.strings["Options/Other"], c.radio == kOtherIndex ? c.other : "-stored")
            << c.name;

        // The converter's log: its working folder, its arguments, "end".
        const std::vector<std::string> lines = LogLines(log);
        if (c.arguments.empty()) {
            EXPECT_TRUE(lines.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(lines.size(), c.arguments.size() + 2) << c.name;
        EXPECT_TRUE(fs::equivalent(lines.front(), dir)) << c.name << ": " << lines.front();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end() - 1), c.arguments)
            << c.name;
    }
    fs::remove_all(dir);
}

} // namespace
