// The points of a list, the link points of a route point and the points of a track: a position,
// then optional values, each a presence byte and, when it is not 0, a value of a fixed width
// behind it, then (in a file without a known version record) fixed closing bytes. One
// description of each layout drives both readers: the one that reads a point field by field
// through the primitives, wherever it lies, and the one that reads the points lying whole in
// the input block in place, by the shape of the point before, without the bookkeeping per field
// (routes and tracks have thousands of points).
#pragma once

#include "gdb_fields.h"
#include "position_word.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace korvix {

struct PointLayout {
    int optionals;                   // 1 to 4
    std::array<ByteCount, 4> widths; // of the value behind each presence byte
    ByteCount closing;               // fixed bytes behind the last optional value

    constexpr ByteCount longest() const {
        ByteCount size = position_width + closing;
        for (int i = 0; i < optionals; ++i)
            size += 1 + widths[static_cast<std::size_t>(i)];
        return size;
    }
};

// A link point: its position and an optional altitude.
inline constexpr PointLayout link_point_layout{1, {altitude_width}, 0};
// A track point: its position, an optional altitude, point value, depth and temperature.
inline constexpr PointLayout track_point_layout{4,
                                                {altitude_width, track_point_value_width,
                                                 track_point_depth_width,
                                                 track_point_temperature_width},
                                                0};
// A track point in a file without a known version record: an optional altitude and point value,
// and two closing bytes.
inline constexpr PointLayout unmarked_track_point_layout{
    2, {altitude_width, track_point_value_width}, track_point_closing_width};

// Reads one point field by field: its position, then its optional values and closing bytes,
// moved to the output or to nowhere. Returns its position as read (0 once the run failed), as a
// position word.
template <PointLayout layout>
std::uint64_t read_point(InputStream& in, OutputStream* out, BodyRemainder& body) {
    const std::int32_t latitude = read_int32(in);
    const std::int32_t longitude = read_int32(in);
    if (out != nullptr) {
        write_int32(*out, latitude);
        write_int32(*out, longitude);
    }
    body.take(position_width);
    for (int i = 0; i < layout.optionals; ++i)
        body.take(copy_optional(in, out, layout.widths[static_cast<std::size_t>(i)]));
    body.take(move_bytes(in, out, layout.closing));
    return position_word(latitude, longitude);
}

// Where the presence bytes of a point stand and how long it is, as its own presence bytes make
// it. Points of a list mostly share the presence of their values, all but the last one (a
// track's temperature may come and go): a point is read by the shape of the one before.
template <PointLayout layout> class PointShape {
    static constexpr int values = layout.optionals;
    static_assert(values >= 1 && values <= 4);

public:
    explicit PointShape(const std::uint8_t* p) {
        ByteCount at = position_width;
        for (int i = 0; i < values; ++i) {
            at_[i] = at;
            const bool there = p[at] != 0;
            present_ |= static_cast<unsigned>(there) << i;
            at += 1 + (there ? layout.widths[static_cast<std::size_t>(i)] : 0);
        }
    }

    // Whether the point at p has this shape up to its last optional value: its presence bytes
    // read where this shape has them, side by side rather than one behind the other.
    bool fits_but_last(const std::uint8_t* p) const {
        return seen<values - 1>(p) == (present_ & (last_bit - 1));
    }
    // The size of a point that fits this shape but for its last optional value.
    ByteCount size_of(const std::uint8_t* p) const {
        const ByteCount last = at_[values - 1];
        return last + 1 + (p[last] != 0 ? last_width : 0) + layout.closing;
    }

private:
    static constexpr unsigned last_bit = 1U << (values - 1);
    static constexpr ByteCount last_width = layout.widths[values - 1];

    // The presence bits of the first `n` optional values of the point at p, where this shape has
    // their presence bytes. The first one always stands behind the position.
    template <int n> unsigned seen(const std::uint8_t* p) const {
        unsigned bits = 0;
        if constexpr (n > 0)
            bits |= static_cast<unsigned>(p[position_width] != 0);
        if constexpr (n > 1)
            bits |= static_cast<unsigned>(p[at_[1]] != 0) << 1;
        if constexpr (n > 2)
            bits |= static_cast<unsigned>(p[at_[2]] != 0) << 2;
        if constexpr (n > 3)
            bits |= static_cast<unsigned>(p[at_[3]] != 0) << 3;
        return bits;
    }

    std::array<ByteCount, values> at_{}; // of each presence byte
    unsigned present_ = 0;               // bit i: optional value i is there
};

// Points that lie whole among the bytes looked at, as found by scan_points.
struct PointRun {
    std::int32_t points = 0;
    ByteCount bytes = 0;
};

// Looks at most `count` points ahead in [start, end) and calls visit(position, index) for each
// (position_word), index counting from 0 in the run; stops before a point that does not lie whole
// there. The bytes and points are those that `count` calls of read_point would read, so that the
// caller moves the run with one move_bytes and reads the point behind it with read_point.
template <PointLayout layout, class Visit>
PointRun scan_points(const std::uint8_t* start, const std::uint8_t* end, std::int32_t count,
                     Visit&& visit);

// Points of one optional value, link points: of two sizes, with the value and without it. The
// link points of a route have altitudes all or none, so runs of one size are the rule; the first
// presence byte tells which size to look for, and a run is tested eight points at a time, each
// test reading bytes at fixed distances, so that the processor makes them side by side.
template <ByteCount stride, bool present, std::int32_t batch>
inline bool same_size_run(const std::uint8_t* p) {
    bool same = true;
    for (std::int32_t i = 0; i < batch; ++i)
        same &= (p[i * stride + position_width] != 0) == present;
    return same;
}

template <PointLayout layout, class Visit>
PointRun scan_by_size(const std::uint8_t* const start, const std::uint8_t* const end,
                      std::int32_t count, Visit&& visit) {
    static_assert(layout.optionals == 1);
    constexpr ByteCount short_size = position_width + 1 + layout.closing;
    constexpr ByteCount long_size = short_size + layout.widths[0];
    constexpr std::int32_t batch = 8;
    const std::uint8_t* p = start;
    std::int32_t points = 0;
    const auto visit_run = [&](ByteCount size) {
        for (std::int32_t i = 0; i < batch; ++i, p += size)
            visit(load_le64(p), points + i);
        points += batch;
    };
    while (points < count && end - p >= short_size) {
        if (p[position_width] == 0) {
            while (count - points >= batch && end - p >= batch * short_size &&
                   same_size_run<short_size, false, batch>(p))
                visit_run(short_size);
        } else {
            while (count - points >= batch && end - p >= batch * long_size &&
                   same_size_run<long_size, true, batch>(p))
                visit_run(long_size);
        }
        if (points == count || end - p < short_size)
            break;
        const ByteCount size = p[position_width] != 0 ? long_size : short_size;
        if (end - p < size)
            break;
        visit(load_le64(p), points);
        p += size;
        ++points;
    }
    return {points, p - start};
}

// Points of several optional values, track points: read by the shape of the point before, its
// last value apart, where the longest point would lie whole.
template <PointLayout layout, class Visit>
PointRun scan_by_shape(const std::uint8_t* const start, const std::uint8_t* const end,
                       std::int32_t count, Visit&& visit) {
    const std::uint8_t* p = start;
    std::int32_t points = 0;
    if (end - p < layout.longest())
        return {};
    PointShape<layout> shape(p);
    while (points < count && end - p >= layout.longest()) {
        if (!shape.fits_but_last(p))
            shape = PointShape<layout>(p);
        visit(load_le64(p), points);
        p += shape.size_of(p);
        ++points;
    }
    return {points, p - start};
}

template <PointLayout layout, class Visit>
PointRun scan_points(const std::uint8_t* const start, const std::uint8_t* const end,
                     std::int32_t count, Visit&& visit) {
    if constexpr (layout.optionals == 1)
        return scan_by_size<layout>(start, end, count, visit);
    else
        return scan_by_shape<layout>(start, end, count, visit);
}

// Moves the `count` points of a list, to the output or to nowhere, and calls
// on_point(position, index) for each, in order (position_word): in runs of those that lie whole in
// the input block and in the body, and one by one where a point crosses the block's end or the
// body's. on_point is a copyable object, such as a point filter held by value: it is copied into
// a local for the loop, which keeps its state in registers (nothing that the loop writes through
// a byte pointer can be taken for it), and copied back behind it.
template <PointLayout layout, class OnPoint>
void move_points(const RecordCursor& cursor, BodyRemainder& body, std::int32_t count,
                 OnPoint& on_point_kept) {
    InputStream& in = cursor.in;
    OnPoint on_point = on_point_kept;
    std::int32_t k = 0;
    while (k < count && !cursor.failed()) {
        const std::int32_t first = k;
        const PointRun part = scan_points<layout>(
            in.data(), in.data() + std::clamp<ByteCount>(body.left(), 0, in.available()), count - k,
            [&on_point, first](std::uint64_t position, std::int32_t index) {
                on_point(position, first + index);
            });
        if (part.points > 0) {
            body.take(move_bytes(in, cursor.out, part.bytes));
            k += part.points;
            continue;
        }
        const std::uint64_t position = read_point<layout>(in, cursor.out, body);
        if (cursor.failed())
            break;
        on_point(position, k);
        ++k;
    }
    on_point_kept = on_point;
}

} // namespace korvix
