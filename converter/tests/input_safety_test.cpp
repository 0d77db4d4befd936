// korvix never destroys its input, nor an output it refuses to write, however their names are
// spelled; and no shortage of memory or limit of the system ends it without its message.
#include "gdb_builder.h"
#include "test_files.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr char same_file[] = "Input and output are the same file\n";
constexpr char same_as_stdout[] = "Output and standard output are the same file\n";
constexpr char input_is_stdout[] = "Input and standard output are the same file\n";

Bytes route_file() {
    return gdb_file({
        record('W', waypoint_body("A1", 10, 31)),
        record('R',
               route_body("ROUTE", {{"A1", 10, 31, {{1, 1}, {2, 2}, {3, 3}}}, {"A2", 10, 31, {}}})),
    });
}

// A command line that korvix must refuse. Its message goes to standard output, which is a file
// of the test's folder when the row redirects it there; when that file is the input, to standard
// error, unless that is appended to the input too: then nowhere.
struct Refusal {
    std::string arguments; // behind korvix's path
    std::string redirect;  // the file that standard output is appended to, or none
    bool in_test_folder;   // run in the test's folder (relative names), or on another drive
    bool redirect_is_input = false; // the redirect is a name of the input
    bool error_too = false;         // standard error appended to the same file
};

class InputSafety : public ::testing::Test {
protected:
    InputSafety() {
        write_file(dir_ / "in.gdb", route_file());
        write_file(dir_ / "kept.gdb", route_file());
        fs::create_hard_link(dir_ / "in.gdb", dir_ / "hard.gdb");
        fs::create_directory(dir_ / "sub");
    }
    std::string path(const std::string& name) const { return utf8_name(dir_ / name); }
    CommandOutcome run(const std::string& arguments, const fs::path& folder) const {
        return run_command(korvix_command() + " " + arguments, folder);
    }

    TempDir dir_{"korvix-safety"};
};

#ifdef _WIN32
// The names that Windows and Wine give the same file, besides the one it was made with.
std::wstring wide(const std::string& utf8) {
    const std::u8string text(utf8.begin(), utf8.end());
    return fs::path(text).wstring();
}

std::string short_name(const std::string& name) {
    wchar_t buffer[MAX_PATH];
    const DWORD size = GetShortPathNameW(wide(name).c_str(), buffer, MAX_PATH);
    return size > 0 && size < MAX_PATH ? utf8_name(fs::path(buffer)) : std::string();
}

// Wine's Unix name of a file, which a Windows program takes as a path on the current drive when
// that drive is Wine's Z: (the Unix root).
std::string unix_name(const std::string& name) {
    using UnixName = char*(__cdecl*)(const wchar_t*);
    const auto to_unix = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (to_unix == nullptr)
        return {};
    char* unix = to_unix(wide(name).c_str());
    const std::string result = unix != nullptr ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// The same folder under another drive letter: scripts/test-windows maps Y: to Wine's C: drive.
std::string on_drive_y(const std::string& name) {
    if (name.size() < 3 || (name[0] != 'C' && name[0] != 'c') || !fs::exists("Y:\\windows"))
        return {};
    std::string same = name;
    same[0] = 'Y';
    return same;
}
#endif

TEST_F(InputSafety, EverySpellingOfTheInputIsRefusedBeforeAByteIsWritten) {
    const std::string in = path("in.gdb");
    const std::string quoted_in = shell_quoted(in);
    const std::string kept = path("kept.gdb");
    std::vector<Refusal> rows = {
        {"in in", "", true},
        {"in.gdb in", "", true},
        {"in ./in.gdb", "", true},
        {"in sub/../in.gdb", "", true},
        {"in hard", "", true},
        {"hard in", "", true},
        {"in " + quoted_in, "", true},
        // The output is the file that standard output is appended to.
        {"-T in kept.gdb", kept, true},
        {"-V in kept", kept, true},
        {"-R " + quoted_in + " " + shell_quoted(kept), kept, false},
        // Standard output is the input: the trace would be appended to it.
        {"-V in out.gdb", in, true, true},
        {"-T in.gdb out.gdb", path("hard.gdb"), true, true},
        {"-R in in.gdb", in, true, true}, // the output is the input as well
    };
#ifdef _WIN32
    const auto same_as_in = [&](const std::string& other) {
        if (!other.empty() && other != in)
            rows.push_back({quoted_in + " " + shell_quoted(other), "", false});
    };
    same_as_in(path("IN.GDB"));
    same_as_in("\\\\?\\" + in);
    same_as_in(path("hard.gdb"));
    same_as_in(short_name(in));
    same_as_in(unix_name(in));
    same_as_in(on_drive_y(in));
    rows.push_back({shell_quoted("\\\\.\\" + in) + " " + quoted_in, "", false});
    // Another current drive, so that a name without its drive letter does not name the input's
    // drive: Wine's Z:, the Unix root, where there is one.
    const fs::path other_drive = fs::exists("Z:\\tmp") ? fs::path("Z:\\tmp") : dir_.path();
#else
    std::error_code error;
    fs::create_symlink(dir_ / "in.gdb", dir_ / "link.gdb", error);
    if (!error) {
        rows.push_back({"in link", "", true});
        rows.push_back({"link in", "", true});
    }
    rows.push_back({quoted_in + " " + shell_quoted("/" + in), "", false});
    rows.push_back({"/dev/./zero /dev/./zero", "", false});
    rows.push_back({"-R in /dev/./stdout", kept, true});
    rows.push_back({"-V in out.gdb", in, true, true, true}); // standard error the input too
    for (const char* stdout_name : {"/dev/./stdout", "/dev/fd/1", "/proc/self/fd/1"})
        rows.push_back({std::string("-T in.gdb ") + stdout_name, in, true, true});
    const fs::path other_drive = "/";
#endif
    std::printf("%zu spellings of the input or of standard output\n", rows.size());

    for (const Refusal& row : rows) {
        std::string command = korvix_command() + " " + row.arguments;
        if (!row.redirect.empty())
            command += " >> " + shell_quoted(row.redirect);
        if (row.error_too) // in a group of its own, whose standard error the test captures
            command = "(" + command + " 2>&1)";
        const CommandOutcome outcome =
            run_command(command, row.in_test_folder ? dir_.path() : other_drive);
        EXPECT_EQ(outcome.status, 1) << command;
        EXPECT_EQ(read_file(dir_ / "in.gdb"), route_file()) << command << ": input changed";
        EXPECT_FALSE(fs::exists(dir_ / "out.gdb")) << command;
        if (row.redirect_is_input) {
            EXPECT_EQ(outcome.err, row.error_too ? "" : input_is_stdout) << command;
            EXPECT_EQ(read_file(dir_ / "kept.gdb"), route_file()) << command;
        } else if (row.redirect.empty()) {
            EXPECT_EQ(outcome.out, same_file) << command;
            EXPECT_EQ(read_file(dir_ / "kept.gdb"), route_file()) << command;
        } else {
#ifdef _WIN32
            const std::string message = "Output and standard output are the same file\r\n";
#else
            const std::string message = same_as_stdout;
#endif
            EXPECT_EQ(read_file(dir_ / "kept.gdb"),
                      concat({route_file(), Bytes(message.begin(), message.end())}))
                << command << ": refused output changed";
            write_file(dir_ / "kept.gdb", route_file());
        }
    }
}

#ifndef _WIN32
// FIFOs as input and output are told apart before either is opened, since opening one waits for
// its other end: one FIFO under both names is refused at once, with or without a writer (whose
// `cat` the test ends), and two FIFOs with a writer and a reader convert as files do.
TEST_F(InputSafety, FifosAreToldApartBeforeTheyAreOpened) {
    const std::string in = shell_quoted(path("in.fifo"));
    const std::string out = shell_quoted(path("out.fifo"));
    const std::string korvix = "timeout 10 " + korvix_command() + " -T ";
    struct Row {
        const char* name;
        std::string command;
        int status;
        std::string console; // the end of what korvix says
    };
    const Row rows[] = {
        {"one FIFO, no writer", korvix + in + " " + in, 1, same_file},
        {"one FIFO, a writer",
         "{ cat in.gdb > " + in + " & } && w=$! && " + korvix + in + " " + in +
             "; s=$?; kill $w 2>/dev/null; exit $s",
         1, same_file},
        {"two FIFOs",
         "{ cat in.gdb > " + in + " & } && { cat " + out + " > piped.gdb & } && r=$! && " + korvix +
             in + " " + out + " > /dev/null; s=$?; wait $r; exit $s",
         0, ""},
    };
    ASSERT_EQ(run("-T in.gdb converted.gdb", dir_.path()).status, 0);
    for (const Row& row : rows) {
        fs::remove(dir_ / "piped.gdb");
        const CommandOutcome outcome =
            run_command("mkfifo " + in + " " + out + " && (" + row.command + "); s=$?; rm -f " +
                            in + " " + out + "; exit $s",
                        dir_.path());
        EXPECT_EQ(outcome.status, row.status) << row.name << "\n" << outcome.out;
        EXPECT_TRUE(outcome.out.ends_with(row.console)) << row.name << "\n" << outcome.out;
        if (row.status == 0) {
            EXPECT_EQ(read_file(dir_ / "piped.gdb"), read_file(dir_ / "converted.gdb")) << row.name;
        }
    }
}

// A child whose address space or file size is limited (setrlimit, through the shell's ulimit)
// ends with korvix's own message and status, or, where the limit leaves room enough, converts;
// it is never ended by a signal, and a run refused for memory leaves the output as it was.
TEST_F(InputSafety, LimitsOfTheSystemEndTheRunWithItsMessage) {
    if (address_sanitizer)
        GTEST_SKIP() << "AddressSanitizer reserves more address space than the limits leave";
    Bytes big = gdb_header(); // more output than the file size limit lets through
    for (int i = 0; i < 5000; ++i)
        big = concat({big, record('W', waypoint_body(std::to_string(100000 + i), 10, 31))});
    write_file(dir_ / "big.gdb", concat({big, closing_record()}));
    ASSERT_EQ(run("-R big.gdb out.gdb", dir_.path()).status, 0);
    const Bytes converted = read_file(dir_ / "out.gdb");

    int refused = 0;
    int completed = 0;
    int refusing_limit = 0; // the largest that refused
    for (int kilobytes = 4000; kilobytes <= 12000; kilobytes += 200) {
        write_file(dir_ / "out.gdb", route_file());
        const CommandOutcome outcome =
            run_command("ulimit -v " + std::to_string(kilobytes) + " && exec " + korvix_command() +
                            " -R big.gdb out.gdb",
                        dir_.path());
        const std::string where = std::to_string(kilobytes) + " KB: " + outcome.out;
        if (outcome.status == 127)
            continue; // the system could not even load the program
        if (outcome.status == 1) {
            ++refused;
            refusing_limit = kilobytes;
            EXPECT_EQ(outcome.out, "Not enough memory\n") << where;
            EXPECT_EQ(read_file(dir_ / "out.gdb"), route_file()) << where;
        } else {
            ++completed;
            EXPECT_EQ(outcome.status, 0) << where;
            EXPECT_EQ(read_file(dir_ / "out.gdb"), converted) << where;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(completed, 0);

    // Refused for memory with standard output appended to the input: the message on standard
    // error, the input as it was.
    const Bytes input = read_file(dir_ / "big.gdb");
    const CommandOutcome appended =
        run_command("ulimit -v " + std::to_string(refusing_limit) + " && exec " + korvix_command() +
                        " -R big.gdb out.gdb >> big.gdb",
                    dir_.path());
    EXPECT_EQ(appended.status, 1);
    EXPECT_EQ(appended.err, "Not enough memory\n");
    EXPECT_TRUE(read_file(dir_ / "big.gdb") == input) << "input changed";

    // 64 blocks of 512 bytes: far less than the output.
    fs::remove(dir_ / "out.gdb");
    const CommandOutcome limited = run_command(
        "ulimit -f 64 && exec " + korvix_command() + " -R big.gdb out.gdb", dir_.path());
    EXPECT_EQ(limited.status, 1);
    EXPECT_TRUE(limited.out.ends_with("Can't write output file\nFile too large\n")) << limited.out;
    EXPECT_FALSE(fs::exists(dir_ / "out.gdb")); // a failed run makes no output
}
#endif

} // namespace
} // namespace korvix
