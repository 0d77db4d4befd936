// korvix's lines about the tracks of a -V or -W run, which runkorvix reads to tell what became of
// them: the messages for a track that the run does not convert, and the line that ends a --fit
// run. One definition for writing and reading them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvix::rules {

// A track skipped for lack of names for its new waypoints, 001 to 999.
inline constexpr std::string_view too_many_waypoints_text =
    "Too many waypoints needed to convert - track skipped";
// A track with no points.
inline constexpr std::string_view no_points_skipped_text = "Track has no points - track skipped";
// Under --fit a track that gets no route stays in the output as the track it was.
inline constexpr std::string_view too_few_waypoints_kept_text =
    "Too few waypoints left to convert - track kept";
inline constexpr std::string_view no_points_kept_text = "Track has no points - track kept";
// A track point whose latitude lies beyond a pole, left out of the track's route.
inline constexpr std::string_view off_the_earth_text = "Track point out of range - point skipped";

// The line that ends a --fit run: "26 tracks fit in 687 new waypoints, within 20.8 m of their
// tracks", or "1 track fits in 1 new waypoint, within 0.0 m of its track". The distance is the
// largest of any route from its track, with one decimal.
struct FitFigures {
    std::uint64_t tracks = 0;
    std::uint64_t waypoints = 0;
    double within_metres = 0;
    bool operator==(const FitFigures&) const = default;
};
// The line with its line end, into `line` (room for any figures, so nothing is allocated at the
// end of a run). Gives its length.
inline constexpr std::size_t fit_line_room = 160;
std::size_t format_fit_line(const FitFigures& figures, char (&line)[fit_line_room]);
// What a line without its line end says, or nothing for any other line.
std::optional<FitFigures> read_fit_line(std::string_view line);

} // namespace korvix::rules
