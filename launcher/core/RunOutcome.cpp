#include "RunOutcome.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>

namespace runkorvix {

namespace {

// The converter's words for a track that it leaves out of a -V or -W run: the first for one
// whose new waypoints find too few of the 999 names of a run.
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

// Metres with one decimal and a decimal point, as korvix writes them, whatever the locale that
// the dialog's toolkit set (Qt takes the user's, where a comma may be the decimal sign).
std::string Metres(double metres) {
    char text[32];
    const std::to_chars_result end =
        std::to_chars(text, text + sizeof text, metres, std::chars_format::fixed, 1);
    return std::string(text, end.ec == std::errc() ? end.ptr : text) + " m";
}

// "26 tracks became routes in out.gdb", and under limits "26 tracks became 27 routes of at most
// 250 points in out.gdb, within 10.0 m of their tracks". `from` and `to` name one record
// ("track", "route") and many ("tracks", "routes").
std::string Made(std::uint64_t converted, const std::array<std::string_view, 4>& names,
                 const RunCounts& counts, const std::string& outputName) {
    const auto& [from, froms, to, tos] = names;
    const RouteLimits& limits = counts.limits;
    if (limits.points == 0 && limits.tolerance.empty()) {
        return Count(converted, from, froms) + ' ' +
               Became(converted, "a " + std::string(to), tos) + " in " + outputName;
    }
    const Reductions& reduced = counts.reductions;
    const std::uint64_t made = converted - std::min(reduced.routes, converted) + reduced.parts;
    std::string text = Count(converted, from, froms) + " became " + Count(made, to, tos);
    if (limits.points != 0) {
        text += " of at most " + std::to_string(limits.points) + " points";
    }
    text += " in " + outputName;
    if (reduced.routes > 0) {
        text += ", within " + Metres(reduced.within) + " of " +
                (converted == 1 ? "its " + std::string(from) : "their " + std::string(froms));
    }
    return text;
}

// The tracks skipped by a -V or -W run: for those that found too few names for their new
// waypoints, why and what could make them fit.
std::string Skipped(std::uint64_t skipped, const RunCounts& counts) {
    const std::uint64_t nameless = std::min(counts.namelessTracks, skipped);
    if (nameless == 0) {
        return '\n' + Count(skipped, "track was", "tracks were") + " skipped.";
    }
    std::string text = '\n' + Count(nameless, "track was", "tracks were") +
                       " skipped: one run names at most 999 waypoints";
    if (counts.numberNames.value_or(0) > 0) {
        text += ", and the file's own waypoints take " + std::to_string(*counts.numberNames) +
                " of those names";
    }
    text += counts.limits.points == 0 ? ". Limiting the points per route"
            : counts.limits.split     ? ". Leaving points out instead of splitting"
                                      : ". A lower point limit";
    text += nameless == 1 ? " can make it fit." : " can make them fit.";
    if (skipped > nameless) {
        text +=
            '\n' + Count(skipped - nameless, "other track was", "other tracks were") + " skipped.";
    }
    return text;
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
    counts.reductions = result.reductions;
    for (const MessageLog::Entry& entry : result.messages.Entries()) {
        if (std::find(std::begin(kSkippedTrack), std::end(kSkippedTrack), entry.text) !=
            std::end(kSkippedTrack)) {
            counts.skippedTracks += entry.count;
        }
        if (entry.text == kSkippedTrack[0]) {
            counts.namelessTracks += entry.count;
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
        return Made(counts.routes, {"route", "routes", "track", "tracks"}, counts, outputName) +
               '.';
    }
    const std::uint64_t skipped = std::min(counts.skippedTracks, counts.tracks);
    const std::uint64_t converted = counts.tracks - skipped;
    std::string text = converted == 0 ? "No track became a route in " + outputName + '.'
                                      : Made(converted, {"track", "tracks", "route", "routes"},
                                             counts, outputName);
    if (converted > 0 && counts.outputWaypoints && *counts.outputWaypoints >= counts.waypoints) {
        text += ", through " +
                Count(*counts.outputWaypoints - counts.waypoints, "new waypoint", "new waypoints");
    }
    if (converted > 0) {
        text += '.';
    }
    if (skipped > 0) {
        text += Skipped(skipped, counts);
    }
    return text;
}

std::string ReductionsSummary(const Reductions& reductions) {
    if (reductions.routes == 0) {
        return std::string();
    }
    const std::string routes = Count(reductions.routes, "route or track", "routes or tracks");
    return reductions.parts == reductions.routes
               ? "korvix reduced " + routes + ", within " + Metres(reductions.within) + '.'
               : "korvix reduced or cut " + routes + " into " + std::to_string(reductions.parts) +
                     ", within " + Metres(reductions.within) + '.';
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
