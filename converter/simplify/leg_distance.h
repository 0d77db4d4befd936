// The distance on the earth of a position from the straight leg between two others, computed from
// the integer coordinates of a GDB file (semicircles: 2^31 of them make 180 degrees).
//
// Formula: a local plane per leg, the gnomonic projection around the leg's centre (the mean of its
// ends' latitudes and longitudes, longitudes taken the short way round, so that a leg across the
// antimeridian is as short as it is on the earth) to second order in the offsets from it:
//   x = dlon * (cos c - dlat * sin c),  y = dlat + dlon^2 * sin c * cos c / 2
// (offsets and c, the centre's latitude, in radians). The gnomonic projection maps great circles to
// straight lines, so the leg is straight in the plane as it is on the sphere; a plain
// equirectangular plane would bow a 20 km leg at London's latitude by 10 m. The distance is the
// plane's distance of the position from the segment (from the nearer end where the foot of the
// perpendicular falls outside it; a leg whose ends are equal is that one position), times the
// earth's mean radius. Against the exact distance on that sphere (measured on random legs): for
// legs and offsets under 10 km, within 2 cm below 50 degrees of latitude and 8 cm below 70; for
// legs under 100 km and offsets under 1 km, within 0.2 m and 0.9 m; for offsets of 10 to 100 km
// from legs under 100 km, within 0.02% and 0.08%. The sphere itself is within 0.5% of the earth's
// ellipsoid. It costs a few multiplications a position.
#pragma once

#include "point_buffer.h"
#include "simplifier_memory.h"

#include <cmath>
#include <cstdint>

namespace korvix {

inline constexpr double earth_mean_radius_metres = 6371008.8;
inline constexpr double pi = 3.14159265358979323846;
inline constexpr double semicircles_per_half_turn = 2147483648.0; // 2^31
// The length of one semicircle of latitude: the unit of the plane's two axes.
inline constexpr double metres_per_semicircle =
    earth_mean_radius_metres * pi / semicircles_per_half_turn;

// The longitude difference from a to b the short way round: the 32-bit difference wraps as a full
// turn of 2^32 semicircles does.
inline double semicircles_east(std::int32_t longitude_a, std::int32_t longitude_b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(longitude_b) -
                                     static_cast<std::uint32_t>(longitude_a));
}

// A plane around a centre: the gnomonic projection to second order in the offsets from it, in
// semicircles of latitude on both axes.
class LocalPlane {
public:
    // The centre lies at centre_latitude (semicircles) and centre_east semicircles east of
    // longitude_reference.
    LocalPlane(double centre_latitude, std::int32_t longitude_reference, double centre_east)
        : LocalPlane(centre_latitude, longitude_reference, centre_east, turn_of(centre_latitude)) {}

    // The sine and cosine of a centre's latitude (semicircles).
    struct CentreTurn {
        double sine;
        double cosine;
    };
    static CentreTurn turn_of(double centre_latitude) {
        return {std::sin(centre_latitude * radians_per_semicircle),
                std::cos(centre_latitude * radians_per_semicircle)};
    }
    // The sine and cosine of the latitude halfway between two latitudes, from theirs: the cosine
    // of the sum halved (the half-angle formula; a latitude's cosine is never negative), the sine
    // of the sum over twice the cosine. Within some half a degree of a pole, where that cosine
    // is small and the half-angle formula loses digits, from the latitude itself.
    static CentreTurn halfway(const CentreTurn& a, const CentreTurn& b, double centre_latitude) {
        const double cosine_of_sum = a.cosine * b.cosine - a.sine * b.sine;
        const double sine_of_sum = a.sine * b.cosine + a.cosine * b.sine;
        const double cosine = std::sqrt(0.5 * (1 + cosine_of_sum));
        if (cosine < 0.01)
            return turn_of(centre_latitude);
        return {sine_of_sum / (2 * cosine), cosine};
    }
    // A plane whose centre's sine and cosine are known already.
    LocalPlane(double centre_latitude, std::int32_t longitude_reference, double centre_east,
               const CentreTurn& turn)
        : longitude_reference_(longitude_reference), centre_latitude_(centre_latitude),
          centre_east_(centre_east), cosine_(turn.cosine),
          sine_per_semicircle_(turn.sine * radians_per_semicircle),
          bow_(0.5 * turn.sine * turn.cosine * radians_per_semicircle) {}

    void project(std::int32_t latitude, std::int32_t longitude, double& x, double& y) const {
        const double north = static_cast<double>(latitude) - centre_latitude_;
        const double east = semicircles_east(longitude_reference_, longitude) - centre_east_;
        x = east * (cosine_ - north * sine_per_semicircle_);
        y = north + east * east * bow_;
    }

private:
    static constexpr double radians_per_semicircle = pi / semicircles_per_half_turn;

    std::int32_t longitude_reference_;
    double centre_latitude_;
    double centre_east_;
    double cosine_;
    double sine_per_semicircle_;
    double bow_;
};

// One leg's plane, around the leg's centre, set up once and then asked for the distances of many
// positions.
class LegPlane {
public:
    LegPlane(std::int32_t latitude_a, std::int32_t longitude_a, std::int32_t latitude_b,
             std::int32_t longitude_b)
        : LegPlane(latitude_a, longitude_a, latitude_b, longitude_b,
                   LocalPlane::turn_of(centre_latitude(latitude_a, latitude_b))) {}
    // The same plane from the sine and cosine of the ends' latitudes, known already.
    LegPlane(std::int32_t latitude_a, std::int32_t longitude_a, std::int32_t latitude_b,
             std::int32_t longitude_b, const LocalPlane::CentreTurn& turn_a,
             const LocalPlane::CentreTurn& turn_b)
        : LegPlane(latitude_a, longitude_a, latitude_b, longitude_b,
                   LocalPlane::halfway(turn_a, turn_b, centre_latitude(latitude_a, latitude_b))) {}

    // Squared distance of a position from the leg, in squared semicircles of latitude: the same
    // unit for every leg, so that distances from different legs compare as they are.
    double distance_squared(std::int32_t latitude, std::int32_t longitude) const {
        double x = 0;
        double y = 0;
        plane_.project(latitude, longitude, x, y);
        x -= x_a_;
        y -= y_a_;
        const double along = x * x_ab_ + y * y_ab_;
        if (along <= 0) // behind the first end, or a leg of no length
            return x * x + y * y;
        if (along >= length_squared_) {
            const double dx = x - x_ab_;
            const double dy = y - y_ab_;
            return dx * dx + dy * dy;
        }
        const double across = x * y_ab_ - y * x_ab_;
        return across * across / length_squared_;
    }

private:
    static double centre_latitude(std::int32_t latitude_a, std::int32_t latitude_b) {
        return (static_cast<double>(latitude_a) + latitude_b) * 0.5;
    }

    LegPlane(std::int32_t latitude_a, std::int32_t longitude_a, std::int32_t latitude_b,
             std::int32_t longitude_b, const LocalPlane::CentreTurn& centre_turn)
        : plane_(centre_latitude(latitude_a, latitude_b), longitude_a,
                 0.5 * semicircles_east(longitude_a, longitude_b), centre_turn) {
        plane_.project(latitude_a, longitude_a, x_a_, y_a_);
        double x_b = 0;
        double y_b = 0;
        plane_.project(latitude_b, longitude_b, x_b, y_b);
        x_ab_ = x_b - x_a_;
        y_ab_ = y_b - y_a_;
        length_squared_ = x_ab_ * x_ab_ + y_ab_ * y_ab_;
    }

    LocalPlane plane_;
    double x_a_ = 0;
    double y_a_ = 0;
    double x_ab_ = 0;
    double y_ab_ = 0;
    double length_squared_ = 0;
};

// Distance in metres of position p from the leg from a to b.
inline double distance_from_leg_metres(std::int32_t latitude_a, std::int32_t longitude_a,
                                       std::int32_t latitude_b, std::int32_t longitude_b,
                                       std::int32_t latitude_p, std::int32_t longitude_p) {
    const LegPlane leg(latitude_a, longitude_a, latitude_b, longitude_b);
    return std::sqrt(leg.distance_squared(latitude_p, longitude_p)) * metres_per_semicircle;
}

// The sine and cosine of point i's latitude, for the planes of a reduction: computed the first
// time the reduction asks, kept in scratch for every plane after.
inline LocalPlane::CentreTurn point_turn(const PointBuffer& points, std::uint32_t i,
                                         PointSimplifier& scratch) {
    if (scratch.plane_cosine[i] == 0) {
        const LocalPlane::CentreTurn turn = LocalPlane::turn_of(points.latitude[i]);
        scratch.plane_sine[i] = turn.sine;
        scratch.plane_cosine[i] = turn.cosine;
    }
    return {scratch.plane_sine[i], scratch.plane_cosine[i]};
}

// The plane of the leg from point a to point b of a reduction.
inline LegPlane reduction_leg(const PointBuffer& points, std::uint32_t a, std::uint32_t b,
                              PointSimplifier& scratch) {
    return {points.latitude[a],
            points.longitude[a],
            points.latitude[b],
            points.longitude[b],
            point_turn(points, a, scratch),
            point_turn(points, b, scratch)};
}

// The error of the leg from a to b of a route or track: the largest squared distance (as
// LegPlane gives it) of the points between from it; as soon as one exceeds `bound`, that one's.
double leg_error(const PointBuffer& points, std::uint32_t a, std::uint32_t b,
                 double bound = HUGE_VAL);
// The same within a reduction, whose scratch keeps the sine and cosine of each point.
double leg_error(const PointBuffer& points, std::uint32_t a, std::uint32_t b, double bound,
                 PointSimplifier& scratch);

// Whether the leg from a to b holds `tolerance`: leg_error(points, a, b, tolerance) <= tolerance,
// found sooner when it does not. The legs tried one after another from one point mostly fail at
// the same turn of the track, so `witness`, the point that kept the last one from holding, is
// looked at first; it becomes the point that keeps this one from holding.
bool leg_holds(const PointBuffer& points, std::uint32_t a, std::uint32_t b, double tolerance,
               std::uint32_t& witness, PointSimplifier& scratch);

} // namespace korvix
