#include "record_dispatch.h"

#include "route_rewrite.h"
#include "route_to_track.h"
#include "track_to_route.h"

namespace korvix {

namespace {

// A conversion of one record: the input stands behind the record's type letter.
using Conversion = void (*)(RunContext& run, const RecordHeader& header);

void pass_through(RunContext& run, const RecordHeader& header) {
    write_record_header(run.out, header.type, header.length);
    // A body length of 0 is the header alone.
    if (header.body_length() > 0)
        copy_bytes(run.in, &run.out, header.body_length());
}

Conversion conversion_for(ConversionMode mode, char type) {
    if (rewrites_routes(mode) && (type == waypoint_record || type == route_record))
        return rewrite_record;
    if (converts_routes_to_tracks(mode) && type == route_record)
        return convert_route_to_track;
    if (converts_tracks_to_routes(mode) && type == track_record)
        return convert_track_to_route;
    return pass_through;
}

} // namespace

char dispatch_record(RunContext& run) {
    const RecordHeader header = read_record_header(run.in);
    if (run.failed())
        return header.type;
    std::fprintf(run.console, "%c %d\n", header.type, header.length);
    conversion_for(run.mode, header.type)(run, header);
    return header.type;
}

void run_record_loop(RunContext& run) {
    while (!run.failed() && dispatch_record(run) != closing_record) {
    }
}

} // namespace korvix
