// The digits of the numbers in korvix's lines and option values, as the rules read them.
#pragma once

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace korvix::rules {

inline bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// One digit or more and nothing else.
inline bool all_digits(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, is_digit);
}

// A distance as korvix writes it in its lines ("%.1f"): digits, a point, digits.
inline std::optional<double> read_written_metres(std::string_view text) {
    const std::size_t point = text.find('.');
    double metres = 0;
    if (point == std::string_view::npos || !all_digits(text.substr(0, point)) ||
        !all_digits(text.substr(point + 1)) ||
        std::from_chars(text.data(), text.data() + text.size(), metres).ec != std::errc{})
        return std::nullopt;
    return metres;
}

} // namespace korvix::rules
