// The texts of the points collected for a generated route or track, kept as the file wrote them
// so that a point is written with its own coordinates, elevation and time: one slot for each
// place of the point buffer (point_buffer.h), filled as the point is collected.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace korvix {

// One text of a point, kept when it fits its room (every coordinate, elevation and time that a
// program writes does; a longer one is not kept). Nothing is set before a point is collected
// (clear()): the texts of the run's memory are not touched, nor so made resident, by a run that
// does not use them.
template <std::size_t room> struct PointField {
    char text[room];
    std::uint8_t size;
    bool kept;

    void set(std::string_view value) {
        kept = value.size() <= room;
        size = kept ? static_cast<std::uint8_t>(value.size()) : 0;
        std::copy_n(value.data(), size, text);
    }
    void clear() { kept = false; }
    std::string_view value() const {
        return kept ? std::string_view(text, size) : std::string_view();
    }
};

struct PointText {
    PointField<40> latitude;
    PointField<40> longitude;
    PointField<32> elevation;
    PointField<48> time;

    void clear() {
        latitude.clear();
        longitude.clear();
        elevation.clear();
        time.clear();
    }
};

struct PointTexts {
    static constexpr std::uint32_t capacity = 10000; // as the point buffer
    PointText point[capacity];
};

} // namespace korvix
