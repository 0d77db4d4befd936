#include "RunOutcome.h"

#include "LauncherOptions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>

namespace runkorvix {

namespace {

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
    // A non-breaking space: the number never stands at the end of a line without its unit.
    return std::string(text, end.ec == std::errc() ? end.ptr : text) + "\xC2\xA0m";
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

// "A", "A and B", "A, B and C", and of more than kNamesListed names the first three and how many
// more: "A, B, C and 3 more". Nothing when the names are unknown.
std::string NameList(std::uint64_t count, const std::vector<std::string>& names) {
    if (names.empty()) {
        return std::string();
    }
    const std::size_t listed =
        count <= kNamesListed ? std::min<std::size_t>(names.size(), count) : 3;
    std::string text = ": ";
    for (std::size_t at = 0; at < listed; ++at) {
        const bool last = at + 1 == listed && count == listed;
        text += at == 0 ? "" : last ? " and " : ", ";
        text += names[at];
    }
    if (count > listed) {
        text += " and " + std::to_string(count - listed) + " more";
    }
    return text;
}

// The tracks skipped by a -V or -W run, by name, that they are not in the output, and for those
// that found too few names for their new waypoints why and the fit that converts them.
std::string Skipped(std::uint64_t skipped, const RunCounts& counts, const std::string& outputName) {
    const std::uint64_t nameless = std::min(counts.namelessTracks, skipped);
    std::string text = '\n' + Count(skipped, "track was", "tracks were") + " skipped and " +
                       (skipped == 1 ? "is" : "are") + " not in " + outputName +
                       NameList(skipped, counts.skippedNames) + '.';
    if (nameless < skipped) {
        text += skipped - nameless == skipped
                    ? (skipped == 1 ? " It has" : " They have")
                    : ' ' + std::to_string(skipped - nameless) + " of them " +
                          (skipped - nameless == 1 ? "has" : "have");
        text += " no points.";
    }
    if (nameless == 0) {
        return text;
    }
    const std::uint64_t taken = counts.numberNames.value_or(0);
    text += " One run names at most " + std::to_string(kRunNames) + " waypoints";
    if (taken > 0) {
        text += ", and the file's own waypoints take " + std::to_string(taken) + " of those names";
    }
    // Under the fit every track takes 2 waypoints at the least, one of a single position 1.
    const std::uint64_t left = kRunNames - std::min(taken, kRunNames);
    const std::uint64_t least =
        2 * counts.tracks - std::min(counts.onePositionTracks, counts.tracks);
    text += ". Fit every track into " + std::to_string(left) + " waypoints converts " +
            (least <= left ? "them all." : "as many as those names hold.");
    return text;
}

// The tracks that a --fit run kept in the output as the tracks they were, by name.
std::string Kept(const RunCounts& counts, const std::string& outputName) {
    const std::uint64_t kept = counts.keptTracks;
    return '\n' + Count(kept, "track was", "tracks were") + " kept as " +
           (kept == 1 ? "a track" : "tracks") + " in " + outputName +
           NameList(kept, counts.keptNames) + '.';
}

// Where the point limit kept points farther from the line than the tolerance asked.
std::string Overruled(const RunCounts& counts, std::string_view made) {
    const std::uint64_t overruled = counts.reductions.overruled;
    if (overruled == 0 || counts.limits.points == 0 || counts.limits.tolerance.empty()) {
        return std::string();
    }
    return "\nOn " + Count(overruled, made.substr(0, made.size() - 1), made) + ' ' +
           std::to_string(counts.limits.points) + " points could not keep within " +
           counts.limits.tolerance + "\xC2\xA0m.";
}

// "26 tracks became 26 routes through 500 new waypoints, within 20.8 m of their tracks.", as the
// line that ends a --fit run has it; cut tracks make more routes.
// A unit counts the file's own waypoints with the new ones: both figures, where it has own.
std::string Fitted(const FitLine& fit, const Reductions& reduced, std::uint64_t own) {
    const std::uint64_t routes = fit.tracks - std::min(reduced.routes, fit.tracks) + reduced.parts;
    std::string text = Count(fit.tracks, "track", "tracks") + " became " +
                       Count(routes, "route", "routes") + " through " +
                       Count(fit.waypoints, "new waypoint", "new waypoints");
    if (own > 0) {
        text += " (" + std::to_string(fit.waypoints + own) + " with the file's own " +
                std::to_string(own) + ')';
    }
    return text + ", within " + Metres(fit.within) + " of " +
           (fit.tracks == 1 ? "its track." : "their tracks.");
}

// korvix copies every record that the option does not convert: with nothing to convert the
// output is a copy of the input.
std::string NothingConverted(const RunCounts& counts, bool convertsTracks,
                             const std::string& outputName, const std::string& inputName) {
    std::string text = outputName + " is now a copy of " +
                       (inputName.empty() ? std::string("the input") : inputName) + ": it holds ";
    if (counts.routes == 0 && counts.tracks == 0) {
        return text + "no route and no track to convert.";
    }
    if (convertsTracks) {
        return text + "no track to convert.\n\nIts " + Count(counts.routes, "route", "routes") +
               (counts.routes == 1 ? " is" : " are") +
               " converted by -T and -U; -R and -S rewrite the vias.";
    }
    return text + "no route to convert.\n\nIts " + Count(counts.tracks, "track", "tracks") +
           (counts.tracks == 1 ? " is" : " are") + " converted by -V and -W.";
}

} // namespace

RunCounts CountsOf(const RunResult& result) {
    RunCounts counts;
    counts.waypoints = result.records.Of(korvix::rules::waypoint_record);
    counts.routes = result.records.Of(korvix::rules::route_record);
    counts.tracks = result.records.Of(korvix::rules::track_record);
    counts.reductions = result.reductions;
    counts.fit = result.fit;
    for (const MessageLog::Entry& entry : result.messages.Entries()) {
        const TrackFate fate = FateOf(entry.text);
        counts.skippedTracks +=
            fate == TrackFate::SkippedNameless || fate == TrackFate::SkippedEmpty ? entry.count : 0;
        counts.namelessTracks += fate == TrackFate::SkippedNameless ? entry.count : 0;
        counts.keptTracks += fate == TrackFate::Kept ? entry.count : 0;
    }
    return counts;
}

bool MakesWaypoints(std::string_view option) {
    return option == "-V" || option == "-W";
}

std::string RunSummary(std::string_view option, const RunCounts& counts,
                       const std::string& outputName, const std::string& inputName) {
    const char letter = option.size() == 2 ? option[1] : '\0';
    const bool rewrites = letter == 'R' || letter == 'S';
    const bool convertsTracks = MakesWaypoints(option);
    if (convertsTracks ? counts.tracks == 0 : counts.routes == 0) {
        return NothingConverted(counts, convertsTracks, outputName, inputName);
    }
    if (rewrites) {
        return Count(counts.waypoints, "waypoint", "waypoints") + " and " +
               Count(counts.routes, "route", "routes") + " were rewritten with " +
               (letter == 'R' ? "user" : "hidden") + " vias into " + outputName + '.';
    }
    if (!convertsTracks) {
        return Made(counts.routes, {"route", "routes", "track", "tracks"}, counts, outputName) +
               '.' + Overruled(counts, "routes");
    }
    const std::uint64_t skipped = std::min(counts.skippedTracks, counts.tracks);
    const std::uint64_t converted =
        counts.tracks - skipped - std::min(counts.keptTracks, counts.tracks - skipped);
    std::string text;
    if (converted > 0 && counts.fit) {
        text = Fitted(*counts.fit, counts.reductions, counts.waypoints);
    } else if (converted == 0) {
        text = "No track became a route in " + outputName + '.';
    } else {
        text = Made(converted, {"track", "tracks", "route", "routes"}, counts, outputName);
        if (counts.outputWaypoints && *counts.outputWaypoints >= counts.waypoints) {
            text += ", through " + Count(*counts.outputWaypoints - counts.waypoints, "new waypoint",
                                         "new waypoints");
        }
        text += '.';
    }
    if (skipped > 0) {
        text += Skipped(skipped, counts, outputName);
    }
    if (counts.keptTracks > 0) {
        text += Kept(counts, outputName);
    }
    text += Overruled(counts, "tracks");
    if (counts.onePointRoutes > 0) {
        text += '\n' +
                Count(counts.onePointRoutes, "track of a single position became a route",
                      "tracks of a single position became routes") +
                " of one point.";
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

namespace {

// Why korvix stops in a file, in the dialog's words; for a GPX file it refuses, in its own.
std::string StopText(const korvix::FileContents& contents) {
    if (!contents.refusal.empty()) {
        return contents.refusal.substr(0, contents.refusal.find('\n'));
    }
    switch (contents.failure) {
    case korvix::Failure::end_of_input:
        return "Not a whole GDB file: it ends early.";
    case korvix::Failure::input_read_failed:
        return "The file cannot be read.";
    default:
        return "Not a GDB file.";
    }
}

} // namespace

std::string InputContentsText(const korvix::FileContents& contents) {
    if (!contents.whole()) {
        return StopText(contents);
    }
    std::string text = CountOrNo(contents.waypoints, "waypoint", "waypoints") + ", " +
                       CountOrNo(contents.tracks, "track", "tracks");
    if (contents.tracks > contents.damaged_tracks) { // the sizes of the tracks read whole
        const std::uint32_t most = contents.most_track_points;
        text += " of " + (contents.fewest_track_points == most
                              ? Count(most, "point", "points")
                              : std::to_string(contents.fewest_track_points) + " to " +
                                    Count(most, "point", "points"));
    }
    text += ", " + CountOrNo(contents.routes, "route", "routes");
    // -R to -U read the routes' points and copy the tracks as they stand; -V and -W the other
    // way round.
    if (contents.damaged_routes > 0) {
        text += "; -R to -U stop at a damaged route";
    }
    if (contents.damaged_tracks > 0) {
        return text + "; -V and -W stop at a damaged track";
    }
    if (contents.tracks > 0) {
        text += "; " + CountOrNo(NamesLeft(contents), "name", "names") + " left for new waypoints";
    }
    return text;
}

std::uint64_t NamesLeft(const korvix::FileContents& contents) {
    const std::uint64_t taken = contents.whole() ? contents.numbers.taken_count() : 0;
    return kRunNames - std::min(taken, kRunNames);
}

} // namespace runkorvix

namespace runkorvix {

std::string FindsNothingText(std::string_view option, const korvix::FileContents& contents,
                             const std::string& inputName) {
    const bool fixed =
        std::find(kFixedOptions.begin(), kFixedOptions.end(), option) != kFixedOptions.end();
    const bool convertsTracks = MakesWaypoints(option);
    if (!fixed || !contents.whole() || (convertsTracks ? contents.tracks : contents.routes) > 0) {
        return std::string();
    }
    std::string text = std::string(option) + " finds no " + (convertsTracks ? "track" : "route") +
                       " in " + inputName;
    const std::uint64_t other = convertsTracks ? contents.routes : contents.tracks;
    if (other > 0) {
        text += convertsTracks ? "; -T or -U convert its " + Count(other, "route", "routes")
                               : "; -V or -W convert its " + Count(other, "track", "tracks");
    }
    return text;
}

std::string NewWaypointsText(const std::string& typed, std::optional<std::uint64_t> own) {
    const std::optional<int> waypoints = ParseWaypoints(typed);
    if (!waypoints || !own || *own == 0) {
        return kNewWaypointsCaption;
    }
    // Two lines of their own: the words stand in a narrow room after the field.
    return "new waypoints\n(" + std::to_string(static_cast<std::uint64_t>(*waypoints) + *own) +
           " with the file's own " + std::to_string(*own) + ')';
}

} // namespace runkorvix
