// The points of a GPX route or track collected for the route or track that a conversion makes,
// as every generated route and track takes them (point_filter.h): adjacent repeats merged, 10000
// at most; with each point its coordinates, elevation and time as the file wrote them. A point
// whose coordinates cannot be read, or whose latitude lies beyond a pole, is left out.
#pragma once

#include "gpx_elements.h"
#include "gpx_memory.h"
#include "gpx_text.h"
#include "point_filter.h"
#include "run_context.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvix {

class GpxPoints {
public:
    GpxPoints(RunContext& run, GpxMemory& memory) : run_(run), memory_(memory) {}

    // A route or track begins.
    void begin();
    // A point, by its lat and lon attributes: the slot for its texts, or null when it is not
    // collected (a repeat's slot is that of the next point, whose texts replace its own).
    PointText* add(XmlAttributes attributes);
    // The route or track ends: the points are in the run's point buffer.
    void finish();
    // Says what was lost: the point limit once, and the points left out once.
    void say_losses();
    std::uint32_t left_out() const { return left_out_; }
    // After the point buffer was reduced in place: the slot of each point kept, found among the
    // points collected (memory.kept_slot).
    void find_kept();

private:
    RunContext& run_;
    GpxMemory& memory_;
    Console quiet_; // the limit is said after the trace line of the route or track
    std::optional<PointCollector> collector_;
    bool limit_reached_ = false;
    std::uint32_t left_out_ = 0;
    std::uint32_t collected_ = 0; // the points collected, before a reduction
};

// How a generated route point is marked for a unit that recalculates the route.
enum class PointMark : std::uint8_t { none, via, shaping };

// What a generated point is written with.
struct GeneratedPoint {
    std::string_view tag;  // "trkpt" or "rtept"
    const PointText* text; // its texts, or null: the position alone
    std::uint64_t position;
    std::string_view name; // empty: none
    PointMark mark = PointMark::none;
};

// Writes a point on a line of its own, `depth` levels below the element replaced.
void write_generated_point(OutputStream& out, const GpxLayout& layout, int depth,
                           const GeneratedPoint& point, GpxVersion version);

// Writes a Garmin trip mark: inside an extensions element of the GPX namespace in GPX 1.1, on its
// own in GPX 1.0 (which takes other namespaces among a route point's elements). Its namespace is
// declared on it, so that it is right wherever it stands.
void write_point_mark(OutputStream& out, const GpxLayout& layout, PointMark mark,
                      GpxVersion version);

} // namespace korvix
