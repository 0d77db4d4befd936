// The points of a track record, read from its body into the point buffer as every generated route
// takes them: adjacent repeats merged, 10000 at most, points beyond a pole left out.
#pragma once

#include "byte_stream.h"
#include "console.h"
#include "point_buffer.h"
#include "record_layouts.h"

namespace korvix {

struct TrackPointsRead {
    std::uint32_t off_the_earth = 0; // points left out for a latitude beyond a pole
};

// Reads a whole track body of `length` bytes into `points`: to nowhere, its name into `name`
// when one is given; or, with an output, copied to it byte for byte as it is read (a track kept).
// The limit message goes to `console` for every point offered to a full buffer.
TrackPointsRead read_track_body(InputStream& in, OutputStream* out, const VersionLayout& layout,
                                ByteCount length, PointBuffer& points, Console& console,
                                const TextDestination* name);

} // namespace korvix
