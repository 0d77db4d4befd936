#include "RouteLimits.h"

#include "Digits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace runkorvix {

namespace {

std::string_view Trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

// A whole number from `least` to `most` as typed, blanks around it allowed.
std::optional<int> ParseWhole(std::string_view text, int least, int most) {
    text = Trimmed(text);
    if (text.size() > 5 || !AllDigits(text)) {
        return std::nullopt;
    }
    int number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    if (number < least || number > most) {
        return std::nullopt;
    }
    return number;
}

} // namespace

bool TakesLimits(int radio) {
    return radio >= 2 && radio <= 5;
}

bool TakesFit(int radio) {
    return radio == 4 || radio == 5;
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
    return ParseWhole(text, kMinPoints, kMaxPoints);
}

std::optional<int> ParseWaypoints(std::string_view text) {
    return ParseWhole(text, kMinWaypoints, kMaxWaypoints);
}

std::optional<std::string> ParseTolerance(std::string_view text) {
    // korvix's own rule: digits with at most one point among them, at least one digit, and a
    // value that a double holds above 0.
    text = Trimmed(text);
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    if (whole.size() + fraction.size() == 0 || !std::all_of(whole.begin(), whole.end(), IsDigit) ||
        !std::all_of(fraction.begin(), fraction.end(), IsDigit)) {
        return std::nullopt;
    }
    double metres = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), metres).ec != std::errc{} ||
        !std::isfinite(metres) || metres <= 0) {
        return std::nullopt;
    }
    return std::string(text);
}

} // namespace runkorvix
