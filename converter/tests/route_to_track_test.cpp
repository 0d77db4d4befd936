// -T and -U: every route replaced, in its place, by a track of the same name.
#include "gdb_builder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace korvix {
namespace {

using namespace testing;

constexpr ConversionMode all_points = ConversionMode::track_all_points;
constexpr ConversionMode via_points = ConversionMode::track_via_points;
constexpr char limit_message[] = "Route point limit reached - track truncated!\n";

std::string trace_line(const Bytes& record) {
    return std::string(1, static_cast<char>(record[4])) + " " + std::to_string(record.size() - 5) +
           "\n";
}

std::size_t occurrences(const std::string& text, const std::string& line) {
    std::size_t count = 0;
    for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++count;
    return count;
}

class RouteToTrack : public ::testing::TestWithParam<ConversionMode> {};

// The route is gone, its track stands in its place, the waypoints it names stay as they are.
TEST_P(RouteToTrack, TwoViaRouteByteForByte) {
    const Bytes first = record('W', waypoint_body("001", 0, 255));
    const Bytes second = record('W', waypoint_body("002", 0, 255));
    const Bytes route =
        record('R', route_body("A", {{"001", 0, 255, {{1, 2}, {3, 4}}}, {"002", 0, 255, {}}}));
    // clang-format off
    const Bytes track = {
        0x24, 0x00, 0x00, 0x00, 0x54,                                     // length 36, 'T'
        0x41, 0x00, 0x01, 0x02, 0x00, 0x00, 0x00,                         // "A", header bytes
        0x02, 0x00, 0x00, 0x00,                                           // 2 points
        0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // (1, 2)
        0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // (3, 4)
        0x00};
    // clang-format on

    const RunResult result = convert_bytes(gdb_file({first, second, route}), GetParam());

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, concat({gdb_header(), first, second, track, closing_record()}));
    EXPECT_EQ(result.console, trace_line(first) + trace_line(second) + trace_line(route) + "V 2\n");
}

// No route points, or a first route point with no links: a track of no points, body length 12.
TEST_P(RouteToTrack, RouteWithoutLinkPointsGivesEmptyTrack) {
    const Bytes empty_track =
        Fields().i32(12).u8('T').str("A").raw({0x01, 0x02, 0x00, 0x00, 0x00}).i32(0).u8(0).bytes();
    const Bytes links_behind = Fields()
                                   .u8(0x01)
                                   .u8(0x00)
                                   .raw(waypoint_body("B", 10, 31, Bytes(19)))
                                   .i32(2)
                                   .position(1, 2)
                                   .position(3, 4)
                                   .bytes();
    for (const Bytes& route :
         {route_body("A", {}), route_body("A", {{"B", 10, 31, {}}}, links_behind)}) {
        const RunResult result = convert_bytes(gdb_file({record('R', route)}), GetParam());
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.output, concat({gdb_header(), empty_track, closing_record()}));
    }
}

// Each route is read afresh: the second track holds none of the first route's points.
TEST_P(RouteToTrack, EachRouteBecomesItsOwnTrackInPlace) {
    const Bytes between = record('T', track_body("KEPT", {{9, 9}}));
    const RunResult result = convert_bytes(
        gdb_file(
            {record('R', route_body("ONE", {{"A", 0, 255, {{1, 1}, {2, 2}}}, {"B", 0, 255, {}}})),
             between,
             record('R', route_body("TWO", {{"C", 0, 255, {{5, 5}, {6, 6}}}, {"D", 0, 255, {}}}))}),
        GetParam());

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output,
              gdb_file({record('T', generated_track("ONE", {{1, 1}, {2, 2}})), between,
                        record('T', generated_track("TWO", {{5, 5}, {6, 6}}))}));
}

// A name longer than the converter keeps: the track's length counts the name as it is written.
TEST_P(RouteToTrack, LengthFollowsTheNameAsWritten) {
    const std::string name(70000, 'N');
    const RunResult result = convert_bytes(
        gdb_file(
            {record('R', route_body(name, {{"A", 0, 255, {{1, 2}, {3, 4}}}, {"B", 0, 255, {}}}))}),
        GetParam());

    ASSERT_EQ(result.status, 0);
    const auto records = split_records(result.output, gdb_header().size());
    ASSERT_EQ(records.size(), 2u);
    const Bytes& track = records[0].second;
    const std::string kept(reinterpret_cast<const char*>(track.data()));
    EXPECT_TRUE(name.starts_with(kept));
    EXPECT_EQ(track, generated_track(kept, {{1, 2}, {3, 4}}));
    EXPECT_EQ(records[1].first, 'V');
}

TEST_P(RouteToTrack, BrokenRouteEndsTheRun) {
    const Bytes route = route_body("CUT", {{"A", 0, 255, {{1, 2}, {3, 4}}}, {"B", 0, 255, {}}});
    const Bytes cut_short = record('R', static_cast<std::int32_t>(route.size() - 3), route);
    const RunResult corrupt = convert_bytes(gdb_file({cut_short}), GetParam());
    EXPECT_EQ(corrupt.status, 1);
    EXPECT_TRUE(corrupt.console.ends_with("Record shorter than its fields - input file corrupt\n"))
        << corrupt.console;

    const Bytes whole = concat({gdb_header(), record('R', route)});
    const RunResult truncated = convert_bytes(Bytes(whole.begin(), whole.end() - 20), GetParam());
    EXPECT_EQ(truncated.status, 1);
    EXPECT_TRUE(truncated.console.ends_with("Unexpected end of input file\n")) << truncated.console;
}

// A route generated from a track gives back the track's points under -T and -U alike; the
// waypoints generated with it stay as they are.
TEST_P(RouteToTrack, RouteFromTrackGivesBackItsPoints) {
    const std::vector<std::vector<Point>> tracks = {
        {{1, 2}},
        {{1, 2}, {3, 4}},
        {{100, -100}, {-50, 20}, {-50, 30}, {70, 30}, {100, -100}},
    };
    for (const auto& points : tracks) {
        SCOPED_TRACE(points.size());
        std::vector<TrackPoint> track_points;
        track_points.reserve(points.size());
        for (const Point& p : points)
            track_points.push_back({p.latitude, p.longitude});
        const RunResult made =
            convert_bytes(gdb_file({record('T', track_body("PATH", track_points))}),
                          ConversionMode::route_from_track_user_vias);
        ASSERT_EQ(made.status, 0);
        auto expected = split_records(made.output, gdb_header().size());
        ASSERT_EQ(expected.size(), points.size() + 2);
        // A route through a single point has no link points.
        expected[points.size()] = {
            'T', generated_track("PATH", points.size() == 1 ? std::vector<Point>{} : points)};

        const RunResult back = convert_bytes(made.output, GetParam());
        EXPECT_EQ(back.status, 0);
        EXPECT_EQ(split_records(back.output, gdb_header().size()), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, RouteToTrack, ::testing::Values(all_points, via_points),
                         [](const ::testing::TestParamInfo<ConversionMode>& info) {
                             return info.param == all_points ? "AllPoints" : "ViaPoints";
                         });

// Which link points a route contributes, and how repeats collapse.
struct Collection {
    const char* name;
    ConversionMode mode;
    std::vector<RoutePoint> route;
    std::vector<Point> track;
    std::uint8_t bounds_presence = 0;
};

void PrintTo(const Collection& c, std::ostream* os) {
    *os << c.name;
}

const Point a1{10, 10}, x1{15, -20}, a2{20, -30}, x2{-25, 35}, a3{-30, 40};
const LinkPoint l_a1{10, 10}, l_x1{15, -20}, l_a2{20, -30}, l_x2{-25, 35}, l_a3{-30, 40};

std::vector<Collection> collections() {
    const std::vector<RoutePoint> three_vias = {
        {"A1", 0, 255, {l_a1, l_x1, l_a2}}, {"A2", 0, 255, {l_a2, l_x2, l_a3}}, {"A3", 0, 255, {}}};
    const std::vector<RoutePoint> loop = {
        {"A1", 0, 255, {l_a1, l_x1, l_a2}}, {"A2", 0, 255, {l_a2, l_x2, l_a1}}, {"A1", 0, 255, {}}};
    const std::vector<RoutePoint> single_link = {
        {"A1", 0, 255, {l_a1}}, {"A2", 0, 255, {l_a2, l_x2, l_a3}}, {"A3", 0, 255, {}}};
    return {
        {"AllPoints", all_points, three_vias, {a1, x1, a2, x2, a3}},
        {"ViaPoints", via_points, three_vias, {a1, a2, a3}},
        {"AdjacentRepeats",
         all_points,
         {{"A1", 0, 255, {l_a1, l_a1, l_x1, l_x1, l_a2}}, {"A2", 0, 255, {l_a2, l_a2, l_a3}}},
         {a1, x1, a2, a3}},
        {"ClosedLoopAllPoints", all_points, loop, {a1, x1, a2, x2, a1}},
        {"ClosedLoopViaPoints", via_points, loop, {a1, a2, a1}},
        {"SingleLinkPointAllPoints", all_points, single_link, {a1, a2, x2, a3}},
        {"SingleLinkPointViaPoints", via_points, single_link, {a1, a2, a3}},
        {"AltitudesPresentAllPoints",
         all_points,
         {{"A1", 0, 255, {{10, 10, 1}, {15, -20, 2}, {20, -30, 0x80}}}, {"A2", 0, 255, {}}},
         {a1, x1, a2},
         2},
        {"AltitudesPresentViaPoints",
         via_points,
         {{"A1", 0, 255, {{10, 10, 2}, {15, -20, 1}, {20, -30, 1}}}, {"A2", 0, 255, {}}},
         {a1, a2},
         1},
    };
}

class RouteToTrackPoints : public ::testing::TestWithParam<Collection> {};

TEST_P(RouteToTrackPoints, CollectsLinkPoints) {
    const Collection& c = GetParam();
    const RunResult result = convert_bytes(
        gdb_file({record('R', route_body("ROUTE", c.route, {0x01, 0x00}, c.bounds_presence))}),
        c.mode);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, gdb_file({record('T', generated_track("ROUTE", c.track))}));
}

INSTANTIATE_TEST_SUITE_P(Routes, RouteToTrackPoints, ::testing::ValuesIn(collections()),
                         [](const ::testing::TestParamInfo<Collection>& info) {
                             return std::string(info.param.name);
                         });

// The track keeps the first 10000 points; every point offered beyond them prints the message,
// a repeat of the last stored point included.
struct Limit {
    std::size_t distinct;
    bool repeat_last;
    std::size_t messages;
};

void PrintTo(const Limit& limit, std::ostream* os) {
    *os << limit.distinct << " distinct points" << (limit.repeat_last ? " and a repeat" : "");
}

class RouteToTrackLimit : public ::testing::TestWithParam<Limit> {};

TEST_P(RouteToTrackLimit, KeepsTenThousandPoints) {
    const Limit limit = GetParam();
    std::vector<LinkPoint> links;
    std::vector<Point> kept;
    for (std::size_t i = 0; i < limit.distinct; ++i) {
        const auto n = static_cast<std::int32_t>(i);
        links.push_back({n, -n});
        if (i < 10000)
            kept.push_back({n, -n});
    }
    if (limit.repeat_last)
        links.push_back(links.back());

    const RunResult result = convert_bytes(
        gdb_file({record('R', route_body("LONG", {{"A", 0, 255, links}, {"B", 0, 255, {}}}))}),
        all_points);

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(occurrences(result.console, limit_message), limit.messages);
    const auto records = split_records(result.output, gdb_header().size());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].second.size(), std::size("LONG") + 12 * kept.size() + 10);
    EXPECT_EQ(records[0].second, generated_track("LONG", kept));
}

INSTANTIATE_TEST_SUITE_P(Counts, RouteToTrackLimit,
                         ::testing::Values(Limit{10000, false, 0}, Limit{10001, false, 1},
                                           Limit{10005, false, 1}, Limit{10000, true, 1}),
                         [](const ::testing::TestParamInfo<Limit>& info) {
                             return "Points" + std::to_string(info.param.distinct) +
                                    (info.param.repeat_last ? "ThenRepeatOfLast" : "");
                         });

} // namespace
} // namespace korvix
