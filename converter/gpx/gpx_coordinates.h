// The lat and lon attributes of a GPX point: decimal degrees, read into the semicircles (2^31 to
// 180 degrees) in which korvix collects and reduces the positions of every route and track.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvix {

// A decimal number as XML Schema writes one (an optional sign, digits, an optional point and
// digits, white space around), or nothing.
std::optional<double> decimal_value(std::string_view text);

// A position in semicircles.
struct Semicircles {
    std::int32_t latitude;
    std::int32_t longitude;
};

// The position of a point, or nothing when a coordinate cannot be read,
// its latitude lies beyond a pole or its longitude beyond 180 degrees east or west. A longitude
// of 180 degrees is the semicircle count of -180, the same meridian.
std::optional<Semicircles> position_of(std::string_view latitude, std::string_view longitude);

// Text trimmed of XML white space at both ends.
std::string_view trimmed(std::string_view text);

} // namespace korvix
