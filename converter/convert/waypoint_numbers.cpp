#include "waypoint_numbers.h"

#include "record_walk.h"

namespace korvix {

void note_waypoint_names(InputBytes& input, InputOffset from, WaypointNumbers& numbers) {
    walk_records_ahead(input, from, number_name_width,
                       [&](const RecordHeader& header, std::span<const std::uint8_t> name) {
                           if (header.type == waypoint_record)
                               numbers.note_name(name.data(), name.size());
                       });
}

} // namespace korvix
