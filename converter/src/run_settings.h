// What a run is asked to do: the option letter and the limits of the routes and tracks it makes.
#pragma once

#include "conversion_mode.h"
#include "point_simplify.h"

namespace korvix {

struct RunSettings {
    ConversionMode mode = ConversionMode::track_all_points;
    SimplifyLimits limits; // --points and --tolerance: no limit reduces nothing
};

} // namespace korvix
