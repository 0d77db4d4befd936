#include "waypoint_numbers.h"

#include "gdb_fields.h"

namespace korvix {

namespace {

constexpr ByteCount number_name_width = 4; // three digits and the 0 byte
constexpr ByteCount header_bytes_width = 14;
constexpr int header_strings = 4; // three strings and the application name

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

void note_waypoint_names(InputStream& ahead, WaypointNumbers& numbers) {
    copy_bytes(ahead, nullptr, 0); // "MsRcf"
    ahead.skip(header_bytes_width);
    for (int i = 0; i < header_strings; ++i)
        copy_bytes(ahead, nullptr, 0);
    while (!ahead.failed()) {
        const RecordHeader header = read_record_header(ahead);
        if (ahead.failed() || header.type == closing_record)
            break;
        if (header.type == waypoint_record) {
            const ByteCount name_bytes = std::min(header.body_length(), number_name_width);
            ahead.ensure(name_bytes);
            numbers.note_name(ahead.data(), std::min(name_bytes, ahead.available()));
        }
        ahead.skip(header.body_length());
    }
}

} // namespace korvix
