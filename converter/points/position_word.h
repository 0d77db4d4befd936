// A position of a point list as one word, the form in which the point readers hand positions on.
#pragma once

#include <cstdint>

namespace korvix {

// A position as one 64-bit word, latitude in the low half: the 8 bytes of a position as the file
// has them, read as one little-endian integer. It is what the lists of points hand on, what a
// generated track point is written as, and what two positions are compared as.
inline std::uint64_t position_word(std::int32_t latitude, std::int32_t longitude) {
    return std::uint64_t{static_cast<std::uint32_t>(latitude)} |
           std::uint64_t{static_cast<std::uint32_t>(longitude)} << 32;
}
inline std::int32_t latitude_of(std::uint64_t position) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(position));
}
inline std::int32_t longitude_of(std::uint64_t position) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(position >> 32));
}

} // namespace korvix
