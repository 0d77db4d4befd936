#include "route_to_track.h"

#include "route_walk.h"

#include <algorithm>
#include <cstring>

namespace korvix {

namespace {

// A generated track point: its position with the cleared altitude presence byte, and the track
// point tail.
constexpr ByteCount track_point_width = position_record_width + std::ssize(track_point_tail);

// The cleared altitude presence byte and the track point tail behind a generated track point's
// position, stored as one 32-bit value.
constexpr std::uint32_t no_altitude_and_tail = std::uint32_t{track_point_tail[0]} << 8 |
                                               std::uint32_t{track_point_tail[1]} << 16 |
                                               std::uint32_t{track_point_tail[2]} << 24;
static_assert(position_record_width + std::ssize(track_point_tail) == position_width + 4);

// The name, the track header bytes and the point count.
ByteCount track_head_width(const char* name) {
    return std::ssize(std::string_view(name)) + 1 + track_header_width + 4;
}

// Reads a whole route body with no output: its name into the scratch text, the positions of its
// link points into the point buffer. Returns the bytes of the name as read, its 0 byte included.
ByteCount read_route_points(RunContext& run, ByteCount length, TrackPoints which) {
    PointCollector points(run.points, run.console);
    BodyRemainder body(run.in, length);
    const TextDestination name = run.scratch.destination();
    const ByteCount name_bytes = read_string(run.in, &name);
    body.take(name_bytes);

    // One walk per option, so that the test of the option stays out of the loop over the link
    // points.
    if (which == TrackPoints::all_points) {
        walk_route(run, body, nullptr, ClassRewrite::keep,
                   [&](std::int32_t latitude, std::int32_t longitude, std::int32_t, std::int32_t) {
                       points.add_point(latitude, longitude);
                   });
    } else {
        walk_route(
            run, body, nullptr, ClassRewrite::keep,
            [&](std::int32_t latitude, std::int32_t longitude, std::int32_t k, std::int32_t links) {
                if (k == 0 || k == links - 1)
                    points.add_point(latitude, longitude);
            });
    }
    points.finish();
    body.move_rest(nullptr);
    return name_bytes;
}

// Body length of the track that write_track writes.
std::int32_t track_body_length(const RunContext& run, const char* name) {
    return static_cast<std::int32_t>(track_head_width(name) + track_point_width * run.points.count +
                                     std::ssize(run.layout.track_end));
}

// Writes a track body from the name and the point buffer, in the run's GDB version.
void write_track(RunContext& run, const char* name) {
    OutputStream& out = run.out;
    const PointBuffer& points = run.points;
    write_string(out, name);
    write_bytes(out, track_header_bytes);
    write_int32(out, static_cast<std::int32_t>(points.count));
    // The track points are laid out in the output block itself, a batch at a time: one write per
    // point would cost more in bookkeeping than in bytes.
    constexpr std::uint32_t batch_points = 1024;
    for (std::uint32_t first = 0; first < points.count; first += batch_points) {
        const std::uint32_t last = std::min(points.count, first + batch_points);
        std::uint8_t* const batch = out.reserve((last - first) * track_point_width);
        if (batch == nullptr)
            return;
        std::uint8_t* p = batch;
        for (std::uint32_t i = first; i < last; ++i, p += track_point_width) {
            store_le32(p, static_cast<std::uint32_t>(points.latitude[i]));
            store_le32(p + 4, static_cast<std::uint32_t>(points.longitude[i]));
            store_le32(p + position_width, no_altitude_and_tail);
        }
        out.commit(p - batch);
    }
    write_bytes(out, run.layout.track_end);
}

} // namespace

void convert_route_to_track(RunContext& run, const RecordHeader& header, TrackPoints which) {
    read_route_points(run, header.body_length(), which);
    if (run.failed())
        return;
    run.reduce_points();
    write_record_header(run.out, track_record, track_body_length(run, run.scratch.text));
    write_track(run, run.scratch.text);
}

} // namespace korvix
