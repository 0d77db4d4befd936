// The steps that the reductions of points share, on the reduction being made in scratch (kept
// points and the error of each leg, squared, in squared semicircles of latitude): measuring its
// legs, keeping it as the best so far, and improving it by moving kept points and by spending the
// points that a count limit leaves.
#pragma once

#include "point_buffer.h"
#include "simplifier_memory.h"

#include <cstdint>

namespace korvix {

// Fills in the errors of scratch's legs; returns the largest.
double measure_legs(const PointBuffer& points, PointSimplifier& scratch);

// The largest error of scratch's legs, as measured.
double largest_leg_error(const PointSimplifier& scratch);

// The reduction in scratch becomes the best so far, with the error given.
void keep_as_best(PointSimplifier& scratch, double error);

// `limit` points spread evenly over the track into scratch, the first and the last among them.
// Returns their error.
double spread_evenly(const PointBuffer& points, std::uint32_t limit, PointSimplifier& scratch);

// Moves kept points between their neighbours to where the larger error of their two legs is
// smallest, sweep after sweep, for the legs near the largest error; never makes a leg's error
// larger than the larger of the two was. Returns whether it moved any.
bool refine(const PointBuffer& points, PointSimplifier& scratch);

// Adds points to the measured reduction in scratch while it keeps fewer than `limit`: the leg of
// the largest error is cut at the point where the larger error of its two parts is smallest, as
// long as that is smaller than the leg's; where none is, the points are refined and it is tried
// again. So a reduction that a count limit leaves points for keeps them, where they bring the
// route closer.
void spend_points(const PointBuffer& points, std::uint32_t limit, PointSimplifier& scratch);

// Takes points out of the measured reduction in scratch while it keeps more than `limit`: each
// time the one whose two legs make the leg of the smallest error, as long as that error stays
// below `bound`. Returns whether it came down to the limit. So a cover that keeps a few points
// too many becomes a reduction within the limit, close to the cover's error.
bool trim_to(const PointBuffer& points, std::uint32_t limit, double bound,
             PointSimplifier& scratch);

} // namespace korvix
