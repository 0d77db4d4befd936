// The output is replaced only by a run that succeeded: a failed or stopped run leaves an existing
// output byte for byte as it was and makes no new one, and no run leaves a file of its own behind;
// a run that succeeds keeps the output's permissions and the symbolic links that name it, and two
// runs into one output give the whole output of one of them.
#include "gdb_builder.h"
#include "test_files.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// `count` waypoints named from `first` on, which every option copies: a file of about 80 bytes a
// waypoint.
Bytes waypoints_file(int first, int count) {
    Bytes file = gdb_header();
    for (int number = first; number < first + count; ++number) {
        const Bytes waypoint = record('W', waypoint_body(std::to_string(number), 0, 0xFF));
        file.insert(file.end(), waypoint.begin(), waypoint.end());
    }
    const Bytes closing = closing_record();
    file.insert(file.end(), closing.begin(), closing.end());
    return file;
}

class OutputReplacement : public ::testing::Test {
protected:
    CommandOutcome run(const std::string& command) const {
        return run_command(command, dir_.path());
    }
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.path()))
            names.insert(utf8_name(entry.path().filename()));
        return names;
    }

    const std::string korvix_ = korvix_command();
    TempDir dir_{"korvix-replace"};
};

TEST_F(OutputReplacement, AFailedOrStoppedRunLeavesTheOutputAsItWasAndNoFileBehind) {
    const Bytes whole = waypoints_file(1, 3);
    write_file(dir_ / "cut.gdb", Bytes(whole.begin(), whole.end() - 10)); // in the last waypoint
    write_file(dir_ / "text.gdb", std::string_view("not a GDB file\n"));
    write_file(dir_ / "big.gdb", waypoints_file(100000, 2000)); // 160 KB, far above the limit
    // The front of a file, then a writer that keeps the FIFO open: korvix waits for more.
    const Bytes part = concat({gdb_header(), record('W', waypoint_body("A1", 10, 31))});
    write_file(dir_ / "part.gdb", part);

    struct FailedRun {
        const char* name;
        std::string command;
        int status;
        std::string message; // the end of what korvix says, if anything
    };
    std::vector<FailedRun> rows = {
        {"cut input", korvix_ + " -R cut.gdb out.gdb", 1, "Unexpected end of input file\n"},
        {"text input", korvix_ + " -R text.gdb out.gdb", 1, "Input file not in GDB format\n"},
    };
#ifndef _WIN32
    rows.push_back({"file size limit", "ulimit -f 64 && exec " + korvix_ + " -R big.gdb out.gdb", 1,
                    "Can't write output file\n"});
    // SIGTERM once korvix has made its temporary file and waits for input; the shell's status is
    // 128 and the signal's number.
    rows.push_back(
        {"SIGTERM while running",
         "mkfifo in.fifo && { { cat part.gdb; exec sleep 20; } > in.fifo & } && w=$! && {"
         " " +
             korvix_ +
             " -R in.fifo out.gdb > /dev/null & } && k=$! && i=0 &&"
             " while [ $i -lt 500 ] && ! ls -A | grep -q '^\\.out\\.gdb\\.korvix-'; do"
             " sleep 0.01; i=$((i + 1)); done;"
             " kill -TERM $k; wait $k 2>/dev/null; s=$?; kill $w; rm in.fifo; exit $s",
         128 + 15, ""});
#endif
    const Bytes earlier = waypoints_file(500, 2);
    for (const FailedRun& row : rows) {
        for (const bool output_existed : {true, false}) {
            const std::string where =
                std::string(row.name) + (output_existed ? ", output there" : ", no output");
            if (output_existed)
                write_file(dir_ / "out.gdb", earlier);
            else
                fs::remove(dir_ / "out.gdb");
            const std::set<std::string> before = files();
            const CommandOutcome outcome = run(row.command);
            EXPECT_EQ(outcome.status, row.status) << where << "\n" << outcome.out << outcome.err;
            EXPECT_TRUE(outcome.out.ends_with(row.message)) << where << "\n" << outcome.out;
            EXPECT_EQ(fs::exists(dir_ / "out.gdb"), output_existed) << where;
            if (output_existed) {
                EXPECT_TRUE(read_file(dir_ / "out.gdb") == earlier) << where << ": output changed";
            }
            EXPECT_EQ(files(), before) << where << ": a file made or left behind";
        }
    }
}

// The output replaced in place, under every name it is given: the bytes are the new run's, the
// permissions (on Windows the attributes) and the links the earlier ones; a hard link of the
// output keeps the earlier file.
TEST_F(OutputReplacement, ASucceededRunReplacesTheFileKeepingItsPermissionsAndLinks) {
    const Bytes converted = waypoints_file(1, 3);
    const Bytes earlier = waypoints_file(500, 2);
    write_file(dir_ / "in.gdb", converted);

    struct Replaced {
        const char* name;   // what korvix is given
        const char* target; // the file it replaces
        fs::perms permissions;
        bool hidden = false; // Windows: the file's hidden attribute set
    };
    std::vector<Replaced> rows = {{"out.gdb", "out.gdb", fs::perms::none}};
#ifdef _WIN32
    rows.push_back({"out.gdb", "out.gdb", fs::perms::none, true});
#else
    using enum fs::perms;
    fs::create_directory(dir_ / "sub");
    fs::create_directory(dir_ / "files");
    fs::create_symlink("out.gdb", dir_ / "link.gdb");
    fs::create_symlink("../files/far.gdb", dir_ / "sub" / "far.gdb"); // relative to its folder
    fs::create_symlink("sub/far.gdb", dir_ / "chain.gdb");            // a link to a link
    rows.push_back({"out.gdb", "out.gdb", owner_read | owner_write | group_read});
    rows.push_back({"link.gdb", "out.gdb", owner_read | owner_write | others_read});
    rows.push_back({"chain.gdb", "files/far.gdb", owner_all | group_read | group_write});
#endif
    for (const Replaced& row : rows) {
        const fs::path target = dir_ / row.target;
        write_file(target, earlier);
        fs::remove(dir_ / "hard.gdb");
        fs::create_hard_link(target, dir_ / "hard.gdb");
        if (row.permissions != fs::perms::none)
            fs::permissions(target, row.permissions);
#ifdef _WIN32
        if (row.hidden) {
            SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
            ASSERT_NE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0U)
                << "the system keeps no attributes";
        }
        const DWORD attributes = GetFileAttributesW(target.c_str());
#endif
        const fs::perms permissions = fs::status(target).permissions();
        const std::set<std::string> before = files();

        const CommandOutcome outcome = run(korvix_ + " -R in.gdb " + row.name);
        EXPECT_EQ(outcome.status, 0) << row.name << "\n" << outcome.out;
        EXPECT_TRUE(read_file(target) == converted) << row.name;
        EXPECT_EQ(fs::status(target).permissions(), permissions) << row.name;
        EXPECT_TRUE(read_file(dir_ / "hard.gdb") == earlier) << row.name;
        EXPECT_EQ(files(), before) << row.name;
#ifdef _WIN32
        EXPECT_EQ(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN,
                  attributes & FILE_ATTRIBUTE_HIDDEN)
            << row.name;
#else
        EXPECT_TRUE(fs::is_symlink(dir_ / "link.gdb") && fs::is_symlink(dir_ / "chain.gdb") &&
                    fs::is_symlink(dir_ / "sub" / "far.gdb"))
            << row.name;
#endif
    }
}

#ifndef _WIN32
// Two runs into one output, the first held in the middle (its input a FIFO that it waits on) while
// the second runs whole, with an output longer than the first's: the output is the whole output
// of the first, which ended last, with nothing of the second's in it.
TEST_F(OutputReplacement, TwoRunsIntoOneOutputGiveTheWholeOutputOfOne) {
    const Bytes first = waypoints_file(100000, 100);
    const auto middle = first.begin() + static_cast<std::ptrdiff_t>(first.size() / 2);
    write_file(dir_ / "front.gdb", Bytes(first.begin(), middle));
    write_file(dir_ / "rest.gdb", Bytes(middle, first.end()));
    write_file(dir_ / "second.gdb", waypoints_file(200000, 1000));
    const std::set<std::string> before = files();

    const CommandOutcome outcome =
        run("mkfifo in.fifo gate.fifo && { { cat front.gdb; read x < gate.fifo; cat rest.gdb; }"
            " > in.fifo & } && { " +
            korvix_ +
            " -R in.fifo out.gdb > /dev/null & } && first=$! &&"
            " i=0 && while [ $i -lt 500 ] && ! ls -A | grep -q '^\\.out\\.gdb\\.korvix-'; do"
            " sleep 0.01; i=$((i + 1)); done; " +
            korvix_ +
            " -R second.gdb out.gdb > /dev/null;"
            " second=$?; echo > gate.fifo; wait $first; status=$?; rm in.fifo gate.fifo;"
            " exit $((status * 10 + second))");
    EXPECT_EQ(outcome.status, 0) << "10 times the first's status and the second's";
    EXPECT_TRUE(read_file(dir_ / "out.gdb") == first) << read_file(dir_ / "out.gdb").size();
    fs::remove(dir_ / "out.gdb");
    EXPECT_EQ(files(), before);
}
#endif

} // namespace
} // namespace korvix
