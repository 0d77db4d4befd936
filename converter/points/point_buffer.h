// The positions of one route or track, as collected for a generated route or track and as the
// reduction works on them: latitudes and longitudes in semicircles, in order.
#pragma once

#include <cstdint>

namespace korvix {

struct PointBuffer {
    static constexpr std::uint32_t capacity = 10000;

    std::uint32_t count = 0;
    std::int32_t latitude[capacity];
    std::int32_t longitude[capacity];

    void clear() { count = 0; }
};

} // namespace korvix
