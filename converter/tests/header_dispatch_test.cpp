// The GDB header check and the record loop: what is copied, what is traced, where the run ends.
#include "gdb_builder.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace korvix {
namespace {

using namespace testing;

constexpr ConversionMode all_modes[] = {ConversionMode::route_user_vias,
                                        ConversionMode::route_hidden_vias,
                                        ConversionMode::track_all_points,
                                        ConversionMode::track_via_points,
                                        ConversionMode::route_from_track_user_vias,
                                        ConversionMode::route_from_track_hidden_vias};

constexpr char not_gdb[] = "Input file not in GDB format\n";
constexpr char end_of_input[] = "Unexpected end of input file\n";
constexpr char too_short[] = "Record shorter than its fields - input file corrupt\n";

// The trace lines that records built for a test must produce: type letter and declared length.
std::string trace_of(std::initializer_list<Bytes> records) {
    std::string trace;
    for (const Bytes& r : records) {
        const std::uint32_t length = r[0] | (r[1] << 8) | (r[2] << 16) | (r[3] << 24);
        trace.push_back(static_cast<char>(r[4]));
        trace += ' ' + std::to_string(length) + '\n';
    }
    return trace;
}

TEST(GdbHeader, HeaderAndClosingRecordAreCopiedByteForByte) {
    // Written out by hand once: "MsRcf", 14 bytes, three strings, "MapSource", then V of length 2.
    const Bytes file = {'M', 'S' + 0x20, 'R',  'c', 'f', 0,   0x02, 0,    0,    0,   'D',
                        'k', 0,          '&',  0,   0,   0,   'A',  ']',  0x02, 'x', 0,
                        'y', 0,          0,    'M', 'a', 'p', 'S',  'o',  'u',  'r', 'c',
                        'e', 0,          0x02, 0,   0,   0,   'V',  0x00, 0x01};
    const RunResult run = convert_bytes(file, ConversionMode::track_all_points);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, file);
    EXPECT_EQ(run.console, "V 2\n");
}

TEST(GdbHeader, WrongFileSignatureWritesNothing) {
    for (const char* first : {"MsRcg", "msrcf", "MsRcf2", ""}) {
        const Bytes valid = gdb_file({});
        Bytes file = Fields().str(first).bytes();
        file.insert(file.end(), valid.begin() + 6, valid.end());
        const RunResult run = convert_bytes(file, ConversionMode::track_all_points);
        EXPECT_EQ(run.status, 1) << first;
        EXPECT_TRUE(run.output.empty()) << first;
        EXPECT_EQ(run.console, not_gdb) << first;
    }
}

TEST(GdbHeader, WrongApplicationSignatureKeepsTheHeaderCopiedBeforeIt) {
    const Bytes start =
        Fields().str("MsRcf").fill(0x07, 14).str("one").str("").str("three").bytes();
    const Bytes file = concat({start, Fields().str("MapSourcf").bytes(), closing_record()});
    const RunResult run = convert_bytes(file, ConversionMode::route_user_vias);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, start);
    EXPECT_EQ(run.console, not_gdb);
}

TEST(GdbHeader, InputEndingInsideTheHeaderIsNotGdb) {
    const Bytes header = gdb_header();
    // Every cut, including one that leaves "MapSource" without its 0 byte.
    for (std::size_t cut = 0; cut < header.size(); ++cut) {
        const RunResult run =
            convert_bytes(Bytes(header.begin(), header.begin() + std::ptrdiff_t(cut)),
                          ConversionMode::track_all_points);
        EXPECT_EQ(run.status, 1) << "cut at " << cut;
        EXPECT_EQ(run.console, not_gdb) << "cut at " << cut;
    }
}

// Records that no conversion of the mode looks at pass through whole, each with its trace line.
TEST(RecordLoop, RecordsOfOtherTypesPassThroughInEveryMode) {
    const Bytes link = record('L', Fields().str("link").fill(0x01, 9).bytes());
    const Bytes empty = record('D', {});
    const Bytes lower_waypoint = record('w', waypoint_body("lower", 10, 31));
    const Bytes lower_route = record('r', Fields().fill(0x0A, 80).bytes());
    const Bytes lower_track = record('t', Fields().fill(0x00, 3).bytes());
    const Bytes file = gdb_file({link, empty, lower_waypoint, lower_route, lower_track});
    const std::string trace =
        trace_of({link, empty, lower_waypoint, lower_route, lower_track, closing_record()});
    for (const ConversionMode mode : all_modes) {
        const RunResult run = convert_bytes(file, mode);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, file) << static_cast<char>(mode);
        EXPECT_EQ(run.console, trace);
    }
}

TEST(RecordLoop, ModesCopyTheRecordTypesTheyDoNotConvert) {
    const Bytes waypoint = record('W', waypoint_body("A1", 10, 31));
    const Bytes route =
        record('R', route_body("R1", {{"A1", 10, 31, {{1, 2}, {3, 4}}}, {"A2", 12, 33, {}}}));
    const Bytes track = record('T', track_body("T1", {{1, 2, true, true}, {3, 4}}));

    const Bytes no_routes = gdb_file({waypoint, track, waypoint});
    for (const ConversionMode mode :
         {ConversionMode::track_all_points, ConversionMode::track_via_points}) {
        const RunResult run = convert_bytes(no_routes, mode);
        EXPECT_EQ(run.output, no_routes);
        EXPECT_EQ(run.console, trace_of({waypoint, track, waypoint, closing_record()}));
    }
    const Bytes no_tracks = gdb_file({waypoint, route});
    for (const ConversionMode mode :
         {ConversionMode::route_from_track_user_vias, ConversionMode::route_from_track_hidden_vias})
        EXPECT_EQ(convert_bytes(no_tracks, mode).output, no_tracks);
}

TEST(RecordLoop, NothingBehindTheClosingRecordIsReadOrWritten) {
    const Bytes waypoint = record('W', waypoint_body("A", 0, 0));
    const Bytes file = gdb_file({waypoint});
    // Behind the closing record: another record, and bytes that would fail any read.
    const Bytes behind = concat({record('T', track_body("late", {{1, 1}})), {0xFF, 0xFF}});
    const RunResult run =
        convert_bytes(concat({file, behind}), ConversionMode::route_from_track_user_vias);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, file);
    EXPECT_EQ(run.console, trace_of({waypoint, closing_record()}));
}

TEST(RecordLoop, EmptyBodyIsTheHeaderAloneAndTheNextRecordFollows) {
    const Bytes empty = record('X', {});
    const Bytes waypoint = record('W', waypoint_body("B", 0, 0));
    const Bytes file = gdb_file({empty, waypoint});
    const RunResult run = convert_bytes(file, ConversionMode::route_hidden_vias);
    EXPECT_EQ(run.output, file);
    EXPECT_EQ(run.console, trace_of({empty, waypoint, closing_record()}));
}

TEST(RecordLoop, InputEndingBeforeTheClosingRecordIsReportedOnce) {
    const Bytes waypoint = record('W', waypoint_body("A", 0, 0));
    const Bytes other = record('Z', Fields().fill(1, 30).bytes());
    const Bytes whole = gdb_file({waypoint, other});
    const std::string trace = trace_of({waypoint, other}) + end_of_input;

    const std::size_t inside_other = gdb_header().size() + waypoint.size() + 20;
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(inside_other));
    const RunResult run = convert_bytes(cut, ConversionMode::track_all_points);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.console, trace);
    EXPECT_EQ(run.output, cut); // left as written so far

    const Bytes no_closing(whole.begin(),
                           whole.end() - static_cast<std::ptrdiff_t>(closing_record().size()));
    const RunResult unclosed = convert_bytes(no_closing, ConversionMode::track_all_points);
    EXPECT_EQ(unclosed.status, 1);
    EXPECT_EQ(unclosed.console, trace);
}

// A body length is the unsigned count that the record header holds: 2^31 bytes or more are traced
// as the number they are, never as a negative one, and run into the end of the input.
TEST(RecordLoop, LengthsOfTwoGigabytesAndMoreAreTracedUnsignedAndRunIntoTheEnd) {
    const struct {
        std::int32_t length;
        const char* trace;
    } cases[] = {{-1, "Q 4294967295\n"}, {INT32_MIN, "Q 2147483648\n"}, {-16, "Q 4294967280\n"}};
    for (const auto& c : cases) {
        const Bytes file =
            concat({gdb_header(), record('Q', c.length, Fields().fill(9, 12).bytes())});
        const RunResult run = convert_bytes(file, ConversionMode::route_user_vias);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.console, std::string(c.trace) + end_of_input);
    }
}

// Counts far beyond the bytes of the record or of the file end the run with the failure they
// are, not with what a loop over them would find. (How fast they end, with no loop kept running,
// bench/huge_counts times: a time is no test on a loaded machine.)
TEST(RecordLoop, HugeCountsInShortFilesEndWithTheirFailure) {
    const Bytes huge_route =
        Fields().str("R").fill(0, 2).position(1, 1).position(0, 0).i32(2000000000).bytes();
    const Bytes huge_track = Fields().str("T").fill(0, 5).i32(2000000000).fill(0x11, 60).bytes();
    struct Case {
        ConversionMode mode;
        Bytes record;
        const char* message;
    };
    const Case cases[] = {
        {ConversionMode::route_user_vias, record('R', huge_route), too_short},
        {ConversionMode::track_all_points, record('R', huge_route), too_short},
        {ConversionMode::route_from_track_user_vias, record('T', huge_track), too_short},
        // A declared length of -1 trusts the body to run to the end of the file.
        {ConversionMode::route_user_vias, record('R', -1, huge_route), end_of_input},
        {ConversionMode::track_via_points, record('R', -1, huge_route), end_of_input},
        {ConversionMode::route_from_track_hidden_vias, record('T', -1, huge_track), end_of_input},
    };
    for (const Case& c : cases) {
        const RunResult run =
            convert_bytes(concat({gdb_header(), c.record, closing_record()}), c.mode);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.console.ends_with(c.message)) << run.console;
    }
}

} // namespace
} // namespace korvix
