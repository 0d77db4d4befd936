#pragma once

#include "long_options.h"
#include "option_values.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The limits for the routes and tracks that -T, -U, -V and -W make, as the dialog takes them and
// korvix reads them: --points, --tolerance and --split, and for -V and -W --fit and --waypoints.
namespace runkorvix {

inline constexpr int kMinPoints = static_cast<int>(korvix::rules::min_points);
inline constexpr int kMaxPoints = static_cast<int>(korvix::rules::max_points);
// What the fields show before the user gives a value.
inline constexpr char kDefaultPoints[] = "250";
inline constexpr char kDefaultTolerance[] = "10";
inline constexpr int kMinWaypoints = static_cast<int>(korvix::rules::min_waypoints);
inline constexpr int kMaxWaypoints = static_cast<int>(korvix::rules::max_waypoints);

struct RouteLimits {
    int points = 0;        // at most this many points a route or track; 0: no limit
    std::string tolerance; // metres, as typed and as korvix reads them; empty: none
    bool split = false;    // with a point limit: cut into parts instead of leaving points out
    // -V and -W: every track a route, the new waypoints of the run within `waypoints` (1 to
    // 999; 0: within the names that the file leaves), korvix finding the tolerance.
    bool fit = false;
    int waypoints = 0;
    bool operator==(const RouteLimits&) const = default;
};

// True for the option buttons whose runs take limits: -T, -U, -V and -W (indices 2 to 5).
bool TakesLimits(int radio);
// True for those that take --fit: -V and -W (indices 4 and 5).
bool TakesFit(int radio);

// The long options that pass `limits` to korvix: "--points=250", "--tolerance=10", "--split",
// "--fit", "--waypoints=500"; nothing for no limit. A fit finds its own tolerance: none is
// passed with it.
std::vector<std::string> LimitArguments(const RouteLimits& limits);

// A point limit as typed, blanks around it allowed, as korvix reads --points: a whole number
// from 2 to 10000.
std::optional<int> ParsePointLimit(std::string_view text);
// A tolerance as typed, without the blanks around it, when korvix reads it as --tolerance:
// metres as a plain decimal above 0 ("10", "2.5", ".5"): no sign, no exponent, no comma.
std::optional<std::string> ParseTolerance(std::string_view text);
// A number of waypoints as typed: a whole number from 1 to 999 as korvix reads --waypoints,
// blanks around it allowed.
std::optional<int> ParseWaypoints(std::string_view text);

// What the user is told when Run finds a checked field's value out of range, naming the field by
// its check box; the ranges as korvix's table of its long options gives them.
inline const std::string kBadPointLimitText =
    "Point limit: give a whole number of points from " +
    korvix::rules::range_text(korvix::rules::long_option_named("--points")) + ".";
inline const std::string kBadToleranceText =
    "Tolerance: give a distance in metres above 0, such as 10 or 2.5.";
inline const std::string kBadWaypointsText =
    "Fit every track into: give a whole number of waypoints from " +
    korvix::rules::range_text(korvix::rules::long_option_named("--waypoints")) + ".";

} // namespace runkorvix
