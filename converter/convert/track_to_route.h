// -V and -W: every track replaced by numbered waypoints and a route through them.
#pragma once

#include "gdb_fields.h"
#include "run_context.h"

namespace korvix {

// Reads a track record's body and writes its waypoints and route in its place, user or hidden
// vias, or drops it.
void convert_track_to_route(RunContext& run, const RecordHeader& header, Vias vias);

// The line that ends a --fit run: "26 tracks fit in 687 new waypoints, within 20.8 m of their
// tracks", the distance the largest of any route from its track; said on `console`, which the
// run driver gives once the run has succeeded and its output is in place.
void say_fit_result(const RunContext& run, Console& console);

} // namespace korvix
