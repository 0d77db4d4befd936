#pragma once

#include "GdbRecordCount.h"
#include "RouteLimits.h"
#include "RunFeedback.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a clean run of one of the fixed options did, told in a sentence or two: counted from the
// converter's trace, which names every input record, its lines about the routes and tracks that
// it reduced or cut, and its messages, which name the tracks it skipped. The trace says nothing
// of the records written, so the waypoints that -V and -W make are counted in the output file.
namespace runkorvix {

struct RunCounts {
    // The input's records, from the trace.
    std::uint64_t waypoints = 0;
    std::uint64_t routes = 0;
    std::uint64_t tracks = 0;
    // Tracks that the converter said it skipped.
    std::uint64_t skippedTracks = 0;
    // The output's waypoint records, when the output could be read as a GDB file.
    std::optional<std::uint64_t> outputWaypoints;
    // Of the skipped tracks, those that found too few of the 999 names for their new waypoints.
    std::uint64_t namelessTracks = 0;
    // The routes and tracks reduced or cut, and the limits that the run passed.
    Reductions reductions;
    RouteLimits limits;
    // The names of three digits that the input's own waypoints take from those 999, when the
    // input could be read.
    std::optional<std::uint64_t> numberNames;
};

// The counts of a run's trace, lines and messages; outputWaypoints, limits and numberNames are
// left empty.
RunCounts CountsOf(const RunResult& result);

// True for the options whose summary needs the output's waypoints: -V and -W.
bool MakesWaypoints(std::string_view option);

// The summary of a clean run of the fixed option `option` ("-R" to "-W") into the file
// `outputName`: what became of the input's routes, tracks or waypoints. When the option found
// nothing to work on (no route for -R, -S, -T and -U, no track for -V and -W) it says that
// nothing was converted and which options convert what the input does hold. Under limits it
// says how many routes or tracks were made, of at most how many points, and within how many
// metres of what they were made from; tracks skipped for lack of names are explained, with what
// could make them fit.
std::string RunSummary(std::string_view option, const RunCounts& counts,
                       const std::string& outputName);

// What the lines about reduced or cut routes and tracks say, for a run of the free option:
// "korvix reduced or cut 3 routes or tracks into 5, within 11.6 m."; empty for none.
std::string ReductionsSummary(const Reductions& reductions);

// What an input holds, for the line under its path: "312 waypoints, 26 tracks, no routes", or
// that it is no GDB file, or one that ends early.
std::string InputContentsText(const GdbWalk& walk);

} // namespace runkorvix
