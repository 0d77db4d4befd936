#include "tolerance_cover.h"

#include "leg_distance.h"

#include <algorithm>
#include <utility>

namespace korvix {
namespace {

using Index = PointSimplifier::Index;

// A leg from a point holds the tolerance only if it points into the wedge of directions that pass
// within the tolerance of each point between. The wedges are found in the plane around the leg's
// first point, while the leg itself is measured in the plane around its centre; the two differ by
// far less than this share of the tolerance, so that no leg that holds is passed over.
constexpr double wedge_slack = 1.01;

// Directions from a point, as vectors in its plane: the wedge from `low` counterclockwise to
// `high`, never as wide as a half turn.
struct Wedge {
    double low_x, low_y, high_x, high_y;
};

double cross(double ax, double ay, double bx, double by) {
    return ax * by - ay * bx;
}

bool inside(double x, double y, const Wedge& w) {
    return cross(w.low_x, w.low_y, x, y) >= 0 && cross(x, y, w.high_x, w.high_y) >= 0;
}

// Two wedges narrower than a half turn meet in one wedge or in none; each side of it is a side of
// one of them that lies in the other. False when they do not meet.
bool narrow(Wedge& common, const Wedge& other) {
    // One side (low or high) of the wedge where both meet: the other's if it lies in the common
    // one, else the common one's if it lies in the other.
    const auto meeting_side = [&](double Wedge::*x, double Wedge::*y, Wedge& both) {
        for (const auto& [from, within] :
             {std::pair<const Wedge*, const Wedge*>{&other, &common}, {&common, &other}}) {
            if (inside(from->*x, from->*y, *within)) {
                both.*x = from->*x;
                both.*y = from->*y;
                return true;
            }
        }
        return false;
    };
    Wedge both{};
    if (!meeting_side(&Wedge::low_x, &Wedge::low_y, both) ||
        !meeting_side(&Wedge::high_x, &Wedge::high_y, both))
        return false;
    if (cross(both.low_x, both.low_y, both.high_x, both.high_y) < 0)
        return false;
    common = both;
    return true;
}

// The points that a leg from `from` may reach within the tolerance, in order, into
// scratch.candidates: each one whose direction lies in the wedges of all points before it. The
// scan stops where those wedges no longer meet, as no leg beyond can then hold. Returns their
// number; the next point is always among them. `scan_end`, when given, gets the point where the
// scan stopped (one past the last point when it ran to the end).
std::uint32_t reach_candidates(const PointBuffer& points, std::uint32_t from, double tolerance,
                               PointSimplifier& scratch, std::uint32_t* scan_end = nullptr) {
    const std::uint32_t last = points.count - 1;
    const LocalPlane plane(points.latitude[from], points.longitude[from], 0,
                           point_turn(points, from, scratch));
    const double radius_squared = tolerance * wedge_slack * wedge_slack;
    const double radius = std::sqrt(radius_squared);
    bool constrained = false;
    Wedge common{};
    std::uint32_t candidates = 0;
    std::uint32_t j = from + 1;
    for (; j <= last; ++j) {
        double x = 0;
        double y = 0;
        plane.project(points.latitude[j], points.longitude[j], x, y);
        const double distance_squared = x * x + y * y;
        if (!constrained || (distance_squared > 0 && inside(x, y, common)))
            scratch.candidates[candidates++] = static_cast<Index>(j);
        if (distance_squared <= radius_squared)
            continue; // every direction passes close enough
        // The point's direction turned either way by the angle whose sine is radius / distance,
        // both scaled by the distance.
        const double along = std::sqrt(distance_squared - radius_squared);
        const Wedge own{along * x + radius * y, along * y - radius * x, along * x - radius * y,
                        along * y + radius * x};
        if (!constrained) {
            common = own;
            constrained = true;
        } else if (!narrow(common, own)) {
            break;
        }
    }
    if (scan_end != nullptr)
        *scan_end = j;
    return candidates;
}

} // namespace

std::uint32_t greedy_cover(const PointBuffer& points, double tolerance, PointSimplifier& scratch) {
    const std::uint32_t last = points.count - 1;
    std::uint32_t count = 0;
    scratch.kept[count++] = 0;
    for (std::uint32_t at = 0; at < last;) {
        std::uint32_t candidates = reach_candidates(points, at, tolerance, scratch);
        std::uint32_t next = at + 1; // a leg with no point between always holds
        std::uint32_t witness = 0;
        while (candidates > 1) {
            const std::uint32_t j = scratch.candidates[--candidates];
            if (leg_holds(points, at, j, tolerance, witness, scratch)) {
                next = j;
                break;
            }
        }
        scratch.kept[count++] = static_cast<Index>(next);
        at = next;
    }
    scratch.count = count;
    return count;
}

std::uint32_t fewest_cover(const PointBuffer& points, double tolerance, PointSimplifier& scratch) {
    const std::uint32_t last = points.count - 1;
    constexpr Index unreached = 0xFFFF;
    std::fill_n(scratch.hops, points.count, unreached);
    scratch.hops[0] = 0;
    scratch.parent[0] = 0;
    // Points in order: every leg into a point starts before it, so its hops are final when the
    // search leaves it. A point is reached at least from the one before it.
    for (std::uint32_t i = 0; i < last; ++i) {
        const std::uint32_t candidates = reach_candidates(points, i, tolerance, scratch);
        const auto hops = static_cast<Index>(scratch.hops[i] + 1);
        std::uint32_t witness = 0;
        for (std::uint32_t c = 0; c < candidates; ++c) {
            const std::uint32_t j = scratch.candidates[c];
            if (hops < scratch.hops[j] && leg_holds(points, i, j, tolerance, witness, scratch)) {
                scratch.hops[j] = hops;
                scratch.parent[j] = static_cast<Index>(i);
            }
        }
    }
    scratch.count = scratch.hops[last] + 1u;
    std::uint32_t at = last;
    for (std::uint32_t k = scratch.count; k-- > 0; at = scratch.parent[at])
        scratch.kept[k] = static_cast<Index>(at);
    return scratch.count;
}

bool covers_keep_more_than(const PointBuffer& points, double tolerance, std::uint32_t most,
                           std::uint64_t& looks_left, PointSimplifier& scratch) {
    const std::uint32_t last = points.count - 1;
    // After each round, `reached` is the farthest point that a cover of `legs` legs can have got
    // to: no farther than the last candidate of any point that one leg fewer can have got to.
    // Each point up to it is scanned from once, in order.
    std::uint32_t reached = 0;
    std::uint32_t farthest = 0;
    std::uint32_t origin = 0;
    for (std::uint32_t legs = 1; legs < most; ++legs) {
        for (; origin <= reached; ++origin) {
            std::uint32_t scan_end = 0;
            const std::uint32_t candidates =
                reach_candidates(points, origin, tolerance, scratch, &scan_end);
            farthest = std::max<std::uint32_t>(farthest, scratch.candidates[candidates - 1]);
            const std::uint32_t looks = scan_end - origin;
            if (farthest == last || looks > looks_left) {
                looks_left -= std::min<std::uint64_t>(looks, looks_left);
                return false;
            }
            looks_left -= looks;
        }
        reached = farthest;
    }
    return true;
}

} // namespace korvix
