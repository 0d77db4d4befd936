// Reductions of a track within a tolerance: kept points such that every point of the track lies
// within the tolerance of the leg between the kept points on either side of it. Tolerances and
// errors are squared distances in squared semicircles of latitude, as LegPlane gives them.
#pragma once

#include "point_buffer.h"
#include "simplifier_memory.h"

#include <cstdint>

namespace korvix {

// The greedy cover into scratch.kept: from the first point on, the next kept point is the
// farthest one whose leg holds the tolerance. Returns the number of kept points. It costs about
// one look at each point and a few checks of each leg.
std::uint32_t greedy_cover(const PointBuffer& points, double tolerance, PointSimplifier& scratch);

// The cover with the fewest points into scratch.kept, by a breadth-first search over the legs
// that hold the tolerance; never more points than the greedy cover. Returns their number. It
// looks at each point once for every point before it that a leg could reach it from: about
// count^2 / kept points in all.
std::uint32_t fewest_cover(const PointBuffer& points, double tolerance, PointSimplifier& scratch);

} // namespace korvix
