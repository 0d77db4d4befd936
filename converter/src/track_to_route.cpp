#include "track_to_route.h"

#include "record_dispatch.h"
#include "record_layouts.h"

#include <algorithm>
#include <cstring>

namespace korvix {

namespace {

constexpr std::uint32_t track_header_width = 5;
constexpr std::int32_t generated_link_count = 2; // a leg from one via to the next
constexpr int route_head_width = 2 + 2 * position_record_width + 4;
constexpr int linked_route_point_width =
    4 + route_point_block_width + 4 + 2 * position_record_width + 1 + 2 * position_record_width;
constexpr int last_route_point_width = 4 + route_point_block_width + 4 + 2;
static_assert(linked_route_point_width == 91 && last_route_point_width == 56);

struct WaypointName {
    char text[4];
};

// "%03d" of a number from 1 to 999.
WaypointName waypoint_name(std::uint32_t number) {
    return {{static_cast<char>('0' + number / 100 % 10), static_cast<char>('0' + number / 10 % 10),
             static_cast<char>('0' + number % 10), '\0'}};
}

void write_class_block(OutputStream& out, bool user_vias) {
    out.write_byte(user_vias ? user_via_class : hidden_via_class);
    write_bytes(out, via_class_block + 1, class_block_width - 1);
}

void write_bounds(OutputStream& out, const Bounds& bounds) {
    write_position(out, bounds.max_latitude, bounds.max_longitude);
    write_position(out, bounds.min_latitude, bounds.min_longitude);
}

} // namespace

ByteCount read_track_points(RunContext& run, std::uint32_t length, const TextDestination& name) {
    InputStream& in = run.in;
    run.points.clear();
    BodyRemainder body(in, length);
    const ByteCount name_bytes = read_string(in, &name);
    body.take(name_bytes);
    body.take(copy_bytes(in, nullptr, track_header_width));
    const auto points = static_cast<std::uint32_t>(read_int32(in));
    body.take(4);

    for (std::uint32_t i = 0; i < points && !in.failed(); ++i) {
        const std::int32_t latitude = read_int32(in);
        const std::int32_t longitude = read_int32(in);
        body.take(position_width);
        body.take(copy_optional(in, nullptr, altitude_width));
        body.take(copy_optional(in, nullptr, track_point_value_width));
        body.take(copy_bytes(in, nullptr, track_point_closing_width));
        if (in.failed())
            break;
        add_point(run.points, latitude, longitude, run.console);
    }
    body.move_rest(nullptr);
    return name_bytes;
}

Bounds compute_bounds(const PointBuffer& points, std::uint32_t first, std::uint32_t last) {
    Bounds bounds{points.latitude[first], points.longitude[first], points.latitude[first],
                  points.longitude[first]};
    for (std::uint32_t i = first + 1; i <= last; ++i) {
        bounds.max_latitude = std::max(bounds.max_latitude, points.latitude[i]);
        bounds.max_longitude = std::max(bounds.max_longitude, points.longitude[i]);
        bounds.min_latitude = std::min(bounds.min_latitude, points.latitude[i]);
        bounds.min_longitude = std::min(bounds.min_longitude, points.longitude[i]);
    }
    return bounds;
}

void write_via_waypoint(OutputStream& out, const char* name, std::int32_t latitude,
                        std::int32_t longitude, bool user_vias) {
    write_string(out, name);
    write_class_block(out, user_vias);
    write_position(out, latitude, longitude);
    write_bytes(out, via_waypoint_trailer, display_byte_offset);
    out.write_byte(user_vias ? 1 : 0);
    write_bytes(out, via_waypoint_trailer + display_byte_offset + 1,
                std::size(via_waypoint_trailer) - display_byte_offset - 1);
}

std::int32_t route_body_length(const char* name, const PointBuffer& points) {
    const auto name_bytes = static_cast<std::int32_t>(std::strlen(name) + 1);
    const auto n = static_cast<std::int32_t>(points.count);
    return name_bytes + route_head_width + linked_route_point_width * (n - 1) +
           last_route_point_width;
}

void write_route(OutputStream& out, const char* name, const PointBuffer& points,
                 std::uint32_t first_number, bool user_vias) {
    const std::uint32_t n = points.count;
    write_string(out, name);
    out.write_byte(0x01); // route flag bytes
    out.write_byte(0x00);
    write_bounds(out, compute_bounds(points, 0, n - 1));
    write_int32(out, static_cast<std::int32_t>(n));

    for (std::uint32_t i = 0; i < n; ++i) {
        write_string(out, waypoint_name(first_number + i).text);
        write_class_block(out, user_vias);
        write_bytes(out, route_point_tail, std::size(route_point_tail));
        if (i == n - 1) {
            write_int32(out, 0); // the last via has no link points
            out.write_byte(0x01);
            out.write_byte(0x00);
            break;
        }
        write_int32(out, generated_link_count);
        write_position(out, points.latitude[i], points.longitude[i]);
        write_position(out, points.latitude[i + 1], points.longitude[i + 1]);
        out.write_byte(0); // link flag byte
        write_bounds(out, compute_bounds(points, i, i + 1));
    }
}

void convert_track_to_route(RunContext& run, std::uint32_t length) {
    read_track_points(run, length, run.scratch.destination());
    if (run.in.failed())
        return;
    const std::uint32_t n = run.points.count;
    if (n == 0) {
        std::fputs("Track has no points - track skipped\n", run.console);
        return;
    }
    if (run.waypoint_counter + n > last_waypoint_number + 1) {
        std::fputs("Too many waypoints needed to convert - track skipped\n", run.console);
        return;
    }
    const bool user_vias = run.mode == ConversionMode::route_from_track_user_vias;
    for (std::uint32_t i = 0; i < n; ++i) {
        write_record_header(run.out, waypoint_record, generated_waypoint_length);
        write_via_waypoint(run.out, waypoint_name(run.waypoint_counter + i).text,
                           run.points.latitude[i], run.points.longitude[i], user_vias);
    }
    write_record_header(run.out, route_record, route_body_length(run.scratch.text, run.points));
    write_route(run.out, run.scratch.text, run.points, run.waypoint_counter, user_vias);
    run.waypoint_counter += n;
}

} // namespace korvix
