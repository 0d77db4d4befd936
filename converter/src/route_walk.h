// The one walk over a route body, field by field in the order of its layout, that both the via
// class rewrite (-R, -S) and the route to track conversion (-T, -U) read routes with.
#pragma once

#include "gdb_fields.h"

#include <algorithm>

namespace korvix {

// Positions (a latitude and a longitude, then an optional altitude: a presence byte and 8 bytes
// when it is not 0) that lie whole among the bytes already buffered, as found by scan_positions.
struct PositionRun {
    std::int32_t points = 0;
    ByteCount bytes = 0;
};

// Looks at most `count` positions ahead in the input block, without consuming anything, and calls
// visit(latitude, longitude, index) for each, index counting from 0 in the run. It stops before a
// position that does not lie whole in the block or would take the run past `limit` bytes, so that
// the caller moves the run with one copy_bytes and reads that position with the primitives: the
// bytes, counts and failures are those of count pairs of copy_bytes (8) and copy_optional (8).
// Route link lists are long runs of positions; reading them this way keeps the per-position cost to
// a few instructions.
// Whether the `batch` positions from p on all have the same size: for short ones every presence
// byte at the short stride is 0, for long ones every one at the long stride is not. Each test
// reads bytes at fixed distances, so the processor makes them side by side instead of one
// position's size after the other's.
template <ByteCount stride, bool present, std::int32_t batch>
inline bool same_size_run(const std::uint8_t* p) {
    bool same = true;
    for (std::int32_t i = 0; i < batch; ++i)
        same &= (p[i * stride + position_width] != 0) == present;
    return same;
}

template <class Visit>
inline PositionRun scan_positions(const InputStream& in, std::int32_t count, ByteCount limit,
                                  Visit&& visit) {
    constexpr ByteCount short_size = position_width + 1;
    constexpr ByteCount long_size = short_size + altitude_width;
    constexpr std::int32_t batch = 8;
    const std::uint8_t* const start = in.data();
    const std::uint8_t* const end = start + std::clamp<ByteCount>(limit, 0, in.available());
    const std::uint8_t* p = start;
    std::int32_t points = 0;
    const auto visit_run = [&](ByteCount size) {
        for (std::int32_t i = 0; i < batch; ++i, p += size)
            visit(static_cast<std::int32_t>(load_le32(p)),
                  static_cast<std::int32_t>(load_le32(p + 4)), points + i);
        points += batch;
    };
    while (points < count && end - p >= short_size) {
        // The link points of a route have altitudes all or none: runs of one size are the rule,
        // and the first presence byte tells which size to look for.
        if (p[position_width] == 0) {
            while (count - points >= batch && end - p >= batch * short_size &&
                   same_size_run<short_size, false, batch>(p))
                visit_run(short_size);
        } else {
            while (count - points >= batch && end - p >= batch * long_size &&
                   same_size_run<long_size, true, batch>(p))
                visit_run(long_size);
        }
        if (points == count || end - p < short_size)
            break;
        const ByteCount size = p[position_width] != 0 ? long_size : short_size;
        if (end - p < size)
            break;
        visit(static_cast<std::int32_t>(load_le32(p)), static_cast<std::int32_t>(load_le32(p + 4)),
              points);
        p += size;
        ++points;
    }
    return {points, p - start};
}

// Moves the `count` link points of a route point, to `out` or to nowhere, and calls
// on_link_point(latitude, longitude, index, count) for each, in order. They are moved in runs
// that lie whole in the input block; a point across the block's end or the body's end is read
// on its own.
// on_link_point is a copyable object, such as a point filter held by value: it is copied into a
// local for the loop, which keeps its state in registers (nothing that the loop writes through
// a byte pointer can be taken for it), and copied back behind it.
template <class OnLinkPoint>
void move_link_points(const RecordCursor& cursor, BodyRemainder& body, std::int32_t count,
                      OnLinkPoint& on_link_point_kept) {
    InputStream& in = cursor.in;
    OutputStream* const out = cursor.out;
    OnLinkPoint on_link_point = on_link_point_kept;
    std::int32_t k = 0;
    while (k < count && !cursor.failed()) {
        const std::int32_t first = k;
        const PositionRun part =
            scan_positions(in, count - k, body.left(),
                           [&on_link_point, first, count](
                               std::int32_t latitude, std::int32_t longitude, std::int32_t index) {
                               on_link_point(latitude, longitude, first + index, count);
                           });
        if (part.points > 0) {
            body.take(move_bytes(in, out, part.bytes));
            k += part.points;
            continue;
        }
        const std::int32_t latitude = read_int32(in);
        const std::int32_t longitude = read_int32(in);
        if (out != nullptr) {
            write_int32(*out, latitude);
            write_int32(*out, longitude);
        }
        body.take(position_width);
        body.take(copy_optional(in, out, altitude_width));
        if (cursor.failed())
            break;
        on_link_point(latitude, longitude, k, count);
        ++k;
    }
    on_link_point_kept = on_link_point;
}

// Moves a route body behind its name up to its remainder, to the output or to nowhere, rewriting
// the class block of every route point as `rewrite` says and handing every link point to
// on_link_point. In version 1 the walk
// ends behind the link count of the first route point without link points; in versions 2 and 3
// every route point closes with its link flag and trailer, and all of them are walked.
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
