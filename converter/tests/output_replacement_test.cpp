// The output is replaced only by a run that succeeded: a failed or stopped run leaves an existing
// output byte for byte as it was and makes no new one, and no run leaves a file of its own behind;
// a run that succeeds keeps the output's permissions and the symbolic links that name it, and two
// runs into one output give the whole output of one of them.
#include "gdb_builder.h"
#include "output_commit.h"
#include "test_files.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <filesystem>
#include <iostream>
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
    // No descriptor left for the temporary file: behind standard input, output and error (the
    // others that the test's runner may have left open closed) the input takes the fourth, an
    // existing output the fifth.
    if (!address_sanitizer)
        rows.push_back({"no descriptors",
                        "(n=4; [ -e out.gdb ] && n=5; exec 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&-;"
                        " ulimit -n $n && exec " +
                            korvix_ + " -R big.gdb out.gdb)",
                        1, "Can't open output file\nToo many open files\n"});
    rows.push_back({"file size limit", "ulimit -f 64 && exec " + korvix_ + " -R big.gdb out.gdb", 1,
                    "Can't write output file\nFile too large\n"});
    // Each signal to stop once korvix has made its temporary file (named, or without a name: one
    // of its descriptors then leads to a file removed) and waits for input; the shell's status is
    // 128 and the signal's number. (No core file for SIGQUIT's; and a job that a shell without job
    // control starts in the background would ignore SIGINT and SIGQUIT.)
    const std::pair<const char*, int> stop_signals[] = {
        {"INT", 2},        {"TERM", 15},      {"HUP", 1},   {"QUIT", 3},
        {"USR1", SIGUSR1}, {"USR2", SIGUSR2}, {"ALRM", 14}, {"VTALRM", SIGVTALRM},
        {"PROF", SIGPROF}, {"XCPU", SIGXCPU},
    };
    for (const auto& [name, number] : stop_signals) {
        rows.push_back(
            {name,
             "ulimit -c 0; mkfifo in.fifo && { { cat part.gdb; exec sleep 20; } > in.fifo & } &&"
             " w=$! && { env --default-signal=INT,QUIT " +
                 korvix_ +
                 " -R in.fifo out.gdb > /dev/null & } && k=$! && i=0 &&"
                 " while [ $i -lt 500 ] && ! { ls -A | grep -q '^\\.out\\.gdb\\.korvix-' ||"
                 " ls -l /proc/$k/fd 2>/dev/null | grep -q '(deleted)'; }; do"
                 " sleep 0.01; i=$((i + 1)); done;"
                 " kill -" +
                 name + " $k; wait $k 2>/dev/null; s=$?; kill $w; rm in.fifo; exit $s",
             128 + number, ""});
    }
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
            EXPECT_EQ(outcome.status, row.status) << where << "\n"
                                                  << outcome.out << "\n"
                                                  << outcome.err;
            EXPECT_TRUE(outcome.out.ends_with(row.message)) << where << "\n" << outcome.out;
            EXPECT_EQ(fs::exists(dir_ / "out.gdb"), output_existed) << where;
            if (output_existed) {
                EXPECT_TRUE(read_file(dir_ / "out.gdb") == earlier) << where << ": output changed";
            }
            EXPECT_EQ(files(), before) << where << ": a file made or left behind";
        }
    }
}

#ifndef _WIN32
// Where no temporary file can be made beside the output, the output is not written in its place:
// a folder out of inodes (a tmpfs of as many as it holds) fails the run before anything is
// written; a folder that refuses new files by its permissions has the whole result written to a
// file in the system's temporary folder and copied over an existing output once the run has
// succeeded. korvix runs as another user where the tests run as root, to whom no folder refuses.
TEST_F(OutputReplacement, WhereNoTemporaryFileFitsBesideTheOutputTheOutputIsNotWrittenInPlace) {
    const bool root = geteuid() == 0;
    const fs::path folder = dir_ / "folder";
    const fs::path staging = dir_ / "staging";
    fs::create_directory(folder);
    fs::create_directory(staging);
    const Bytes converted = waypoints_file(1, 3);
    const Bytes earlier = waypoints_file(500, 2);
    write_file(dir_ / "in.gdb", converted);
    const std::string as_user =
        root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : std::string();
    struct Row {
        const char* name;
        bool mounted;  // the folder a tmpfs of no free inode
        bool existing; // an output there before
        int status;
        std::string out; // the end of what korvix says
    };
    const Row rows[] = {
        {"no inodes, output there", true, true, 1,
         "Can't open output file\nNo space left on device\n"},
        {"no inodes, no output", true, false, 1,
         "Can't open output file\nNo space left on device\n"},
        {"no permission, output there", false, true, 0, ""},
        {"no permission, no output", false, false, 1,
         "Can't open output file\nPermission denied\n"},
    };
    for (const Row& row : rows) {
        const std::string where = shell_quoted(utf8_name(folder));
        if (row.mounted) {
            if (!root || run_command("mount -t tmpfs -o size=1m,nr_inodes=" +
                                     std::to_string(row.existing ? 2 : 1) + " tmpfs " + where)
                                 .status != 0) {
                std::cout << row.name << ": skipped, no tmpfs can be mounted here\n";
                continue;
            }
        }
        if (row.existing)
            write_file(folder / "out.gdb", earlier);
        const bool locked = !row.mounted;
        if (locked) {
            chmod(folder.c_str(), 0555);
            // The other user may read the input, write the output and the staging folder.
            chmod(dir_.path().c_str(), 0755);
            if (root) {
                EXPECT_EQ(chown(staging.c_str(), 65534, 65534), 0);
                if (row.existing) {
                    EXPECT_EQ(chown((folder / "out.gdb").c_str(), 65534, 65534), 0);
                }
            }
        }
        struct stat before_file {};
        stat((folder / "out.gdb").c_str(), &before_file);
        const CommandOutcome outcome =
            run("TMPDIR=" + shell_quoted(utf8_name(staging)) + " " + (locked ? as_user : "") +
                korvix_ + " -R in.gdb " + shell_quoted(utf8_name(folder / "out.gdb")));
        EXPECT_EQ(outcome.status, row.status) << row.name << "\n" << outcome.out << outcome.err;
        EXPECT_TRUE(outcome.out.ends_with(row.out)) << row.name << "\n" << outcome.out;
        std::set<std::string> listed;
        for (const auto& entry : fs::directory_iterator(folder))
            listed.insert(utf8_name(entry.path().filename()));
        EXPECT_EQ(listed, row.existing ? std::set<std::string>{"out.gdb"} : std::set<std::string>{})
            << row.name;
        EXPECT_TRUE(fs::is_empty(staging)) << row.name << ": a staged file left behind";
        if (row.existing) {
            EXPECT_TRUE(read_file(folder / "out.gdb") == (row.status == 0 ? converted : earlier))
                << row.name;
            struct stat after_file {};
            stat((folder / "out.gdb").c_str(), &after_file);
            EXPECT_EQ(after_file.st_ino, before_file.st_ino) << row.name << ": not the same file";
        }
        chmod(folder.c_str(), 0755);
        if (row.mounted)
            run_command("umount " + where);
        fs::remove(folder / "out.gdb");
    }
}
#endif

#ifndef _WIN32
// A signal to stop that comes once the output is in place (raised there, in a child process of
// the test's) no longer ends the run: it exits 0 with the whole output, as it has succeeded.
TEST_F(OutputReplacement, ASignalOnceTheOutputIsInPlaceLetsTheRunSucceed) {
    const Bytes converted = waypoints_file(1, 3);
    write_file(dir_ / "in.gdb", converted);
    for (const int signal_number : {SIGINT, SIGTERM, SIGQUIT, SIGUSR1}) {
        for (const bool output_existed : {true, false}) {
            if (output_existed)
                write_file(dir_ / "out.gdb", waypoints_file(500, 2));
            else
                fs::remove(dir_ / "out.gdb");
            const pid_t child = fork();
            ASSERT_NE(child, -1);
            if (child == 0) {
                static int raised;
                raised = signal_number;
                output_in_place_hook = [] { raise(raised); };
                _exit(run_program("-R", dir_ / "in.gdb", dir_ / "out.gdb").status);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << strsignal(signal_number) << ": status " << status;
            EXPECT_TRUE(read_file(dir_ / "out.gdb") == converted) << strsignal(signal_number);
            EXPECT_EQ(files(), (std::set<std::string>{"in.gdb", "out.gdb"}));
        }
    }
}
#endif

#ifndef _WIN32
// What the test changes in the output's folder just before korvix puts its temporary file in
// place, in the child process that runs korvix (output_placing_hook takes no arguments).
struct FolderChange {
    fs::path test_folder;     // holds "a", "b", the link "link" to "a", and "moved"
    bool switch_user = false; // korvix runs as another user, and the change is made as root
};
FolderChange folder_change;

void as_test_user(void (*change)(const fs::path& folder)) {
    if (folder_change.switch_user && seteuid(0) != 0)
        _exit(90);
    change(folder_change.test_folder);
    if (folder_change.switch_user && seteuid(65534) != 0)
        _exit(91);
}

// Runs korvix -R on in.gdb into link/out.gdb in a child process, `change` made at the commit; its
// exit status and what it said.
ProgramRun run_with_folder_change(const fs::path& folder, void (*hook)()) {
    int console[2];
    if (pipe(console) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(console[0]);
        // korvix as another user where the test runs as root, to whom no folder refuses; root
        // stays its saved user, for the change.
        if (folder_change.switch_user &&
            (setresgid(65534, 65534, 0) != 0 || setresuid(65534, 65534, 0) != 0))
            _exit(92);
        output_placing_hook = hook;
        const ProgramRun run = run_program("-R", folder / "in.gdb", folder / "link" / "out.gdb");
        const ssize_t written = write(console[1], run.console.data(), run.console.size());
        _exit(written == static_cast<ssize_t>(run.console.size()) ? run.status : 93);
    }
    close(console[1]);
    ProgramRun run;
    char buffer[4096];
    for (ssize_t got; (got = read(console[0], buffer, sizeof buffer)) > 0;)
        run.console.append(buffer, static_cast<std::size_t>(got));
    close(console[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// What a change of the folder at the commit comes to: the run's status, the end of what korvix
// says, and the folder whose out.gdb then holds the new output, if any.
struct FolderChangeRow {
    const char* name;
    void (*change)();
    int status;
    const char* message;
    const char* placed;
};

const FolderChangeRow folder_change_rows[] = {
    {"folder renamed",
     [] {
         as_test_user([](const fs::path& d) {
             std::error_code error;
             fs::rename(d / "a", d / "moved", error);
         });
     },
     0, "V 2\n", "moved"},
    {"link repointed",
     [] {
         as_test_user([](const fs::path& d) {
             std::error_code error;
             fs::remove(d / "link", error);
             fs::create_directory_symlink("b", d / "link", error);
         });
     },
     0, "V 2\n", "a"},
    {"folder made read-only",
     [] { as_test_user([](const fs::path& d) { chmod((d / "a").c_str(), 0555); }); }, 1,
     "Can't write output file\nPermission denied\n", nullptr},
    {"folder removed",
     [] {
         as_test_user([](const fs::path& d) {
             std::error_code error;
             fs::remove(d / "a" / "out.gdb", error);
             fs::remove(d / "a", error);
         });
     },
     1, "Can't write output file\nNo such file or directory\n", nullptr},
};

// The folders "a" and "b", writable to all, the link "link" to "a", and in "a" the earlier output
// when there is one, writable to all.
void prepare_folders(const fs::path& test_folder, const Bytes* earlier) {
    for (const char* folder : {"a", "b", "moved", "link"})
        fs::remove_all(test_folder / folder);
    for (const char* folder : {"a", "b"}) {
        fs::create_directory(test_folder / folder);
        fs::permissions(test_folder / folder, fs::perms::all);
    }
    fs::create_directory_symlink("a", test_folder / "link");
    if (earlier != nullptr) {
        write_file(test_folder / "a" / "out.gdb", *earlier);
        chmod((test_folder / "a" / "out.gdb").c_str(), 0666);
    }
}

// Whether the file system of the folder makes unnamed files: where it does not, korvix names its
// temporary file from the start, which a folder that takes no more changes keeps.
bool makes_unnamed_files(const fs::path& folder) {
#ifdef O_TMPFILE
    const int unnamed = open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (unnamed != -1)
        close(unnamed);
    return unnamed != -1;
#else
    (void)folder;
    return false;
#endif
}

// The output's folder changed just before the temporary file is put in place: a folder renamed,
// or the link that the output is named through repointed to another, takes the output into the
// folder that korvix found when it began; a folder made read-only, or removed, fails the run with
// the system's reason. Either way korvix leaves no file of its own behind, and a failed run
// leaves an existing output as it was.
TEST_F(OutputReplacement, AFolderChangedAtTheCommitLeavesNoFileBehind) {
    const Bytes converted = waypoints_file(1, 3);
    const Bytes earlier = waypoints_file(500, 2);
    write_file(dir_ / "in.gdb", converted);
    folder_change = {dir_.path(), geteuid() == 0};
    chmod(dir_.path().c_str(), 0755);
    const auto listed = [&](const char* folder) {
        std::set<std::string> names;
        std::error_code error;
        for (fs::directory_iterator entry(dir_ / folder, error), end; entry != end; ++entry)
            names.insert(utf8_name(entry->path().filename()));
        return names;
    };
    for (const FolderChangeRow& row : folder_change_rows) {
        if (row.status != 0 && !makes_unnamed_files(dir_.path())) {
            std::cout << row.name << ": skipped, no unnamed files in the test's folder\n";
            continue;
        }
        for (const bool output_existed : {true, false}) {
            const std::string where =
                std::string(row.name) + (output_existed ? ", output there" : ", no output");
            prepare_folders(dir_.path(), output_existed ? &earlier : nullptr);
            const ProgramRun run = run_with_folder_change(dir_.path(), row.change);
            EXPECT_EQ(run.status, row.status) << where << "\n" << run.console;
            EXPECT_TRUE(run.console.ends_with(row.message)) << where << "\n" << run.console;
            // The new output where it was placed, the earlier one where a failed run keeps it.
            const char* kept = row.placed == nullptr && output_existed ? "a" : nullptr;
            for (const char* folder : {"a", "b", "moved"}) {
                const bool placed = row.placed != nullptr && std::string(folder) == row.placed;
                const bool stays =
                    kept != nullptr && fs::exists(dir_ / kept) && std::string(folder) == kept;
                EXPECT_EQ(listed(folder), placed || stays ? std::set<std::string>{"out.gdb"}
                                                          : std::set<std::string>{})
                    << where << ": " << folder;
                if (placed || stays) {
                    EXPECT_TRUE(read_file(dir_ / folder / "out.gdb") ==
                                (placed ? converted : earlier))
                        << where << ": " << folder;
                }
            }
            chmod((dir_ / "a").c_str(), 0777);
        }
    }
}
#endif

#ifdef _WIN32
// The output's folder renamed just before the temporary file is put in place: the names that
// korvix has lead nowhere then, and the run fails with the system's reason, its temporary file
// removed by its handle in the folder's new place; an existing output stays as it was.
// (Wine keeps the name an open file was opened by, and removes or renames it by that name: there
// the test is skipped.)
TEST_F(OutputReplacement, AFolderRenamedAtTheCommitLeavesNoFileBehind) {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr)
        GTEST_SKIP() << "Wine removes and renames an open file by the name it was opened by";
    const Bytes earlier = waypoints_file(500, 2);
    write_file(dir_ / "in.gdb", waypoints_file(1, 3));
    static fs::path test_folder;
    static bool renamed;
    test_folder = dir_.path();
    output_placing_hook = [] {
        std::error_code error;
        fs::rename(test_folder / "a", test_folder / "moved", error);
        renamed = !error;
    };
    for (const bool output_existed : {true, false}) {
        fs::remove_all(dir_ / "moved");
        fs::create_directory(dir_ / "a");
        if (output_existed)
            write_file(dir_ / "a" / "out.gdb", earlier);
        renamed = false;
        const ProgramRun run = run_program("-R", dir_ / "in.gdb", dir_ / "a" / "out.gdb");
        if (!renamed) {
            std::cout << "the system renames no folder that holds an open file\n";
            continue;
        }
        EXPECT_EQ(run.status, 1) << run.console;
        EXPECT_TRUE(run.console.find("Can't write output file\n") != std::string::npos)
            << run.console;
        EXPECT_FALSE(run.console.ends_with("Can't write output file\n")) << "no reason given";
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_ / "moved"))
            names.insert(utf8_name(entry.path().filename()));
        EXPECT_EQ(names,
                  output_existed ? std::set<std::string>{"out.gdb"} : std::set<std::string>{})
            << output_existed << "\n"
            << run.console;
        if (output_existed) {
            EXPECT_TRUE(read_file(dir_ / "moved" / "out.gdb") == earlier);
        }
    }
    output_placing_hook = nullptr;
}
#endif

#ifdef __linux__
// The replaced output keeps its extended attributes: a user.* attribute, and an ACL
// (system.posix_acl_access) that lets one more user read it, as `setfacl -m u:65534:r` gives.
// Skipped where the test's folder takes no user.* attributes.
TEST_F(OutputReplacement, AReplacedOutputKeepsItsExtendedAttributes) {
    const Bytes converted = waypoints_file(1, 3);
    write_file(dir_ / "in.gdb", converted);
    fs::create_symlink("out.gdb", dir_ / "link.gdb");
    // An ACL as the kernel takes it: version 2, then each entry's tag, permissions and user (16,
    // 16 and 32 bits, little-endian), ordered by tag: the owner rw-, user 65534 r--, the group
    // r--, the mask r--, others ---.
    std::string acl;
    const auto add = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            acl.push_back(static_cast<char>(value >> (8 * i)));
    };
    add(2, 4);
    const std::uint32_t entries[][3] = {{0x01, 6, 0xFFFFFFFF},
                                        {0x02, 4, 65534},
                                        {0x04, 4, 0xFFFFFFFF},
                                        {0x10, 4, 0xFFFFFFFF},
                                        {0x20, 0, 0xFFFFFFFF}};
    for (const auto& entry : entries) {
        add(entry[0], 2);
        add(entry[1], 2);
        add(entry[2], 4);
    }
    const std::pair<const char*, std::string> attributes[] = {
        {"user.korvix.note", "kept by korvix"}, {"system.posix_acl_access", acl}};
    const std::string out = utf8_name(dir_ / "out.gdb");
    for (const char* given : {"out.gdb", "link.gdb"}) {
        write_file(dir_ / "out.gdb", waypoints_file(500, 2));
        std::vector<std::pair<const char*, std::string>> set;
        for (const auto& [name, value] : attributes) {
            if (setxattr(out.c_str(), name, value.data(), value.size(), 0) == 0)
                set.emplace_back(name, value);
            else if (set.empty())
                GTEST_SKIP() << "no user.* attributes here: " << strerror(errno);
        }
        const CommandOutcome outcome = run(korvix_ + " -R in.gdb " + given);
        EXPECT_EQ(outcome.status, 0) << given << "\n" << outcome.out;
        EXPECT_TRUE(read_file(dir_ / "out.gdb") == converted) << given;
        for (const auto& [name, value] : set) {
            std::string kept(value.size() + 16, '\0');
            const ssize_t size = getxattr(out.c_str(), name, kept.data(), kept.size());
            kept.resize(size < 0 ? 0 : static_cast<std::size_t>(size));
            EXPECT_EQ(kept, value) << given << ": " << name;
        }
    }
}
#endif

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
    // An output path of 4091 bytes, which the system takes, beside which no temporary path fits
    // in the 4096 bytes of a path: made in the folder opened, the temporary file needs none.
    std::string long_path = ".";
    while (long_path.size() < 4091 - std::string_view("/out.gdb").size())
        long_path += "/.";
    long_path += "/out.gdb";
    rows.push_back({long_path.c_str(), "out.gdb", owner_read | owner_write});
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
            " i=0 && while [ $i -lt 500 ] && ! { ls -A | grep -q '^\\.out\\.gdb\\.korvix-' ||"
            " ls -l /proc/$first/fd 2>/dev/null | grep -q '(deleted)'; }; do"
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
