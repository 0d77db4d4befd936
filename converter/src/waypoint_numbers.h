// The numbers of the waypoints that -V and -W generate, 001 to 999, and the numbers that the
// input's own waypoints already go by, which a generated waypoint must never take: a route point
// names its waypoint, and a reader resolves a name that two waypoints share to either of them.
#pragma once

#include "byte_stream.h"

#include <bitset>
#include <cstdint>

namespace korvix {

// Generated waypoints are numbered 001 to 999 over the whole run.
inline constexpr std::uint32_t last_waypoint_number = 999;

class WaypointNumbers {
public:
    // Notes the name at the start of a waypoint body, given its first bytes (at most 4 are
    // looked at): a name of three digits, as the "%03d" of a number, takes that number.
    void note_name(const std::uint8_t* name, ByteCount size);
    bool taken(std::uint32_t number) const { return taken_[number]; }

private:
    std::bitset<last_waypoint_number + 1> taken_;
};

// Reads the input once ahead, record headers and waypoint names only, up to the closing record,
// and notes the name of every waypoint record. An input that is not a GDB file or ends early
// gives what was read before; the run itself reports it.
void note_waypoint_names(InputStream& ahead, WaypointNumbers& numbers);

} // namespace korvix
