#include "leg_reach.h"

#include <algorithm>
#include <cmath>
#include <limits>
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
    return (cross(w.low_x, w.low_y, x, y) >= 0) & (cross(x, y, w.high_x, w.high_y) >= 0);
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

// Whether both sides of the common wedge lie in the wedge of the point at (x, y), whose squared
// distance is beyond the squared radius: then so does the whole common wedge, and the point
// narrows nothing. A direction u lies in the point's wedge when it points towards the point and
// its angle from it has a tangent of at most radius / along, that is (u x p)^2 * along^2 <=
// radius^2 * (u . p)^2; no square root needed.
bool within_own(const Wedge& common, double x, double y, double distance_squared,
                double radius_squared) {
    const double along_squared = distance_squared - radius_squared;
    const auto holds = [&](double ux, double uy) {
        const double ahead = ux * x + uy * y;
        const double aside = cross(ux, uy, x, y);
        return (ahead > 0) & (aside * aside * along_squared <= radius_squared * ahead * ahead);
    };
    return holds(common.low_x, common.low_y) & holds(common.high_x, common.high_y);
}

// The earth's mean radius in semicircles of latitude.
constexpr double earth_radius = semicircles_per_half_turn / pi;

// How far a distance measured in the plane of a leg's first point may lie from the same distance
// in the leg's own plane, both second-order gnomonic projections, for points within `extent` of
// the first point: their positions differ by third-order terms, extent^3 / radius^2, and their
// scales by second-order ones, extent^2 / radius^2 of the distance; four times both, and 1 mm.
double plane_margin(double distance, double extent) {
    const double share = extent / earth_radius;
    return 4 * share * share * (distance + extent) + 0.001 / metres_per_semicircle;
}

// The squared distance of (x, y) from the segment from the origin to (bx, by), whose squared
// length is `length_squared` (`inverse` its inverse, 0 for a segment of no length).
double from_segment(double x, double y, double bx, double by, double length_squared,
                    double inverse) {
    const double along = x * bx + y * by;
    if (along <= 0)
        return x * x + y * y;
    if (along >= length_squared) {
        const double dx = x - bx;
        const double dy = y - by;
        return dx * dx + dy * dy;
    }
    const double across = x * by - y * bx;
    return across * across * inverse;
}

} // namespace

std::uint32_t reach_candidates(const PointBuffer& points, std::uint32_t from, double tolerance,
                               PointSimplifier& scratch, Reach& reach, std::uint32_t* scan_end,
                               std::uint32_t wanted) {
    const std::uint32_t last = points.count - 1;
    reach.plane = LocalPlane(points.latitude[from], points.longitude[from], 0,
                             point_turn(points, from, scratch));
    reach.from = from;
    const double radius_squared = tolerance * wedge_slack * wedge_slack;
    const double radius = std::sqrt(radius_squared);
    bool constrained = false;
    Wedge common{};
    std::uint32_t candidates = 0;
    std::uint32_t j = from + 1;
    for (; j <= last; ++j) {
        if (j < wanted && (j - from) % 4 != 0) {
            if (j - from <= Reach::room)
                reach.x[j - from - 1] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        double x = 0;
        double y = 0;
        reach.plane.project(points.latitude[j], points.longitude[j], x, y);
        if (j - from <= Reach::room) {
            reach.x[j - from - 1] = x;
            reach.y[j - from - 1] = y;
        }
        const double distance_squared = x * x + y * y;
        // Stored whether or not it is one, and counted when it is: no branch to mispredict.
        scratch.candidates[candidates] = static_cast<Index>(j);
        candidates +=
            (j >= wanted) & ((!constrained) | ((distance_squared > 0) & inside(x, y, common)));
        if (distance_squared <= radius_squared)
            continue; // every direction passes close enough
        if (constrained && within_own(common, x, y, distance_squared, radius_squared))
            continue; // the point's wedge holds the common one: it narrows nothing
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
    reach.projected = std::min(j - from - (j > last ? 1 : 0), Reach::room);
    if (scan_end != nullptr)
        *scan_end = j;
    return candidates;
}

bool leg_holds(const PointBuffer& points, const Reach& reach, std::uint32_t to, double tolerance,
               std::uint32_t& witness, PointSimplifier& scratch) {
    const std::uint32_t from = reach.from;
    if (to - from < 2)
        return true;
    if (to - from > reach.projected || scratch.legs_in_own_plane)
        return leg_holds(points, from, to, tolerance, witness, scratch);
    double bx = reach.x[to - from - 1];
    double by = reach.y[to - from - 1];
    if (std::isnan(bx))
        reach.plane.project(points.latitude[to], points.longitude[to], bx, by);
    const double length_squared = bx * bx + by * by;
    const double inverse = length_squared > 0 ? 1 / length_squared : 0;
    const double distance = std::sqrt(tolerance);
    const double margin = plane_margin(distance, std::sqrt(length_squared) + distance);
    const double beyond = (distance + margin) * (distance + margin);
    const double within = distance > margin ? (distance - margin) * (distance - margin) : -1;
    const auto measured = [&](std::uint32_t k) {
        double x = reach.x[k - from - 1];
        double y = reach.y[k - from - 1];
        if (std::isnan(x)) // passed over by the scan
            reach.plane.project(points.latitude[k], points.longitude[k], x, y);
        return from_segment(x, y, bx, by, length_squared, inverse);
    };
    if (witness > from && witness < to && measured(witness) > beyond)
        return false;
    double worst = 0;
    for (std::uint32_t k = to - 1; k > from; --k) {
        const double d = measured(k);
        if (d > beyond) {
            witness = k;
            return false;
        }
        worst = std::max(worst, d);
    }
    return worst <= within || leg_holds(points, from, to, tolerance, witness, scratch);
}

} // namespace korvix
