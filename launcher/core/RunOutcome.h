#pragma once

#include "RouteLimits.h"
#include "RunFeedback.h"
#include "TrackLines.h"
#include "file_contents.h"
#include "gdb_rules.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a clean run of one of the fixed options did, told in a sentence or two: counted from the
// converter's trace, which names every input record, its lines about the routes and tracks that
// it reduced or cut, and its messages, which name the tracks it skipped. The trace says nothing
// of the records written, so the waypoints that -V and -W make are counted in the output file.
namespace runkorvix {

// The names that one run of -V or -W gives new waypoints: 001 to 999.
inline constexpr std::uint64_t kRunNames = korvix::rules::last_waypoint_number;

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
    // Under --fit: the tracks kept as tracks, and what korvix's last line said.
    std::uint64_t keptTracks = 0;
    std::optional<FitLine> fit{};
    // From the input, read again after the run: the names of the first skipped and kept tracks
    // (at most kNamesListed of each), the tracks of a single position and, of those, the ones
    // that became routes of one point.
    std::vector<std::string> skippedNames{};
    std::vector<std::string> keptNames{};
    std::uint64_t onePositionTracks = 0;
    std::uint64_t onePointRoutes = 0;
};
inline constexpr std::size_t kNamesListed = 5;
// The start of a track's name that the box shows, in bytes.
inline constexpr std::size_t kTrackNameKept = 100;

// The counts of a run's trace, lines and messages; outputWaypoints, limits, numberNames and what
// is read from the input are left empty.
RunCounts CountsOf(const RunResult& result);

// True for the options whose summary needs the output's waypoints: -V and -W.
bool MakesWaypoints(std::string_view option);

// The summary of a clean run of the fixed option `option` ("-R" to "-W") into the file
// `outputName`: what became of the input's routes, tracks or waypoints. When the option found
// nothing to work on (no route for -R, -S, -T and -U, no track for -V and -W) it says that
// nothing was converted and which options convert what the input does hold. Under limits it
// says how many routes or tracks were made, of at most how many points, and within how many
// metres of what they were made from; a --fit run how many routes its tracks became through how
// many new waypoints. Then, a sentence each: the tracks skipped and not in the output, by name,
// those skipped for lack of names explained, with the fit that converts them; the tracks that a
// --fit run kept as they were; the routes or tracks on which the point limit overruled the
// tolerance; the tracks of a single position that became routes of one point.
// `inputName` names the input where the output is told to be a copy of it.
std::string RunSummary(std::string_view option, const RunCounts& counts,
                       const std::string& outputName, const std::string& inputName = {});

// Before Run, for the line under the input: that the fixed option `option` finds nothing to
// convert in the file `inputName` of `contents`, and which options convert what it holds: "-T
// finds no route in ride.gdb; -V or -W convert its 26 tracks". Empty where the option finds
// something, for the free option, and for a file that is not whole.
std::string FindsNothingText(std::string_view option, const korvix::FileContents& contents,
                             const std::string& inputName);

// The words after the fit's field: the new waypoints typed, and with the input's `own`
// waypoints the number that a unit counts, on a line of its own: "new waypoints\n(812 with the
// file's own 312)"; the
// field's range for a file without waypoints, none read, or a number out of range.
inline constexpr char kNewWaypointsCaption[] = "new waypoints (1 to 999).";
std::string NewWaypointsText(const std::string& typed, std::optional<std::uint64_t> own);

// What the lines about reduced or cut routes and tracks say, for a run of the free option:
// "korvix reduced or cut 3 routes or tracks into 5, within 11.6 m."; empty for none.
std::string ReductionsSummary(const Reductions& reductions);

// What an input holds, read as korvix reads it, for the line under its path: "312 waypoints, 26
// tracks of 1 to 1906 points, no routes; 687 names left for new waypoints" (the names only for a
// file with tracks), or that it is no GDB file, one that ends early, or one that korvix stops in
// as damaged.
std::string InputContentsText(const korvix::FileContents& contents);

// The names that a whole GDB file leaves for the new waypoints of a -V or -W run: the 999 less
// those of three digits that its own waypoints take; all 999 for another file.
std::uint64_t NamesLeft(const korvix::FileContents& contents);

} // namespace runkorvix
