#include "record_dispatch.h"

#include "route_rewrite.h"
#include "route_to_track.h"
#include "track_to_route.h"

#include <algorithm>

namespace korvix {

namespace {

// A conversion of one record: the input stands behind the record's type letter.
using Conversion = void (*)(RunContext& run, const RecordHeader& header);

void pass_through(RunContext& run, const RecordHeader& header) {
    write_record_header(run.out, run.in, header);
    move_bytes(run.in, &run.out, header.body_length()); // a body length of 0: the header alone
}

// What the run does with each record type that a conversion can handle; every other type, the
// closing record included, passes through.
struct RecordConversions {
    Conversion waypoint = pass_through;
    Conversion route = pass_through;
    Conversion track = pass_through;

    Conversion of(char type) const {
        switch (type) {
        case waypoint_record:
            return waypoint;
        case route_record:
            return route;
        case track_record:
            return track;
        default:
            return pass_through;
        }
    }
};

// Under -V and -W, a waypoint of the input passes through, and its name, when it is a number,
// is one that no generated waypoint may take.
void note_and_pass_through(RunContext& run, const RecordHeader& header) {
    const ByteCount name_bytes = std::min(header.body_length(), number_name_width);
    run.in.ensure(name_bytes);
    const std::span<const std::uint8_t> name(
        run.in.data(), static_cast<std::size_t>(std::min(name_bytes, run.in.available())));
    run.input_numbers.note_name(name.data(), name.size());
    // Behind the first track the names were read ahead: these must be the same.
    if (run.read_ahead)
        run.read_ahead_check.records_streamed.add_bytes(name);
    pass_through(run, header);
}

template <ClassRewrite target> void rewrite(RunContext& run, const RecordHeader& header) {
    rewrite_record(run, header, target);
}
template <TrackPoints which> void route_to_track(RunContext& run, const RecordHeader& header) {
    convert_route_to_track(run, header, which);
}
// The names of the waypoints from the first track on, read ahead, where the input can be: the
// run has noted those before it as it passed them, and a track's waypoints must not take a name
// of any waypoint of the input, those behind the tracks included.
void read_names_ahead(RunContext& run, const RecordHeader& first_track) {
    ReadAheadCheck& check = run.read_ahead_check;
    check.from = first_track.offset;
    if (run.whole_input != nullptr)
        note_waypoint_names(*run.whole_input, first_track.offset, run.input_numbers,
                            check.records_ahead);
    run.read_ahead = true;
    // --fit plans every track of the input now, within the names that are left.
    if (run.settings.fit && run.whole_input != nullptr) {
        std::uint32_t budget = run.input_numbers.left();
        if (run.settings.waypoint_limit != 0)
            budget = std::min(budget, run.settings.waypoint_limit);
        plan_fit(*run.whole_input, first_track.offset, run.layout, run.settings, budget, run.points,
                 run.simplifier, run.fit_scratch, run.fit_plan, check.tracks_ahead);
    }
    if (after_read_ahead_hook != nullptr)
        after_read_ahead_hook();
}

template <Vias vias> void track_to_route(RunContext& run, const RecordHeader& header) {
    if (!run.read_ahead)
        read_names_ahead(run, header);
    convert_track_to_route(run, header, vias);
}

// Chosen once for the run: no conversion looks at the mode again.
RecordConversions conversions_for(ConversionMode mode) {
    switch (mode) {
    case ConversionMode::route_user_vias:
        return {.waypoint = rewrite<ClassRewrite::user_vias>,
                .route = rewrite<ClassRewrite::user_vias>};
    case ConversionMode::route_hidden_vias:
        return {.waypoint = rewrite<ClassRewrite::hidden_vias>,
                .route = rewrite<ClassRewrite::hidden_vias>};
    case ConversionMode::track_all_points:
        return {.route = route_to_track<TrackPoints::all_points>};
    case ConversionMode::track_via_points:
        return {.route = route_to_track<TrackPoints::via_points>};
    case ConversionMode::route_from_track_user_vias:
        return {.waypoint = note_and_pass_through, .track = track_to_route<Vias::user>};
    case ConversionMode::route_from_track_hidden_vias:
        return {.waypoint = note_and_pass_through, .track = track_to_route<Vias::hidden>};
    }
    return {};
}

} // namespace

void run_record_loop(RunContext& run) {
    const RecordConversions conversions = conversions_for(run.settings.mode);
    while (!run.failed()) {
        const RecordHeader header = read_record_header(run.in);
        if (run.failed())
            break;
        run.console.trace(header.type, static_cast<std::uint32_t>(header.length));
        conversions.of(header.type)(run, header);
        if (header.type == closing_record)
            break;
        if (run.read_ahead)
            run.read_ahead_check.records_streamed.add_record(header);
    }
}

void (*after_read_ahead_hook)() = nullptr;

} // namespace korvix
