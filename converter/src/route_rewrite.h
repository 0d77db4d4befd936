// -R and -S: the via class of every waypoint and route point rewritten in place.
#pragma once

#include "run_context.h"

namespace korvix {

// Moves the class block of a waypoint or a route point up to and including its subclass byte,
// to `out` or to nowhere. Under -R and -S the class byte and the subclass byte are rewritten;
// under every other mode they are moved as read.
void rewrite_waypoint_class(RunContext& run, BodyRemainder& body, OutputStream* out);

// Moves a route body behind its name, rewriting the class block of every route point.
void copy_route(RunContext& run, BodyRemainder& body);

// A waypoint or route record under -R and -S: its header and name kept, its body rewritten in
// place, every length unchanged.
void rewrite_record(RunContext& run, const RecordHeader& header);

} // namespace korvix
