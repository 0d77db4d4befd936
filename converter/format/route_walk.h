// The one walk over a route body, field by field in the order of its layout, that both the via
// class rewrite (-R, -S) and the route to track conversion (-T, -U) read routes with.
#pragma once

#include "gdb_fields.h"
#include "point_lists.h"

namespace korvix {

// Moves the `count` link points of a route point, to the output or to nowhere, and calls
// on_link_point(position, index, count) for each, in order (see move_points).
template <class OnLinkPoint>
void move_link_points(const RecordCursor& cursor, BodyRemainder& body, std::int32_t count,
                      OnLinkPoint& on_link_point) {
    struct WithCount {
        OnLinkPoint on_link_point;
        std::int32_t count;
        void operator()(std::uint64_t position, std::int32_t index) {
            on_link_point(position, index, count);
        }
    };
    WithCount visit{on_link_point, count};
    move_points<link_point_layout>(cursor, body, count, visit);
    on_link_point = visit.on_link_point;
}

// Moves a route body behind its name up to its remainder, to the output or to nowhere, rewriting
// the class block of every route point as `rewrite` says and handing every link point to
// on_link_point. In version 1, and in a file without a known version record, the walk ends behind
// the link count of the first route point without link points; in versions 2 and 3 every route
// point closes with its link flag and trailer, and all of them are walked.
template <class OnLinkPoint>
void walk_route(const RecordCursor& cursor, BodyRemainder& body, ClassRewrite rewrite,
                OnLinkPoint& on_link_point) {
    InputStream& in = cursor.in;
    OutputStream* const out = cursor.out;
    const VersionLayout& layout = cursor.layout;

    move_flag_byte(in, out, body);
    const std::uint8_t bounds_absent = move_flag_byte(in, out, body);
    if (!layout.conditional_bounds || bounds_absent == 0) {
        move_position(in, out, body); // route bounds, maximum
        move_position(in, out, body); // route bounds, minimum
    }
    const std::int32_t points = read_count(in, out, body);

    for (std::int32_t p = 0; p < points && !cursor.failed(); ++p) {
        body.take(copy_string(in, out)); // waypoint name
        rewrite_waypoint_class(cursor, body, rewrite);
        // The rest of the class block and the route point tail, whose first byte in versions 2
        // and 3 is a flag with more bytes behind it when it is not 0.
        if (layout.tail_flag_extra > 0) {
            body.take(move_bytes(in, out, class_block_rest_width));
            const std::uint8_t tail_flag = move_flag_byte(in, out, body);
            if (tail_flag != 0)
                body.take(move_bytes(in, out, layout.tail_flag_extra));
            body.take(move_bytes(in, out, route_point_tail_width - 1));
        } else {
            body.take(move_bytes(in, out, class_block_rest_width + route_point_tail_width));
        }

        const std::int32_t links = read_count(in, out, body);
        if (links == 0 && layout.empty_link_list_ends_parse)
            break; // the rest of the route is moved unparsed
        move_link_points(cursor, body, links, on_link_point);
        const std::uint8_t bounds_flag = move_flag_byte(in, out, body); // link flag byte
        if (!layout.conditional_bounds || bounds_flag == 0) {
            move_position(in, out, body); // link bounds, maximum
            move_position(in, out, body); // link bounds, minimum
        }
        body.take(move_bytes(in, out, layout.link_trailer));
    }
}

} // namespace korvix
