// The exact optimum of a reduction, as a measuring instrument for korvix's: for the points of one
// route or track, the fewest points within a distance and the smallest distance for a number of
// points, in korvix's own distance (each leg measured in its own plane, leg_distance.h).
//
// The fewest points within D: a breadth-first search over every leg from every point whose
// points between all lie within D of it, each such leg checked point by point with leg_error.
// The legs from a point are looked for in the wedge of directions that pass within D of each
// point after it, intersected point by point in the plane around the first point (Imai and Iri,
// Chan and Chin): a leg that holds must point into it, so no leg that holds is passed over. The
// wedge is taken 5 % and 1 cm wider than D, as the plane of the first point and the plane of the
// leg differ (by far less than that within the distance where the wedge is used: 50 km); a point
// farther from the first point than that ends the use of the wedge for its legs.
//
// The smallest distance for N points: the fewest points within D is at most N from the optimum's
// distance on and more than N below it, and that distance is the error of one of the reductions.
// A bisection between a distance that needs more than N points and the error of a reduction of
// at most N closes on it to a relative 1e-5, each reduction that fits lowering the upper end to
// its own error; then the upper end goes down the errors of the reductions found a hair (a
// relative 1e-12) below it, until none of at most N points is found there: that is the optimum.
//
// It keeps its working memory in vectors and takes seconds for 10000 points (minutes where legs
// hold over thousands of points): slow, and exact.
#pragma once

#include "point_buffer.h"

#include <cstdint>
#include <vector>

namespace korvix::optimum {

// A reduction: the input indices of the kept points, in order, the first and the last among
// them, and its error (the largest squared distance of a point from its leg, in squared
// semicircles of latitude, as LegPlane gives it).
struct Reduction {
    std::vector<std::uint32_t> kept;
    double error = 0;
};

// The reduction with the fewest points within `tolerance` (squared, in squared semicircles); with
// `least_error`, the one of the smallest error among them (slower: it measures every leg that
// holds, not only those that make a path of fewer legs). `wedges` false checks every leg from
// every point instead (for the check of the wedges themselves; about count^3 / 6 looks).
Reduction fewest_within(const PointBuffer& points, double tolerance, bool wedges = true,
                        bool least_error = false);

// The reduction of at most `most` points (2 or more) with the smallest error; `start`, a reduction
// of at most `most` points to begin from (the closer, the quicker), or none.
Reduction smallest_error(const PointBuffer& points, std::uint32_t most, bool wedges = true,
                         const Reduction* start = nullptr);

// The error of a reduction, measured leg by leg.
double reduction_error(const PointBuffer& points, const std::vector<std::uint32_t>& kept);

// Squared semicircles from metres and back, as korvix turns its distances.
double squared_semicircles(double metres);
double metres_of(double squared);

} // namespace korvix::optimum
