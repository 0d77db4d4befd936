// The exact reference (optimum.h) against a search over every reduction of small tracks, and its
// wedges against checking every leg on longer ones.
#include "leg_distance.h"
#include "optimum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace korvix {
namespace {

// splitmix64: the same numbers on every system.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    double uniform() { // [0, 1)
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return static_cast<double>((z ^ (z >> 31)) >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t state_;
};

constexpr double semicircles_per_degree = semicircles_per_half_turn / 180;
constexpr double metres_per_degree = metres_per_semicircle * semicircles_per_degree;

// A walk of `count` points from a start (degrees), steps of up to `step` metres in a heading
// that turns by up to `turn` radians a step; `repeat` the chance that a point is one visited
// before.
struct Walk {
    double latitude, longitude, step, turn, repeat;
};

std::unique_ptr<PointBuffer> walk(const Walk& w, std::uint32_t count, Random& random) {
    auto points = std::make_unique<PointBuffer>();
    double latitude = w.latitude, longitude = w.longitude, heading = 2 * pi * random.uniform();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t at = i;
        if (i > 1 && random.uniform() < w.repeat)
            at = static_cast<std::uint32_t>(random.uniform() * (i - 1)); // an earlier position
        if (at < i) {
            points->latitude[i] = points->latitude[at];
            points->longitude[i] = points->longitude[at];
        } else {
            points->latitude[i] = static_cast<std::int32_t>(
                std::lround(std::clamp(latitude, -90.0, 90.0) * semicircles_per_degree));
            points->longitude[i] = static_cast<std::int32_t>(
                std::lround(std::remainder(longitude, 360.0) * semicircles_per_degree));
        }
        heading += (2 * random.uniform() - 1) * w.turn;
        const double step = w.step * random.uniform();
        latitude += step * std::cos(heading) / metres_per_degree;
        longitude += step * std::sin(heading) /
                     (metres_per_degree * std::max(std::cos(latitude * pi / 180), 1e-6));
    }
    points->count = count;
    return points;
}

// Every reduction of a track: its count and its error, by a search over all subsets of the
// points between the first and the last.
struct Subset {
    std::uint32_t count;
    double error;
};

std::vector<Subset> every_reduction(const PointBuffer& points) {
    const std::uint32_t n = points.count;
    std::vector<Subset> all;
    for (std::uint32_t mask = 0; mask < (1u << (n - 2)); ++mask) {
        std::vector<std::uint32_t> kept{0};
        for (std::uint32_t i = 1; i + 1 < n; ++i)
            if (mask & (1u << (i - 1)))
                kept.push_back(i);
        kept.push_back(n - 1);
        all.push_back(
            {static_cast<std::uint32_t>(kept.size()), optimum::reduction_error(points, kept)});
    }
    return all;
}

void expect_a_reduction(const PointBuffer& points, const optimum::Reduction& r) {
    ASSERT_GE(r.kept.size(), 2u);
    EXPECT_EQ(r.kept.front(), 0u);
    EXPECT_EQ(r.kept.back(), points.count - 1);
    EXPECT_TRUE(std::is_sorted(r.kept.begin(), r.kept.end()) &&
                std::adjacent_find(r.kept.begin(), r.kept.end()) == r.kept.end());
    EXPECT_EQ(r.error, optimum::reduction_error(points, r.kept));
}

// Tracks of 3 to 12 points at the scales of a walk, a drive and a flight, near a pole, across
// the antimeridian and the equator, with repeated positions, and of any 32-bit coordinates:
// the reference's fewest points within every distance that some reduction has (and a hair
// below it), and its smallest distance for every count, against the best of every reduction.
TEST(OptimumReference, AgainstEveryReductionOfSmallTracks) {
    const Walk walks[] = {
        {51.5, -0.1, 20, 0.6, 0},       {51.5, -0.1, 2000, 0.3, 0}, {-33.9, 151.2, 5, 3.0, 0},
        {89.995, 40, 30, 1.0, 0},       {-89.99, 0, 50, 0.5, 0},    {-16.8, 179.999, 60, 0.4, 0},
        {0.0001, 0.0001, 15, 0.8, 0.3}, {47, 8, 8, 0.05, 0.2},      {60, 25, 200000, 0.5, 0},
    };
    Random random(43);
    int tracks = 0;
    for (const Walk& w : walks) {
        for (std::uint32_t n = 3; n <= 12; ++n) {
            auto points = walk(w, n, random);
            if (&w == &walks[0] && n == 12) { // any coordinates, as in a damaged file
                for (std::uint32_t i = 0; i < n; ++i) {
                    points->latitude[i] = static_cast<std::int32_t>(random.uniform() * 4e9 - 2e9);
                    points->longitude[i] = static_cast<std::int32_t>(random.uniform() * 4e9 - 2e9);
                }
            }
            SCOPED_TRACE(::testing::Message() << "walk " << (&w - walks) << ", " << n << " points");
            const std::vector<Subset> all = every_reduction(*points);
            std::set<double> errors;
            for (const Subset& s : all)
                errors.insert(s.error);
            for (const double e : errors) {
                for (const double tolerance : {e, e * (1 - 1e-9)}) {
                    std::uint32_t fewest = n;
                    for (const Subset& s : all)
                        if (s.error <= tolerance)
                            fewest = std::min(fewest, s.count);
                    double least = HUGE_VAL; // the smallest error of those of the fewest points
                    for (const Subset& s : all)
                        if (s.error <= tolerance && s.count == fewest)
                            least = std::min(least, s.error);
                    for (const bool least_error : {false, true}) {
                        const optimum::Reduction r =
                            optimum::fewest_within(*points, tolerance, true, least_error);
                        ASSERT_NO_FATAL_FAILURE(expect_a_reduction(*points, r));
                        EXPECT_EQ(r.kept.size(), fewest) << "tolerance " << tolerance;
                        EXPECT_LE(r.error, tolerance);
                        if (least_error) {
                            EXPECT_EQ(r.error, least);
                        }
                    }
                }
            }
            for (std::uint32_t most = 2; most < n; ++most) {
                double smallest = HUGE_VAL;
                for (const Subset& s : all)
                    if (s.count <= most)
                        smallest = std::min(smallest, s.error);
                const optimum::Reduction r = optimum::smallest_error(*points, most);
                ASSERT_NO_FATAL_FAILURE(expect_a_reduction(*points, r));
                EXPECT_LE(r.kept.size(), most);
                EXPECT_NEAR(r.error, smallest, 1e-9 * smallest) << most << " points";
            }
            ++tracks;
        }
    }
    EXPECT_EQ(tracks, 90);
}

// On tracks of hundreds of points the wedges pass over no leg that holds: the same fewest points
// and the same smallest distance as checking every leg.
TEST(OptimumReference, WedgesAsEveryLegOnLongerTracks) {
    const Walk walks[] = {
        {51.5, -0.1, 10, 0.3, 0}, {0.001, 179.99, 40, 0.1, 0.05}, {89.9, 10, 25, 1.0, 0}};
    Random random(44);
    for (const Walk& w : walks) {
        auto points = walk(w, 300, random);
        for (const double metres : {0.5, 5.0, 40.0}) {
            const double tolerance = optimum::squared_semicircles(metres);
            EXPECT_EQ(optimum::fewest_within(*points, tolerance).kept.size(),
                      optimum::fewest_within(*points, tolerance, false).kept.size())
                << metres << " m";
        }
        EXPECT_EQ(optimum::smallest_error(*points, 20).error,
                  optimum::smallest_error(*points, 20, false).error);
    }
}

} // namespace
} // namespace korvix
