#include "gpx_coordinates.h"

#include <charconv>
#include <cmath>

namespace korvix {

std::string_view trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

namespace {

// The digits of a decimal number as one integer and a power of ten, where they fit in 15 digits
// (every coordinate a program writes does): one division of two exact numbers, so the value
// from_chars gives, and much faster than a conversion of text to
// a double. Nothing for any other text.
std::optional<double> short_decimal(std::string_view text) {
    std::int64_t digits = 0;
    int count = 0;
    int decimals = -1;
    for (const char c : text) {
        if (c == '.' && decimals < 0) {
            decimals = 0;
        } else if (c >= '0' && c <= '9' && count < 15) {
            digits = digits * 10 + (c - '0');
            ++count;
            decimals += decimals >= 0 ? 1 : 0;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0)
        return std::nullopt;
    constexpr double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    return static_cast<double>(digits) / powers[decimals < 0 ? 0 : decimals];
}

} // namespace

std::optional<double> decimal_value(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no sign of its own here, no exponent and no "inf" or "nan".
    if (text.empty() || !(text[0] == '.' || (text[0] >= '0' && text[0] <= '9')))
        return std::nullopt;
    std::optional<double> value = short_decimal(text);
    if (!value) {
        double parsed = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed,
                                                  std::chars_format::fixed);
        if (error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        value = parsed;
    }
    return negative ? -*value : *value;
}

std::optional<Semicircles> position_of(std::string_view latitude, std::string_view longitude) {
    const std::optional<double> lat = decimal_value(latitude);
    const std::optional<double> lon = decimal_value(longitude);
    if (!lat || !lon || std::fabs(*lat) > 90 || std::fabs(*lon) > 180)
        return std::nullopt;
    constexpr double semicircles_per_degree = 2147483648.0 / 180;
    const auto semicircles = [](double degrees) {
        // 180 degrees east, 2^31, wraps to the semicircle count of 180 degrees west.
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(std::llround(degrees * semicircles_per_degree)));
    };
    return Semicircles{semicircles(*lat), semicircles(*lon)};
}

} // namespace korvix
