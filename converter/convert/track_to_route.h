// -V and -W: every track replaced by numbered waypoints and a route through them.
#pragma once

#include "gdb_fields.h"
#include "run_context.h"

namespace korvix {

// Reads a track record's body and writes its waypoints and route in its place, user or hidden
// vias, or drops it.
void convert_track_to_route(RunContext& run, const RecordHeader& header, Vias vias);

} // namespace korvix
