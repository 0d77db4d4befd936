// The working memory of a reduction of points, reserved once for the run (about 340 KB): the
// reduction itself allocates nothing.
#pragma once

#include "point_buffer.h"

#include <cstdint>

namespace korvix {

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
    // Whether the covers check every leg in its own plane (leg_reach.h), not first in the plane of
    // the scan that found it.
    bool legs_in_own_plane = false;

    // The breadth-first searches (the fewest points, beams): the fewest legs to each point, and
    // the point it came from.
    Index hops[capacity];
    Index parent[capacity];

    // The sine and cosine of each point's latitude, for the planes around it and around the legs
    // that end at it: computed the first time a reduction asks for the point's (point_turn in
    // leg_distance.h), kept for every plane of the same reduction after. A cosine of 0 (no
    // latitude of the earth has it) marks one not computed yet; simplify_points clears them for
    // its points.
    double plane_sine[capacity];
    double plane_cosine[capacity];
};

} // namespace korvix
