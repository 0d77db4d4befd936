// The record type letters, the fixed bytes of the waypoint, route and track records that korvix
// generates, the widths of the parsed fields and how they differ between GDB versions.
#pragma once

#include "byte_stream.h"
#include "gdb_rules.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

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

// The 3 bytes behind each position of a generated track: the presence bytes of the point value,
// the depth and the temperature, all absent (in a file without a known version record, the absent
// point value and the two point closing bytes).
inline constexpr std::uint8_t track_point_tail[] = {0x00, 0x00, 0x00};

// Widths of the parsed fields.
inline constexpr ByteCount position_width = 8; // a latitude and a longitude
inline constexpr ByteCount altitude_width = 8; // the value behind a non-zero presence byte
inline constexpr ByteCount route_flag_width = 2;
inline constexpr ByteCount track_header_width = 5;
inline constexpr ByteCount track_point_value_width = 4;
inline constexpr ByteCount track_point_closing_width = 2; // without a known version record
inline constexpr ByteCount track_point_depth_width = 8;
inline constexpr ByteCount track_point_temperature_width = 8;

// The class block of a waypoint or a route point: the class byte, the class detail bytes, the
// subclass byte, and the class block bytes behind it.
inline constexpr ByteCount class_block_width = 27;
inline constexpr ByteCount class_detail_width = 12;
inline constexpr ByteCount class_block_rest_width = 13;
inline constexpr ByteCount subclass_byte_offset = 13;
inline constexpr ByteCount route_point_tail_width = 19;
inline constexpr ByteCount route_point_block_width = 46; // class block and route point tail
inline constexpr ByteCount position_record_width = 9;    // a position and its cleared presence byte
inline constexpr ByteCount display_byte_offset = 2;

static_assert(std::size(via_class_block) == class_block_width);
static_assert(1 + class_detail_width + 1 + class_block_rest_width == class_block_width);
static_assert(std::size(route_point_tail) == route_point_tail_width);
static_assert(std::size(track_header_bytes) == track_header_width);
static_assert(std::size(track_point_tail) == 3);
static_assert(class_block_width + route_point_tail_width == route_point_block_width);
static_assert(via_class_block[subclass_byte_offset] == 0xFF);
static_assert(via_waypoint_trailer[display_byte_offset] == 0x01);

// Via class bytes.
inline constexpr std::uint8_t user_via_class = 0;
inline constexpr std::uint8_t hidden_via_class = 12;

// The kind of via that -V (user vias) and -W (hidden vias) generate.
enum class Vias { user, hidden };

// Record type letters and GDB versions, as runkorvix reads them too.
using rules::closing_record;
using rules::GdbVersion;
using rules::route_record;
using rules::track_record;
using rules::waypoint_record;

// Where the layouts of the versions differ, as parsed and as generated.
struct VersionLayout {
    // Parsed.
    bool country_code;               // the class block holds a 0-terminated country code
    bool conditional_bounds;         // route and link bounds stand only behind a flag byte of 0
    bool empty_link_list_ends_parse; // nothing behind a link count of 0 is parsed
    ByteCount tail_flag_extra;       // bytes behind a non-zero route point tail flag
    ByteCount link_trailer;          // bytes behind a route point's link bounds
    bool track_point_depths;         // track points carry an optional depth and temperature
    // Generated.
    ByteCount waypoint_trailer_zeros;              // 0 bytes added behind the waypoint trailer
    std::span<const std::uint8_t> route_point_end; // behind every route point
    std::span<const std::uint8_t> route_end;       // behind the last route point
    std::span<const std::uint8_t> track_end;       // behind the last track point
};

inline constexpr std::uint8_t one_zero_byte[] = {0x00};
inline constexpr std::uint8_t four_zero_bytes[] = {0x00, 0x00, 0x00, 0x00};
inline constexpr std::uint8_t route_point_end_v2[] = {0xFF, 0xFF, 0xFF, 0xFF,
                                                      0xFF, 0xFF, 0xFF, 0xFF};
inline constexpr std::uint8_t route_point_end_v3[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                      0xFF, 0xFF, 0xFF, 0x00, 0x00};
// No links of the route itself, colour index 14, a 0 byte and an empty string.
inline constexpr std::uint8_t route_end_v3[] = {0x00, 0x00, 0x00, 0x00, 0x0E,
                                                0x00, 0x00, 0x00, 0x00, 0x00};

inline constexpr VersionLayout version_layout(GdbVersion version) {
    switch (version) {
    case GdbVersion::v2:
        return {.country_code = true,
                .conditional_bounds = true,
                .empty_link_list_ends_parse = false,
                .tail_flag_extra = 8,
                .link_trailer = 8,
                .track_point_depths = true,
                .waypoint_trailer_zeros = 0,
                .route_point_end = route_point_end_v2,
                .route_end = one_zero_byte,
                .track_end = one_zero_byte};
    case GdbVersion::v3:
        return {.country_code = true,
                .conditional_bounds = true,
                .empty_link_list_ends_parse = false,
                .tail_flag_extra = 16,
                .link_trailer = 10,
                .track_point_depths = true,
                .waypoint_trailer_zeros = 9,
                .route_point_end = route_point_end_v3,
                .route_end = route_end_v3,
                .track_end = four_zero_bytes};
    case GdbVersion::v1:
    case GdbVersion::unmarked:
        break;
    }
    return {.country_code = false,
            .conditional_bounds = false,
            .empty_link_list_ends_parse = true,
            .tail_flag_extra = 0,
            .link_trailer = 0,
            .track_point_depths = version == GdbVersion::v1,
            .waypoint_trailer_zeros = 0,
            .route_point_end = {},
            .route_end = one_zero_byte,
            .track_end = one_zero_byte};
}

} // namespace korvix
