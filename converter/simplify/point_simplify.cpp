// How a reduction is found. Errors and tolerances are compared squared, in squared semicircles of
// latitude, as the leg plane gives them; only the result is turned into metres.
//
// A tolerance: the cover with the fewest points (a breadth-first search over the legs that hold
// it), where that takes a few milliseconds, else the greedy cover (each leg as long as it can be);
// tolerance_cover.h.
//
// A count limit: the smallest tolerance whose cover keeps no more points than the limit, in rounds
// of greedy covers, then covers of the fewest points or beams (count_search.h); the route found is
// given the points the limit leaves and refined.
#include "point_simplify.h"

#include "count_search.h"
#include "leg_distance.h"
#include "names_left.h"
#include "reduction_steps.h"
#include "tolerance_cover.h"

#include <algorithm>
#include <cmath>

namespace korvix {
namespace {

using Index = PointSimplifier::Index;

// The cover with the fewest points is made where it takes some 1 ms or less: about 10 ns times
// points^2 / kept points (measured); else the greedy cover does, at some 0.2 ms for 10000 points.
constexpr double fewest_cover_budget = 100000; // points^2 / kept points

// As few points as found with every input point within the tolerance, into scratch.best.
void cover_within(const PointBuffer& points, double tolerance, PointSimplifier& scratch) {
    const std::uint32_t greedy = greedy_cover(points, tolerance, scratch);
    keep_as_best(scratch, measure_legs(points, scratch));
    if (static_cast<double>(points.count) * points.count / greedy <= fewest_cover_budget &&
        fewest_cover(points, tolerance, scratch) < greedy)
        keep_as_best(scratch, measure_legs(points, scratch));
}

// The same, its every leg measured in its own plane: should a leg accepted in the plane of the
// scan that found it lie beyond the tolerance after all, the covers are made again with every leg
// checked in its own plane.
void reduce_within(const PointBuffer& points, double tolerance, PointSimplifier& scratch) {
    cover_within(points, tolerance, scratch);
    if (scratch.best_error > tolerance) {
        scratch.legs_in_own_plane = true;
        cover_within(points, tolerance, scratch);
        scratch.legs_in_own_plane = false;
    }
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
