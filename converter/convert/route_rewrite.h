// -R and -S: the via class of every waypoint and route point rewritten in place.
#pragma once

#include "gdb_fields.h"
#include "run_context.h"

namespace korvix {

// A waypoint or route record: its header and name kept, the class blocks of its body rewritten
// as `rewrite` says, every length unchanged.
void rewrite_record(RunContext& run, const RecordHeader& header, ClassRewrite rewrite);

} // namespace korvix
