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

// A cover by a breadth-first search over the legs that hold the tolerance that goes on, from each
// number of legs, only from the `width` points of the highest index that it reached with that
// many (1 to beam_width_most); into scratch.kept, and returns its number of points. Width 1 is
// the greedy cover; a width as large as the points that any number of legs reaches makes it the
// cover with the fewest points. Where legs hold over many points, the points a number of legs
// reaches are many, and only those far along the track take the cover far in the legs after: on
// routes of 10000 link points, a width of 20 keeps a few percent more points than the fewest, at
// some two thirds of their cost. The candidates of a point are looked for from the highest the
// beam could still take (leg_reach.h).
inline constexpr std::uint32_t beam_width_most = 64;
std::uint32_t beam_cover(const PointBuffer& points, double tolerance, std::uint32_t width,
                         PointSimplifier& scratch);

// Whether every cover that greedy_cover, fewest_cover or beam_cover makes (any cover whose legs
// hold) at `tolerance` or at any smaller one keeps more than `most` points (at least 2). Shown
// without checking a leg: hop by hop, the farthest point that a cover can have reached is no
// farther than the last candidate of the legs from any point reached a hop before; so each point of
// the part of the track that most - 2 legs can reach is scanned from once. Each look at a point is
// taken from `looks_left`; false when they run out first, or when `most` points can reach the end.
bool covers_keep_more_than(const PointBuffer& points, double tolerance, std::uint32_t most,
                           std::uint64_t& looks_left, PointSimplifier& scratch);

} // namespace korvix
