// Reduces the points collected for one generated route or track to what a GPS takes: fewer
// points that follow the original closely. The kept points are input points, in order, with their
// coordinates as read; the first and the last always stay.
//
// The error of a reduction is the largest distance of any input point from the reduced line, that
// is from the leg between the kept points on either side of it (leg_distance.h); a kept point
// lies on it.
#pragma once

#include "point_buffer.h"
#include "simplifier_memory.h"

#include <cstdint>

namespace korvix {

// Reduces points.latitude/longitude in place to the kept points, in order; points.count becomes
// their number. max_points 0 sets no count limit, tolerance_metres 0 no tolerance. With a count
// limit only: at most max_points (2 to 10000), chosen for the smallest error this
// finds; a buffer of max_points or fewer stays as it is. With a tolerance only: as few points as
// this finds such that every input point lies within tolerance_metres of the reduced line. With
// both: the tolerance's reduction if it has at most max_points, else the count limit's.
// Returns the error of the result in metres (0 when nothing was removed).
double simplify_points(PointBuffer& points, std::uint32_t max_points, double tolerance_metres,
                       PointSimplifier& scratch);

// The same for the points of a route whose every point becomes a waypoint, with `most` names
// left for them: false, with the points as they were, when it would keep more than `most`; it
// then stops as soon as it can show that, most often long before the reduction would end.
bool simplify_points_for_names(PointBuffer& points, std::uint32_t max_points,
                               double tolerance_metres, std::uint32_t most,
                               PointSimplifier& scratch, double& error_metres);

} // namespace korvix
