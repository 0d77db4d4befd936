#pragma once
// GDB files for the launcher's tests, as text: the core's tests write them, the dialog's too.
// Built by the builder that korvix's tests use (testing/gdb_bytes.h).

#include "gdb_bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gdbtest {

namespace builder = korvix::testing;

// The header of a GDB file without a known version record ('D','k' and no record length before
// it), as MapSource's: its track points close with two fixed bytes.
inline std::string GdbHeader() {
    return builder::as_text(builder::gdb_header(0));
}
// A record: a 32-bit little-endian body length, the type letter, the body.
inline std::string Record(char type, const std::string& body, std::uint32_t length) {
    return builder::as_text(
        builder::record(type, static_cast<std::int32_t>(length), builder::as_bytes(body)));
}
inline std::string Record(char type, const std::string& body) {
    return Record(type, body, static_cast<std::uint32_t>(body.size()));
}

// A track of one point, or of two, as korvix reads it in a file of GdbHeader().
inline std::string OnePointTrack(const std::string& name = "track") {
    return builder::as_text(builder::record('T', builder::track_body(name, {{1, 1}})));
}
inline std::string TwoPointTrack(const std::string& name = "track") {
    return builder::as_text(builder::record('T', builder::track_body(name, {{1, 1}, {2, 2}})));
}
// A route from via A to via B through one link point between them.
inline std::string RouteRecord(const std::string& name) {
    return builder::as_text(builder::record(
        'R',
        builder::route_body(name, {{"A", 0, 0xFF, {{1, 1}, {5, 5}, {9, 9}}}, {"B", 0, 0xFF, {}}})));
}

// A GDB file as a GPS leaves it: `waypoints` waypoints that the device named 001, 002 and so on,
// then a track "ACTIVE LOG 001", "ACTIVE LOG 002" ... of each of `trackPoints` distinct positions,
// winding, its last one recorded twice (korvix collects it once).
inline std::string DeviceNamedGdb(int waypoints, const std::vector<int>& trackPoints) {
    builder::Bytes gdb = builder::gdb_header(0);
    const auto add = [&gdb](const builder::Bytes& record) {
        gdb.insert(gdb.end(), record.begin(), record.end());
    };
    char name[32];
    for (int waypoint = 1; waypoint <= waypoints; ++waypoint) {
        std::snprintf(name, sizeof name, "%03d", waypoint);
        add(builder::record('W', builder::Fields().str(name).fill(0, 9).bytes()));
    }
    for (std::size_t track = 0; track < trackPoints.size(); ++track) {
        std::snprintf(name, sizeof name, "ACTIVE LOG %03zu", track + 1);
        const int count = trackPoints[track];
        std::vector<builder::TrackPoint> points;
        for (int point = 0; point < count + (count > 0 ? 1 : 0); ++point) {
            const int at = std::min(point, count - 1);
            points.push_back({static_cast<std::int32_t>(track * 100000 + at * at * 40), at * 1000});
        }
        add(builder::record('T', builder::track_body(name, points, {0x00})));
    }
    add(builder::closing_record());
    return builder::as_text(gdb);
}

} // namespace gdbtest
