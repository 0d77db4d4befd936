// How a reduction is found. Errors and tolerances are compared squared, in squared semicircles of
// latitude, as the leg plane gives them; only the result is turned into metres.
//
// A tolerance: the cover with the fewest points (a breadth-first search over the legs that hold
// it), when the track is short enough for that to take a few milliseconds, else the greedy cover
// (each leg as long as it can be); tolerance_cover.h.
//
// A count limit: the smallest tolerance whose cover needs no more points than the limit, searched
// from the error of evenly spread points down, each step interpolated between the nearest
// tolerance known to fit and the nearest known to fail, in the ratio of the counts. Greedy covers
// first, then, where the time allows, covers with the fewest points below the greedy's answer:
// with fewer points at the same tolerance they fit the limit at a smaller one. Last, each kept
// point moves between its neighbours to where the larger error of its two legs is smallest,
// sweep after sweep, which evens out the legs that the cover made from the front.
#include "point_simplify.h"

#include "leg_distance.h"
#include "tolerance_cover.h"

#include <algorithm>
#include <cmath>

namespace korvix {
namespace {

using Index = PointSimplifier::Index;

// Covers with the fewest points are made when one costs at most some 3 ms: about 25 to 40 ns
// times points^2 / kept points (measured); else greedy covers do, at some 0.2 ms for 10000 points.
constexpr double fewest_cover_budget = 80000; // points^2 / kept points

// The search for a count limit ends when the tolerances that fit and fail are this close.
constexpr double search_precision = 1.01;

// The names left for the points that a reduction keeps, when each becomes a waypoint: the
// reduction gives up as soon as it can show that it keeps more than `most`. Showing it scans the
// track from every point that a few legs of the covers could reach (covers_keep_more_than), at a
// cost that grows with `most` and with the length of the legs. It is tried where it is likely to
// succeed at a cost that the looks left allow: in all some eight looks at each point, where a
// reduction under a count limit makes ten covers and more.
class NamesLeft {
public:
    NamesLeft(std::uint32_t most, std::uint32_t points) : most_(most), looks_left_(8ULL * points) {}

    std::uint32_t most() const { return most_; }

    // Whether a reduction whose best so far is `limit` evenly spread points, and which makes no
    // cover at their error or above, keeps more than `most`: tried for a quarter of a look at
    // each point, which shows it for a few names left.
    bool exceeded_by_spread(const PointBuffer& points, double error, std::uint32_t limit,
                            PointSimplifier& scratch) {
        return limit > most_ &&
               shown(points, error, std::min<std::uint64_t>(points.count / 4, looks_left_),
                     scratch);
    }

    // Whether a reduction whose best so far is a cover of `count` points with the error given,
    // and which makes no cover at that error or above (its tolerances only go down), keeps more
    // than `most`. Tried when the count is well above it (the covers with the fewest points keep
    // a few percent fewer than greedy ones) and the scan, some 1.5 * most * (points / count)^2
    // looks, fits the looks left.
    bool exceeded_by_cover(const PointBuffer& points, double error, std::uint32_t count,
                           PointSimplifier& scratch) {
        if (4ULL * count <= 5ULL * most_)
            return false;
        const double leg = static_cast<double>(points.count) / count;
        if (1.5 * most_ * leg * leg > static_cast<double>(looks_left_))
            return false;
        return shown(points, error, looks_left_, scratch);
    }

private:
    bool shown(const PointBuffer& points, double tolerance, std::uint64_t looks,
               PointSimplifier& scratch) {
        // Within some hundredth of a metre the candidates of the covers could differ by rounding
        // from those the bound scans.
        constexpr double smallest_tolerance = 1; // a squared semicircle of latitude: about 0.01 m
        if (tolerance < smallest_tolerance || looks == 0)
            return false;
        std::uint64_t unused = looks;
        const bool more = covers_keep_more_than(points, tolerance, most_, unused, scratch);
        looks_left_ -= looks - unused;
        return more;
    }

    std::uint32_t most_;
    std::uint64_t looks_left_;
};

// Fills in the errors of scratch's legs; returns the largest.
double measure_legs(const PointBuffer& points, PointSimplifier& scratch) {
    double worst = 0;
    for (std::uint32_t i = 0; i + 1 < scratch.count; ++i) {
        scratch.leg_error[i] =
            leg_error(points, scratch.kept[i], scratch.kept[i + 1], HUGE_VAL, scratch);
        worst = std::max(worst, scratch.leg_error[i]);
    }
    return worst;
}

double largest_leg_error(const PointSimplifier& scratch) {
    return scratch.count < 2
               ? 0
               : *std::max_element(scratch.leg_error, scratch.leg_error + scratch.count - 1);
}

void keep_as_best(PointSimplifier& scratch, double error) {
    std::copy_n(scratch.kept, scratch.count, scratch.best_kept);
    scratch.best_count = scratch.count;
    scratch.best_error = error;
}

// Moves kept points between their neighbours to where the larger error of their two legs is
// smallest, until a sweep moves none: only points on a leg near the largest error, as the others
// do not limit it. The place is found by bisection on where the left leg's error passes the right
// one's, which is where the larger one is smallest while the left error grows and the right one
// shrinks as the point moves on; every place is measured, so a move never makes a leg worse than
// the larger one was.
void refine(const PointBuffer& points, PointSimplifier& scratch) {
    constexpr int most_sweeps = 8;
    constexpr double near_largest = 0.8; // of the squared error: 0.9 of the distance
    for (int sweep = 0; sweep < most_sweeps; ++sweep) {
        bool moved = false;
        const double threshold = largest_leg_error(scratch) * near_largest;
        for (std::uint32_t i = 1; i + 1 < scratch.count; ++i) {
            const std::uint32_t a = scratch.kept[i - 1];
            const std::uint32_t b = scratch.kept[i + 1];
            double best = std::max(scratch.leg_error[i - 1], scratch.leg_error[i]);
            if (b - a < 3 || best < threshold)
                continue;
            std::uint32_t best_at = scratch.kept[i];
            double best_left = 0;
            double best_right = 0;
            // Measures the point at `at`; returns whether it should go on towards b.
            auto onwards = [&](std::uint32_t at) {
                const double left = leg_error(points, a, at, best, scratch);
                if (left >= best)
                    return false;
                const double right = leg_error(points, at, b, best, scratch);
                if (right >= best)
                    return true;
                best = std::max(left, right);
                best_at = at;
                best_left = left;
                best_right = right;
                return left < right;
            };
            std::uint32_t low = a + 1;
            std::uint32_t high = b - 1;
            while (high - low > 1) {
                const std::uint32_t middle = low + (high - low) / 2;
                (onwards(middle) ? low : high) = middle;
            }
            onwards(low);
            onwards(high);
            if (best_at != scratch.kept[i]) {
                scratch.kept[i] = static_cast<Index>(best_at);
                scratch.leg_error[i - 1] = best_left;
                scratch.leg_error[i] = best_right;
                moved = true;
            }
        }
        if (!moved)
            return;
    }
}

// A tolerance tried and the number of points its cover kept.
struct Probe {
    double tolerance = 0; // 0: none tried
    std::uint32_t count = 0;
};

// Narrows the tolerances between one whose cover fails the limit and one whose cover fits it,
// keeping every cover that fits and has a smaller error as the best; false when it shows on the
// way that the names left do not suffice. `fails` may be none yet; then each step goes below
// `fits` by what the count of a smooth track (growing as the fourth root of 1 / squared
// tolerance) says the limit allows, but at least by a tenth.
template <class Cover>
bool search_count(const PointBuffer& points, std::uint32_t limit, Cover cover, Probe& fits,
                  Probe& fails, int steps, NamesLeft& names, PointSimplifier& scratch) {
    const double target = std::log(limit + 0.5);
    for (; steps > 0 && fits.tolerance > fails.tolerance * search_precision; --steps) {
        double tolerance = 0;
        if (fails.tolerance == 0) {
            const double model = std::pow((fits.count + 0.5) / (limit + 0.5), 4);
            tolerance = fits.tolerance * std::clamp(model, 0.1, 0.9);
        } else {
            const double share =
                (std::log(fails.count) - target) / (std::log(fails.count) - std::log(fits.count));
            tolerance = fails.tolerance *
                        std::pow(fits.tolerance / fails.tolerance, std::clamp(share, 0.2, 0.8));
        }
        const std::uint32_t count = cover(points, tolerance, scratch);
        if (count > limit) {
            fails = {tolerance, count};
            continue;
        }
        // The cover's legs hold its own error, so a cover at that smaller tolerance fits too.
        const double error = measure_legs(points, scratch);
        if (error < scratch.best_error)
            keep_as_best(scratch, error);
        fits = {error, count};
        if (names.exceeded_by_cover(points, error, scratch.best_count, scratch))
            return false;
        if (error == 0)
            break;
    }
    return true;
}

// `limit` points spread evenly over the track into scratch, the first and the last among them:
// where the search for a count limit begins. Returns their error.
double spread_evenly(const PointBuffer& points, std::uint32_t limit, PointSimplifier& scratch) {
    const std::uint64_t last = points.count - 1;
    for (std::uint32_t i = 0; i < limit; ++i)
        scratch.kept[i] = static_cast<Index>(i * last / (limit - 1));
    scratch.count = limit;
    return measure_legs(points, scratch);
}

// The smallest error found under a count limit (3 to fewer than the points), into scratch.best;
// false, as soon as that is shown, when it keeps more points than there are names left. Every
// cover tried lies below the error of the best so far, which is the last cover that fitted.
bool reduce_to_count(const PointBuffer& points, std::uint32_t limit, NamesLeft& names,
                     PointSimplifier& scratch) {
    keep_as_best(scratch, spread_evenly(points, limit, scratch));

    Probe fits{scratch.best_error, limit};
    Probe fails;
    if (names.exceeded_by_spread(points, fits.tolerance, limit, scratch))
        return false;
    if (fits.tolerance > 0) {
        // Evenly spread points are far from the best, so the first cover goes well below them.
        const double first = fits.tolerance / 16;
        const std::uint32_t count = greedy_cover(points, first, scratch);
        if (count > limit) {
            fails = {first, count};
        } else {
            const double error = measure_legs(points, scratch);
            keep_as_best(scratch, error);
            fits = {error, count};
            if (names.exceeded_by_cover(points, error, scratch.best_count, scratch))
                return false;
        }
        if (!search_count(points, limit, greedy_cover, fits, fails, 16, names, scratch))
            return false;
    }
    const double visits = static_cast<double>(points.count) * points.count / limit;
    const int fewest_steps = static_cast<int>(std::min(8.0, fewest_cover_budget / visits));
    if (fewest_steps >= 2 && fits.tolerance > 0) {
        Probe fewest_fails;
        if (!search_count(points, limit, fewest_cover, fits, fewest_fails, fewest_steps, names,
                          scratch))
            return false;
    }
    // Refining moves kept points but keeps their number.
    if (scratch.best_count > names.most())
        return false;
    std::copy_n(scratch.best_kept, scratch.best_count, scratch.kept);
    scratch.count = scratch.best_count;
    measure_legs(points, scratch);
    refine(points, scratch);
    keep_as_best(scratch, largest_leg_error(scratch));
    return true;
}

// As few points as found with every input point within the tolerance, into scratch.best.
void reduce_within(const PointBuffer& points, double tolerance, PointSimplifier& scratch) {
    const std::uint32_t greedy = greedy_cover(points, tolerance, scratch);
    keep_as_best(scratch, measure_legs(points, scratch));
    if (static_cast<double>(points.count) * points.count / greedy <= fewest_cover_budget &&
        fewest_cover(points, tolerance, scratch) < greedy)
        keep_as_best(scratch, measure_legs(points, scratch));
}

// A tolerance in metres as the covers take it: squared, in squared semicircles, a hair under it,
// so that a point accepted by them is within it also in metres, whatever the rounding of the
// conversion.
double squared_tolerance(double tolerance_metres) {
    const double tolerance = tolerance_metres / metres_per_semicircle * (1 - 1e-9);
    return tolerance * tolerance;
}

} // namespace

bool simplify_points_for_names(PointBuffer& points, std::uint32_t max_points,
                               double tolerance_metres, std::uint32_t most,
                               PointSimplifier& scratch, double& error_metres) {
    const std::uint32_t n = points.count;
    const bool count_limited = max_points != 0 && n > max_points;
    error_metres = 0;
    if (n <= 2 || !(count_limited || tolerance_metres > 0))
        return n <= most;
    if (most < 2)
        return false; // two points stay at least
    const std::uint32_t limit = count_limited ? std::max<std::uint32_t>(max_points, 2) : n;
    std::fill_n(scratch.plane_cosine, n, 0.0); // the planes of another track's points
    NamesLeft names(most, n);
    bool reduced = false;
    if (tolerance_metres > 0) {
        reduce_within(points, squared_tolerance(tolerance_metres), scratch);
        reduced = scratch.best_count <= limit;
    }
    if (!reduced && limit == 2) { // the only choice: the first point and the last
        scratch.kept[0] = 0;
        scratch.kept[1] = static_cast<Index>(n - 1);
        scratch.count = 2;
        keep_as_best(scratch, measure_legs(points, scratch));
    } else if (!reduced && !reduce_to_count(points, limit, names, scratch)) {
        return false;
    }
    if (scratch.best_count > most)
        return false;
    for (std::uint32_t i = 0; i < scratch.best_count; ++i) {
        points.latitude[i] = points.latitude[scratch.best_kept[i]];
        points.longitude[i] = points.longitude[scratch.best_kept[i]];
    }
    points.count = scratch.best_count;
    error_metres = std::sqrt(scratch.best_error) * metres_per_semicircle;
    return true;
}

double simplify_points(PointBuffer& points, std::uint32_t max_points, double tolerance_metres,
                       PointSimplifier& scratch) {
    double error_metres = 0;
    simplify_points_for_names(points, max_points, tolerance_metres, UINT32_MAX, scratch,
                              error_metres);
    return error_metres;
}

} // namespace korvix
