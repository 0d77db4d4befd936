// What a run is asked to do: the option letter, the limits of the routes and tracks it makes, and
// how many waypoints it may make for them.
#pragma once

#include "conversion_mode.h"

#include <cstdint>

namespace korvix {

// The limits of the routes and tracks a run makes, as --points, --tolerance and --split give them.
struct SimplifyLimits {
    std::uint32_t max_points = 0; // 0: no count limit; else 2 to 10000
    double tolerance_metres = 0;  // 0: no tolerance; else > 0
    // --split: a route or track of more than max_points points is cut into parts of at most
    // max_points instead of reduced to max_points (generated_parts.h).
    bool split = false;
    bool active() const { return max_points != 0 || tolerance_metres > 0; }
};

// The fields stand in the order of the command line, the order in which callers list them; one
// such struct is made per run, so its padding costs nothing.
// NOLINTNEXTLINE(clang-analyzer-optin.performance.Padding)
struct RunSettings {
    ConversionMode mode = ConversionMode::track_all_points;
    SimplifyLimits limits; // --points and --tolerance: no limit reduces nothing
    // --fit: every track of the file becomes a route, all of them within one waypoint budget, at
    // one shared distance; --tolerance is then the smallest distance it may use (fit_plan.h).
    bool fit = false;
    // --waypoints: the most new waypoints the run may name, 1 to 999; 0: as many as it has names.
    std::uint32_t waypoint_limit = 0;
    // Whether the output is named as a GDB file (*.gdb): a GPX input is then refused, as korvix
    // writes a file in its input's format.
    bool output_named_gdb = false;
};

} // namespace korvix
