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
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
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
