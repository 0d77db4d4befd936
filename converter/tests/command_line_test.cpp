// The korvix program as a user runs it: arguments, files created or not, messages, exit status.
#include "command_line.h"
#include "gdb_builder.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

TEST(ParseCommandLine, OnlyTheLetterBehindTheDashCounts) {
    const std::pair<const char*, ConversionMode> cases[] = {
        {"-R", ConversionMode::route_user_vias},
        {"-r", ConversionMode::route_user_vias},
        {"-S", ConversionMode::route_hidden_vias},
        {"-s", ConversionMode::route_hidden_vias},
        {"-T", ConversionMode::track_all_points},
        {"-t", ConversionMode::track_all_points},
        {"-U", ConversionMode::track_via_points},
        {"-u", ConversionMode::track_via_points},
        {"-Uxyz", ConversionMode::track_via_points},
        {"-V", ConversionMode::route_from_track_user_vias},
        {"-v", ConversionMode::route_from_track_user_vias},
        {"-W", ConversionMode::route_from_track_hidden_vias},
        {"-w", ConversionMode::route_from_track_hidden_vias},
        {"-X", ConversionMode::track_all_points},
        {"-", ConversionMode::track_all_points},
    };
    for (const auto& [option, mode] : cases) {
        const std::string_view arguments[] = {option, "in", "out"};
        const auto line = parse_command_line(arguments);
        ASSERT_TRUE(line.has_value()) << option;
        EXPECT_EQ(line->mode, mode) << option;
    }
}

TEST(ParseCommandLine, ExactlyTwoFileNamesFollowTheOptionalOption) {
    using Args = std::vector<std::string_view>;
    for (const Args& wrong : {Args{}, Args{"in"}, Args{"-R", "in"}, Args{"in", "out", "extra"},
                              Args{"-R", "in", "out", "extra"}, Args{"-R", "-S", "in", "out"}})
        EXPECT_FALSE(parse_command_line(wrong).has_value()) << wrong.size() << " arguments";

    const Args plain{"a", "b"};
    const auto line = parse_command_line(plain);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->mode, ConversionMode::track_all_points);
    EXPECT_EQ(line->input_path, "a.gdb");
    EXPECT_EQ(line->output_path, "b.gdb");
}

// --points, --tolerance, --split, --fit and --waypoints wherever they stand, with their value
// behind '=' or as the next word; every other word keeps its meaning.
TEST(ParseCommandLine, LongOptionsStandAnywhere) {
    struct Row {
        std::vector<std::string_view> arguments;
        ConversionMode mode;
        std::uint32_t points;
        double metres;
        bool split = false;
        bool fit = false;
        std::uint32_t waypoints = 0;
    };
    const Row rows[] = {
        {{"-W", "in", "--split", "out", "--points=250"},
         ConversionMode::route_from_track_hidden_vias,
         250,
         0,
         true},
        {{"-V", "--points=50", "in", "out"}, ConversionMode::route_from_track_user_vias, 50, 0},
        {{"--points", "250", "-W", "in", "out"},
         ConversionMode::route_from_track_hidden_vias,
         250,
         0},
        {{"in", "out", "--tolerance=2.5"}, ConversionMode::track_all_points, 0, 2.5},
        {{"-U", "in", "--tolerance", "10", "out", "--points=2"},
         ConversionMode::track_via_points,
         2,
         10},
        {{"-T", "in", "out", "--points=10000"}, ConversionMode::track_all_points, 10000, 0},
        {{"-V", "--tolerance=000000001", "in", "out"},
         ConversionMode::route_from_track_user_vias,
         0,
         1},
        {{"in", "out", "--tolerance", "123456789012"},
         ConversionMode::track_all_points,
         0,
         123456789012.0},
        {{"--tolerance=0000000000.25", "-W", "in", "out"},
         ConversionMode::route_from_track_hidden_vias,
         0,
         0.25},
        {{"-V", "--points=000002", "in", "out"}, ConversionMode::route_from_track_user_vias, 2, 0},
        {{"in", "out", "--points", "0000000000000000250"},
         ConversionMode::track_all_points,
         250,
         0},
        {{"-V", "--fit", "in", "out"},
         ConversionMode::route_from_track_user_vias,
         0,
         0,
         false,
         true},
        {{"--waypoints", "500", "-W", "in", "out", "--fit", "--points=250", "--split"},
         ConversionMode::route_from_track_hidden_vias,
         250,
         0,
         true,
         true,
         500},
        {{"-V", "--waypoints=0999", "in", "out", "--tolerance=5", "--fit"},
         ConversionMode::route_from_track_user_vias,
         0,
         5,
         false,
         true,
         999},
        {{"-W", "in", "out", "--waypoints=1"},
         ConversionMode::route_from_track_hidden_vias,
         0,
         0,
         false,
         false,
         1},
    };
    for (const Row& row : rows) {
        const auto line = parse_command_line(row.arguments);
        ASSERT_TRUE(line.has_value()) << row.arguments[0];
        EXPECT_EQ(line->action, CommandLine::Action::convert) << row.arguments[0];
        EXPECT_EQ(line->mode, row.mode) << row.arguments[0];
        EXPECT_EQ(line->limits.max_points, row.points) << row.arguments[0];
        EXPECT_EQ(line->limits.tolerance_metres, row.metres) << row.arguments[0];
        EXPECT_EQ(line->limits.split, row.split) << row.arguments[0];
        EXPECT_EQ(line->settings().fit, row.fit) << row.arguments[0];
        EXPECT_EQ(line->settings().waypoint_limit, row.waypoints) << row.arguments[0];
        EXPECT_EQ(line->input_path, "in.gdb");
        EXPECT_EQ(line->output_path, "out.gdb");
    }
}

TEST(ParseCommandLine, AnyDotInTheNameSuppressesTheDefaultExtension) {
    EXPECT_EQ(with_default_extension("in"), "in.gdb");
    EXPECT_EQ(with_default_extension("in.dat"), "in.dat");
    EXPECT_EQ(with_default_extension("maps/in"), "maps/in.gdb");
    EXPECT_EQ(with_default_extension("maps.d/in"), "maps.d/in");
    EXPECT_EQ(with_default_extension("./in"), "./in");
    EXPECT_EQ(with_default_extension("in."), "in.");
    // An output name that ends in a folder separator stays a folder's name; an input's gets the
    // extension as it always did ("maps/" reads "maps/.gdb").
    const std::pair<std::string_view, std::string_view> outputs[] = {
        {"out", "out.gdb"},   {"maps/out", "maps/out.gdb"}, {"maps/", "maps/"}, {"/", "/"},
#ifdef _WIN32
        {"maps\\", "maps\\"},
#else
        {"maps\\", "maps\\.gdb"}, // a backslash is a file name's character
#endif
    };
    for (const auto& [given, opened] : outputs) {
        const std::string_view arguments[] = {"maps/", given};
        const auto line = parse_command_line(arguments);
        ASSERT_TRUE(line.has_value()) << given;
        EXPECT_EQ(line->output_path, opened) << given;
        EXPECT_EQ(line->input_path, "maps/.gdb") << given;
    }
}

// Runs the real korvix binary in a fresh folder of its own.
class KorvixProgram : public ::testing::Test {
protected:
    CommandOutcome run(const std::string& arguments) {
        return run_command(korvix_command() + " " + arguments, dir_.path());
    }
    void write(const std::string& name, const Bytes& bytes) { write_file(dir_ / name, bytes); }
    Bytes bytes(const std::string& name) { return read_file(dir_ / name); }
    bool exists(const std::string& name) { return fs::exists(dir_ / name); }
    std::vector<std::string> files() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.path()))
            names.push_back(utf8_name(entry.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir_{"korvix-cli"};
};

// A file that -R copies byte for byte: user vias, a track.
Bytes plain_file() {
    return gdb_file({
        record('W', waypoint_body("A1", 0, 0xFF)),
        record('T', track_body("TRACK", {{1, 1}, {2, 2}})),
    });
}

// A file with a route, so that -T and -U give different outputs and a copy shows up.
Bytes route_file() {
    return gdb_file({
        record('W', waypoint_body("A1", 10, 31)),
        record('R',
               route_body("ROUTE", {{"A1", 10, 31, {{1, 1}, {2, 2}, {3, 3}}}, {"A2", 10, 31, {}}})),
    });
}

TEST_F(KorvixProgram, WrongCommandLinesPrintTheUsageAndTouchNoFile) {
    write("in.gdb", route_file());
    for (const char* arguments : {"", "in", "-R in", "in out extra", "-T in out extra"}) {
        const CommandOutcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments;
        EXPECT_EQ(outcome.out, usage_text) << arguments;
        EXPECT_EQ(outcome.err, "");
        EXPECT_EQ(files(), std::vector<std::string>{"in.gdb"}) << arguments;
    }
}

// A long option that is wrong is named on one line before the usage text; no file is touched.
TEST_F(KorvixProgram, LongOptionsAreCheckedBeforeAnyFileIsOpened) {
    write("in.gdb", route_file());
    const std::string points = "--points takes a number of points from 2 to 10000\n";
    const std::string metres = "--tolerance takes a distance in metres above 0\n";
    const std::string waypoints = "--waypoints takes a number of waypoints from 1 to 999\n";
    // Decimals that a double holds only as infinity or as 0, alone and behind a valid value.
    const std::string too_large = "1" + std::string(400, '0');
    const std::string too_small = "0." + std::string(400, '0') + "1";
    const std::string beyond_double[] = {"-T --tolerance=" + too_large + " in out",
                                         "-T --tolerance=" + too_small + " in out",
                                         "-T --tolerance=5 --tolerance " + too_large + " in out",
                                         "-T --tolerance=5 --tolerance=" + too_small + " in out"};
    const std::pair<const char*, std::string> refused[] = {
        {"-V --points=1 in out", points},
        {"-V --points=10001 in out", points},
        {"-V --points=abc in out", points},
        {"-V --points=+5 in out", points},
        {"-V --points=00000 in out", points},
        {"-V --points=0010001 in out", points},
        {"-V in out --points", points},
        {"-T --tolerance=-3 in out", metres},
        {"-T --tolerance=0 in out", metres},
        {"-T --tolerance=1e3 in out", metres},
        {"-T --tolerance= in out", metres},
        {"-T --tolerance=. in out", metres},
        {beyond_double[0].c_str(), metres},
        {beyond_double[1].c_str(), metres},
        {beyond_double[2].c_str(), metres},
        {beyond_double[3].c_str(), metres},
        {"-R --points=50 in out", "--points works only with -T, -U, -V and -W\n"},
        {"-S in out --tolerance=5", "--tolerance works only with -T, -U, -V and -W\n"},
        {"-V --split in out", "--split works only with --points\n"},
        {"-T --tolerance=5 --split in out", "--split works only with --points\n"},
        {"-R --split in out", "--split works only with --points\n"},
        {"-S --points=9 --split in out", "--points works only with -T, -U, -V and -W\n"},
        {"-V --split=1 --points=9 in out", "Unknown option --split=1\n"},
        {"-V --pionts=5 in out", "Unknown option --pionts=5\n"},
        {"-V --fit --waypoints=0 in out", waypoints},
        {"-V --waypoints=1000 in out", waypoints},
        {"-V --waypoints=-1 in out", waypoints},
        {"-V in out --waypoints", waypoints},
        {"-W --waypoints=00000 in out", waypoints},
        {"-T --fit in out", "--fit works only with -V and -W\n"},
        {"in out --fit", "--fit works only with -V and -W\n"},
        {"-R --fit --waypoints=5 in out", "--fit works only with -V and -W\n"},
        {"-U --waypoints=5 in out", "--waypoints works only with -V and -W\n"},
        {"-S --waypoints 5 in out", "--waypoints works only with -V and -W\n"},
        {"-V --fit=1 in out", "Unknown option --fit=1\n"},
        {"in out extra --x", "Unknown option --x\n"},
        // A word of two dashes in the option letter's place, or a file's, is no letter or name.
        {"--pionts=5 in out", "Unknown option --pionts=5\n"},
        {"--spilt --points=50 in out", "Unknown option --spilt\n"},
        {"--split=yes --points=9 in out", "Unknown option --split=yes\n"},
        {"--verbose in out", "Unknown option --verbose\n"},
        {"-- in out", "Unknown option --\n"},
        {"--R in out", "Unknown option --R\n"},
        {"-V in --out", "Unknown option --out\n"},
        {"--help=x", "Unknown option --help=x\n"},
    };
    for (const auto& [arguments, complaint] : refused) {
        const CommandOutcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments;
        EXPECT_EQ(outcome.out, complaint + usage_text) << arguments;
        EXPECT_EQ(files(), std::vector<std::string>{"in.gdb"}) << arguments;
    }

    for (const char* arguments : {"--help", "-V in out --help"}) {
        const CommandOutcome help = run(arguments);
        EXPECT_EQ(help.status, 0) << arguments;
        EXPECT_EQ(help.out, std::string(usage_text) + long_options_text) << arguments;
    }
    const CommandOutcome version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "korvix " KORVIX_VERSION "\n");
    EXPECT_EQ(files(), std::vector<std::string>{"in.gdb"});
}

TEST_F(KorvixProgram, PlainNamesGetTheGdbExtensionAndTheDefaultConversion) {
    write("a.gdb", route_file());
    const CommandOutcome plain = run("a b");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "");
    ASSERT_TRUE(exists("b.gdb"));
    EXPECT_EQ(run("-T a.gdb t.gdb").out, plain.out);
    EXPECT_EQ(bytes("t.gdb"), bytes("b.gdb"));
    EXPECT_NE(bytes("b.gdb"), bytes("a.gdb")); // the route became a track
    for (const char* unknown : {"-X", "-", "-t"}) {
        const CommandOutcome outcome = run(std::string(unknown) + " a x");
        EXPECT_EQ(outcome.out, plain.out) << unknown; // the trace, and no message
        EXPECT_EQ(bytes("x.gdb"), bytes("b.gdb")) << unknown;
    }
}

TEST_F(KorvixProgram, OptionLetterCaseAndTrailingCharactersDoNotMatter) {
    write("in.gdb", route_file());
    ASSERT_EQ(run("-U in upper").status, 0);
    ASSERT_EQ(run("-u in lower").status, 0);
    ASSERT_EQ(run("-Uxyz in suffixed").status, 0);
    ASSERT_EQ(run("-T in all").status, 0);
    EXPECT_EQ(bytes("lower.gdb"), bytes("upper.gdb"));
    EXPECT_EQ(bytes("suffixed.gdb"), bytes("upper.gdb"));
    EXPECT_NE(bytes("all.gdb"), bytes("upper.gdb")); // -U keeps only the vias
}

TEST_F(KorvixProgram, NamesWithADotAreUsedUnchanged) {
    write("in.dat", plain_file());
    fs::create_directory(dir_ / "maps.d");
    write("maps.d/in", plain_file());
    EXPECT_EQ(run("-R in.dat out").status, 0);
    EXPECT_EQ(bytes("out.gdb"), plain_file());
    EXPECT_EQ(run("-R maps.d/in maps.d/out").status, 0);
    EXPECT_EQ(bytes("maps.d/out"), plain_file());
    EXPECT_FALSE(exists("maps.d/out.gdb"));
}

TEST_F(KorvixProgram, FilesThatCannotBeOpenedAreReported) {
    fs::create_directory(dir_ / "folder.gdb");
    std::string deep_path; // longer than any path the system takes
    for (int i = 0; i < 2100; ++i)
        deep_path += "d/";
    // A name part over 255 bytes and a path over 4096 cannot even be examined.
    for (const std::string& input :
         {std::string("absent"), std::string("folder"), std::string(300, 'n'), deep_path + "in"}) {
        const CommandOutcome missing = run("-R " + input + " out");
        EXPECT_EQ(missing.status, 1) << input;
        EXPECT_EQ(missing.out, "Can't open input file\n") << input;
        EXPECT_EQ(missing.err, "") << input;
        EXPECT_FALSE(exists("out.gdb")) << input; // the input is opened first
    }

    write("in.gdb", route_file());
    const CommandOutcome no_folder = run("in no/such/folder/out");
    EXPECT_EQ(no_folder.status, 1);
    EXPECT_TRUE(no_folder.out.starts_with("Can't open output file\n")) << no_folder.out;
    EXPECT_EQ(std::count(no_folder.out.begin(), no_folder.out.end(), '\n'), 2) << no_folder.out;
    EXPECT_EQ(no_folder.err, "");

    // An output that names a folder, there or not, is refused as one before anything is made:
    // neither "adir/.gdb" nor "/.gdb".
    fs::create_directory(dir_ / "adir");
    std::vector<std::string> folders = {"adir/",      "adir/.",   "adir/..", "folder",
                                        "folder.gdb", "no/such/", "/",       "."};
#ifdef _WIN32
    folders.push_back("adir\\");
#endif
    const std::vector<std::string> before = files();
    const bool root_file = fs::exists("/.gdb");
    for (const std::string& output : folders) {
        const CommandOutcome outcome = run("-T in " + output); // unquoted: "adir\\" as it stands
        EXPECT_EQ(outcome.status, 1) << output;
        EXPECT_EQ(outcome.out, "Can't open output file\nIs a directory\n") << output;
        EXPECT_EQ(files(), before) << output;
        EXPECT_TRUE(fs::is_empty(dir_ / "adir")) << output;
    }
    EXPECT_EQ(fs::exists("/.gdb"), root_file);
}

TEST_F(KorvixProgram, BadInputsFailWithTheirMessage) {
    write("text.gdb", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    const CommandOutcome not_gdb = run("text out");
    EXPECT_EQ(not_gdb.status, 1);
    EXPECT_EQ(not_gdb.out, "Input file not in GDB format\n");

    const Bytes whole = plain_file();
    const Bytes cut_bytes(whole.begin(), whole.end() - 10); // inside the track
    write("cut.gdb", cut_bytes);
    const CommandOutcome cut = run("-R cut out");
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(cut.out.ends_with("\nUnexpected end of input file\n")) << cut.out;
#ifdef __linux__
    // A file that fails to read (a process's memory from its unmapped first page on): said as
    // what it is, with the system's reason, not as the end of the input.
    const CommandOutcome unreadable = run("-R /proc/./self/mem out");
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.out, "Can't read input file\nInput/output error\n");
#endif
    // A failed run makes no output, and leaves no file of its own behind.
    EXPECT_EQ(files(), (std::vector<std::string>{"cut.gdb", "text.gdb"}));
}

// A trace that cannot be written (its reader went away, or no standard output at all) costs no
// output.
TEST_F(KorvixProgram, TheTraceNeitherSpoilsNorCutsTheOutput) {
#ifdef _WIN32
    GTEST_SKIP() << "closed descriptors and SIGPIPE are POSIX matters";
#endif
    Bytes big = gdb_header(); // enough waypoints for a trace far larger than a pipe holds
    for (int i = 0; i < 20000; ++i) {
        const Bytes waypoint = record('W', waypoint_body(std::to_string(100000 + i), 0, 0xFF));
        big.insert(big.end(), waypoint.begin(), waypoint.end());
    }
    big = concat({big, closing_record()});
    write("big.gdb", big);

    // Standard output as the output file is refused: see input_safety_test.cpp.
    for (const char* command : {"-R big out.gdb | head -c 1 >/dev/null; exit ${PIPESTATUS[0]}",
                                "-R big out.gdb 0<&- 1>&- 2>&-"}) {
        const std::string line = std::string("'" KORVIX_BINARY "' ") + command;
        fs::remove(dir_ / "out.gdb");
        const CommandOutcome outcome =
            run_command("cd '" + dir_.path().string() + "' && bash -c '" +
                        std::regex_replace(line, std::regex("'"), "'\\''") + "'");
        EXPECT_EQ(outcome.status, 0) << command;
        EXPECT_TRUE(bytes("out.gdb") == big) << command << ": " << bytes("out.gdb").size();
    }
}

// A file is read once ahead for its waypoints' names; what cannot be read twice gives them as they
// come, so that only a name behind the track can be generated again.
TEST_F(KorvixProgram, GeneratedWaypointsTakeNoNameOfTheInput) {
#ifdef _WIN32
    GTEST_SKIP() << "the pipe's command is a POSIX shell command";
#endif
    write("in.gdb", gdb_file({record('W', waypoint_body("002", 0, 0xFF)),
                              record('T', track_body("T", {{1, 1}, {2, 2}, {3, 3}})),
                              record('W', waypoint_body("004", 0, 0xFF))}));
    const auto waypoint_names = [&](const std::string& file) {
        std::string names;
        const Bytes output = bytes(file);
        for (const auto& [type, body] : split_records(output, header_size_of(output)))
            if (type == 'W')
                names += std::string(reinterpret_cast<const char*>(body.data())) + " ";
        return names;
    };
    ASSERT_EQ(run("-V in.gdb file.gdb").status, 0);
    EXPECT_EQ(waypoint_names("file.gdb"), "002 001 003 005 004 ");
    ASSERT_EQ(
        run_command("cat in.gdb | " + korvix_command() + " -V /dev/./stdin pipe.gdb", dir_.path())
            .status,
        0);
    EXPECT_EQ(waypoint_names("pipe.gdb"), "002 001 003 004 004 ");
}

TEST_F(KorvixProgram, AFullDiskIsAFailure) {
#ifdef _WIN32
    GTEST_SKIP() << "no /dev/full on Windows";
#endif
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    // A device that takes no byte (ENOSPC), written at the run's end: the failure with the
    // system's reason, and no line that says the run succeeded (--fit's) before it. A '.' keeps
    // ".gdb" off the name.
    write("in.gdb", route_file());
    write("track.gdb", plain_file());
    for (const char* arguments : {"-R in /dev/./full", "-V --fit track /dev/./full"}) {
        const CommandOutcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 1) << arguments;
        EXPECT_TRUE(outcome.out.ends_with("Can't write output file\nNo space left on device\n"))
            << arguments << "\n"
            << outcome.out;
        EXPECT_EQ(outcome.out.find(" fit in "), std::string::npos) << arguments << "\n"
                                                                   << outcome.out;
    }
}

} // namespace
} // namespace korvix
