// The positions collected from one route or track, adjacent repeats dropped.
#pragma once

#include <cstdint>
#include <cstdio>

namespace korvix {

struct PointBuffer {
    static constexpr std::uint32_t capacity = 10000;

    std::uint32_t count = 0;
    std::int32_t latitude[capacity];
    std::int32_t longitude[capacity];

    void clear() { count = 0; }
};

// Offers one position. While the buffer is full every point offered is dropped with the limit
// message on the console; a point equal to the last stored one is dropped silently.
void add_point(PointBuffer& points, std::int32_t latitude, std::int32_t longitude,
               std::FILE* console);

} // namespace korvix
