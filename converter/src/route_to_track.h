// -T and -U: every route replaced by a track of the same name.
#pragma once

#include "run_context.h"

namespace korvix {

// Reads a whole route body (`length` bytes) with no output: its name into `name`, the positions
// of its link points into the point buffer (every one under -T, the first and last of each link
// list under -U). Returns the bytes of the name as read, its 0 byte included.
ByteCount read_route_points(RunContext& run, std::uint32_t length, const TextDestination& name);

// Writes a track body from the name and the point buffer.
void write_track(OutputStream& out, const char* name, const PointBuffer& points);

// Body length of the track that write_track writes.
std::int32_t track_body_length(const char* name, const PointBuffer& points);

// Reads a route record's body and writes one track record in its place.
void convert_route_to_track(RunContext& run, std::uint32_t length);

} // namespace korvix
