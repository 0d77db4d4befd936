#include "option_values.h"

#include "digits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace korvix::rules {

namespace {

// A whole number from `least` to `most`, digits only.
std::optional<std::uint32_t> parse_count(std::string_view text, std::uint32_t least,
                                         std::uint32_t most) {
    if (!all_digits(text))
        return std::nullopt;
    // The value is the number written: leading zeros do not count against the digits.
    const std::string_view value = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    if (value.size() > 5)
        return std::nullopt;
    std::uint32_t count = 0;
    std::from_chars(value.data(), value.data() + value.size(), count);
    if (count < least || count > most)
        return std::nullopt;
    return count;
}

} // namespace

std::optional<std::uint32_t> parse_points(std::string_view text) {
    return parse_count(text, min_points, max_points);
}

std::optional<std::uint32_t> parse_waypoints(std::string_view text) {
    return parse_count(text, min_waypoints, max_waypoints);
}

std::optional<double> parse_metres(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    if (whole.size() + fraction.size() == 0 || !std::ranges::all_of(whole, is_digit) ||
        !std::ranges::all_of(fraction, is_digit))
        return std::nullopt;
    double metres = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), metres).ec != std::errc{} ||
        !std::isfinite(metres) || metres <= 0)
        return std::nullopt;
    return metres;
}

bool letter_rewrites_vias(char letter) {
    return letter == 'R' || letter == 'r' || letter == 'S' || letter == 's';
}

} // namespace korvix::rules
