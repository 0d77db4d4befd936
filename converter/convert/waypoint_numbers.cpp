#include "waypoint_numbers.h"

#include "record_walk.h"

namespace korvix {

namespace {

bool is_digit(std::uint8_t byte) {
    return byte >= '0' && byte <= '9';
}

} // namespace

void WaypointNumbers::note_name(const std::uint8_t* name, ByteCount size) {
    if (size < number_name_width || !is_digit(name[0]) || !is_digit(name[1]) ||
        !is_digit(name[2]) || name[3] != 0)
        return;
    taken_.set((name[0] - '0') * 100U + (name[1] - '0') * 10U + (name[2] - '0'));
}

void note_waypoint_names(InputBytes& input, InputOffset from, WaypointNumbers& numbers) {
    walk_records_ahead(input, from, number_name_width,
                       [&](const RecordHeader& header, std::span<const std::uint8_t> name) {
                           if (header.type == waypoint_record)
                               numbers.note_name(name.data(), std::ssize(name));
                       });
}

} // namespace korvix
