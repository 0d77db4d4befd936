// The numbers of the waypoints that -V and -W generate, 001 to 999, and the numbers that the
// input's own waypoints already go by, which a generated waypoint must never take: a route point
// names its waypoint, and a reader resolves a name that two waypoints share to either of them.
#pragma once

#include "byte_stream.h"
#include "gdb_rules.h"
#include "input_bytes.h"
#include "input_fingerprint.h"

#include <cstdint>

namespace korvix {

// The numbers 001 to 999 of generated waypoints, the width of their names, and the numbers that
// the input's waypoints take, as runkorvix counts them too.
using rules::last_waypoint_number;
using rules::WaypointNumbers;
inline constexpr ByteCount number_name_width = rules::number_name_width;

// Walks the records of the input from the record header at `from` up to the closing record,
// reading their headers and the names of waypoints only, and notes the name of every waypoint
// record, adding each record to `seen` as the run's stream adds it when it passes (see
// record_dispatch.cpp). An input that ends early gives what was read before; the run itself
// reports it.
void note_waypoint_names(InputBytes& input, InputOffset from, WaypointNumbers& numbers,
                         InputFingerprint& seen);

} // namespace korvix
