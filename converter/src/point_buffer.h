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

// Fills a point buffer with the positions of one route or track, offered one at a time. While
// the buffer is full every point offered is dropped with the limit message on the console; a
// point equal to the last stored one is dropped silently. The count and the last point are kept
// here until finish() hands the count to the buffer, so that they stay in registers: every link
// point of a route and every track point passes through add_point.
class PointCollector {
public:
    PointCollector(PointBuffer& points, Console& console) : points_(points), console_(console) {
        points.clear();
    }

    void add_point(std::int32_t latitude, std::int32_t longitude) {
        if (count_ == PointBuffer::capacity) {
            report_point_limit(console_);
            return;
        }
        // Stored in any case, and counted only when it is no repeat: no branch to mispredict.
        points_.latitude[count_] = latitude;
        points_.longitude[count_] = longitude;
        const bool repeat =
            (count_ > 0) & (latitude == last_latitude_) & (longitude == last_longitude_);
        count_ += repeat ? 0 : 1;
        last_latitude_ = latitude;
        last_longitude_ = longitude;
    }

    // The buffer holds the points collected.
    void finish() { points_.count = count_; }

private:
    PointBuffer& points_;
    Console& console_;
    std::uint32_t count_ = 0;
    std::int32_t last_latitude_ = 0;
    std::int32_t last_longitude_ = 0;
};

} // namespace korvix
