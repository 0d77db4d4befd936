#include "track_points.h"

#include "gdb_fields.h"
#include "point_filter.h"
#include "point_lists.h"
#include "record_at.h"

namespace korvix {

namespace {

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

} // namespace

TrackPointsRead read_track_body(InputStream& in, OutputStream* out, const VersionLayout& layout,
                                ByteCount length, PointBuffer& points, Console& console,
                                const TextDestination* name) {
    PointCollector collected(points, console);
    BodyRemainder body(in, length);
    body.take(out != nullptr ? copy_string(in, out) : read_string(in, name));
    body.take(move_bytes(in, out, track_header_width));
    const std::int32_t count = read_count(in, out, body);

    const RecordCursor cursor{in, out, layout};
    TrackPointsCollected visit{collected};
    if (layout.track_point_depths)
        move_points<track_point_layout>(cursor, body, count, visit);
    else
        move_points<unmarked_track_point_layout>(cursor, body, count, visit);
    collected = visit.collected;
    collected.finish();
    body.move_rest(out);
    return {visit.off_the_earth};
}

Failure read_track_at(InputBytes& input, InputOffset offset, ByteCount length,
                      const VersionLayout& layout, PointBuffer& points,
                      std::span<std::uint8_t> block, const TextDestination* name) {
    return read_record_at(input, offset, length, block, [&](InputStream& in, ByteCount bytes) {
        Console quiet; // the run that converts the track says its messages
        read_track_body(in, nullptr, layout, bytes, points, quiet, name);
    });
}

} // namespace korvix
