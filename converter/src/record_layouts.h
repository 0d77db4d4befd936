// The fixed bytes of the waypoint, route and track records that korvix generates, the widths of
// the parsed fields, and the bookkeeping of what is left of a record's body behind them.
#pragma once

#include "byte_stream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace korvix {

// Class block of every generated waypoint and route point. Byte 0 is the class byte (user via 00,
// hidden via 0C), byte 13 the subclass byte.
inline constexpr std::uint8_t via_class_block[] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};

// The 31 bytes behind the position of a generated waypoint. Byte 2 is the display byte
// (01 for a user via, 00 for a hidden via).
inline constexpr std::uint8_t via_waypoint_trailer[] = {
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// The 19 bytes behind the class block of a generated route point.
inline constexpr std::uint8_t route_point_tail[] = {0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                    0x00, 0x00, 0x00, 0x00, 0x00};

// The 5 bytes behind the name of a generated track.
inline constexpr std::uint8_t track_header_bytes[] = {0x01, 0x02, 0x00, 0x00, 0x00};

// The 3 bytes behind each position of a generated track: the absent point value and the two
// point closing bytes.
inline constexpr std::uint8_t track_point_tail[] = {0x00, 0x00, 0x00};

// Widths of a position's latitude and longitude and of the altitude value behind a non-zero
// presence byte.
inline constexpr std::size_t position_width = 8;
inline constexpr std::size_t altitude_width = 8;

inline constexpr int class_block_width = 27;
inline constexpr int class_byte_offset = 0;
inline constexpr int subclass_byte_offset = 13;
inline constexpr int display_byte_offset = 2;
inline constexpr int route_point_block_width = 46; // class block and route point tail
inline constexpr int position_record_width = 9;    // a position and its cleared presence byte
inline constexpr int generated_waypoint_length = 71;
inline constexpr int track_point_value_width = 4;
inline constexpr int track_point_closing_width = 2;

static_assert(std::size(via_class_block) == class_block_width);
static_assert(std::size(via_waypoint_trailer) == 31);
static_assert(std::size(route_point_tail) == 19);
static_assert(std::size(track_header_bytes) == 5);
static_assert(std::size(track_point_tail) == 3);
static_assert(class_block_width + std::size(route_point_tail) == route_point_block_width);
static_assert(4 + class_block_width + position_record_width + std::size(via_waypoint_trailer) ==
                  generated_waypoint_length,
              "name, class block, position and trailer make a generated waypoint");
static_assert(via_class_block[subclass_byte_offset] == 0xFF);
static_assert(via_waypoint_trailer[display_byte_offset] == 0x01);

// Via class bytes.
inline constexpr std::uint8_t user_via_class = 0;
inline constexpr std::uint8_t hidden_via_class = 12;

// What is left of a record's declared body length behind the fields parsed so far. Every
// primitive's byte count is taken from it; a record shorter than its fields fails the run at
// once, so that no negative count is ever moved and no loop over a count runs on.
class BodyRemainder {
public:
    BodyRemainder(InputStream& in, std::int64_t length) : in_(in), left_(length) { check(); }

    void take(ByteCount count) {
        left_ -= static_cast<std::int64_t>(count);
        check();
    }
    std::int64_t left() const { return left_; }

    // Moves what is left of the body unparsed, to the output or to nowhere; nothing when empty.
    void move_rest(OutputStream* out) {
        if (left_ > 0)
            copy_bytes(in_, out, static_cast<std::uint32_t>(left_));
        left_ = 0;
    }

private:
    void check() {
        if (left_ < 0)
            in_.fail(Failure::record_too_short);
    }

    InputStream& in_;
    std::int64_t left_;
};

// Moves a latitude and a longitude with their optional altitude, to the output or to nowhere:
// a link point, or the bounds of a route or of a link list.
inline void move_position(InputStream& in, OutputStream* out, BodyRemainder& body) {
    body.take(copy_bytes(in, out, position_width));
    body.take(copy_optional(in, out, altitude_width));
}

// Positions (a latitude and a longitude, 8 bytes, then an optional altitude: a presence byte and 8
// bytes when it is not 0) that lie whole among the bytes already buffered, as found by
// scan_positions.
struct PositionRun {
    std::uint32_t points = 0;
    std::uint32_t bytes = 0;
};

// Looks at most `count` positions ahead in the input block, without consuming anything, and calls
// visit(latitude, longitude) for each. It stops before a position that does not lie whole in the
// block or would take the run past `limit` bytes, so that the caller moves the run with one
// copy_bytes and reads that position with the primitives: the bytes, counts and failures are
// those of count pairs of copy_bytes (8) and copy_optional (8). Route link lists are long runs of
// positions; reading them this way keeps the per-position cost to a few instructions.
template <class Visit>
inline PositionRun scan_positions(const InputStream& in, std::uint32_t count, std::int64_t limit,
                                  Visit&& visit) {
    constexpr std::size_t short_size = position_width + 1;
    constexpr std::size_t long_size = short_size + altitude_width;
    const std::uint8_t* const start = in.data();
    const std::uint8_t* p = start;
    const std::size_t buffered = in.available();
    const std::size_t allowed = limit > 0 ? static_cast<std::size_t>(limit) : 0;
    const std::uint8_t* const end = start + std::min(buffered, allowed);
    std::uint32_t points = 0;
    while (points < count && end - p >= static_cast<std::ptrdiff_t>(short_size)) {
        const std::size_t size = p[position_width] != 0 ? long_size : short_size;
        if (static_cast<std::size_t>(end - p) < size)
            break;
        visit(static_cast<std::int32_t>(load_le32(p)), static_cast<std::int32_t>(load_le32(p + 4)));
        p += size;
        ++points;
    }
    return {points, static_cast<std::uint32_t>(p - start)};
}

} // namespace korvix
