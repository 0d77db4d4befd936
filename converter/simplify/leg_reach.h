// The legs from one point of a reduction that may hold a tolerance, and whether one does: the
// covers' two steps (tolerance_cover.h). Tolerances are squared distances in squared semicircles
// of latitude, as LegPlane gives them.
#pragma once

#include "leg_distance.h"
#include "point_buffer.h"
#include "simplifier_memory.h"

#include <cstdint>

namespace korvix {

// A scan from one point: its plane (the plane around the point) and the points after it that the
// scan projected there, as far as there is room for them. About 8 KB, on the stack of a cover.
struct Reach {
    static constexpr std::uint32_t room = 512;

    Reach() : plane(0, 0, 0) {}

    LocalPlane plane;
    std::uint32_t from = 0;
    std::uint32_t projected = 0; // points from + 1 to from + projected are in x and y, but
                                 // those the scan passed over, whose x is not a number
    double x[room];
    double y[room];
};

// The points that a leg from `from` may reach within the tolerance, in order, into
// scratch.candidates: each one whose direction lies in the wedge of directions that pass within
// the tolerance of every point before it (Imai and Iri, Chan and Chin). The scan stops where those
// wedges no longer meet, as no leg beyond can then hold. Returns their number; the next point is
// always among them. `scan_end`, when given, gets the point where the scan stopped (one past the
// last point when it ran to the end). The plane and the points projected go to `reach`.
//
// Where only candidates from `wanted` on are of use, the points before it are no candidates and
// the wedge narrows there by every fourth point only: it stays as wide or wider, so that no
// candidate from `wanted` on is passed over, at a quarter of the cost.
std::uint32_t reach_candidates(const PointBuffer& points, std::uint32_t from, double tolerance,
                               PointSimplifier& scratch, Reach& reach,
                               std::uint32_t* scan_end = nullptr, std::uint32_t wanted = 0);

// Whether the leg from reach.from to `to` holds the tolerance, as leg_holds (leg_distance.h)
// tells. The points the scan projected are measured in its plane first, from the segment
// between its first point and `to` there: the leg's own plane differs from it by far less than
// the margin taken (a bound on the two planes' difference from the leg's length, and 1 mm), so a
// point beyond the tolerance by more is beyond it in the leg's plane too, and a leg whose points
// all lie within it by more holds there too. Only a leg with a point within the margin of the
// tolerance is measured in its own plane. `witness` as for leg_holds.
bool leg_holds(const PointBuffer& points, const Reach& reach, std::uint32_t to, double tolerance,
               std::uint32_t& witness, PointSimplifier& scratch);

} // namespace korvix
