// The points of a track record, read from its body into the point buffer as every generated route
// takes them: adjacent repeats merged, 10000 at most, points beyond a pole left out.
#pragma once

#include "byte_stream.h"
#include "console.h"
#include "input_bytes.h"
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

// Reads the track whose record header lies at `offset` in `input`, its body of `length` bytes,
// where it lies, into `points` as read_track_body does, its name into `name` when one is given;
// `block` is the stream's. Gives the failure at which a run that streams the input would stop in
// it: none when the track is whole; the end of the input when the file ends in it; a record
// shorter than its fields when its points run past its length.
Failure read_track_at(InputBytes& input, InputOffset offset, ByteCount length,
                      const VersionLayout& layout, PointBuffer& points,
                      std::span<std::uint8_t> block, const TextDestination* name = nullptr);

} // namespace korvix
