#include "route_to_track.h"

#include "point_filter.h"
#include "route_points.h"

#include <algorithm>
#include <cstring>

namespace korvix {

namespace {

// A generated track point: its position with the cleared altitude presence byte, and the track
// point tail.
constexpr ByteCount track_point_width = position_record_width + std::ssize(track_point_tail);

// The cleared altitude presence byte and the track point tail behind a generated track point's
// position, stored as one 32-bit value.
constexpr std::uint32_t no_altitude_and_tail = std::uint32_t{track_point_tail[0]} << 8 |
                                               std::uint32_t{track_point_tail[1]} << 16 |
                                               std::uint32_t{track_point_tail[2]} << 24;
static_assert(position_record_width + std::ssize(track_point_tail) == position_width + 4);

// Stores a generated track point at p: two stores.
void store_track_point(std::uint8_t* p, std::uint64_t position) {
    store_le64(p, position);
    store_le32(p + position_width, no_altitude_and_tail);
}

// The name (`name_bytes`, its 0 byte included), the track header bytes and the point count.
ByteCount track_head_width(ByteCount name_bytes) {
    return name_bytes + track_header_width + 4;
}

// Reads the route's name into the scratch text.
void read_route_name(RunContext& run, BodyRemainder& body) {
    const TextDestination name = run.scratch.destination();
    body.take(read_string(run.in, &name));
}

// The track points of the point buffer's entries from `first` on, laid out in the output block
// itself, a batch at a time: one write per point would cost more in bookkeeping than in bytes.
void write_track_points(OutputStream& out, const PointBuffer& points, std::uint32_t first,
                        std::uint32_t count) {
    const auto batch_points = static_cast<std::uint32_t>(
        std::min<ByteCount>(1024, out.block_capacity() / track_point_width));
    for (std::uint32_t done = 0; done < count; done += batch_points) {
        const std::uint32_t batch = std::min(count - done, batch_points);
        std::uint8_t* const room = out.reserve(batch * track_point_width);
        if (room == nullptr)
            return;
        std::uint8_t* p = room;
        for (std::uint32_t i = first + done; i < first + done + batch; ++i, p += track_point_width)
            store_track_point(p, position_word(points.latitude[i], points.longitude[i]));
        out.commit(p - room);
    }
}

// Writes a track body of the point buffer's entries from `first` on, in the run's GDB version.
template <ByteWriter Out>
void write_track(Out& out, const RunContext& run, const GeneratedName& name, std::uint32_t first,
                 std::uint32_t count) {
    name.write(out);
    write_bytes(out, track_header_bytes);
    write_int32(out, static_cast<std::int32_t>(count));
    if constexpr (std::same_as<Out, ByteTally>)
        out.write(nullptr, track_point_width * count);
    else
        write_track_points(out, run.points, first, count);
    write_bytes(out, run.layout.track_end);
}

// Generated track points laid out in the output block as the link points come, from `first` on.
class TrackPointStore {
public:
    explicit TrackPointStore(std::uint8_t* first)
        : first_(first), next_(first), full_(first + track_point_width * PointBuffer::capacity) {}
    bool full() const { return next_ == full_; }
    bool empty() const { return next_ == first_; }
    void put(std::uint64_t position) { store_track_point(next_, position); }
    void move_on(bool next) { next_ += next ? track_point_width : 0; }
    std::uint32_t count() const {
        return static_cast<std::uint32_t>((next_ - first_) / track_point_width);
    }
    std::uint8_t* end() const { return next_; }

private:
    std::uint8_t* first_;
    std::uint8_t* next_;
    std::uint8_t* full_;
};

// The most bytes that the track of a route takes whose body has `body_left` bytes behind the
// name: every link point takes at least a position and its altitude presence byte.
ByteCount most_track_bytes(const RunContext& run, const char* name, ByteCount body_left) {
    const ByteCount most_points =
        std::clamp<ByteCount>(body_left / position_record_width, 0, PointBuffer::capacity);
    return record_header_width + track_head_width(std::ssize(std::string_view(name)) + 1) +
           track_point_width * most_points + std::ssize(run.layout.track_end);
}

// Lays the route's track out in the output block while its link points are read: the points go
// straight to where they are written from, and the record header, name and point count are
// filled in in front of them once the points are counted. Nothing is committed when the route
// turns out cut short. Nothing else is written to the output meanwhile: the walk has no output,
// and reserve() has written out the input bytes that were still to go.
void lay_out_track(RunContext& run, BodyRemainder& body, TrackPoints which, ByteCount bytes) {
    const char* const name = run.scratch.text;
    const ByteCount name_bytes = std::ssize(std::string_view(name)) + 1;
    std::uint8_t* const record = run.out.reserve(bytes);
    if (record == nullptr)
        return;
    std::uint8_t* const first_point = record + record_header_width + track_head_width(name_bytes);
    PointFilter<TrackPointStore> points(TrackPointStore(first_point), run.console);
    walk_route_points(RecordCursor{run.in, nullptr, run.layout}, body, which, points);
    if (run.failed())
        return;

    std::uint8_t* const points_end = points.store().end();
    const ByteCount body_length = track_head_width(name_bytes) + (points_end - first_point) +
                                  std::ssize(run.layout.track_end);
    std::uint8_t* p = record;
    store_le32(p, static_cast<std::uint32_t>(body_length));
    p[4] = static_cast<std::uint8_t>(track_record);
    p += record_header_width;
    std::memcpy(p, name, static_cast<std::size_t>(name_bytes));
    p += name_bytes;
    std::memcpy(p, track_header_bytes, track_header_width);
    store_le32(p + track_header_width, points.store().count());
    p = points_end;
    std::memcpy(p, run.layout.track_end.data(), run.layout.track_end.size());
    run.out.commit(p + std::ssize(run.layout.track_end) - record);
}

} // namespace

void convert_route_to_track(RunContext& run, const RecordHeader& header, TrackPoints which) {
    BodyRemainder body(run.in, header.body_length());
    read_route_name(run, body);
    // Without a point limit the track is laid out as the route is read; a reduction needs all
    // points first, and so does a track that might not fit in the output block.
    const ByteCount most_bytes = most_track_bytes(run, run.scratch.text, body.left());
    if (!run.settings.limits.active() && most_bytes <= run.out.block_capacity()) {
        lay_out_track(run, body, which, most_bytes);
        return;
    }
    PointCollector points(run.points, run.console);
    walk_route_points(RecordCursor{run.in, nullptr, run.layout}, body, which, points);
    points.finish();
    if (run.failed())
        return;
    const GeneratedParts parts = run.shape_points();
    report_generated_parts(run.console, run.scratch.text, parts, "tracks");
    for (std::uint32_t part = 0; part < parts.parts; ++part) {
        const GeneratedName name(run.scratch.text, parts, part);
        write_generated_record(run.out, track_record, [&](auto& out) {
            write_track(out, run, name, parts.first(part), parts.points(part));
        });
    }
}

} // namespace korvix
