// -V and -W: every track replaced by numbered waypoints and a route through them.
#pragma once

#include "run_context.h"

namespace korvix {

// Generated waypoints are numbered 001 to 999 over the whole run.
inline constexpr std::uint32_t last_waypoint_number = 999;

// Reads a whole track body with no output: its name into the scratch text, its positions into
// the point buffer. Returns the bytes of the name as read, its 0 byte included.
ByteCount read_track_points(RunContext& run, ByteCount length);

struct Bounds {
    std::int32_t max_latitude;
    std::int32_t max_longitude;
    std::int32_t min_latitude;
    std::int32_t min_longitude;
};

// Bounds of the point buffer's entries first to last inclusive (first <= last < count).
// Coordinates are compared as the signed numbers they are, so that a range across the equator or
// the prime meridian gets its true bounds.
Bounds compute_bounds(const PointBuffer& points, std::uint32_t first, std::uint32_t last);

// Body length of a generated waypoint in the run's GDB version (71 bytes, 80 in version 3).
std::int32_t waypoint_body_length(const RunContext& run);

// Writes the body of one generated waypoint.
void write_via_waypoint(RunContext& run, const char* name, std::int32_t latitude,
                        std::int32_t longitude, bool user_vias);

// Body length of the route that write_route writes (at least one point).
std::int32_t route_body_length(const RunContext& run, const char* name);

// Writes the body of the route through the waypoints numbered from the run's waypoint counter on.
void write_route(RunContext& run, const char* name, bool user_vias);

// Reads a track record's body and writes its waypoints and route in its place, or drops it.
void convert_track_to_route(RunContext& run, const RecordHeader& header);

} // namespace korvix
