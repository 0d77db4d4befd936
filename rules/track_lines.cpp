#include "track_lines.h"

#include "digits.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace korvix::rules {

namespace {

constexpr std::string_view one_track = " track fits in ", tracks = " tracks fit in ";
constexpr std::string_view one_waypoint = " new waypoint, within ",
                           waypoints = " new waypoints, within ";
constexpr std::string_view its_track = " m of its track", their_tracks = " m of their tracks";

// Takes a number of digits off the front of `text`; false when there is none.
bool take_count(std::string_view& text, std::uint64_t& count) {
    const std::size_t end = std::min(text.find_first_not_of("0123456789"), text.size());
    if (end == 0 || std::from_chars(text.data(), text.data() + end, count).ec != std::errc{})
        return false;
    text.remove_prefix(end);
    return true;
}

// Takes `word` off the front of `text`; false when it does not stand there.
bool take(std::string_view& text, std::string_view word) {
    if (!text.starts_with(word))
        return false;
    text.remove_prefix(word.size());
    return true;
}

} // namespace

std::size_t format_fit_line(const FitFigures& figures, char (&line)[fit_line_room]) {
    const std::string_view fits = figures.tracks == 1 ? one_track : tracks;
    const std::string_view made = figures.waypoints == 1 ? one_waypoint : waypoints;
    const std::string_view of = figures.tracks == 1 ? its_track : their_tracks;
    const int size = std::snprintf(
        line, sizeof line, "%llu%.*s%llu%.*s%.1f%.*s\n",
        static_cast<unsigned long long>(figures.tracks), static_cast<int>(fits.size()), fits.data(),
        static_cast<unsigned long long>(figures.waypoints), static_cast<int>(made.size()),
        made.data(), figures.within_metres, static_cast<int>(of.size()), of.data());
    return static_cast<std::size_t>(std::clamp(size, 0, static_cast<int>(sizeof line) - 1));
}

std::optional<FitFigures> read_fit_line(std::string_view line) {
    FitFigures fit;
    if (!take_count(line, fit.tracks) || !take(line, fit.tracks == 1 ? one_track : tracks) ||
        !take_count(line, fit.waypoints) ||
        !take(line, fit.waypoints == 1 ? one_waypoint : waypoints))
        return std::nullopt;
    const std::string_view end = fit.tracks == 1 ? its_track : their_tracks;
    if (!line.ends_with(end))
        return std::nullopt;
    const std::optional<double> metres =
        read_written_metres(line.substr(0, line.size() - end.size()));
    if (!metres)
        return std::nullopt;
    fit.within_metres = *metres;
    return fit;
}

} // namespace korvix::rules
