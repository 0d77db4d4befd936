#include "leg_distance.h"

#include <algorithm>

namespace korvix {
namespace {

double largest_distance(const PointBuffer& points, const LegPlane& leg, std::uint32_t a,
                        std::uint32_t b, double bound) {
    double worst = 0;
    // From the far end back: where a leg reaches too far, the track turned just before its end.
    for (std::uint32_t k = b - 1; k > a && worst <= bound; --k)
        worst = std::max(worst, leg.distance_squared(points.latitude[k], points.longitude[k]));
    return worst;
}

} // namespace

double leg_error(const PointBuffer& points, std::uint32_t a, std::uint32_t b, double bound) {
    if (b - a < 2)
        return 0;
    const LegPlane leg(points.latitude[a], points.longitude[a], points.latitude[b],
                       points.longitude[b]);
    return largest_distance(points, leg, a, b, bound);
}

double leg_error(const PointBuffer& points, std::uint32_t a, std::uint32_t b, double bound,
                 PointSimplifier& scratch) {
    if (b - a < 2)
        return 0;
    return largest_distance(points, reduction_leg(points, a, b, scratch), a, b, bound);
}

bool leg_holds(const PointBuffer& points, std::uint32_t a, std::uint32_t b, double tolerance,
               std::uint32_t& witness, PointSimplifier& scratch) {
    if (b - a < 2)
        return true;
    const LegPlane leg = reduction_leg(points, a, b, scratch);
    if (witness > a && witness < b &&
        leg.distance_squared(points.latitude[witness], points.longitude[witness]) > tolerance)
        return false;
    for (std::uint32_t k = b - 1; k > a; --k) {
        if (leg.distance_squared(points.latitude[k], points.longitude[k]) > tolerance) {
            witness = k;
            return false;
        }
    }
    return true;
}

} // namespace korvix
