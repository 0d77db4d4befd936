#include "route_points.h"

#include "point_filter.h"
#include "record_at.h"

namespace korvix {

Failure read_route_at(InputBytes& input, InputOffset offset, ByteCount length,
                      const VersionLayout& layout, PointBuffer& points,
                      std::span<std::uint8_t> block, const TextDestination* name,
                      TrackPoints which) {
    return read_record_at(input, offset, length, block, [&](InputStream& in, ByteCount bytes) {
        Console quiet; // the run that converts the route says its messages
        PointCollector collected(points, quiet);
        BodyRemainder body(in, bytes);
        body.take(read_string(in, name));
        walk_route_points(RecordCursor{in, nullptr, layout}, body, which, collected);
        collected.finish();
    });
}

} // namespace korvix
