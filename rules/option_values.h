// The values of korvix's long options as korvix reads them and as runkorvix checks what the user
// types before it passes them on: one parser each, so that the dialog never passes a value that
// korvix refuses, nor refuses one that korvix takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvix::rules {

// --points=N: a whole number of points from 2 to 10000, digits only, as many leading zeros as
// written ("0050" is 50).
inline constexpr std::uint32_t min_points = 2;
inline constexpr std::uint32_t max_points = 10000;
std::optional<std::uint32_t> parse_points(std::string_view text);

// --waypoints=K: the most new waypoints a run of -V or -W makes, 1 to 999, written as --points is.
inline constexpr std::uint32_t min_waypoints = 1;
inline constexpr std::uint32_t max_waypoints = 999;
std::optional<std::uint32_t> parse_waypoints(std::string_view text);

// --tolerance=M: a distance in metres written as a plain decimal number, "25", "2.5", ".5" or
// "0025": no sign, no exponent, no comma, digits as many as written. Its double must be finite and
// above 0: a number too large for one is refused, and so is one too small to be told from 0.
std::optional<double> parse_metres(std::string_view text);

// The option letters that rewrite the vias of routes in place, R and S in either case: their runs
// make no route or track, and so take no --points, --tolerance or --split. Every other letter
// makes routes or tracks (one that names no option runs the default -T).
bool letter_rewrites_vias(char letter);

// What korvix says, on the line before its usage text, of a long option it refuses.
inline constexpr std::string_view bad_points_text =
    "--points takes a number of points from 2 to 10000";
inline constexpr std::string_view bad_tolerance_text =
    "--tolerance takes a distance in metres above 0";
inline constexpr std::string_view split_without_points_text = "--split works only with --points";
inline constexpr std::string_view limits_without_routes_text = " works only with -T, -U, -V and -W";
inline constexpr std::string_view bad_waypoints_text =
    "--waypoints takes a number of waypoints from 1 to 999";
// --fit and --waypoints, which only -V and -W take.
inline constexpr std::string_view waypoints_without_tracks_text = " works only with -V and -W";

} // namespace korvix::rules
