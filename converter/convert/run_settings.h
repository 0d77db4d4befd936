// What a run is asked to do: the option letter and the limits of the routes and tracks it makes.
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

struct RunSettings {
    ConversionMode mode = ConversionMode::track_all_points;
    SimplifyLimits limits; // --points and --tolerance: no limit reduces nothing
};

} // namespace korvix
