// What a run is asked to do: the option letter and the limits of the routes and tracks it makes.
#pragma once

#include "conversion_mode.h"

#include <cstdint>

namespace korvix {

// --points and --tolerance: how far the points collected for each generated route or track are
// reduced. No limit reduces nothing.
struct PointLimits {
    std::uint32_t max_points = 0; // --points=N, 2 to 10000; 0 for none
    double tolerance_metres = 0;  // --tolerance=M, above 0; 0 for none
    bool any() const { return max_points != 0 || tolerance_metres > 0; }
};

struct RunSettings {
    ConversionMode mode = ConversionMode::track_all_points;
    PointLimits limits;
};

} // namespace korvix
