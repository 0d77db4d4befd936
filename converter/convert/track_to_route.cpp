#include "track_to_route.h"

#include "track_lines.h"
#include "track_points.h"

#include <algorithm>
#include <cstdio>

namespace korvix {

namespace {

constexpr std::int32_t generated_link_count = 2; // a leg from one via to the next
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

template <ByteWriter Out> void write_bounds(Out& out, const Bounds& bounds) {
    write_position(out, bounds.max_latitude, bounds.max_longitude);
    write_position(out, bounds.min_latitude, bounds.min_longitude);
}

// Reads a whole track body with no output: its name into the scratch text, its positions into
// the point buffer.
void read_track_points(RunContext& run, ByteCount length) {
    const TextDestination name = run.scratch.destination();
    const TrackPointsRead read =
        read_track_body(run.in, nullptr, run.layout, length, run.points, run.console, &name);
    if (read.off_the_earth != 0 && !run.failed())
        run.console.say_line(rules::off_the_earth_text);
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

// Writes the body of one generated waypoint: 71 bytes, 80 in version 3.
template <ByteWriter Out>
void write_via_waypoint(Out& out, const RunContext& run, const char* name, std::int32_t latitude,
                        std::int32_t longitude, Vias vias) {
    write_string(out, name);
    write_class_block(out, vias);
    write_position(out, latitude, longitude);
    write_bytes(out, via_waypoint_trailer, display_byte_offset);
    out.write_byte(vias == Vias::user ? 1 : 0);
    write_bytes(out, via_waypoint_trailer + display_byte_offset + 1,
                std::ssize(via_waypoint_trailer) - display_byte_offset - 1);
    write_bytes(out, zero_bytes, run.layout.waypoint_trailer_zeros);
}

// Writes the body of a route through the point buffer's entries from `first` on, `n` of them
// (at least one), and the waypoints of the numbers chosen for them.
template <ByteWriter Out>
void write_route(Out& out, const RunContext& run, const GeneratedName& name, std::uint32_t first,
                 std::uint32_t n, Vias vias) {
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

// The new waypoints that the run may still make: the numbers left from the waypoint counter on,
// and no more than --waypoints leaves.
std::uint32_t waypoints_left(const RunContext& run) {
    std::uint32_t names = 0;
    for (std::uint32_t number = run.waypoint_counter; number <= last_waypoint_number; ++number)
        names += run.input_numbers.taken(number) ? 0 : 1;
    const std::uint32_t limit = run.settings.waypoint_limit;
    return limit == 0 ? names : std::min(names, limit - std::min(limit, run.new_waypoints));
}

// The numbers of a track's n waypoints: the next n from the waypoint counter on that no waypoint
// of the input goes by. False, and nothing chosen, when fewer than n are left up to 999, or
// --waypoints allows fewer.
bool choose_numbers(RunContext& run, std::uint32_t n) {
    const std::uint32_t limit = run.settings.waypoint_limit;
    if (limit != 0 && run.new_waypoints + n > limit)
        return false;
    std::uint32_t chosen = 0;
    for (std::uint32_t number = run.waypoint_counter; chosen < n && number <= last_waypoint_number;
         ++number) {
        if (!run.input_numbers.taken(number))
            run.generated_numbers[chosen++] = static_cast<std::uint16_t>(number);
    }
    return chosen == n;
}

// Writes the waypoints of the point buffer, whose numbers are chosen, and the route or routes
// through them, and counts them for the run.
void write_waypoints_and_routes(RunContext& run, const GeneratedParts& parts, Vias vias) {
    const std::uint32_t n = run.points.count;
    report_generated_parts(run.console, run.scratch.text, parts, "routes");
    for (std::uint32_t i = 0; i < n; ++i) {
        const WaypointName name = waypoint_name(run.generated_numbers[i]);
        write_generated_record(run.out, waypoint_record, [&](auto& out) {
            write_via_waypoint(out, run, name.text, run.points.latitude[i], run.points.longitude[i],
                               vias);
        });
    }
    for (std::uint32_t part = 0; part < parts.parts; ++part) {
        const GeneratedName name(run.scratch.text, parts, part);
        write_generated_record(run.out, route_record, [&](auto& out) {
            write_route(out, run, name, parts.first(part), parts.points(part), vias);
        });
    }
    run.waypoint_counter = run.generated_numbers[n - 1] + 1U;
    run.new_waypoints += n;
    ++run.tracks_converted;
    run.worst_metres = std::max(run.worst_metres, parts.error_metres);
}

// Under --fit every track's points, as the stream reads them, are held against those the plan
// was made of.
void note_fitted_track(RunContext& run, const RecordHeader& header) {
    if (!run.failed())
        run.read_ahead_check.tracks_streamed.add_track(header.offset, run.points);
}

// Under --fit, a track that gets no route stays in the output as it was, copied as it is read.
void keep_track(RunContext& run, const RecordHeader& header) {
    write_record_header(run.out, run.in, header);
    Console quiet; // the points are only counted: a kept track loses none
    read_track_body(run.in, &run.out, run.layout, header.body_length(), run.points, quiet, nullptr);
    note_fitted_track(run, header);
    if (!run.failed())
        run.console.say_line(run.points.count == 0 ? rules::no_points_kept_text
                                                   : rules::too_few_waypoints_kept_text);
}

// --fit: a track that the plan makes a route, within its distance and points; any other stays.
void fit_track_to_route(RunContext& run, const RecordHeader& header, Vias vias) {
    FitPlan& plan = run.fit_plan;
    // The plan's tracks come in file order; one the run never met (the input read ahead and the
    // stream differ only where the input changed meanwhile, and the run then fails) is passed by.
    while (plan.next < plan.tracks && plan.offset[plan.next] < header.offset)
        ++plan.next;
    if (plan.next >= plan.tracks || plan.offset[plan.next] != header.offset) {
        keep_track(run, header);
        return;
    }
    const std::uint32_t planned = plan.next++;
    // The names are made sure of before the track is read without its copy: a track that could
    // not have them stays as it is, never lost. The route takes no more than the plan counted.
    if (!choose_numbers(run, plan.most_points[planned])) {
        keep_track(run, header);
        return;
    }
    read_track_points(run, header.body_length());
    note_fitted_track(run, header);
    if (run.failed())
        return;
    const SimplifyLimits& limits = run.settings.limits;
    const std::uint32_t part_points = limits.split ? limits.max_points : 0;
    const GeneratedParts parts =
        plan.kept_first[planned] == FitPlan::none_kept
            ? shape_fitted_points(run.points, plan.tolerance_metres, plan.most_points[planned],
                                  part_points, run.simplifier)
            : kept_points(run.points, plan.kept + plan.kept_first[planned],
                          plan.most_points[planned], plan.kept_metres[planned], part_points);
    // The plan counted these points, and the names for them; a track of none is not planned.
    if (run.points.count == 0 || !choose_numbers(run, run.points.count)) {
        run.console.say_line(rules::too_many_waypoints_text);
        return;
    }
    write_waypoints_and_routes(run, parts, vias);
}

} // namespace

void convert_track_to_route(RunContext& run, const RecordHeader& header, Vias vias) {
    if (run.settings.fit) {
        fit_track_to_route(run, header, vias);
        return;
    }
    read_track_points(run, header.body_length());
    if (run.failed())
        return;
    // Every point gets its waypoint, the joint of two parts one that both routes name. A track
    // that would need more than are left is not reduced to the end, as it is skipped.
    const std::optional<GeneratedParts> parts = run.shape_points_for_names(waypoints_left(run));
    if (!parts) {
        run.console.say_line(rules::too_many_waypoints_text);
        return;
    }
    const std::uint32_t n = run.points.count;
    if (n == 0) {
        run.console.say_line(rules::no_points_skipped_text);
        return;
    }
    if (!choose_numbers(run, n)) {
        run.console.say_line(rules::too_many_waypoints_text);
        return;
    }
    write_waypoints_and_routes(run, *parts, vias);
}

void say_fit_result(const RunContext& run, Console& console) {
    char line[rules::fit_line_room];
    const std::size_t size =
        rules::format_fit_line({run.tracks_converted, run.new_waypoints, run.worst_metres}, line);
    console.say(std::string_view(line, size));
}

} // namespace korvix