#include "RunOutcome.h"

#include <algorithm>

namespace runkorvix {

namespace {

// The converter's words for a track that it leaves out of a -V or -W run.
constexpr std::string_view kSkippedTrack[] = {
    "Too many waypoints needed to convert - track skipped",
    "Track has no points - track skipped",
};

// "1 route", "2 routes".
std::string Count(std::uint64_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

// "no routes", "1 route", "2 routes".
std::string CountOrNo(std::uint64_t count, std::string_view one, std::string_view many) {
    return count == 0 ? "no " + std::string(many) : Count(count, one, many);
}

// "became a track", "became tracks".
std::string Became(std::uint64_t count, std::string_view one, std::string_view many) {
    return "became " + std::string(count == 1 ? one : many);
}

std::string NothingConverted(const RunCounts& counts, bool convertsTracks,
                             const std::string& outputName) {
    std::string text = "Nothing was converted into " + outputName + ": the input holds ";
    if (counts.routes == 0 && counts.tracks == 0) {
        return text + "no route and no track.";
    }
    if (convertsTracks) {
        return text + "no track.\n\nIts " + Count(counts.routes, "route", "routes") +
               (counts.routes == 1 ? " is" : " are") +
               " converted by -T and -U; -R and -S rewrite the vias.";
    }
    return text + "no route.\n\nIts " + Count(counts.tracks, "track", "tracks") +
           (counts.tracks == 1 ? " is" : " are") + " converted by -V and -W.";
}

} // namespace

RunCounts CountsOf(const RunResult& result) {
    RunCounts counts;
    counts.waypoints = result.records.Of('W');
    counts.routes = result.records.Of('R');
    counts.tracks = result.records.Of('T');
    for (const MessageLog::Entry& entry : result.messages.Entries()) {
        if (std::find(std::begin(kSkippedTrack), std::end(kSkippedTrack), entry.text) !=
            std::end(kSkippedTrack)) {
            counts.skippedTracks += entry.count;
        }
    }
    return counts;
}

bool MakesWaypoints(std::string_view option) {
    return option == "-V" || option == "-W";
}

std::string RunSummary(std::string_view option, const RunCounts& counts,
                       const std::string& outputName) {
    const char letter = option.size() == 2 ? option[1] : '\0';
    const bool rewrites = letter == 'R' || letter == 'S';
    const bool convertsTracks = MakesWaypoints(option);
    if (convertsTracks ? counts.tracks == 0 : counts.routes == 0) {
        return NothingConverted(counts, convertsTracks, outputName);
    }
    if (rewrites) {
        return Count(counts.waypoints, "waypoint", "waypoints") + " and " +
               Count(counts.routes, "route", "routes") + " were rewritten with " +
               (letter == 'R' ? "user" : "hidden") + " vias into " + outputName + '.';
    }
    if (!convertsTracks) {
        return Count(counts.routes, "route", "routes") + ' ' +
               Became(counts.routes, "a track", "tracks") + " in " + outputName + '.';
    }
    const std::uint64_t skipped = std::min(counts.skippedTracks, counts.tracks);
    const std::uint64_t converted = counts.tracks - skipped;
    std::string text = converted == 0
                           ? "No track became a route in " + outputName + '.'
                           : Count(converted, "track", "tracks") + ' ' +
                                 Became(converted, "a route", "routes") + " in " + outputName;
    if (converted > 0 && counts.outputWaypoints && *counts.outputWaypoints >= counts.waypoints) {
        text += ", through " +
                Count(*counts.outputWaypoints - counts.waypoints, "new waypoint", "new waypoints");
    }
    if (converted > 0) {
        text += '.';
    }
    if (skipped > 0) {
        text += '\n' + Count(skipped, "track was", "tracks were") + " skipped.";
    }
    return text;
}

std::string InputContentsText(const GdbWalk& walk) {
    switch (walk.kind) {
    case GdbFileKind::Whole:
        break;
    case GdbFileKind::CutShort:
        return "Not a whole GDB file: it ends early.";
    case GdbFileKind::Other:
        return "Not a GDB file.";
    }
    const GdbContents& holds = walk.contents;
    return CountOrNo(holds.waypoints, "waypoint", "waypoints") + ", " +
           CountOrNo(holds.tracks, "track", "tracks") + ", " +
           CountOrNo(holds.routes, "route", "routes");
}

} // namespace runkorvix
