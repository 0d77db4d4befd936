// GDB files of versions 1, 2 and 3, as MapSource and BaseCamp save them, and files whose header
// has no known version record: the version told by the header, the records parsed and generated
// in its layouts, and counts that the format allows to be negative.
#include "gdb_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace korvix {
namespace {

using namespace testing;

constexpr ConversionMode user_vias = ConversionMode::route_user_vias;
constexpr ConversionMode hidden_vias = ConversionMode::route_hidden_vias;
constexpr ConversionMode all_points = ConversionMode::track_all_points;
constexpr ConversionMode via_points = ConversionMode::track_via_points;
constexpr ConversionMode route_user = ConversionMode::route_from_track_user_vias;
constexpr ConversionMode route_hidden = ConversionMode::route_from_track_hidden_vias;
constexpr char not_gdb[] = "Input file not in GDB format\n";

// A file whose header carries the given 14 bytes behind "MsRcf".
Bytes file_with(const Bytes& fourteen, std::string_view application,
                std::initializer_list<Bytes> records) {
    Bytes file =
        Fields().str("MsRcf").raw(fourteen).str("A").str("B").str("C").str(application).bytes();
    for (const Bytes& r : records)
        file = concat({file, r});
    return concat({file, closing_record()});
}

// The 14 header bytes: a version record with the given bytes, then 7 bytes of an application
// record.
Bytes version_bytes(std::initializer_list<std::uint8_t> first_seven) {
    return Fields().raw(first_seven).raw({0x1F, 0, 0, 0, 'A', 0x5D, 0x02}).bytes();
}

struct VersionChoice {
    const char* name;
    Bytes fourteen;
    int version; // the layouts that must be used; 0: no known version record
};

// A track as the versions store it: (1, 2) with a depth and a temperature, (3, 4), (5, 6) with a
// depth, (9, 10). Read with two fixed closing bytes instead, the presence byte of the depth and its
// first byte close (1, 2); the depth's other 7 bytes and the presence byte of the temperature are
// the position (7, 0x01000008) of a second point, whose point value and closing bytes are the
// temperature's bytes; (3, 4) and (5, 6) follow. The last two points lie too close to the body's
// end to be read in place: they are read field by field.
Bytes deep_track() {
    const Bytes depth = {0xD0, 7, 0, 0, 0, 8, 0, 0};
    const Bytes temperature = {0, 1, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0x7E};
    Fields f;
    f.str("DIVE").raw({0x00, 0x01, 0x00, 0x00, 0x00}).i32(4);
    f.position(1, 2).u8(0).u8(1).raw(depth).u8(1).raw(temperature);
    f.position(3, 4).raw({0, 0, 0});
    f.position(5, 6).u8(0).u8(1).raw(depth).u8(0);
    f.position(9, 10).raw({0, 0, 0});
    return f.bytes();
}

void PrintTo(const VersionChoice& c, std::ostream* os) {
    *os << c.name;
}

class GdbVersion : public ::testing::TestWithParam<VersionChoice> {};

// Only the exact version records of versions 1, 2 and 3 change the layouts; the header is copied
// as read whatever it holds. The lengths of the generated records tell the layout: a waypoint of
// 71 or 80 bytes, a route of 2 points 173, 189 or 202, a track of 2 points 36 or 39; the points
// that -V and -W read from a track with depths tell whether it was read with them.
TEST_P(GdbVersion, TheVersionRecordChoosesTheLayouts) {
    const VersionChoice& c = GetParam();
    const int v = c.version;
    const Bytes route =
        v <= 1 ? route_body("B", {{"P1", 0, 255, {{1, 1}, {2, 2}}}, {"P2", 0, 255, {}}})
               : route_body(v, "B", {{"P1", 0, 255, {{1, 1}, {2, 2}}}, {"P2", 0, 255, {}}}, true,
                            {0x00});
    const Bytes file =
        file_with(c.fourteen, "MapSource",
                  {record('T', track_body("A", {{1, 2}, {3, 4}})), record('R', route)});
    const std::size_t header_size = file_with(c.fourteen, "MapSource", {}).size() - 7;

    const RunResult to_route = convert_bytes(file, route_user);
    const RunResult to_track = convert_bytes(file, all_points);
    ASSERT_EQ(to_route.status, 0) << to_route.console;
    ASSERT_EQ(to_track.status, 0) << to_track.console;
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(header_size),
                           to_route.output.begin()));
    const auto records = split_records(to_route.output, header_size);
    ASSERT_EQ(records.size(), 5u); // 001, 002, the route, the route B passed through, 'V'
    EXPECT_EQ(records[0].second.size(), v == 3 ? 80u : 71u);
    EXPECT_EQ(records[2].second.size(), v <= 1 ? 173u : v == 2 ? 189u : 202u);
    EXPECT_EQ(split_records(to_track.output, header_size)[1],
              std::make_pair('T', generated_track("B", {{1, 1}, {2, 2}}, v)));

    const std::vector<TrackPoint> points_read =
        v == 0 ? std::vector<TrackPoint>{{1, 2}, {7, 0x01000008}, {3, 4}, {5, 6}}
               : std::vector<TrackPoint>{{1, 2}, {3, 4}, {5, 6}, {9, 10}};
    for (const ConversionMode mode : {route_user, route_hidden}) {
        const RunResult deep =
            convert_bytes(file_with(c.fourteen, "MapSource", {record('T', deep_track())}), mode);
        const RunResult plain = convert_bytes(
            file_with(c.fourteen, "MapSource", {record('T', track_body("DIVE", points_read))}),
            mode);
        EXPECT_EQ(deep.status, 0) << deep.console;
        EXPECT_EQ(deep.output, plain.output) << static_cast<char>(mode);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, GdbVersion,
    ::testing::Values(
        VersionChoice{"Dk", version_bytes({2, 0, 0, 0, 'D', 'k', 0}), 1},
        VersionChoice{"Dl", version_bytes({2, 0, 0, 0, 'D', 'l', 0}), 2},
        VersionChoice{"Dm", version_bytes({2, 0, 0, 0, 'D', 'm', 0}), 3},
        VersionChoice{"ArbitraryBytes", Bytes(14, 0x07), 0},
        VersionChoice{"DkWithoutLength",
                      Bytes{'D', 'k', 0, 0, 0, 'A', 0x5E, 0x02, 0, 0, 0, 0, 0, 0}, 0},
        VersionChoice{"DlOneByteLate", version_bytes({0, 2, 0, 0, 0, 'D', 'l'}), 0},
        VersionChoice{"DkWithoutItsZero", version_bytes({2, 0, 0, 0, 'D', 'k', 1}), 0},
        VersionChoice{"DlWithoutItsZero", version_bytes({2, 0, 0, 0, 'D', 'l', 1}), 0},
        VersionChoice{"DmWithoutItsZero", version_bytes({2, 0, 0, 0, 'D', 'm', 'm'}), 0},
        VersionChoice{"LowerCaseD", version_bytes({2, 0, 0, 0, 'd', 'm', 0}), 0},
        VersionChoice{"Dj", version_bytes({2, 0, 0, 0, 'D', 'j', 0}), 0}),
    [](const auto& info) { return std::string(info.param.name); });

// A header is a GDB file's only when it names MapSource or BaseCamp and its version record, if it
// has one, is whole: a damaged length (one flipped byte, 0, or the sign bit) would have its records
// read and written in another version's layouts.
TEST(GdbApplication, MapSourceAndBaseCampAreGdbFilesWithAWholeVersionRecord) {
    const Bytes fourteen = version_bytes({2, 0, 0, 0, 'D', 'm', 0});
    for (const char* name : {"MapSource", "BaseCamp"}) {
        const Bytes file = file_with(fourteen, name, {});
        const RunResult run = convert_bytes(file, all_points);
        EXPECT_EQ(run.status, 0) << name;
        EXPECT_EQ(run.output, file) << name;
    }
    const Bytes track = record('T', track_body("A", {{1, 2}, {3, 4}}));
    const Bytes damaged[] = {
        version_bytes({3, 0, 0, 0, 'D', 'l', 0}),
        version_bytes({0, 0, 0, 0, 'D', 'l', 0}),
        version_bytes({2, 0, 0, 0x80, 'D', 'l', 0}),
        version_bytes({2, 1, 0, 0, 'D', 'm', 0}),
        version_bytes({0xFF, 0xFF, 0xFF, 0xFF, 'D', 'k', 0}),
    };
    for (const Bytes& bytes : damaged) {
        for (const ConversionMode mode : {route_user, all_points}) {
            const RunResult run = convert_bytes(file_with(bytes, "MapSource", {track}), mode);
            EXPECT_EQ(run.status, 1) << int(bytes[0]) << ' ' << int(bytes[3]);
            EXPECT_EQ(run.console, not_gdb) << int(bytes[0]) << ' ' << int(bytes[3]);
        }
    }
    for (const char* name : {"Basecamp", "BaseCampX", "MapSourcf", ""}) {
        const RunResult run = convert_bytes(file_with(fourteen, name, {}), all_points);
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_EQ(run.console, not_gdb) << name;
    }
}

// The generated records of versions 2 and 3 as gpsbabel writes them, for the track A of (1, 2)
// and (3, 4): waypoints of 71 and 80 bytes, the route's points closed by 8 bytes FF (and two 0
// bytes in version 3), the route closed by a 0 byte or by no links, colour 14, 0 and "".
TEST(GeneratedRecords, VersionsTwoAndThreeByteForByte) {
    const Bytes class_block =
        Fields().fill(0x00, 9).fill(0xFF, 12).fill(0x00, 2).fill(0xFF, 4).bytes();
    const Bytes tail = Fields().u8(0x00).u8(0x03).fill(0x00, 17).bytes();
    for (const int v : {2, 3}) {
        SCOPED_TRACE(v);
        Fields waypoint;
        waypoint.str("001")
            .raw(class_block)
            .position(1, 2)
            .raw({0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x12});
        waypoint.fill(0x00, v == 2 ? 20 : 29);
        const Bytes point_end = v == 2 ? Bytes(8, 0xFF) : Fields().fill(0xFF, 8).fill(0, 2).bytes();
        Fields route;
        route.str("A").u8(0x01).u8(0x00).position(3, 4).position(1, 2).i32(2);
        route.str("001").raw(class_block).raw(tail).i32(2).position(1, 2).position(3, 4);
        route.u8(0x00).position(3, 4).position(1, 2).raw(point_end);
        route.str("002").raw(class_block).raw(tail).i32(0).u8(0x01).raw(point_end);
        route.raw(v == 2 ? Bytes{0x00} : Bytes{0, 0, 0, 0, 0x0E, 0, 0, 0, 0x00, 0x00});
        ASSERT_EQ(waypoint.size(), v == 2 ? 71u : 80u);
        ASSERT_EQ(route.size(), v == 2 ? 2u + 99 * 2 - 11 : 2u + 101 * 2 - 2);

        const RunResult run = convert_bytes(
            gdb_file(v, {record('T', track_body("A", {{1, 2}, {3, 4}}))}), route_user);

        ASSERT_EQ(run.status, 0);
        const auto records = split_records(run.output, gdb_header(v).size());
        ASSERT_EQ(records.size(), 4u);
        EXPECT_EQ(records[0], std::make_pair('W', waypoint.bytes()));
        EXPECT_EQ(records[1].second.size(), waypoint.size()); // 002
        EXPECT_EQ(records[2], std::make_pair('R', route.bytes()));
    }
}

// A route as MapSource 6 and BaseCamp write it for airports: no route bounds, route points with
// country codes, a route point tail flag with the bytes behind it, a link list without bounds.
std::vector<RoutePoint> airport_route(std::uint8_t via_class, bool rewritten) {
    const std::uint8_t user_class = rewritten ? via_class : 10;
    const std::uint8_t hidden_class = rewritten ? via_class : 12;
    const std::uint8_t cleared = rewritten ? 255 : 0;
    return {{"AIRPORT",
             user_class,
             rewritten ? cleared : std::uint8_t{31},
             {{10, 20}, {11, 20, 1}, {30, 40}},
             "DE",
             1,
             0},
            {"HIDDEN",
             hidden_class,
             rewritten ? cleared : std::uint8_t{33},
             {{30, 40}, {50, 60}},
             "",
             0,
             1},
            {"FINAL", user_class, 7, {}, "US", 0x80, 1},
            {"BEHIND", user_class, rewritten ? cleared : std::uint8_t{31}, {{70, 80}}, "CH", 0, 0}};
}

// -R and -S rewrite the class and subclass bytes of every route point and waypoint, wherever the
// country code puts the subclass byte, and every other byte stays; -T and -U collect the link
// points of every route point, also those behind a route point without links.
TEST(VersionedRoutes, RewrittenAndCollectedInTheirLayout) {
    const Bytes route_end = {0x00};
    for (const int v : {2, 3}) {
        SCOPED_TRACE(v);
        const auto file_of = [&](std::uint8_t via_class, bool rewritten) {
            return gdb_file(
                v, {record('W', waypoint_body("AIRPORT", rewritten ? via_class : 10,
                                              rewritten ? 255 : 31, Bytes(40, 0x5A), v, "DE")),
                    record('R', route_body(v, "FLIGHT", airport_route(via_class, rewritten), false,
                                           route_end))});
        };
        const Bytes input = file_of(0, false);
        for (const auto& [mode, via_class] :
             {std::pair{user_vias, std::uint8_t{0}}, std::pair{hidden_vias, std::uint8_t{12}}}) {
            const RunResult run = convert_bytes(input, mode);
            EXPECT_EQ(run.status, 0) << run.console;
            EXPECT_EQ(run.output, file_of(via_class, true)) << static_cast<char>(mode);
        }
        const std::pair<ConversionMode, std::vector<Point>> tracks[] = {
            {all_points, {{10, 20}, {11, 20}, {30, 40}, {50, 60}, {70, 80}}},
            {via_points, {{10, 20}, {30, 40}, {50, 60}, {70, 80}}}};
        for (const auto& [mode, points] : tracks) {
            const RunResult run = convert_bytes(input, mode);
            EXPECT_EQ(run.status, 0) << run.console;
            const auto records = split_records(run.output, gdb_header(v).size());
            ASSERT_EQ(records.size(), 3u);
            EXPECT_EQ(records[1], std::make_pair('T', generated_track("FLIGHT", points, v)))
                << static_cast<char>(mode);
        }
    }
}

// Depth and temperature behind a track point are skipped: a track carrying them converts as the
// same track without them.
TEST(VersionedTracks, DepthAndTemperatureAreSkipped) {
    for (const int v : {1, 2, 3}) {
        const RunResult rich = convert_bytes(
            gdb_file(v, {record('T', track_body("DIVE", {{1, 2, true, true, true, true},
                                                         {3, 4, false, false, true, false},
                                                         {5, 6, false, false, false, true}}))}),
            route_user);
        const RunResult bare = convert_bytes(
            gdb_file(v, {record('T', track_body("DIVE", {{1, 2}, {3, 4}, {5, 6}}))}), route_user);
        EXPECT_EQ(rich.status, 0) << v << rich.console;
        EXPECT_EQ(rich.output, bare.output) << v;
    }
}

// Counts are signed 32-bit numbers: a negative count of route points, link points or track
// points means none, and the rest of the body is the remainder.
TEST(NegativeCounts, MeanNoPoints) {
    const Bytes no_points_route =
        Fields().str("R").u8(1).u8(0).position(1, 1).position(0, 0).i32(-1).fill(0x77, 30).bytes();
    const Bytes negative_links_route = Fields()
                                           .str("R")
                                           .u8(1)
                                           .u8(0)
                                           .position(1, 1)
                                           .position(0, 0)
                                           .i32(2)
                                           .raw(waypoint_body("P1", 0, 255, {}))
                                           .fill(0x00, 19)
                                           .i32(-5)
                                           .fill(0x77, 30)
                                           .bytes();
    const Bytes no_points_track = Fields().str("T").fill(0, 5).i32(-3).fill(0x77, 12).bytes();
    // Version 2: a negative link count skips only the link points of its route point.
    std::vector<RoutePoint> v2_points = {{"P1", 0, 255, {}}, {"P2", 0, 255, {{5, 6}, {7, 8}}}};
    Bytes v2_route = route_body(2, "R", v2_points, true, {0x00});
    // Name, flags, bounds (the first with an altitude), count, P1's name, class block and tail.
    const std::size_t first_count = 2 + 2 + (9 + 8) + 9 + 4 + 3 + 27 + 19;
    v2_route[first_count] = 0xFB; // -5
    v2_route[first_count + 1] = v2_route[first_count + 2] = v2_route[first_count + 3] = 0xFF;

    struct Case {
        const char* name;
        int version;
        Bytes input;
        ConversionMode mode;
        Bytes expected;
        const char* message;
    };
    const Case cases[] = {
        {"RoutePointsRewrite", 1, gdb_file({record('R', no_points_route)}), user_vias,
         gdb_file({record('R', no_points_route)}), ""},
        {"RoutePointsToTrack", 1, gdb_file({record('R', no_points_route)}), all_points,
         gdb_file({record('T', generated_track("R", {}))}), ""},
        {"LinkPointsToTrack", 1, gdb_file({record('R', negative_links_route)}), all_points,
         gdb_file({record('T', generated_track("R", {}))}), ""},
        {"LinkPointsVersion2", 2, gdb_file(2, {record('R', v2_route)}), all_points,
         gdb_file(2, {record('T', generated_track("R", {{5, 6}, {7, 8}}, 2))}), ""},
        {"TrackPoints", 1, gdb_file({record('T', no_points_track)}), route_user, gdb_file({}),
         "Track has no points - track skipped\n"},
    };
    for (const Case& c : cases) {
        const RunResult run = convert_bytes(c.input, c.mode);
        EXPECT_EQ(run.status, 0) << c.name << "\n" << run.console;
        EXPECT_EQ(run.output, c.expected) << c.name;
        EXPECT_NE(run.console.find(c.message), std::string::npos) << c.name;
    }
}

} // namespace
} // namespace korvix
