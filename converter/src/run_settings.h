// What a run is asked to do: the option letter, the limits of the routes and tracks it makes, and
// how many waypoints it may make for them.
#pragma once

#include "conversion_mode.h"
#include "point_simplify.h"

namespace korvix {

struct RunSettings {
    ConversionMode mode = ConversionMode::track_all_points;
    SimplifyLimits limits; // --points and --tolerance: no limit reduces nothing
    // --fit: every track of the file becomes a route, all of them within one waypoint budget, at
    // one shared distance; --tolerance is then the smallest distance it may use (fit_plan.h).
    bool fit = false;
    // --waypoints: the most new waypoints the run may name, 1 to 999; 0: as many as it has names.
    std::uint32_t waypoint_limit = 0;
};

} // namespace korvix
