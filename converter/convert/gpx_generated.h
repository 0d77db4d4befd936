// The routes and tracks that a conversion of a GPX file writes in the place of an element: one
// for each part of the points collected (generated_parts.h), named by the name of the element
// replaced and, when cut, the part ("ACTIVE LOG 2/3").
#pragma once

#include "generated_parts.h"
#include "gpx_points.h"

#include <string_view>

namespace korvix {

// What becomes of each point kept: its name ("001", or none) and mark, by its place among the
// kept points and in its part.
struct PointNaming {
    const std::uint16_t* numbers = nullptr; // of the kept points, or null: no names
    bool marks = false;                     // -W: via points at the ends, shaping between
};

// Writes, where an element stood, a route ("rte", "rtept") or a track ("trk", "trkpt" in one
// "trkseg") per part of the kept points of the point buffer, whose slots are found (find_kept).
void write_generated_parts(RunContext& run, const GpxMemory& memory, const GpxLayout& layout,
                           GpxVersion version, const GeneratedParts& parts, bool routes,
                           const PointNaming& naming);

} // namespace korvix
