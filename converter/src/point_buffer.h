// The positions collected from one route or track, adjacent repeats dropped.
#pragma once

#include "console.h"
#include <cstdint>

namespace korvix {

struct PointBuffer {
    static constexpr std::uint32_t capacity = 10000;

    std::uint32_t count = 0;
    std::int32_t latitude[capacity];
    std::int32_t longitude[capacity];

    void clear() { count = 0; }
};

// Prints the limit message for a point offered to a full buffer.
void report_point_limit(Console& console);

// Offers one position. While the buffer is full every point offered is dropped with the limit
// message on the console; a point equal to the last stored one is dropped silently. Inline: every
// link point of a route and every track point passes through here.
inline void add_point(PointBuffer& points, std::int32_t latitude, std::int32_t longitude,
                      Console& console) {
    if (points.count == PointBuffer::capacity) {
        report_point_limit(console);
        return;
    }
    if (points.count > 0 && points.latitude[points.count - 1] == latitude &&
        points.longitude[points.count - 1] == longitude)
        return;
    points.latitude[points.count] = latitude;
    points.longitude[points.count] = longitude;
    ++points.count;
}

} // namespace korvix
