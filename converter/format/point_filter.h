// The rule by which the positions of a route or track are collected for the route or track that
// a conversion makes: adjacent repeats merged, at most a point buffer's capacity.
#pragma once

#include "console.h"
#include "point_buffer.h"
#include "position_word.h"

#include <cstdint>

namespace korvix {

// Prints the limit message for a point offered to a full buffer.
void report_point_limit(Console& console);

// The rule that every generated route and track follows as the positions of one route or track
// are offered, one at a time: a point equal to the one stored last is dropped silently, and once
// the capacity is reached every point offered is dropped, the first of them with the limit
// message on the console: one line for the route or track, however many points it loses.
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
            if (!limit_reported_)
                report_point_limit(*console_);
            limit_reported_ = true;
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
    bool limit_reported_ = false;
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
