// -V and -W: every track replaced by numbered waypoints and a route through them.
#include "gdb_builder.h"
#include "leg_distance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

namespace korvix {
namespace {

using namespace testing;

constexpr ConversionMode user_vias = ConversionMode::route_from_track_user_vias;
constexpr ConversionMode hidden_vias = ConversionMode::route_from_track_hidden_vias;
constexpr char too_many_message[] = "Too many waypoints needed to convert - track skipped\n";
constexpr char no_points_message[] = "Track has no points - track skipped\n";
constexpr char limit_message[] = "Route point limit reached - track truncated!\n";
constexpr char off_the_earth_message[] = "Track point out of range - point skipped\n";
constexpr std::int32_t north_pole = 1 << 30; // 90 degrees in semicircles

std::vector<TrackPoint> track_points(const std::vector<Point>& points) {
    std::vector<TrackPoint> track;
    track.reserve(points.size());
    for (const Point& p : points)
        track.push_back({p.latitude, p.longitude});
    return track;
}

std::string waypoint_name(std::uint32_t number) {
    char name[16];
    std::snprintf(name, sizeof name, "%03u", number);
    return name;
}

std::string trace_line(char type, std::size_t length) {
    return std::string(1, type) + " " + std::to_string(length) + "\n";
}

// The class block of a generated via: class byte 00 (user) or 0C (hidden), eight 00, twelve FF
// (the subclass byte among them), two 00, four FF.
Fields& via_class_block(Fields& f, bool user) {
    return f.u8(user ? 0x00 : 0x0C).fill(0x00, 8).fill(0xFF, 12).fill(0x00, 2).fill(0xFF, 4);
}

// A generated waypoint body: name, class block, position, and the 31-byte trailer whose third
// byte shows a user via (01) or hides it (00).
Bytes generated_waypoint(const std::string& name, Point p, bool user) {
    Fields f;
    via_class_block(f.str(name), user).position(p.latitude, p.longitude);
    return f.u8(0x00).u8(0x00).u8(user ? 0x01 : 0x00).fill(0x00, 7).u8(0x12).fill(0x00, 20).bytes();
}

// The largest latitude and longitude, then the smallest, each with presence byte 0.
Fields& bounds(Fields& f, std::vector<Point>::const_iterator first,
               std::vector<Point>::const_iterator last) {
    const auto [min_lat, max_lat] =
        std::minmax_element(first, last, [](Point a, Point b) { return a.latitude < b.latitude; });
    const auto [min_lon, max_lon] = std::minmax_element(
        first, last, [](Point a, Point b) { return a.longitude < b.longitude; });
    return f.position(max_lat->latitude, max_lon->longitude)
        .position(min_lat->latitude, min_lon->longitude);
}

// The numbers of a track's waypoints when none is taken: consecutive from the first.
std::vector<std::uint32_t> numbers_from(std::uint32_t first, std::size_t count) {
    std::vector<std::uint32_t> numbers(count);
    for (std::size_t i = 0; i < count; ++i)
        numbers[i] = first + static_cast<std::uint32_t>(i);
    return numbers;
}

// A generated route body: each route point but the last links its via to the next one.
Bytes generated_route(const std::string& name, const std::vector<Point>& points,
                      const std::vector<std::uint32_t>& numbers, bool user) {
    Fields f;
    bounds(f.str(name).u8(0x01).u8(0x00), points.begin(), points.end())
        .i32(static_cast<std::int32_t>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        via_class_block(f.str(waypoint_name(numbers[i])), user).u8(0x00).u8(0x03).fill(0x00, 17);
        if (i + 1 == points.size()) {
            f.i32(0).u8(0x01).u8(0x00);
            break;
        }
        const Point from = points[i], to = points[i + 1];
        f.i32(2).position(from.latitude, from.longitude).position(to.latitude, to.longitude).u8(0);
        bounds(f, points.begin() + static_cast<std::ptrdiff_t>(i),
               points.begin() + static_cast<std::ptrdiff_t>(i + 2));
    }
    return f.bytes();
}

// The records that a converted track becomes, its waypoints numbered as given.
Bytes converted_track(const std::string& name, const std::vector<Point>& points,
                      const std::vector<std::uint32_t>& numbers, bool user) {
    Fields records;
    for (std::size_t i = 0; i < points.size(); ++i)
        records.raw(record('W', generated_waypoint(waypoint_name(numbers[i]), points[i], user)));
    return records.raw(record('R', generated_route(name, points, numbers, user))).bytes();
}
Bytes converted_track(const std::string& name, const std::vector<Point>& points,
                      std::uint32_t first_number, bool user) {
    return converted_track(name, points, numbers_from(first_number, points.size()), user);
}

class TrackToRoute : public ::testing::TestWithParam<ConversionMode> {
protected:
    bool user() const { return GetParam() == user_vias; }
};

TEST_P(TrackToRoute, TwoPointTrackByteForByte) {
    // clang-format off
    Bytes first = {
        0x47, 0x00, 0x00, 0x00, 0x57,                                     // length 71, 'W'
        0x30, 0x30, 0x31, 0x00,                                           // "001"
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,             // class block
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,
        0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00,             // (1, 2), no altitude
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, // trailer
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    // clang-format on
    ASSERT_EQ(first.size(), 76u);
    if (!user()) {
        first[9] = 0x0C;
        first[47] = 0x00;
    }
    Fields route;
    route.i32(173).u8('R').str("A").u8(0x01).u8(0x00).position(3, 4).position(1, 2).i32(2);
    via_class_block(route.str("001"), user()).u8(0x00).u8(0x03).fill(0x00, 17);
    route.i32(2).position(1, 2).position(3, 4).u8(0x00).position(3, 4).position(1, 2);
    via_class_block(route.str("002"), user()).u8(0x00).u8(0x03).fill(0x00, 17);
    route.i32(0).u8(0x01).u8(0x00);
    ASSERT_EQ(route.size(), 5u + 173u);
    const Bytes track = record('T', track_body("A", {{1, 2}, {3, 4}}));

    const RunResult result = convert_bytes(gdb_file({track}), GetParam());

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output,
              concat({gdb_header(), first, record('W', generated_waypoint("002", {3, 4}, user())),
                      route.bytes(), closing_record()}));
    // Only the records read are traced.
    EXPECT_EQ(result.console, trace_line('T', track.size() - 5) + "V 2\n");
}

std::size_t occurrences(const std::string& text, const std::string& line) {
    std::size_t count = 0;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        ++count;
    return count;
}

// What a track's points become, whatever else its points carry. A point beyond a pole is left
// out, said once for the track.
TEST_P(TrackToRoute, PointsBecomeVias) {
    struct Case {
        const char* what;
        std::vector<TrackPoint> track;
        Bytes remainder;
        std::vector<Point> vias;
        bool off_the_earth = false;
    };
    const std::vector<Case> cases = {
        {"single point", {{7, -8}}, {}, {{7, -8}}},
        {"second point repeats the first", {{1, 2}, {1, 2}, {3, 4}}, {}, {{1, 2}, {3, 4}}},
        {"altitudes, point values and a remainder",
         {{1, 2, true, false}, {3, 4, false, true}, {5, 6, true, true}},
         {0xEE, 0xEE, 0xEE},
         {{1, 2}, {3, 4}, {5, 6}}},
        {"the poles are on the earth, beyond them not",
         {{north_pole, 5},
          {-north_pole - 1, 5},
          {-north_pole, INT32_MIN},
          {north_pole + 1, 0},
          {-1092849581, 7},
          {3, INT32_MAX}},
         {},
         {{north_pole, 5}, {-north_pole, INT32_MIN}, {3, INT32_MAX}},
         true},
        {"repeats around a point beyond a pole merge",
         {{1, 2}, {INT32_MIN, 2}, {1, 2}, {INT32_MAX, 9}, {3, 4}},
         {},
         {{1, 2}, {3, 4}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult result = convert_bytes(
            gdb_file({record('T', track_body("TRK", c.track, c.remainder))}), GetParam());
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.output, concat({gdb_header(), converted_track("TRK", c.vias, 1, user()),
                                         closing_record()}));
        EXPECT_EQ(occurrences(result.console, off_the_earth_message), c.off_the_earth ? 1u : 0u);
    }
    // A track of points beyond the poles alone has none to convert, and stays out as today's
    // empty track.
    const RunResult beyond = convert_bytes(
        gdb_file({record('T', track_body("OFF", {{INT32_MIN, 0}, {north_pole + 1, 1}}))}),
        GetParam());
    EXPECT_EQ(beyond.status, 0);
    EXPECT_EQ(beyond.output, concat({gdb_header(), closing_record()}));
    EXPECT_NE(beyond.console.find(std::string(off_the_earth_message) + no_points_message),
              std::string::npos)
        << beyond.console;
    // A single point's route: name, head of 24 bytes, one route point of 56.
    const auto records = split_records(
        convert_bytes(gdb_file({record('T', track_body("TRK", {{7, -8}}))}), GetParam()).output,
        gdb_header().size());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].second.size(), std::size("TRK") + 80);
}

// Bounds compare latitudes and longitudes as signed numbers.
TEST_P(TrackToRoute, BoundsAcrossTheEquatorAndThePrimeMeridian) {
    const RunResult result = convert_bytes(
        gdb_file({record('T', track_body("EQ", {{1000, -2000}, {-3000, 500}, {200, -100}}))}),
        GetParam());
    ASSERT_EQ(result.status, 0);
    const auto records = split_records(result.output, gdb_header().size());
    ASSERT_EQ(records.size(), 5u);
    const Bytes& route = records[3].second;
    const auto position_at = [&](std::size_t at) {
        const auto i32 = [&](std::size_t p) {
            return static_cast<std::int32_t>(route[p] | route[p + 1] << 8 | route[p + 2] << 16 |
                                             static_cast<std::uint32_t>(route[p + 3]) << 24);
        };
        return std::pair{i32(at), i32(at + 4)};
    };
    const std::size_t head = std::size("EQ"), leg_bounds = head + 24 + 4 + 46 + 4 + 18 + 1;
    EXPECT_EQ(position_at(head + 2), std::pair(1000, 500));           // route maximum
    EXPECT_EQ(position_at(head + 11), std::pair(-3000, -2000));       // route minimum
    EXPECT_EQ(position_at(leg_bounds), std::pair(1000, 500));         // first leg maximum
    EXPECT_EQ(position_at(leg_bounds + 9), std::pair(-3000, -2000));  // first leg minimum
    EXPECT_EQ(position_at(leg_bounds + 91), std::pair(200, 500));     // second leg maximum
    EXPECT_EQ(position_at(leg_bounds + 100), std::pair(-3000, -100)); // second leg minimum
}

// A name longer than the converter keeps: the route's length counts the name as it is written.
TEST_P(TrackToRoute, LengthFollowsTheNameAsWritten) {
    const std::string name(70000, 'N');
    const RunResult result =
        convert_bytes(gdb_file({record('T', track_body(name, {{1, 2}, {3, 4}}))}), GetParam());
    ASSERT_EQ(result.status, 0);
    const auto records = split_records(result.output, gdb_header().size());
    ASSERT_EQ(records.size(), 4u);
    const Bytes& route = records[2].second;
    const std::string kept(reinterpret_cast<const char*>(route.data()));
    EXPECT_TRUE(name.starts_with(kept));
    EXPECT_EQ(route, generated_route(kept, {{1, 2}, {3, 4}}, numbers_from(1, 2), user()));
}

TEST_P(TrackToRoute, BrokenTrackEndsTheRun) {
    const Bytes track = track_body("CUT", {{1, 2, true, true}, {3, 4}});
    const RunResult corrupt = convert_bytes(
        gdb_file({record('T', static_cast<std::int32_t>(track.size() - 1), track)}), GetParam());
    EXPECT_EQ(corrupt.status, 1);
    EXPECT_TRUE(corrupt.console.ends_with("Record shorter than its fields - input file corrupt\n"))
        << corrupt.console;

    const Bytes whole = concat({gdb_header(), record('T', track)});
    const RunResult truncated = convert_bytes(Bytes(whole.begin(), whole.end() - 10), GetParam());
    EXPECT_EQ(truncated.status, 1);
    EXPECT_TRUE(truncated.console.ends_with("Unexpected end of input file\n")) << truncated.console;
}

INSTANTIATE_TEST_SUITE_P(BothViaKinds, TrackToRoute, ::testing::Values(user_vias, hidden_vias),
                         [](const ::testing::TestParamInfo<ConversionMode>& info) {
                             return info.param == user_vias ? "UserVias" : "HiddenVias";
                         });

// A run of tracks in one file: which are converted, and the number of each one's first waypoint
// (0: skipped); numbers run on across tracks up to 999, or up to --waypoints new waypoints. The
// file's own waypoints, before the tracks and behind them, may go by numbers: then each track's
// numbers are given whole.
struct Scenario {
    const char* name;
    std::vector<std::uint32_t> track_sizes;
    std::vector<std::uint32_t> first_numbers;
    std::vector<std::string> names_before = {};
    std::vector<std::string> names_behind = {};
    std::vector<std::vector<std::uint32_t>> numbers = {}; // each track's, when given
    std::uint32_t waypoints = 0;                          // --waypoints
};

void PrintTo(const Scenario& s, std::ostream* os) {
    *os << s.name;
}

class WaypointNumbering : public ::testing::TestWithParam<Scenario> {};

TEST_P(WaypointNumbering, NumbersRunOnAcrossTracksUpTo999) {
    const Scenario& s = GetParam();
    Bytes input = gdb_header(), expected = gdb_header();
    std::string console;
    const auto add_waypoints = [&](const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            const Bytes waypoint = record('W', waypoint_body(name, 0, 0xFF));
            input = concat({input, waypoint});
            expected = concat({expected, waypoint});
            console += trace_line('W', waypoint.size() - 5);
        }
    };
    add_waypoints(s.names_before);
    for (std::size_t t = 0; t < s.track_sizes.size(); ++t) {
        const std::string name = "TRACK" + std::to_string(t);
        std::vector<Point> points;
        for (std::uint32_t i = 1; i <= s.track_sizes[t]; ++i)
            points.push_back(
                {static_cast<std::int32_t>(t * 100000 + i), -static_cast<std::int32_t>(i)});
        const Bytes track = record('T', track_body(name, track_points(points)));
        input = concat({input, track});
        console += trace_line('T', track.size() - 5);
        if (points.size() > 10000)
            console += limit_message; // once, however many points are left out
        if (!s.numbers.empty() && !s.numbers[t].empty())
            expected = concat({expected, converted_track(name, points, s.numbers[t], true)});
        else if (s.first_numbers[t] != 0)
            expected = concat({expected, converted_track(name, points, s.first_numbers[t], true)});
        else
            console += points.empty() ? no_points_message : too_many_message;
    }
    add_waypoints(s.names_behind);
    input = concat({input, closing_record()});

    const RunResult result = convert_bytes(input, RunSettings{user_vias, {}, false, s.waypoints});

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, concat({expected, closing_record()}));
    EXPECT_EQ(result.console, console + "V 2\n");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, WaypointNumbering,
    ::testing::Values(
        Scenario{"AcrossTracks", {2, 3}, {1, 3}},
        Scenario{"EmptyTrackLeavesCounter", {0, 2}, {0, 1}},
        Scenario{"Exactly999ThenOne", {999, 1}, {1, 0}},
        Scenario{"ThousandAlone", {1000, 2}, {0, 1}},
        Scenario{"From990", {500, 489, 20, 5, 5, 1}, {1, 501, 0, 990, 995, 0}},
        Scenario{"BeyondPointLimit", {10003, 1}, {0, 1}},
        // The file's own waypoint names are never generated again; only names of
        // exactly three digits can meet a generated one.
        Scenario{"TakenBeforeAndBehind",
                 {3, 2},
                 {},
                 {"002", "003", "01", "0004", "004 "},
                 {"006"},
                 {{1, 4, 5}, {7, 8}}},
        Scenario{"BudgetInFreeNumbers",
                 {990, 989},
                 {0, 11},
                 {"001", "002", "003", "004", "005", "006", "007", "008", "009", "010"}},
        Scenario{"SkippedTrackLeavesCounter", {999, 2}, {0, 0}, {"500"}, {}, {{}, {1, 2}}},
        // --waypoints=K: a track past K new waypoints is skipped as one past 999, and numbers
        // skip the file's own names as ever.
        Scenario{"WaypointsGiven", {5, 4, 3, 1, 2}, {1, 6, 0, 10, 0}, {}, {}, {}, 10},
        Scenario{"WaypointsGivenAroundNames", {2, 2}, {0, 0}, {"001", "004"}, {}, {{2, 3}, {}}, 3}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// --points, --tolerance and --split on one track (-V) or route (-T, -U) of `points` positions in a
// straight line, or on three positions of a bend: the routes or tracks made, their sizes and
// names, the waypoints that two parts share, and the line that tells what was made.
struct Reduction {
    const char* what;
    ConversionMode mode;
    std::uint32_t points;
    SimplifyLimits limits;
    std::vector<std::uint32_t> parts; // points of each route or track made; none: skipped
    std::string line;                 // behind the name and ": ", with "%" for the distance
};

void PrintTo(const Reduction& r, std::ostream* os) {
    *os << r.what;
}

class Reductions : public ::testing::TestWithParam<Reduction> {};

TEST_P(Reductions, MakeTheRoutesAndTracksAndSaySo) {
    const Reduction& r = GetParam();
    // A bend of three positions whose middle one is some 9 m off the leg between the others, or
    // a straight line along the equator, where no reduction strays.
    std::vector<Point> points = {{0, 0}, {1000, 50000}, {0, 100000}};
    if (r.points != 3) {
        points.clear();
        for (std::uint32_t i = 0; i < r.points; ++i)
            points.push_back({0, static_cast<std::int32_t>(i * 1000)});
    }
    const bool tracks = r.mode != user_vias;
    Bytes record_read = record('T', track_body("LOG", track_points(points)));
    if (tracks) { // a route from A to B whose link points are the points
        std::vector<RoutePoint> vias(2);
        vias[0].name = "A";
        vias[1].name = "B";
        for (const Point& p : points)
            vias[0].links.push_back({p.latitude, p.longitude});
        record_read = record('R', route_body("LOG", vias));
    }
    const RunResult run = convert_bytes(gdb_file({record_read}), r.mode, r.limits);

    // What the parts should be: each from where the one before ends, of the points kept.
    std::vector<Point> kept = points;
    if (r.points == 3 && r.parts.size() == 1 && r.parts[0] == 2)
        kept = {points[0], points[2]};
    else if (r.points != 3 && r.parts.size() == 1 && r.parts[0] < r.points)
        kept = {points.front(), points.back()};
    Bytes made;
    std::size_t first = 0;
    for (std::size_t part = 0; part < r.parts.size(); ++part) {
        char name[32] = "LOG";
        if (r.parts.size() > 1)
            std::snprintf(name, sizeof name, "LOG %zu/%zu", part + 1, r.parts.size());
        const std::vector<Point> slice(kept.begin() + std::ptrdiff_t(first),
                                       kept.begin() + std::ptrdiff_t(first + r.parts[part]));
        if (tracks)
            made = concat({made, record('T', generated_track(name, slice))});
        else
            made = concat({made, record('R', generated_route(name, slice,
                                                             numbers_from(1 + std::uint32_t(first),
                                                                          slice.size()),
                                                             true))});
        first += r.parts[part] - 1;
    }
    if (!tracks && !r.parts.empty()) { // the waypoints, each joint once, ahead of the routes
        Bytes waypoints;
        for (std::size_t i = 0; i < kept.size(); ++i)
            waypoints = concat(
                {waypoints, record('W', generated_waypoint(waypoint_name(std::uint32_t(i + 1)),
                                                           kept[i], true))});
        made = concat({waypoints, made});
    }
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.output == gdb_file({made})) << "records made";

    std::string line = r.line;
    if (const std::size_t at = line.find('%'); at != std::string::npos) {
        char metres[32];
        std::snprintf(metres, sizeof metres, "%.1f",
                      distance_from_leg_metres(points[0].latitude, points[0].longitude,
                                               points[2].latitude, points[2].longitude,
                                               points[1].latitude, points[1].longitude));
        line.replace(at, 1, metres);
    }
    std::string said = trace_line(tracks ? 'R' : 'T', record_read.size() - 5);
    if (!line.empty())
        said.append("LOG: ").append(line).append("\n");
    if (r.parts.empty())
        said.append(too_many_message);
    EXPECT_EQ(run.console, said.append("V 2\n"));
}

constexpr ConversionMode all_points = ConversionMode::track_all_points;
constexpr ConversionMode via_points = ConversionMode::track_via_points;

INSTANTIATE_TEST_SUITE_P(
    SplitAndReduce, Reductions,
    ::testing::Values(
        Reduction{"FitsAndStays", user_vias, 10, {10, 0, true}, {10}, ""},
        Reduction{"ThreeParts",
                  user_vias,
                  23,
                  {10, 0, true},
                  {10, 10, 5},
                  "23 points -> 3 routes of 10, 10 and 5, within 0.0 m"},
        Reduction{"TwoPartsExactly",
                  user_vias,
                  19,
                  {10, 0, true},
                  {10, 10},
                  "19 points -> 2 routes of 10 and 10, within 0.0 m"},
        Reduction{"LegsOfTwo",
                  user_vias,
                  4,
                  {2, 0, true},
                  {2, 2, 2},
                  "4 points -> 3 routes of 2, 2 and 2, within 0.0 m"},
        Reduction{"BudgetCountsJointsOnce",
                  user_vias,
                  999,
                  {250, 0, true},
                  {250, 250, 250, 250, 3},
                  "999 points -> 5 routes of 250, 250, 250, 250 and 3, within 0.0 m"},
        Reduction{"BudgetExceeded", user_vias, 1000, {250, 0, true}, {}, ""},
        Reduction{
            "ToleranceFirst", user_vias, 23, {10, 5, true}, {2}, "23 points -> 2, within 0.0 m"},
        Reduction{"ReducedToTheLimit", user_vias, 3, {2, 0}, {2}, "3 points -> 2, within % m"},
        Reduction{"WithinATolerance", user_vias, 3, {0, 100}, {2}, "3 points -> 2, within % m"},
        Reduction{"LimitOverrulesTolerance",
                  user_vias,
                  3,
                  {2, 2.5},
                  {2},
                  "3 points -> 2, within % m, not 2.5 m"},
        Reduction{"LimitWithinTolerance", user_vias, 3, {2, 100}, {2}, "3 points -> 2, within % m"},
        Reduction{"TracksOfAllPoints",
                  all_points,
                  23,
                  {10, 0, true},
                  {10, 10, 5},
                  "23 points -> 3 tracks of 10, 10 and 5, within 0.0 m"},
        Reduction{"TrackReduced", all_points, 3, {2, 0}, {2}, "3 points -> 2, within % m"},
        Reduction{"TrackLimitOverrulesTolerance",
                  all_points,
                  3,
                  {2, 2.5},
                  {2},
                  "3 points -> 2, within % m, not 2.5 m"},
        Reduction{"ViaPointsFit", via_points, 23, {10, 0, true}, {2}, ""}),
    [](const ::testing::TestParamInfo<Reduction>& info) { return std::string(info.param.what); });

// A track whose reduced points need more names than are left is skipped, its reduction stopped
// as soon as that is known; one whose points fit the names left is converted as without a
// budget. Two winding tracks, reduced as --points, --tolerance and --split say, under
// --waypoints that leaves the second track from none to all the names it needs.
TEST(NamesLeft, TheNextTrackConvertedWhenItsPointsFitElseSkipped) {
    std::vector<Point> winding;
    winding.reserve(1500);
    for (int i = 0; i < 1500; ++i)
        winding.push_back({static_cast<std::int32_t>(i * 400 + 60000 * std::sin(i / 23.0)),
                           static_cast<std::int32_t>(90000 * std::cos(i / 31.0) + (i % 7) * 40)});
    const Bytes first = record('T', track_body("A", track_points(winding)));
    std::reverse(winding.begin(), winding.end());
    const Bytes second = record('T', track_body("B", track_points(winding)));
    for (const SimplifyLimits limits :
         {SimplifyLimits{.max_points = 60}, SimplifyLimits{.max_points = 250},
          SimplifyLimits{.tolerance_metres = 40},
          SimplifyLimits{.max_points = 30, .tolerance_metres = 40, .split = true}}) {
        const auto run = [&](bool with_second, std::uint32_t waypoints) {
            return convert_bytes(with_second ? gdb_file({first, second}) : gdb_file({first}),
                                 RunSettings{user_vias, limits, false, waypoints});
        };
        const RunResult both = run(true, 0);
        const RunResult alone = run(false, 0);
        const auto waypoints_of = [](const RunResult& r) {
            const auto records = split_records(r.output, header_size_of(r.output));
            return static_cast<std::uint32_t>(std::count_if(
                records.begin(), records.end(), [](const auto& rec) { return rec.first == 'W'; }));
        };
        const std::uint32_t a = waypoints_of(alone), b = waypoints_of(both) - a;
        ASSERT_GT(b, 2u) << "the second track is reduced, not left as it is";
        for (const std::uint32_t left : {0u, 1u, 2u, b / 4, b - 1, b}) {
            SCOPED_TRACE(::testing::Message()
                         << limits.max_points << " points, " << limits.tolerance_metres << " m, "
                         << left << " of " << b << " names left");
            const RunResult limited = run(true, a + left);
            EXPECT_EQ(limited.status, 0);
            if (left >= b) {
                EXPECT_EQ(limited.output, both.output);
                EXPECT_EQ(limited.console, both.console);
            } else {
                EXPECT_EQ(limited.output, alone.output);
                const std::string said = alone.console.substr(0, alone.console.size() - 4) +
                                         trace_line('T', second.size() - 5) + too_many_message +
                                         "V 2\n";
                EXPECT_EQ(limited.console, said);
            }
        }
    }
}

} // namespace
} // namespace korvix
