#include "waypoint_numbers.h"

#include "record_walk.h"

namespace korvix {

void note_waypoint_names(InputBytes& input, InputOffset from, WaypointNumbers& numbers,
                         InputFingerprint& seen) {
    walk_records_ahead(input, from, number_name_width,
                       [&](const RecordHeader& header, std::span<const std::uint8_t> name) {
                           if (header.type == waypoint_record) {
                               numbers.note_name(name.data(), name.size());
                               seen.add_bytes(name);
                           }
                           seen.add_record(header);
                       });
}

} // namespace korvix
