#include "waypoint_numbers.h"

#include "gdb_fields.h"
#include "gdb_header.h"
#include "platform.h"

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

std::span<const std::uint8_t> MemoryBytes::at(std::int64_t offset, std::size_t count) {
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= bytes_.size())
        return {};
    return bytes_.subspan(static_cast<std::size_t>(offset))
        .first(std::min(count, bytes_.size() - static_cast<std::size_t>(offset)));
}

std::span<const std::uint8_t> FileBytes::at(std::int64_t offset, std::size_t count) {
    count = std::min(count, buffer_.size());
    if (offset < buffer_offset_ || offset + static_cast<std::int64_t>(count) >
                                       buffer_offset_ + static_cast<std::int64_t>(buffered_)) {
        buffer_offset_ = offset;
        buffered_ = read_at(file_, offset, buffer_.data(), buffer_.size());
    }
    const auto start = static_cast<std::size_t>(offset - buffer_offset_);
    return std::span<const std::uint8_t>(buffer_).subspan(start).first(
        std::min(count, buffered_ > start ? buffered_ - start : 0));
}

void note_waypoint_names(InputBytes& input, WaypointNumbers& numbers) {
    std::int64_t offset = 0;
    // Passes over a 0-terminated string; false when the input ends first.
    const auto pass_string = [&] {
        for (;;) {
            const std::span<const std::uint8_t> bytes = input.at(offset, 256);
            if (bytes.empty())
                return false;
            const auto zero = std::find(bytes.begin(), bytes.end(), 0);
            offset += zero - bytes.begin();
            if (zero != bytes.end()) {
                ++offset;
                return true;
            }
        }
    };
    if (!pass_string()) // "MsRcf"
        return;
    offset += version_bytes_width;
    for (int i = 0; i < header_strings + 1; ++i) // and the application name
        if (!pass_string())
            return;
    for (;;) {
        const std::span<const std::uint8_t> head =
            input.at(offset, record_header_width + number_name_width);
        if (std::ssize(head) < record_header_width)
            return;
        const RecordHeader header{static_cast<std::int32_t>(load_le32(head.data())),
                                  static_cast<char>(head[4])};
        if (header.type == closing_record)
            return;
        if (header.type == waypoint_record)
            numbers.note_name(
                head.data() + record_header_width,
                std::min(header.body_length(), std::ssize(head) - record_header_width));
        offset += record_header_width + header.body_length();
    }
}

} // namespace korvix
