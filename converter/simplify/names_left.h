// The names left for the points that a reduction keeps, when each becomes a waypoint (-V, -W):
// a reduction that would keep more gives up as soon as it can show that.
#pragma once

#include "point_buffer.h"
#include "simplifier_memory.h"
#include "tolerance_cover.h"

#include <algorithm>
#include <cstdint>

namespace korvix {

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

} // namespace korvix
