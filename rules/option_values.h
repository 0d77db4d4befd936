// The values of korvix's long options as korvix reads them and as runkorvix checks what the user
// types before it passes them on: one parser each, so that the dialog never passes a value that
// korvix refuses, nor refuses one that korvix takes.
#pragma once

#include "long_options.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvix::rules {

// --points=N: a whole number of points from 2 to 10000, digits only, as many leading zeros as
// written ("0050" is 50).
inline constexpr std::uint32_t min_points = long_option_named("--points").least;
inline constexpr std::uint32_t max_points = long_option_named("--points").most;
std::optional<std::uint32_t> parse_points(std::string_view text);

// --waypoints=K: the most new waypoints a run of -V or -W makes, 1 to 999, written as --points is.
inline constexpr std::uint32_t min_waypoints = long_option_named("--waypoints").least;
inline constexpr std::uint32_t max_waypoints = long_option_named("--waypoints").most;
std::optional<std::uint32_t> parse_waypoints(std::string_view text);

// --tolerance=M: a distance in metres written as a plain decimal number, "25", "2.5", ".5" or
// "0025": no sign, no exponent, no comma, digits as many as written. Its double must be finite and
// above 0: a number too large for one is refused, and so is one too small to be told from 0.
std::optional<double> parse_metres(std::string_view text);

// The option letters that rewrite the vias of routes in place, R and S in either case: their runs
// make no route or track, and so take no --points, --tolerance or --split. Every other letter
// makes routes or tracks (one that names no option runs the default -T).
bool letter_rewrites_vias(char letter);

} // namespace korvix::rules
