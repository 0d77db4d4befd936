// The link points of a route as -T and -U take them for the track they make of it: every link
// point, or the vias alone (the first and the last of each route point's list, which are its via
// and the next). The points go to a point filter (point_filter.h), which merges the repeats.
#pragma once

#include "byte_stream.h"
#include "console.h"
#include "gdb_fields.h"
#include "input_bytes.h"
#include "point_buffer.h"
#include "record_layouts.h"
#include "route_walk.h"

#include <cstdint>
#include <span>

namespace korvix {

// Which link points of a route its track runs through: every one (-T), or the first and the last
// of each link list, the vias (-U).
enum class TrackPoints { all_points, via_points };

template <class Points> struct EveryLinkPoint {
    Points points;
    void operator()(std::uint64_t position, std::int32_t, std::int32_t) {
        points.add_position(position);
    }
};
template <class Points> struct ViaLinkPoints {
    Points points;
    void operator()(std::uint64_t position, std::int32_t k, std::int32_t links) {
        if (k == 0 || k == links - 1)
            points.add_position(position);
    }
};

// Walks a route body behind its name with no output, handing the positions of its link points
// (all of them, or the vias only) to `points`, a point filter, which comes back with them; then
// passes its remainder by.
template <class Points>
void walk_route_points(const RecordCursor& cursor, BodyRemainder& body, TrackPoints which,
                       Points& points) {
    // One walk per option, so that the test of the option stays out of the loop over the link
    // points.
    if (which == TrackPoints::all_points) {
        EveryLinkPoint<Points> visit{points};
        walk_route(cursor, body, ClassRewrite::keep, visit);
        points = visit.points;
    } else {
        ViaLinkPoints<Points> visit{points};
        walk_route(cursor, body, ClassRewrite::keep, visit);
        points = visit.points;
    }
    body.move_rest(nullptr);
}

// Reads the route whose record header lies at `offset` in `input`, its body of `length` bytes,
// where it lies, with no output: its name into `name` when one is given, its link points into
// `points` as -T (every one) or -U (the vias) collects them; `block` is the stream's. Gives the
// failure at which a run that streams the input would stop in it (see read_track_at).
Failure read_route_at(InputBytes& input, InputOffset offset, ByteCount length,
                      const VersionLayout& layout, PointBuffer& points,
                      std::span<std::uint8_t> block, const TextDestination* name = nullptr,
                      TrackPoints which = TrackPoints::all_points);

} // namespace korvix
