// -T and -U: every route replaced by a track of the same name.
#pragma once

#include "gdb_fields.h"
#include "route_points.h"
#include "run_context.h"

namespace korvix {

// Reads a route record's body and writes one track record in its place.
void convert_route_to_track(RunContext& run, const RecordHeader& header, TrackPoints which);

} // namespace korvix
