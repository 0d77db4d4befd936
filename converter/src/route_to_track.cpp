#include "route_to_track.h"

#include "record_dispatch.h"
#include "record_layouts.h"

#include <algorithm>
#include <cstring>

namespace korvix {

ByteCount read_route_points(RunContext& run, std::uint32_t length, const TextDestination& name) {
    InputStream& in = run.in;
    run.points.clear();
    BodyRemainder body(in, length);
    const ByteCount name_bytes = read_string(in, &name);
    body.take(name_bytes);
    body.take(copy_bytes(in, nullptr, 2)); // route flag bytes
    move_position(in, nullptr, body);      // route bounds, maximum
    move_position(in, nullptr, body);      // route bounds, minimum
    const auto points = static_cast<std::uint32_t>(read_int32(in));
    body.take(4);

    const bool all_points = run.mode == ConversionMode::track_all_points;
    for (std::uint32_t p = 0; p < points && !in.failed(); ++p) {
        body.take(read_string(in, nullptr)); // waypoint name
        body.take(copy_bytes(in, nullptr, route_point_block_width));
        const auto links = static_cast<std::uint32_t>(read_int32(in));
        body.take(4);
        if (links == 0)
            break; // the rest of the route is not parsed

        // The link points are read in runs that lie whole in the input block; a point across the
        // block's end or the body's end is read on its own.
        std::uint32_t k = 0;
        const auto offer = [&](std::int32_t latitude, std::int32_t longitude) {
            if (all_points || k == 0 || k == links - 1)
                add_point(run.points, latitude, longitude, run.console);
            ++k;
        };
        while (k < links && !in.failed()) {
            const PositionRun part = scan_positions(in, links - k, body.left(), offer);
            if (part.points > 0) {
                body.take(copy_bytes(in, nullptr, part.bytes));
                continue;
            }
            const std::int32_t latitude = read_int32(in);
            const std::int32_t longitude = read_int32(in);
            body.take(position_width);
            body.take(copy_optional(in, nullptr, altitude_width));
            if (in.failed())
                break;
            offer(latitude, longitude);
        }
        body.take(copy_bytes(in, nullptr, 1)); // link flag byte
        move_position(in, nullptr, body);      // link bounds, maximum
        move_position(in, nullptr, body);      // link bounds, minimum
    }
    body.move_rest(nullptr);
    return name_bytes;
}

std::int32_t track_body_length(const char* name, const PointBuffer& points) {
    const auto name_bytes = static_cast<std::int32_t>(std::strlen(name) + 1);
    return name_bytes + 12 * static_cast<std::int32_t>(points.count) + 10;
}

void write_track(OutputStream& out, const char* name, const PointBuffer& points) {
    write_string(out, name);
    write_bytes(out, track_header_bytes, std::size(track_header_bytes));
    write_int32(out, static_cast<std::int32_t>(points.count));
    // The track points are laid out in a small batch and written a batch at a time: one write
    // per point would cost more in bookkeeping than in bytes.
    constexpr std::size_t point_width = position_record_width + std::size(track_point_tail);
    constexpr std::uint32_t batch_points = 256;
    std::uint8_t batch[batch_points * point_width];
    for (std::uint32_t first = 0; first < points.count; first += batch_points) {
        const std::uint32_t last = std::min(points.count, first + batch_points);
        std::uint8_t* p = batch;
        for (std::uint32_t i = first; i < last; ++i, p += point_width) {
            store_le32(p, static_cast<std::uint32_t>(points.latitude[i]));
            store_le32(p + 4, static_cast<std::uint32_t>(points.longitude[i]));
            p[8] = 0; // no altitude
            std::memcpy(p + position_record_width, track_point_tail, std::size(track_point_tail));
        }
        write_bytes(out, batch, p - batch);
    }
    out.write_byte(0);
}

void convert_route_to_track(RunContext& run, std::uint32_t length) {
    read_route_points(run, length, run.scratch.destination());
    if (run.in.failed())
        return;
    write_record_header(run.out, track_record, track_body_length(run.scratch.text, run.points));
    write_track(run.out, run.scratch.text, run.points);
}

} // namespace korvix
