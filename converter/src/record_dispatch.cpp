#include "record_dispatch.h"

#include "record_layouts.h"
#include "route_rewrite.h"
#include "route_to_track.h"
#include "track_to_route.h"

namespace korvix {

namespace {

void pass_through(RunContext& run, const RecordHeader& header) {
    write_record_header(run.out, header.type, header.length);
    // The body length is trusted and moved as an unsigned count; a length of 0 is the header alone.
    const auto length = static_cast<std::uint32_t>(header.length);
    if (length > 0)
        copy_bytes(run.in, &run.out, length);
}

// Under -R and -S a waypoint or route keeps its header and name; its body is rewritten in place.
void rewrite_in_place(RunContext& run, const RecordHeader& header) {
    write_record_header(run.out, header.type, header.length);
    BodyRemainder body(run.in, static_cast<std::uint32_t>(header.length));
    body.take(copy_bytes(run.in, &run.out, 0)); // the name
    if (run.in.failed())
        return;
    if (header.type == waypoint_record)
        rewrite_waypoint_class(run.in, run.out, body.left(), run.mode);
    else
        copy_route(run.in, run.out, body.left(), run.mode);
}

} // namespace

char dispatch_record(RunContext& run) {
    const RecordHeader header = read_record_header(run.in);
    if (run.in.failed())
        return header.type;
    std::fprintf(run.console, "%c %d\n", header.type, header.length);

    const bool waypoint_or_route = header.type == waypoint_record || header.type == route_record;
    if (rewrites_routes(run.mode) && waypoint_or_route)
        rewrite_in_place(run, header);
    else if (converts_routes_to_tracks(run.mode) && header.type == route_record)
        convert_route_to_track(run, static_cast<std::uint32_t>(header.length));
    else if (converts_tracks_to_routes(run.mode) && header.type == track_record)
        convert_track_to_route(run, static_cast<std::uint32_t>(header.length));
    else
        pass_through(run, header);
    return header.type;
}

void run_record_loop(RunContext& run) {
    while (!run.in.failed() && dispatch_record(run) != closing_record) {
    }
}

} // namespace korvix
