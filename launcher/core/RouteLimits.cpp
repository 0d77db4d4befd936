#include "RouteLimits.h"

#include "option_values.h"

#include "LauncherOptions.h"

#include <cstddef>
#include <cstdint>

namespace runkorvix {

namespace {

std::string_view Trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

// Whether the option button's letter ("-R" ... "-W") goes with the long option, as korvix's table
// of its long options says.
bool Takes(int radio, std::string_view option) {
    return radio >= 0 && radio < static_cast<int>(kFixedOptions.size()) &&
           korvix::rules::letter_takes(kFixedOptions[static_cast<std::size_t>(radio)][1],
                                       korvix::rules::long_option_named(option).letters);
}

} // namespace

bool TakesLimits(int radio) {
    return Takes(radio, "--points");
}

bool TakesFit(int radio) {
    return Takes(radio, "--fit");
}

std::vector<std::string> LimitArguments(const RouteLimits& limits) {
    std::vector<std::string> arguments;
    if (limits.points != 0) {
        arguments.push_back("--points=" + std::to_string(limits.points));
    }
    if (!limits.tolerance.empty() && !limits.fit) {
        arguments.push_back("--tolerance=" + limits.tolerance);
    }
    // korvix refuses --split without --points.
    if (limits.split && limits.points != 0) {
        arguments.emplace_back("--split");
    }
    if (limits.fit) {
        arguments.emplace_back("--fit");
        if (limits.waypoints != 0) {
            arguments.push_back("--waypoints=" + std::to_string(limits.waypoints));
        }
    }
    return arguments;
}

std::optional<int> ParsePointLimit(std::string_view text) {
    const std::optional<std::uint32_t> points = korvix::rules::parse_points(Trimmed(text));
    if (!points) {
        return std::nullopt;
    }
    return static_cast<int>(*points);
}

std::optional<int> ParseWaypoints(std::string_view text) {
    const std::optional<std::uint32_t> waypoints = korvix::rules::parse_waypoints(Trimmed(text));
    if (!waypoints) {
        return std::nullopt;
    }
    return static_cast<int>(*waypoints);
}

std::optional<std::string> ParseTolerance(std::string_view text) {
    text = Trimmed(text);
    if (!korvix::rules::parse_metres(text)) {
        return std::nullopt;
    }
    return std::string(text);
}

} // namespace runkorvix
