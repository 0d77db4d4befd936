// -T and -U: every route replaced by a track of the same name.
#pragma once

#include "gdb_fields.h"
#include "run_context.h"

namespace korvix {

// Which link points of a route its track runs through: every one (-T), or the first and the last
// of each link list, the vias (-U).
enum class TrackPoints { all_points, via_points };

// Reads a route record's body and writes one track record in its place.
void convert_route_to_track(RunContext& run, const RecordHeader& header, TrackPoints which);

} // namespace korvix
