// The numbers of the waypoints that -V and -W generate, 001 to 999, and the numbers that the
// input's own waypoints already go by, which a generated waypoint must never take: a route point
// names its waypoint, and a reader resolves a name that two waypoints share to either of them.
#pragma once

#include "byte_stream.h"
#include "input_bytes.h"

#include <bitset>
#include <cstdint>

namespace korvix {

// Generated waypoints are numbered 001 to 999 over the whole run; their names take three digits
// and the 0 byte.
inline constexpr std::uint32_t last_waypoint_number = 999;
inline constexpr ByteCount number_name_width = 4;

class WaypointNumbers {
public:
    // Notes the name at the start of a waypoint body, given its first bytes (at most 4 are
    // looked at): a name of three digits, as the "%03d" of a number, takes that number.
    void note_name(const std::uint8_t* name, ByteCount size);
    bool taken(std::uint32_t number) const { return taken_[number]; }
    // How many numbers from `first` to 999 no waypoint of the input goes by.
    std::uint32_t free_from(std::uint32_t first) const;

private:
    std::bitset<last_waypoint_number + 1> taken_;
};

// Walks the records of the input from the record header at `from` up to the closing record,
// reading their headers and the names of waypoints only, and notes the name of every waypoint
// record. An input that ends early gives what was read before; the run itself reports it.
void note_waypoint_names(InputBytes& input, InputOffset from, WaypointNumbers& numbers);

} // namespace korvix
