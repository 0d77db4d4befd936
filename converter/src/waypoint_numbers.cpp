#include "waypoint_numbers.h"

#include "record_framing.h"

#include <algorithm>

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

std::uint32_t WaypointNumbers::free_from(std::uint32_t first) const {
    std::uint32_t free = 0;
    for (std::uint32_t number = std::max(first, 1U); number <= last_waypoint_number; ++number)
        free += taken_[number] ? 0 : 1;
    return free;
}

void note_waypoint_names(InputBytes& input, InputOffset from, WaypointNumbers& numbers) {
    for (InputOffset offset = from;;) {
        const std::span<const std::uint8_t> head =
            input.at(offset, record_header_width + number_name_width);
        if (std::ssize(head) < record_header_width)
            return;
        const RecordHeader header = record_header_at(head.data(), offset);
        if (header.type == closing_record)
            return;
        if (header.type == waypoint_record)
            numbers.note_name(
                head.data() + record_header_width,
                std::min(header.body_length(), std::ssize(head) - record_header_width));
        offset = header.next_offset();
    }
}

} // namespace korvix
