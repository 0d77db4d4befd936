// Reduces the points collected for one generated route or track to what a GPS takes: fewer
// points that follow the original closely. The kept points are input points, in order, with their
// coordinates as read; the first and the last always stay.
//
// The error of a reduction is the largest distance of any input point from the reduced line, that
// is from the leg between the kept points on either side of it (leg_distance.h); a kept point
// lies on it.
#pragma once

#include "point_buffer.h"

#include <cstdint>

namespace korvix {

struct SimplifyLimits {
    std::uint32_t max_points = 0; // 0: no count limit; else 2 to 10000
    double tolerance_metres = 0;  // 0: no tolerance; else > 0
    bool active() const { return max_points != 0 || tolerance_metres > 0; }
};

// Working memory of one reduction, reserved once for the run (about 180 KB): the reduction
// itself allocates nothing.
struct PointSimplifier {
    static constexpr std::uint32_t capacity = PointBuffer::capacity;
    using Index = std::uint16_t; // an input point
    static_assert(capacity - 1 <= UINT16_MAX);

    // A reduction being made or improved: its kept points and the error of each leg (leg i runs
    // from kept[i] to kept[i + 1]), squared, in squared semicircles of latitude.
    std::uint32_t count = 0;
    Index kept[capacity];
    double leg_error[capacity];

    // The best reduction found so far, and its error.
    std::uint32_t best_count = 0;
    Index best_kept[capacity];
    double best_error = 0;

    // The points that a leg from one point may reach, in order.
    Index candidates[capacity];

    // The search for the fewest points: the fewest legs to each point, and the point it came from.
    Index hops[capacity];
    Index parent[capacity];
};

// Reduces points.latitude/longitude in place to the kept points, in order; points.count becomes
// their number. With a count limit only: at most max_points, chosen for the smallest error this
// finds; a buffer of max_points or fewer stays as it is. With a tolerance only: as few points as
// this finds such that every input point lies within tolerance_metres of the reduced line. With
// both: the tolerance's reduction if it has at most max_points, else the count limit's.
// Returns the error of the result in metres (0 when nothing was removed).
double simplify_points(PointBuffer& points, const SimplifyLimits& limits, PointSimplifier& scratch);

} // namespace korvix
