#include "track_to_route.h"

#include "point_filter.h"
#include "point_lists.h"

#include <algorithm>

namespace korvix {

namespace {

constexpr std::int32_t generated_link_count = 2; // a leg from one via to the next
constexpr ByteCount route_head_width = route_flag_width + 2 * position_record_width + 4;
// A route point with its leg: name, block, link count, two link points, link flag, link bounds.
constexpr ByteCount linked_route_point_width = number_name_width + route_point_block_width + 4 +
                                               2 * position_record_width + 1 +
                                               2 * position_record_width;
// The last route point: name, block, link count 0 and the link flag 1.
constexpr ByteCount last_route_point_width = number_name_width + route_point_block_width + 4 + 1;
static_assert(linked_route_point_width == 91 && last_route_point_width == 55);
static_assert(number_name_width + class_block_width + position_record_width +
                  std::ssize(via_waypoint_trailer) ==
              71);

constexpr std::uint8_t link_flag_with_bounds = 0;
constexpr std::uint8_t link_flag_without_bounds = 1;
constexpr std::uint8_t zero_bytes[16] = {};

struct WaypointName {
    char text[number_name_width];
};

// "%03d" of a number from 1 to 999.
WaypointName waypoint_name(std::uint32_t number) {
    return {{static_cast<char>('0' + number / 100 % 10), static_cast<char>('0' + number / 10 % 10),
             static_cast<char>('0' + number % 10), '\0'}};
}

struct Bounds {
    std::int32_t max_latitude;
    std::int32_t max_longitude;
    std::int32_t min_latitude;
    std::int32_t min_longitude;
};

void write_bounds(OutputStream& out, const Bounds& bounds) {
    write_position(out, bounds.max_latitude, bounds.max_longitude);
    write_position(out, bounds.min_latitude, bounds.min_longitude);
}

// A latitude of the earth: at most 90 degrees, a quarter of the semicircle turn, north or south.
// Every 32-bit longitude lies within 180 degrees east or west.
constexpr std::int32_t pole_latitude = 1 << 30;
bool on_the_earth(std::uint64_t position) {
    const std::int32_t latitude = latitude_of(position);
    return latitude >= -pole_latitude && latitude <= pole_latitude;
}

// The points of a track into the point filter. A point beyond a pole would become a waypoint and
// a route point that no GDB reader takes, so it is left out, and counted for the track's message.
struct TrackPointsCollected {
    PointCollector collected;
    std::uint32_t off_the_earth = 0;
    void operator()(std::uint64_t position, std::int32_t) {
        if (on_the_earth(position))
            collected.add_position(position);
        else
            ++off_the_earth;
    }
};

// Reads a whole track body with no output: its name into the scratch text, its positions into
// the point buffer.
void read_track_points(RunContext& run, ByteCount length) {
    InputStream& in = run.in;
    PointCollector collected(run.points, run.console);
    BodyRemainder body(in, length);
    const TextDestination name = run.scratch.destination();
    body.take(read_string(in, &name));
    body.take(move_bytes(in, nullptr, track_header_width));
    const std::int32_t points = read_count(in, nullptr, body);

    const RecordCursor cursor{in, nullptr, run.layout};
    TrackPointsCollected visit{collected};
    if (run.layout.track_point_depths)
        move_points<track_point_layout>(cursor, body, points, visit);
    else
        move_points<unmarked_track_point_layout>(cursor, body, points, visit);
    collected = visit.collected;
    collected.finish();
    body.move_rest(nullptr);
    if (visit.off_the_earth != 0 && !run.failed())
        run.console.say("Track point out of range - point skipped\n");
}

// Bounds of the point buffer's entries first to last inclusive (first <= last < count).
// Coordinates are compared as the signed numbers they are, so that a range across the equator or
// the prime meridian gets its true bounds.
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

// Body length of a generated waypoint in the run's GDB version (71 bytes, 80 in version 3).
std::int32_t waypoint_body_length(const RunContext& run) {
    return static_cast<std::int32_t>(number_name_width + class_block_width + position_record_width +
                                     std::ssize(via_waypoint_trailer) +
                                     run.layout.waypoint_trailer_zeros);
}

// Writes the body of one generated waypoint.
void write_via_waypoint(RunContext& run, const char* name, std::int32_t latitude,
                        std::int32_t longitude, Vias vias) {
    OutputStream& out = run.out;
    write_string(out, name);
    write_class_block(out, vias);
    write_position(out, latitude, longitude);
    write_bytes(out, via_waypoint_trailer, display_byte_offset);
    out.write_byte(vias == Vias::user ? 1 : 0);
    write_bytes(out, via_waypoint_trailer + display_byte_offset + 1,
                std::ssize(via_waypoint_trailer) - display_byte_offset - 1);
    write_bytes(out, zero_bytes, run.layout.waypoint_trailer_zeros);
}

// Body length of a route of n points (at least one) that write_route writes.
std::int32_t route_body_length(const RunContext& run, const GeneratedName& name,
                               std::uint32_t points) {
    const ByteCount n = points;
    return static_cast<std::int32_t>(name.bytes() + route_head_width +
                                     linked_route_point_width * (n - 1) + last_route_point_width +
                                     std::ssize(run.layout.route_point_end) * n +
                                     std::ssize(run.layout.route_end));
}

// Writes the body of a route through the point buffer's entries from `first` on, `n` of them
// (at least one), and the waypoints of the numbers chosen for them.
void write_route(RunContext& run, const GeneratedName& name, std::uint32_t first, std::uint32_t n,
                 Vias vias) {
    OutputStream& out = run.out;
    const PointBuffer& points = run.points;
    const std::uint32_t last = first + n - 1;
    name.write(out);
    out.write_byte(0x01); // route flag bytes; the second, 0, says that the bounds follow
    out.write_byte(0x00);
    write_bounds(out, compute_bounds(points, first, last));
    write_int32(out, static_cast<std::int32_t>(n));

    for (std::uint32_t i = first; i <= last; ++i) {
        write_string(out, waypoint_name(run.generated_numbers[i]).text);
        write_class_block(out, vias);
        write_bytes(out, route_point_tail);
        if (i == last) {
            write_int32(out, 0); // the last via has no link points, and no link bounds
            out.write_byte(link_flag_without_bounds);
        } else {
            write_int32(out, generated_link_count);
            write_position(out, points.latitude[i], points.longitude[i]);
            write_position(out, points.latitude[i + 1], points.longitude[i + 1]);
            out.write_byte(link_flag_with_bounds);
            write_bounds(out, compute_bounds(points, i, i + 1));
        }
        write_bytes(out, run.layout.route_point_end);
    }
    write_bytes(out, run.layout.route_end);
}

// The numbers of a track's n waypoints: the next n from the waypoint counter on that no waypoint
// of the input goes by. False, and nothing chosen, when fewer than n are left up to 999.
bool choose_numbers(RunContext& run, std::uint32_t n) {
    std::uint32_t chosen = 0;
    for (std::uint32_t number = run.waypoint_counter; chosen < n && number <= last_waypoint_number;
         ++number) {
        if (!run.input_numbers.taken(number))
            run.generated_numbers[chosen++] = static_cast<std::uint16_t>(number);
    }
    return chosen == n;
}

} // namespace

void convert_track_to_route(RunContext& run, const RecordHeader& header, Vias vias) {
    read_track_points(run, header.body_length());
    if (run.failed())
        return;
    const GeneratedParts parts = run.shape_points();
    const std::uint32_t n = run.points.count;
    if (n == 0) {
        run.console.say("Track has no points - track skipped\n");
        return;
    }
    // Every point gets its waypoint, the joint of two parts one that both routes name.
    if (!choose_numbers(run, n)) {
        run.console.say("Too many waypoints needed to convert - track skipped\n");
        return;
    }
    report_generated_parts(run.console, run.scratch.text, parts, "routes");
    const std::int32_t waypoint_length = waypoint_body_length(run);
    for (std::uint32_t i = 0; i < n; ++i) {
        write_record_header(run.out, waypoint_record, waypoint_length);
        write_via_waypoint(run, waypoint_name(run.generated_numbers[i]).text,
                           run.points.latitude[i], run.points.longitude[i], vias);
    }
    for (std::uint32_t part = 0; part < parts.parts; ++part) {
        const GeneratedName name(run.scratch.text, parts, part);
        write_record_header(run.out, route_record,
                            route_body_length(run, name, parts.points(part)));
        write_route(run, name, parts.first(part), parts.points(part), vias);
    }
    run.waypoint_counter = run.generated_numbers[n - 1] + 1U;
}

} // namespace korvix
