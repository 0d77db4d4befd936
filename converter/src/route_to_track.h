// -T and -U: every route replaced by a track of the same name.
#pragma once

#include "run_context.h"

namespace korvix {

// Reads a whole route body with no output: its name into the scratch text, the positions of its
// link points into the point buffer (every one under -T, the first and last of each link list
// under -U). Returns the bytes of the name as read, its 0 byte included.
ByteCount read_route_points(RunContext& run, ByteCount length);

// Body length of the track that write_track writes.
std::int32_t track_body_length(const RunContext& run, const char* name);

// Writes a track body from the name and the point buffer, in the run's GDB version.
void write_track(RunContext& run, const char* name);

// Reads a route record's body and writes one track record in its place.
void convert_route_to_track(RunContext& run, const RecordHeader& header);

} // namespace korvix
