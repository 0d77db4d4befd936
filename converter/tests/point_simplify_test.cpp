// Reducing a route's or track's points: the distance that measures a reduction, what every
// reduction keeps, and how close it follows the track compared with gpsbabel's simplify filter
// on the same points, measured with the same distance.
#include "leg_distance.h"
#include "optimum.h"
#include "point_simplify.h"
#include "run_settings.h"
#include "test_files.h"
#include "tolerance_cover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace korvix {
namespace {

using namespace testing;

constexpr double metres_per_degree = earth_mean_radius_metres * pi / 180;

std::int32_t semicircles(double degrees) {
    return static_cast<std::int32_t>(std::lround(degrees / 180 * semicircles_per_half_turn));
}

double degrees(std::int32_t semicircles) {
    return semicircles * (180 / semicircles_per_half_turn);
}

struct Position {
    std::int32_t latitude;
    std::int32_t longitude;
    bool operator==(const Position&) const = default;
};
using Track = std::vector<Position>;

// Known distances: offsets along a meridian or the equator, which are great circles, so that the
// exact distance on the sphere is the offset itself. A reduction's leg plane, made from the
// sine and cosine of its ends' latitudes, measures as the leg's own, at the poles too.
TEST(LegDistance, MetresOnTheSphereAcrossTheEquatorAndTheAntimeridian) {
    struct Case {
        const char* what;
        double a_lat, a_lon, b_lat, b_lon, p_lat, p_lon; // degrees
        double metres;
    };
    const double london = 51.5;
    const double east_100m = 100 / (metres_per_degree * std::cos(london * pi / 180));
    const Case cases[] = {
        {"100 m east of a meridian leg at London", london - 0.01, -0.1, london + 0.01, -0.1, london,
         -0.1 + east_100m, 100},
        {"250 m west of a leg across the equator", -0.02, 0, 0.03, 0, 0.001,
         -250 / metres_per_degree, 250},
        {"30 m north of a leg across the antimeridian", 0, 179.99, 0, -179.99,
         30 / metres_per_degree, 180, 30},
        {"500 m north of a leg of no length", london, -0.1, london, -0.1,
         london + 500 / metres_per_degree, -0.1, 500},
        {"200 m beyond the leg's end", london, 0.2, london + 0.01, 0.2,
         london + 0.01 + 200 / metres_per_degree, 0.2, 200},
        {"40 m before the leg's start", london, 0.2, london + 0.01, 0.2,
         london - 40 / metres_per_degree, 0.2, 40},
        {"on the leg", 10, 20, 10.5, 20, 10.25, 20, 0},
        {"100 m from a leg ending at the north pole", 90 - 0.01, 30, 90, 30, 90 - 0.005,
         30 + 100 / (metres_per_degree * std::cos((90 - 0.005) * pi / 180)), 100},
        {"300 m south of a leg at the south pole", -90, 0, -90, 0, -90 + 300 / metres_per_degree, 0,
         300},
        {"80 m from a leg 1 degree from the pole", 89, 10, 89 - 0.01, 10, 89 - 0.005,
         10 + 80 / (metres_per_degree * std::cos((89 - 0.005) * pi / 180)), 80},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(distance_from_leg_metres(semicircles(c.a_lat), semicircles(c.a_lon),
                                             semicircles(c.b_lat), semicircles(c.b_lon),
                                             semicircles(c.p_lat), semicircles(c.p_lon)),
                    c.metres, 0.02)
            << c.what;
    // The plane of a reduction's leg takes its centre's sine and cosine from its ends' ones.
    const double ends[][2] = {{51.5, 51.52}, {-0.02, 0.03}, {-33.9, -34.6}, {70, 71},
                              {89, 88.99},   {89.999, 90},  {90, 90},       {-90, -89.9}};
    for (const auto& [a, b] : ends) {
        const double centre = (semicircles(a) + static_cast<double>(semicircles(b))) * 0.5;
        const LocalPlane::CentreTurn exact = LocalPlane::turn_of(centre);
        const LocalPlane::CentreTurn halfway = LocalPlane::halfway(
            LocalPlane::turn_of(semicircles(a)), LocalPlane::turn_of(semicircles(b)), centre);
        EXPECT_NEAR(halfway.sine, exact.sine, 1e-13) << a << " to " << b;
        EXPECT_NEAR(halfway.cosine, exact.cosine, 1e-13) << a << " to " << b;
    }
}

// A deterministic source of numbers, the same on every system.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    double uniform() { // [0, 1)
        state_ += 0x9E3779B97F4A7C15u;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return static_cast<double>((z ^ (z >> 31)) >> 11) / 9007199254740992.0;
    }
    double normal() {
        return std::sqrt(-2 * std::log(1 - uniform())) * std::cos(2 * pi * uniform());
    }

private:
    std::uint64_t state_;
};

// How a recorded track runs: one point a second.
enum class Course {
    wander,      // a path that bends now and then
    switchbacks, // hairpin bends up a slope
    streets,     // straight stretches and right-angle turns
    loop,        // wanders round and comes back to its very first position
};

struct TrackShape {
    const char* name;
    double latitude; // the start, degrees
    double longitude;
    double speed; // metres a second
    std::uint32_t points;
    Course course;
    double jitter; // metres, the GPS's wandering error
    std::uint64_t seed;
};

// A recorded track of the shape: the course, speed changes and stops, and a GPS error that
// wanders slowly as a receiver's does; adjacent repeats dropped, as korvix collects points.
Track record(const TrackShape& shape) {
    Random random(shape.seed);
    std::vector<double> east, north; // metres from the start
    double x = 0, y = 0, heading = 2 * pi * random.uniform(), turning = 0, base = heading;
    double error_x = 0, error_y = 0;
    std::uint32_t stopped = 0, leg = 0, leg_left = 60;
    const double keep = 0.95, fresh = std::sqrt(1 - keep * keep);
    for (std::uint32_t i = 0; i < shape.points; ++i) {
        error_x = keep * error_x + fresh * shape.jitter * random.normal();
        error_y = keep * error_y + fresh * shape.jitter * random.normal();
        east.push_back(x + error_x);
        north.push_back(y + error_y);
        if (stopped > 0) {
            --stopped;
            continue;
        }
        if (random.uniform() < 1.0 / 900)
            stopped = 20 + static_cast<std::uint32_t>(random.uniform() * 60);
        switch (shape.course) {
        case Course::wander:
        case Course::loop:
            turning = 0.97 * turning + 0.012 * random.normal();
            heading += turning + (shape.course == Course::loop ? 2 * pi / shape.points : 0);
            break;
        case Course::switchbacks: {
            if (--leg_left == 0) {
                ++leg;
                leg_left = 30 + static_cast<std::uint32_t>(random.uniform() * 60);
            }
            base += 0.002 * random.normal();
            const double target = base + (leg % 2 ? pi - 0.3 : 0);
            heading += 0.15 * std::remainder(target - heading, 2 * pi) + 0.01 * random.normal();
            break;
        }
        case Course::streets:
            if (random.uniform() < 1.0 / 50)
                turning = (random.uniform() < 0.5 ? 1 : -1) * pi / 2 / 6;
            if (turning != 0 && random.uniform() < 1.0 / 6)
                turning = 0;
            heading += turning + 0.003 * random.normal();
            break;
        }
        const double speed = shape.speed * (1 + 0.25 * std::sin(i / 97.0));
        x += speed * std::cos(heading);
        y += speed * std::sin(heading);
    }
    if (shape.course == Course::loop) { // spread the gap home over the whole way
        const std::size_t n = east.size();
        const double gap_x = east[n - 1] - east[0], gap_y = north[n - 1] - north[0];
        for (std::size_t i = 0; i < n; ++i) {
            east[i] -= gap_x * static_cast<double>(i) / static_cast<double>(n - 1);
            north[i] -= gap_y * static_cast<double>(i) / static_cast<double>(n - 1);
        }
    }
    Track track;
    for (std::size_t i = 0; i < east.size(); ++i) {
        const double latitude = shape.latitude + north[i] / metres_per_degree;
        double longitude =
            shape.longitude + east[i] / (metres_per_degree * std::cos(shape.latitude * pi / 180));
        longitude -= 360 * std::floor((longitude + 180) / 360);
        const Position p{semicircles(latitude), semicircles(longitude)};
        if (track.empty() || !(track.back() == p))
            track.push_back(p);
    }
    if (shape.course == Course::loop)
        track.back() = track.front();
    return track;
}

std::unique_ptr<PointBuffer> buffer_of(const Track& track) {
    auto points = std::make_unique<PointBuffer>();
    for (const Position& p : track) {
        points->latitude[points->count] = p.latitude;
        points->longitude[points->count] = p.longitude;
        ++points->count;
    }
    return points;
}

// The input index of each reduced point, matched in order by the test given; empty when a point
// matches nothing behind the one before.
template <class Matches>
std::vector<std::uint32_t> kept_indices(const Track& input, std::size_t reduced_count,
                                        Matches matches) {
    std::vector<std::uint32_t> kept;
    std::uint32_t next = 0;
    for (std::size_t i = 0; i < reduced_count; ++i) {
        while (next < input.size() && !matches(i, input[next]))
            ++next;
        if (next == input.size())
            return {};
        kept.push_back(next++);
    }
    return kept;
}

// The largest distance in metres of an input point from the leg between the kept points on either
// side of it.
double reduction_error(const Track& input, const std::vector<std::uint32_t>& kept) {
    double worst = 0;
    for (std::size_t leg = 0; leg + 1 < kept.size(); ++leg) {
        const Position a = input[kept[leg]], b = input[kept[leg + 1]];
        for (std::uint32_t k = kept[leg] + 1; k < kept[leg + 1]; ++k)
            worst = std::max(worst, distance_from_leg_metres(a.latitude, a.longitude, b.latitude,
                                                             b.longitude, input[k].latitude,
                                                             input[k].longitude));
    }
    return worst;
}

struct Reduction {
    std::vector<std::uint32_t> kept; // input indices; empty: not a subset in order
    std::size_t count = 0;
    double error = 0;    // measured here
    double returned = 0; // as simplify_points gave it
    double milliseconds = 0;
};

Reduction reduce(const Track& input, SimplifyLimits limits) {
    auto points = buffer_of(input);
    auto scratch = std::make_unique<PointSimplifier>();
    const std::clock_t start = std::clock(); // processor time: steadier on a busy machine
    Reduction r;
    r.returned = simplify_points(*points, limits.max_points, limits.tolerance_metres, *scratch);
    r.milliseconds = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    r.count = points->count;
    r.kept = kept_indices(input, points->count, [&](std::size_t i, Position p) {
        return p == Position{points->latitude[i], points->longitude[i]};
    });
    r.error = r.kept.empty() ? HUGE_VAL : reduction_error(input, r.kept);
    return r;
}

// What every reduction must be: the input's own points in order, both ends kept, within the
// limits.
void expect_valid(const Track& input, SimplifyLimits limits, const Reduction& r) {
    ASSERT_EQ(r.kept.size(), r.count) << "kept points are not input points in order";
    ASSERT_GE(r.count, std::min<std::size_t>(input.size(), 2));
    EXPECT_EQ(r.kept.front(), 0u);
    EXPECT_EQ(r.kept.back(), input.size() - 1);
    EXPECT_LE(r.count, limits.max_points == 0 ? input.size() : std::max(limits.max_points, 2u));
    EXPECT_NEAR(r.returned, r.error, 1e-9 * r.error + 1e-12);
}

const TrackShape shapes[] = {
    {"WalkLondon", 51.51, -0.13, 1.4, 1500, Course::wander, 3, 1},
    {"WalkLoopLondon", 51.47, -0.05, 1.3, 3000, Course::loop, 4, 2},
    {"HikeSwitchbacks", 51.43, -0.25, 0.9, 2000, Course::switchbacks, 3, 3},
    {"CycleLondon", 51.55, -0.2, 5.5, 4000, Course::wander, 3, 4},
    {"CycleLoopGreenwich", 51.48, 0.0, 6, 2500, Course::loop, 3, 5},
    {"DriveLondon", 51.5, -0.3, 22, 5000, Course::streets, 4, 6},
    {"DriveEquatorMeridian", -0.05, -0.08, 18, 3500, Course::wander, 5, 7},
    {"WalkEquator", 0.001, 0.001, 1.2, 500, Course::wander, 5, 8},
    {"CityDrive", 51.52, -0.09, 9, 2000, Course::streets, 3, 9},
    {"RunSwitchbackLoop", 0.02, -0.02, 3, 1000, Course::loop, 3, 10},
    {"CycleStreetsEquator", 0.01, 0.01, 5, 3000, Course::streets, 4, 11},
    {"HikeSwitchbacksMeridian", 51.3, 0.001, 1.1, 4500, Course::switchbacks, 4, 12},
};

// A run reduces track after track with one scratch, which keeps what it learnt of each point's
// latitude: reductions in turn, at London, at the equator and across the antimeridian, keep what
// each keeps alone.
TEST(SimplifyPoints, TrackAfterTrackInOneScratchAsEachAlone) {
    const Track tracks[] = {record(shapes[0]), record(shapes[6]),
                            record({"", -16.8, 179.995, 12, 800, Course::streets, 3, 21})};
    auto shared = std::make_unique<PointSimplifier>();
    for (const SimplifyLimits limits :
         {SimplifyLimits{.max_points = 250}, SimplifyLimits{.tolerance_metres = 10}}) {
        for (const Track& track : tracks) {
            const Reduction alone = reduce(track, limits);
            auto points = buffer_of(track);
            const double returned =
                simplify_points(*points, limits.max_points, limits.tolerance_metres, *shared);
            EXPECT_EQ(returned, alone.returned);
            ASSERT_EQ(points->count, alone.count);
            for (std::uint32_t i = 0; i < points->count; ++i)
                EXPECT_EQ(points->latitude[i], track[alone.kept[i]].latitude);
        }
    }
}

// A track converted to a route needs a name for each point it keeps. With fewer names left than
// that, the reduction gives up early (most of all with a few names left: most of the time of a
// run whose names have run out), and it must never give up on a track whose points would fit:
// with any number of names left, it keeps what simplify_points keeps, or, where the names do not
// suffice for the points that a count limit leaves to spend, its route with as many of them as
// there are names (never closer than with all), or says that it needs more, leaving the points as
// they were.
TEST(SimplifyPoints, ForTheNamesLeftKeepsTheSameOrSaysItNeedsMore) {
    const Track tracks[] = {record(shapes[3]), record(shapes[5]), record(shapes[9]),
                            record({"", -16.8, 179.995, 12, 800, Course::streets, 3, 21})};
    auto scratch = std::make_unique<PointSimplifier>();
    const auto milliseconds = [](auto reduce) { // the quickest of three, in processor time
        double quickest = HUGE_VAL;
        for (int run = 0; run < 3; ++run) {
            const std::clock_t start = std::clock();
            reduce();
            quickest = std::min(quickest, 1000.0 * static_cast<double>(std::clock() - start) /
                                              CLOCKS_PER_SEC);
        }
        return quickest;
    };
    // The bound behind it, against the fewest points that a cover needs: never above them, and
    // where they are many, above half of them.
    for (const Track& track : tracks) {
        const double tolerance = std::pow(12 / metres_per_semicircle, 2);
        auto points = buffer_of(track);
        const std::uint32_t fewest = fewest_cover(*points, tolerance, *scratch);
        for (const std::uint32_t most : {2u, fewest / 2, fewest - 1, fewest, fewest + 1}) {
            std::uint64_t looks = UINT64_MAX;
            const bool more = covers_keep_more_than(*points, tolerance, most, looks, *scratch);
            if (most >= fewest) {
                EXPECT_FALSE(more) << most << " of " << fewest << " points";
            } else if (most <= fewest / 2) {
                EXPECT_TRUE(more) << most << " of " << fewest << " points";
            }
        }
    }
    for (const SimplifyLimits limits :
         {SimplifyLimits{.max_points = 250}, SimplifyLimits{.max_points = 40},
          SimplifyLimits{.tolerance_metres = 5},
          SimplifyLimits{.max_points = 100, .tolerance_metres = 3},
          SimplifyLimits{.max_points = 2}}) {
        for (const Track& track : tracks) {
            const Reduction all = reduce(track, limits);
            const auto c = static_cast<std::uint32_t>(all.count);
            for (const std::uint32_t most : {0u, 1u, 2u, 3u, c / 4, c - 1, c, c + 1}) {
                SCOPED_TRACE(::testing::Message()
                             << track.size() << " points, " << limits.max_points << " at most, "
                             << limits.tolerance_metres << " m, " << most << " names left");
                auto points = buffer_of(track);
                double error = -1;
                const bool kept = simplify_points_for_names(
                    *points, limits.max_points, limits.tolerance_metres, most, *scratch, error);
                if (c <= most) {
                    ASSERT_TRUE(kept) << "a reduction that fits the names is kept";
                    ASSERT_EQ(points->count, c);
                    for (std::uint32_t i = 0; i < points->count; ++i)
                        ASSERT_EQ((Position{points->latitude[i], points->longitude[i]}),
                                  track[all.kept[i]]);
                    EXPECT_EQ(error, all.returned);
                } else if (kept) { // the route before the points the limit leaves were spent
                    ASSERT_LE(points->count, most);
                    const std::vector<std::uint32_t> own =
                        kept_indices(track, points->count, [&](std::size_t i, Position p) {
                            return p == Position{points->latitude[i], points->longitude[i]};
                        });
                    ASSERT_EQ(own.size(), points->count);
                    EXPECT_EQ(own.front(), 0u);
                    EXPECT_EQ(own.back(), track.size() - 1);
                    EXPECT_NEAR(reduction_error(track, own), error, 1e-9 * error);
                    EXPECT_GE(error, all.returned) << "fewer points come no closer";
                } else {
                    ASSERT_EQ(points->count, track.size());
                    for (std::uint32_t i = 0; i < points->count; ++i)
                        ASSERT_EQ((Position{points->latitude[i], points->longitude[i]}), track[i]);
                }
            }
            if (limits.max_points == 250 && track.size() >= 4000) {
                // Two names left: known after a look at the first leg's reach.
                const double whole = milliseconds([&] { reduce(track, limits); });
                const double given_up = milliseconds([&] {
                    auto points = buffer_of(track);
                    double error = 0;
                    simplify_points_for_names(*points, 250, 0, 2, *scratch, error);
                });
                EXPECT_LT(given_up, whole / 4);
            }
        }
    }
}

TEST(SimplifyPoints, KeepsEndsAndInputPointsWithinTheLimits) {
    struct Case {
        const char* what;
        Track track;
        SimplifyLimits limits;
    };
    const Track walk = record(shapes[0]);
    const Track loop = record(shapes[1]);
    const Track antimeridian = record({"", -16.8, 179.995, 12, 800, Course::streets, 3, 21});
    const Track three = {walk[0], walk[400], walk[800]};
    Track damaged; // coordinates of a damaged file: any 32-bit values
    Random random(22);
    for (int i = 0; i < 300; ++i)
        damaged.push_back(
            {static_cast<std::int32_t>(random.uniform() * 4294967296.0 - 2147483648.0),
             static_cast<std::int32_t>(random.uniform() * 4294967296.0 - 2147483648.0)});
    std::vector<Case> cases = {
        {"count limit", walk, {50, 0}},
        {"count limit of 2 on a loop: the start's distances", loop, {2, 0}},
        {"count limit of 3", loop, {3, 0}},
        {"count limit across the antimeridian", antimeridian, {40, 0}},
        {"count equal to the points", walk, {static_cast<std::uint32_t>(walk.size()), 0}},
        {"count above the points", three, {10, 0}},
        {"tolerance", walk, {0, 5}},
        {"small tolerance", walk, {0, 0.5}},
        {"tolerance on a loop", loop, {0, 12}},
        {"tolerance across the antimeridian", antimeridian, {0, 8}},
        {"tolerance that a count allows", walk, {500, 5}},
        {"tolerance that needs more than the count", walk, {20, 2}},
        {"any coordinates", damaged, {50, 0}},
        {"any coordinates, a tolerance and a count", damaged, {40, 3e6}},
        {"three points", three, {2, 0}},
        {"two points", {walk[0], walk[9]}, {2, 1}},
        {"one point", {walk[0]}, {2, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Reduction r = reduce(c.track, c.limits);
        ASSERT_NO_FATAL_FAILURE(expect_valid(c.track, c.limits, r));
        if (c.limits.tolerance_metres == 0 && c.track.size() <= c.limits.max_points) {
            EXPECT_EQ(r.kept.size(), c.track.size()) << "a track within the count stays as it is";
        }
        if (c.limits.tolerance_metres > 0 && c.track.size() > 2) {
            const Reduction within = reduce(c.track, {0, c.limits.tolerance_metres});
            EXPECT_LE(within.error, c.limits.tolerance_metres);
            EXPECT_LT(within.count, c.track.size());
            if (c.limits.max_points == 0 || within.count <= c.limits.max_points) {
                EXPECT_EQ(r.kept, within.kept) << "the tolerance's reduction, as it fits";
            } else {
                EXPECT_EQ(r.kept, reduce(c.track, {c.limits.max_points, 0}).kept)
                    << "the count's reduction, as the tolerance needs more";
                EXPECT_GT(r.error, c.limits.tolerance_metres);
            }
        }
        if (c.limits.max_points == 2 && c.track.size() > 2) { // a single leg from start to end
            double farthest = 0;
            for (const Position& p : c.track)
                farthest = std::max(farthest, distance_from_leg_metres(c.track.front().latitude,
                                                                       c.track.front().longitude,
                                                                       c.track.back().latitude,
                                                                       c.track.back().longitude,
                                                                       p.latitude, p.longitude));
            EXPECT_EQ(r.error, farthest);
        }
    }
}

// Tracks of the shapes that make reductions hard, for the comparison with the exact optimum.
std::vector<std::pair<const char*, Track>> hard_tracks() {
    std::vector<std::pair<const char*, Track>> tracks;
    tracks.emplace_back("winding", record({"", 51.51, -0.13, 1.4, 800, Course::wander, 3, 41}));
    Track turn; // 300 points east along the equator, then 300 north, 5 m apart
    for (int i = 0; i < 600; ++i)
        turn.push_back({semicircles(std::max(0, i - 300) * 5 / metres_per_degree),
                        semicircles(std::min(i, 300) * 5 / metres_per_degree)});
    tracks.emplace_back("straight with one turn", turn);
    tracks.emplace_back("loop", record({"", 51.47, -0.05, 1.3, 700, Course::loop, 4, 42}));
    Track zigzag; // along a meridian, 2 m apart, 4 m either side as a GPS wanders
    for (int i = 0; i < 600; ++i)
        zigzag.push_back({semicircles(47 + i * 2 / metres_per_degree),
                          semicircles(8 + (i % 2 ? 4 : -4) / (metres_per_degree * 0.682))});
    tracks.emplace_back("zigzag at the GPS's noise", zigzag);
    tracks.emplace_back("near the north pole",
                        record({"", 89.95, 10, 3, 500, Course::wander, 3, 43}));
    tracks.emplace_back("across the antimeridian",
                        record({"", -16.8, 179.995, 12, 600, Course::streets, 3, 21}));
    Track back = record({"", 0.5, 30, 2, 300, Course::wander, 4, 44}); // and back the same way
    for (std::size_t i = back.size() - 1; i-- > 0;)
        back.push_back(back[i]);
    tracks.emplace_back("out and back over the same positions", back);
    return tracks;
}

// Against the exact optimum (bench/optimum.h), in the same distance: a count limit keeps a route
// within 1 % (or 1 mm) of the closest that many points can be, and fewer points only where it is
// within 0.1 % of that; a tolerance keeps the fewest points within it. Every point lies within the
// distance the reduction gives.
TEST(SimplifyPoints, WithinAPercentOfTheOptimumAndTheFewestPointsForATolerance) {
    for (const auto& [what, track] : hard_tracks()) {
        const auto points = buffer_of(track);
        for (const std::uint32_t most : {5u, 20u, 60u}) {
            SCOPED_TRACE(::testing::Message() << what << ", " << most << " points at most");
            const Reduction r = reduce(track, {most, 0});
            ASSERT_NO_FATAL_FAILURE(expect_valid(track, {most, 0}, r));
            const double best = optimum::metres_of(optimum::smallest_error(*points, most).error);
            EXPECT_LE(r.error, best * 1.01 + 0.001) << "optimum " << best << " m";
            if (r.count < most) { // no route of the points left over comes closer, but a hair
                EXPECT_LE(r.error, best * 1.001 + 0.001) << r.count << " points, optimum " << best;
            }
        }
        for (const double metres : {2.0, 5.0, 20.0}) {
            SCOPED_TRACE(::testing::Message() << what << ", within " << metres << " m");
            const Reduction r = reduce(track, {0, metres});
            ASSERT_NO_FATAL_FAILURE(expect_valid(track, {0, metres}, r));
            EXPECT_LE(r.error, metres);
            const double tolerance = std::pow(metres / metres_per_semicircle * (1 - 1e-9), 2);
            EXPECT_EQ(r.count, optimum::fewest_within(*points, tolerance).kept.size());
        }
    }
}

// gpsbabel's simplify filter (crosstrack) on the same points, written as GPX and read back.
class GpsbabelSimplify : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* why = why_no_gpsbabel())
            GTEST_SKIP() << why;
    }

    void write_gpx(const Track& track) {
        std::string gpx = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" "
                          "creator=\"korvix tests\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                          "<trk><name>T</name><trkseg>\n";
        for (const Position& p : track) {
            char line[96];
            std::snprintf(line, sizeof line, "<trkpt lat=\"%.9f\" lon=\"%.9f\"/>\n",
                          degrees(p.latitude), degrees(p.longitude));
            gpx += line;
        }
        write_file(dir_ / "in.gpx", gpx + "</trkseg></trk>\n</gpx>\n");
    }

    // gpsbabel's reduction of the track last written, by the filter options given.
    Reduction simplify(const Track& track, const std::string& options) {
        const CommandOutcome outcome =
            run_command("gpsbabel -i gpx -f " + shell_quoted(utf8_name(dir_ / "in.gpx")) +
                        " -x simplify,crosstrack," + options + " -o gpx -F -");
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        std::vector<std::pair<double, double>> points;
        for (std::size_t at = 0;
             (at = outcome.out.find("<trkpt lat=\"", at)) != std::string::npos;) {
            double latitude = 0, longitude = 0;
            EXPECT_EQ(std::sscanf(outcome.out.c_str() + at, "<trkpt lat=\"%lf\" lon=\"%lf\"",
                                  &latitude, &longitude),
                      2);
            points.emplace_back(latitude, longitude);
            ++at;
        }
        Reduction r;
        r.count = points.size();
        r.kept = kept_indices(track, points.size(), [&](std::size_t i, Position p) {
            return std::abs(degrees(p.latitude) - points[i].first) < 5e-9 &&
                   std::abs(degrees(p.longitude) - points[i].second) < 5e-9;
        });
        EXPECT_EQ(r.kept.size(), r.count) << "gpsbabel's points are not the input's";
        r.error = reduction_error(track, r.kept);
        return r;
    }

    TempDir dir_{"korvix-simplify"};
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

TEST_F(GpsbabelSimplify, FollowsTracksCloserWithTheSameCountAndNoMorePointsForATolerance) {
    const std::uint32_t counts[] = {50, 250};
    const double tolerances[] = {3, 10, 30}; // metres
    std::vector<double> ratios[2];
    std::size_t ours_within = 0, theirs_within = 0;
    double their_overshoot = 0; // their error over the tolerance, at worst
    for (const TrackShape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const Track track = record(shape);
        write_gpx(track);
        for (int c = 0; c < 2; ++c) {
            SCOPED_TRACE("count=" + std::to_string(counts[c]));
            const Reduction ours = reduce(track, {counts[c], 0});
            ASSERT_NO_FATAL_FAILURE(expect_valid(track, {counts[c], 0}, ours));
            const Reduction theirs = simplify(track, "count=" + std::to_string(counts[c]));
            EXPECT_LE(theirs.count, counts[c]);
            EXPECT_LE(ours.error, theirs.error);
            ratios[c].push_back(ours.error / theirs.error);
            std::printf("%-24s %5zu points, count %3u: ours %8.2f m, gpsbabel %8.2f m, %.3f\n",
                        shape.name, track.size(), counts[c], ours.error, theirs.error,
                        ours.error / theirs.error);
        }
        for (const double tolerance : tolerances) {
            SCOPED_TRACE("tolerance " + std::to_string(tolerance));
            const Reduction ours = reduce(track, {0, tolerance});
            ASSERT_NO_FATAL_FAILURE(expect_valid(track, {0, tolerance}, ours));
            EXPECT_LE(ours.error, tolerance);
            char option[32];
            std::snprintf(option, sizeof option, "error=%gm", tolerance);
            const Reduction theirs = simplify(track, option);
            EXPECT_LE(ours.count, theirs.count);
            ours_within += ours.count;
            theirs_within += theirs.count;
            their_overshoot = std::max(their_overshoot, theirs.error / tolerance);
            std::printf("%-24s %5zu points, %4.0f m: ours %5zu points (%.2f m), gpsbabel %5zu "
                        "(%.2f m)\n",
                        shape.name, track.size(), tolerance, ours.count, ours.error, theirs.count,
                        theirs.error);
        }
    }
    for (int c = 0; c < 2; ++c) {
        const std::vector<double>& r = ratios[c];
        std::printf("count=%u over %zu tracks: our largest distance / gpsbabel's: median %.3f, "
                    "worst %.3f\n",
                    counts[c], r.size(), median(r), *std::max_element(r.begin(), r.end()));
        // Clearly below on most tracks.
        EXPECT_GE(std::count_if(r.begin(), r.end(), [](double ratio) { return ratio <= 0.85; }),
                  static_cast<std::ptrdiff_t>(r.size() * 3 / 4));
    }
    // The cost: the longest track that korvix collects, reduced in this process.
    for (const Course course : {Course::wander, Course::streets, Course::switchbacks}) {
        const Track longest = record({"", 51.5, -0.1, 4, PointBuffer::capacity, course, 3, 30});
        for (const SimplifyLimits limits : {SimplifyLimits{50, 0}, SimplifyLimits{250, 0},
                                            SimplifyLimits{0, 10}, SimplifyLimits{0, 1.5}}) {
            Reduction r = reduce(longest, limits);
            ASSERT_NO_FATAL_FAILURE(expect_valid(longest, limits, r));
            for (int again = 0; again < 4; ++again) // the quickest of five, on a busy machine
                r.milliseconds = std::min(r.milliseconds, reduce(longest, limits).milliseconds);
            std::printf("%zu points, count %u, tolerance %g m: %zu points, %.2f m, %.2f ms\n",
                        longest.size(), limits.max_points, limits.tolerance_metres, r.count,
                        r.error, r.milliseconds);
        }
    }
    std::printf("tolerances %g, %g, %g m: ours %zu points in all, gpsbabel %zu; gpsbabel's largest "
                "distance up to %.2f times the tolerance\n",
                tolerances[0], tolerances[1], tolerances[2], ours_within, theirs_within,
                their_overshoot);
}

} // namespace
} // namespace korvix
