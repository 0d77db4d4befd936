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

// The rule that every generated route and track follows as the positions of one route or track
// are offered, one at a time: a point equal to the one stored last is dropped silently, and while
// the capacity is reached every point offered is dropped with the limit message on the console.
// The points go to a Store: into a point buffer, or laid out as track points where they are
// written from. Each point is stored whether or not it is a repeat, and the store moves on only
// when it is not: no branch to mispredict, and every link point of a route and every track point
// passes through add_position. A Store has full(), empty(), put(position) into its next place,
// and move_on(bool) past that place.
template <class Store> class PointFilter {
public:
    PointFilter(Store store, Console& console) : store_(store), console_(&console) {}

    void add_position(std::uint64_t position) {
        if (store_.full()) {
            report_point_limit(*console_);
            return;
        }
        store_.put(position);
        const bool repeat = !store_.empty() & (position == last_position_);
        store_.move_on(!repeat);
        last_position_ = position;
    }

    const Store& store() const { return store_; }

private:
    Store store_;
    Console* console_;
    std::uint64_t last_position_ = 0;
};

// Positions stored in a point buffer.
class BufferStore {
public:
    explicit BufferStore(PointBuffer& points) : points_(&points) {}
    bool full() const { return count_ == PointBuffer::capacity; }
    bool empty() const { return count_ == 0; }
    void put(std::uint64_t position) {
        points_->latitude[count_] = latitude_of(position);
        points_->longitude[count_] = longitude_of(position);
    }
    void move_on(bool next) { count_ += static_cast<std::uint32_t>(next); }
    std::uint32_t count() const { return count_; }

private:
    PointBuffer* points_;
    std::uint32_t count_ = 0;
};

// Fills a point buffer with the positions of one route or track; finish() hands the count to it.
class PointCollector : public PointFilter<BufferStore> {
public:
    PointCollector(PointBuffer& points, Console& console)
        : PointFilter(BufferStore(points), console), points_(&points) {
        points.clear();
    }
    void finish() { points_->count = store().count(); }

private:
    PointBuffer* points_;
};

} // namespace korvix
