// Everything one run of the converter works on, kept in one place and passed along.
#pragma once

#include "byte_stream.h"
#include "console.h"
#include "fit_plan.h"
#include "generated_parts.h"
#include "gpx_memory.h"
#include "input_fingerprint.h"
#include "point_buffer.h"
#include "record_layouts.h"
#include "run_settings.h"
#include "scratch_text.h"
#include "waypoint_numbers.h"

#include <cstdint>

namespace korvix {

// The memory of a run, reserved in one piece before any file is opened, so that a run that
// cannot have it is refused before it has touched a file, and a conversion never allocates.
struct RunMemory {
    // The blocks first, on pages of their own, so that aligning them leaves no gap between the
    // rest.
    alignas(4096) std::uint8_t input_block[InputStream::block_size];
    alignas(4096) std::uint8_t output_block[OutputStream::block_size];
    ScratchText scratch;
    PointBuffer points;
    PointSimplifier simplifier;
    std::uint16_t generated_numbers[last_waypoint_number]; // of the track being converted
    std::uint8_t read_ahead_block[64 * 1024]; // for the read ahead for waypoint names in a file
    FitPlan fit_plan;                         // --fit
    FitScratch fit_scratch;
    GpxMemory gpx; // a GPX run's (untouched by a GDB run)
};

struct RunContext {
    RunContext(InputStream& input, OutputStream& output, const RunSettings& run_settings,
               Console& run_console, RunMemory& memory)
        : failure(input.run_failure()), in(input), out(output), settings(run_settings),
          console(run_console), scratch(memory.scratch), points(memory.points),
          simplifier(memory.simplifier), generated_numbers(memory.generated_numbers),
          fit_plan(memory.fit_plan), fit_scratch(memory.fit_scratch) {}

    // The points collected for a generated route or track, reduced or cut as --points,
    // --tolerance and --split say, after adjacent repeats have been merged.
    GeneratedParts shape_points() {
        return *shape_generated_points(points, settings.limits, UINT32_MAX, simplifier);
    }
    // The same for a route whose points each need one of the `names` left; nothing when they
    // would need more, found out as early as it can be.
    std::optional<GeneratedParts> shape_points_for_names(std::uint32_t names) {
        return shape_generated_points(points, settings.limits, names, simplifier);
    }

    // The run's one failure, shared by both streams: once set, reads return 0, writes are
    // dropped and every loop over a count stops.
    bool failed() const { return failure.failed(); }

    RunFailure& failure;
    InputStream& in;
    OutputStream& out;
    const RunSettings& settings;
    Console& console; // trace lines and messages

    // The layouts of the GDB version that the file header tells; every record parsed and
    // generated follows them.
    VersionLayout layout = version_layout(GdbVersion::v1);

    ScratchText& scratch;
    PointBuffer& points;
    PointSimplifier& simplifier;
    std::uint16_t (&generated_numbers)[last_waypoint_number];
    std::uint32_t waypoint_counter = 1; // number of the next generated waypoint, for the whole run
    // What the run has made of tracks: the waypoints generated, the tracks converted, and the
    // largest distance of a route from its track (for the line that ends a --fit run).
    std::uint32_t new_waypoints = 0;
    std::uint32_t tracks_converted = 0;
    double worst_metres = 0;
    FitPlan& fit_plan;
    FitScratch& fit_scratch;
    // The numbers that the input's own waypoints go by: those passed so far, and from the first
    // track on those of the whole input, when it can be read ahead (whole_input).
    WaypointNumbers input_numbers;
    InputBytes* whole_input = nullptr; // the input read where asked for, or none (a pipe)
    bool read_ahead = false;           // whether the names behind the first track were read
    // Whether what the read ahead learns of `whole_input` is held against what the stream reads:
    // always, but where the tests and the fuzz target read names from other bytes on purpose.
    bool checks_read_ahead = false;
    ReadAheadCheck read_ahead_check;
};

} // namespace korvix
