// --fit: every track of a file becomes a route within one budget of new waypoints, as close to its
// track as one shared distance allows, or, when even two points a track do not fit, stays a track.
// Each file of the table is converted under each setting of the table; what comes out is read
// back: the routes (through -T, which turns each into a track of its vias), the tracks kept, the
// new waypoints, and the line that ends the run.
#include "gdb_builder.h"
#include "leg_distance.h"
#include "run_driver.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <regex>

namespace korvix {
namespace {

using namespace testing;

// A ride through `count` distinct positions, steps of some 15 m whose heading drifts: 1 m is some
// 107 semicircles.
std::vector<TrackPoint> winding(std::mt19937& random, int count, std::int32_t latitude,
                                std::int32_t longitude) {
    std::normal_distribution<double> drift(0, 0.1);
    double heading = 0;
    double turn = 0;
    double lat = latitude;
    double lon = longitude;
    std::vector<TrackPoint> points;
    for (int i = 0; i < count; ++i) {
        points.push_back({static_cast<std::int32_t>(lat), static_cast<std::int32_t>(lon)});
        turn = 0.85 * turn + drift(random);
        heading += turn;
        lat += 1600 * std::cos(heading);
        lon += 2300 * std::sin(heading);
    }
    return points;
}

std::vector<TrackPoint> straight(int count, std::int32_t latitude, std::int32_t longitude) {
    std::vector<TrackPoint> points;
    for (int i = 0; i < count; ++i)
        points.push_back({latitude + 1000 * i, longitude + 700 * i});
    return points;
}

struct FitFile {
    const char* name;
    Bytes bytes;
    std::vector<std::vector<TrackPoint>> tracks; // as written, in file order
};

FitFile fit_file(const char* name, const std::vector<std::vector<TrackPoint>>& tracks,
                 int own_waypoints = 0) {
    Bytes records;
    for (int i = 1; i <= own_waypoints; ++i) {
        char waypoint[8];
        std::snprintf(waypoint, sizeof waypoint, "%03d", i);
        records = concat({records, record('W', waypoint_body(waypoint, 0, 0))});
    }
    for (std::size_t t = 0; t < tracks.size(); ++t)
        records =
            concat({records, record('T', track_body("TRACK " + std::to_string(t + 1), tracks[t]))});
    return {name, gdb_file({records}), tracks};
}

std::vector<FitFile> fit_files() {
    std::mt19937 random(30);
    std::vector<FitFile> files;
    // As a GPS leaves a season: waypoints 001 to 312, 10 winding tracks and 16 of one position.
    {
        std::vector<std::vector<TrackPoint>> tracks;
        const int lengths[] = {7, 12, 40, 95, 210, 380, 640, 980, 1430, 1904};
        for (int i = 0, winding_tracks = 0; i < 26; ++i) {
            const std::int32_t at = 560000000 + i * 300000;
            if (i % 5 == 1 || i == 25)
                tracks.push_back(winding(random, lengths[winding_tracks++], at, 95000000));
            else
                tracks.push_back({{at, 95000000}, {at, 95000000}}); // one position, twice
        }
        files.push_back(fit_file("Season", tracks, 312));
    }
    {
        std::vector<std::vector<TrackPoint>> tracks;
        std::uniform_int_distribution<int> length(3, 40);
        for (int i = 0; i < 300; ++i)
            tracks.push_back(winding(random, length(random), 600000000 + i * 50000, -3000000));
        files.push_back(fit_file("ManySmall", tracks));
    }
    {
        std::vector<std::vector<TrackPoint>> tracks;
        for (int i = 0; i < 5; ++i)
            tracks.push_back(straight(100, 400000000 + i * 200000, 10000000));
        tracks.push_back(winding(random, 6000, 401000000, 10500000));
        for (int i = 0; i < 5; ++i)
            tracks.push_back(straight(300, 402000000 + i * 200000, 10000000));
        tracks.push_back({}); // no points: kept as a track
        files.push_back(fit_file("WindingAmongStraight", tracks, 3));
    }
    // Two points a track take 1100 waypoints, one position 10 more.
    {
        std::vector<std::vector<TrackPoint>> tracks;
        std::uniform_int_distribution<int> length(2, 30);
        for (int i = 0; i < 560; ++i)
            tracks.push_back(i % 56 == 0 ? std::vector<TrackPoint>{{i * 1000, 5000}}
                                         : winding(random, length(random), i * 100000, 5000));
        files.push_back(fit_file("MoreTracksThanNames", tracks));
    }
    return files;
}

struct FitSetting {
    const char* name;
    std::uint32_t waypoints = 0; // --waypoints
    std::uint32_t points = 0;    // --points
    bool split = false;
};

constexpr FitSetting fit_settings[] = {
    {"budget"}, {"waypoints100", 100}, {"points50", 0, 50}, {"split50", 0, 50, true}};

// The positions of a track body as the builder writes it and as -T writes a route's: name, five
// bytes, the count, 12 bytes a point.
std::vector<Point> track_positions(const Bytes& body, std::string* name = nullptr) {
    std::size_t at = 0;
    while (body[at] != 0)
        ++at;
    if (name != nullptr)
        *name = std::string(body.begin(), body.begin() + std::ptrdiff_t(at));
    at += 1 + 5;
    const auto i32 = [&](std::size_t p) {
        return static_cast<std::int32_t>(body[p] | (body[p + 1] << 8) | (body[p + 2] << 16) |
                                         (static_cast<std::uint32_t>(body[p + 3]) << 24));
    };
    const std::int32_t count = i32(at);
    at += 4;
    std::vector<Point> points;
    for (std::int32_t k = 0; k < count; ++k, at += 12)
        points.push_back({i32(at), i32(at + 4)});
    return points;
}

// The largest distance of the track's points from the route: each point from the leg between the
// route's points on either side of it, which are points of the track, in order.
double route_distance(const std::vector<TrackPoint>& track, const std::vector<Point>& route) {
    std::vector<Point> points;
    for (const TrackPoint& p : track)
        if (points.empty() || points.back().latitude != p.latitude ||
            points.back().longitude != p.longitude)
            points.push_back({p.latitude, p.longitude});
    double worst = 0;
    std::size_t leg = 0; // route[leg] is the point matched last
    EXPECT_TRUE(!route.empty() && route[0].latitude == points[0].latitude &&
                route[0].longitude == points[0].longitude);
    for (std::size_t k = 1; k < points.size() && leg + 1 < route.size(); ++k) {
        const Point& a = route[leg];
        const Point& b = route[leg + 1];
        if (points[k].latitude == b.latitude && points[k].longitude == b.longitude) {
            ++leg;
            continue;
        }
        worst = std::max(worst,
                         distance_from_leg_metres(a.latitude, a.longitude, b.latitude, b.longitude,
                                                  points[k].latitude, points[k].longitude));
    }
    EXPECT_EQ(leg + 1, route.size()) << "the route's points are not the track's, in order";
    return worst;
}

// Distinct positions of a track: the points korvix collects.
std::uint32_t collected(const std::vector<TrackPoint>& track) {
    std::uint32_t n = 0;
    for (std::size_t k = 0; k < track.size(); ++k)
        n += k == 0 || track[k].latitude != track[k - 1].latitude ||
             track[k].longitude != track[k - 1].longitude;
    return n;
}

std::size_t records_of(const Bytes& file, char type) {
    std::size_t count = 0;
    for (const auto& [kind, body] : split_records(file, header_size_of(file)))
        count += kind == type;
    return count;
}

class Fit : public ::testing::TestWithParam<FitSetting> {
protected:
    static void SetUpTestSuite() { files_ = new std::vector<FitFile>(fit_files()); }
    static void TearDownTestSuite() { delete files_; }
    static std::vector<FitFile>* files_;
};
std::vector<FitFile>* Fit::files_ = nullptr;

TEST_P(Fit, EveryTrackBecomesARouteWithinTheBudgetAndOneDistance) {
    const FitSetting setting = GetParam();
    const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    const SimplifyLimits limits{.max_points = setting.points, .split = setting.split};
    for (const FitFile& file : *files_) {
        SCOPED_TRACE(file.name);
        const RunSettings settings{ConversionMode::route_from_track_user_vias, limits, true,
                                   setting.waypoints};
        const MemoryRun run = convert_memory(file.bytes, settings, *memory);
        ASSERT_EQ(run.status, exit_completed) << run.console;

        // What the file allows: the names it leaves, or fewer; a track of one position takes one
        // waypoint, of more two at least.
        const std::uint32_t own = static_cast<std::uint32_t>(records_of(file.bytes, 'W'));
        const std::uint32_t budget =
            setting.waypoints != 0 ? std::min(setting.waypoints, 999 - own) : 999 - own;
        std::uint32_t singles = 0;
        std::uint32_t longer = 0;
        for (const auto& track : file.tracks) {
            singles += collected(track) == 1;
            longer += collected(track) >= 2;
        }
        const bool all_fit = singles + 2 * longer <= budget;
        const std::uint32_t routes_expected =
            all_fit ? singles + longer
                    : std::min(singles, budget) +
                          std::min(longer, (budget - std::min(singles, budget)) / 2);

        std::smatch end;
        const std::string last_line =
            run.console.substr(run.console.rfind('\n', run.console.size() - 2) + 1);
        ASSERT_TRUE(std::regex_match(
            last_line, end,
            std::regex(
                R"((\d+) tracks? fits? in (\d+) new waypoints?, within ([0-9.]+) m of (its|their) tracks?\n)")))
            << last_line;
        const std::uint32_t routes = std::stoul(end[1]);
        const std::uint32_t made = std::stoul(end[2]);
        const double distance = std::stod(end[3]);
        EXPECT_EQ(routes, routes_expected);
        EXPECT_EQ(made, records_of(run.output, 'W') - own);
        EXPECT_LE(made, budget);

        // Every track is a route, or the same track record as it came in.
        const RunResult back = convert_bytes(run.output, ConversionMode::track_all_points);
        const auto in_records = split_records(file.bytes, header_size_of(file.bytes));
        const auto out_records = split_records(run.output, header_size_of(run.output));
        const auto back_records = split_records(back.output, header_size_of(back.output));
        std::vector<const Bytes*> in_tracks;
        for (const auto& [kind, body] : in_records)
            if (kind == 'T')
                in_tracks.push_back(&body);
        std::size_t next_back = 0; // the records of back and out run side by side
        std::size_t kept = 0;
        std::size_t converted = 0;
        double worst = 0;
        for (std::size_t t = 0; t < file.tracks.size(); ++t) {
            while (next_back < out_records.size() && out_records[next_back].first == 'W')
                ++next_back;
            ASSERT_LT(next_back, out_records.size());
            if (out_records[next_back].first == 'T') {
                EXPECT_TRUE(out_records[next_back].second == *in_tracks[t]) << "track " << t + 1;
                ++kept;
                ++next_back;
                continue;
            }
            // The route, or the routes of its parts, chained: "TRACK 5 1/3" to "TRACK 5 3/3".
            std::vector<Point> route;
            for (bool more = true; more; ++next_back) {
                ASSERT_EQ(out_records[next_back].first, 'R');
                std::string name;
                const std::vector<Point> part =
                    track_positions(back_records[next_back].second, &name);
                if (setting.points != 0) {
                    EXPECT_LE(part.size(), setting.points) << name;
                }
                route.insert(route.end(), part.begin() + (route.empty() ? 0 : 1), part.end());
                unsigned part_number = 0;
                unsigned parts = 0;
                more = std::sscanf(name.c_str() + name.rfind(' '), " %u/%u", &part_number,
                                   &parts) == 2 &&
                       part_number < parts;
            }
            ++converted;
            // A route of one point has no legs, and -T makes a track of no points of it.
            if (collected(file.tracks[t]) > 1)
                worst = std::max(worst, route_distance(file.tracks[t], route));
            else
                EXPECT_TRUE(route.empty());
        }
        EXPECT_EQ(converted, routes);
        EXPECT_EQ(kept, file.tracks.size() - routes);
        // The distance said is the largest of any route, to a tenth of a metre.
        EXPECT_NEAR(worst, distance, 0.051);

        // No closer with one count of points for every track, the most that fits.
        if (all_fit) {
            std::uint32_t most = 2;
            for (std::uint32_t points = 3; points <= 10000; ++points) {
                std::uint64_t total = 0;
                for (const auto& track : file.tracks)
                    total += std::min(collected(track), points);
                if (total > budget)
                    break;
                most = points;
            }
            if (setting.points != 0)
                most = std::min(most, setting.points);
            const MemoryRun equal = convert_memory(
                file.bytes,
                {ConversionMode::route_from_track_user_vias, {.max_points = most}, false, budget},
                *memory);
            double equal_worst = 0;
            const std::regex within(R"(within ([0-9.]+) m)");
            for (std::sregex_iterator m(equal.console.begin(), equal.console.end(), within);
                 m != std::sregex_iterator(); ++m)
                equal_worst = std::max(equal_worst, std::stod((*m)[1]));
            EXPECT_EQ(equal.console.find("Too many waypoints"), std::string::npos) << most;
            EXPECT_LE(distance, equal_worst + 0.05) << "--points=" << most;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, Fit, ::testing::ValuesIn(fit_settings),
                         [](const auto& info) { return std::string(info.param.name); });

// --fit reads its input twice: a pipe cannot be, and is refused before anything is written.
TEST(FitInput, PipeRefusedWithNothingWritten) {
#ifdef _WIN32
    GTEST_SKIP() << "no pipe into a file name here";
#else
    const TempDir dir("korvix-fit");
    write_file(dir / "in.gdb", fit_files()[0].bytes);
    const std::string in = shell_quoted(utf8_name(dir / "in.gdb"));
    const std::string pipe = shell_quoted(utf8_name(dir / "pipe.gdb"));
    const std::string out = shell_quoted(utf8_name(dir / "out.gdb"));
    const CommandOutcome outcome =
        run_command("mkfifo " + pipe + " && (cat " + in + " > " + pipe + " &) && " +
                    korvix_command() + " -V --fit " + pipe + " " + out);
    EXPECT_EQ(outcome.status, exit_usage);
    EXPECT_EQ(outcome.out, "--fit needs an input file that can be read twice, not a pipe\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.gdb"));
#endif
}

} // namespace
} // namespace korvix
