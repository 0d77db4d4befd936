#pragma once
// GDB files for the launcher's tests, as bytes: the core's tests write them, the dialog's too.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gdbtest {

// The header of a GDB file and its records: a 32-bit little-endian body length, the type letter,
// the body.
inline std::string GdbHeader() {
    return std::string("MsRcf\0D\x6b\0\0\0A\x5e\x02S\0\0\0\0\0", 20) + std::string("Sep 27 2026\0"
                                                                                   "12:00:00\0"
                                                                                   "\0"
                                                                                   "MapSource\0",
                                                                                   32);
}
inline std::string Record(char type, const std::string& body, std::uint32_t length) {
    std::string record;
    for (int shift = 0; shift < 32; shift += 8) {
        record += static_cast<char>((length >> shift) & 0xff);
    }
    return record + type + body;
}
inline std::string Record(char type, const std::string& body) {
    return Record(type, body, static_cast<std::uint32_t>(body.size()));
}

// A GDB file as a GPS leaves it: `waypoints` waypoints that the device named 001, 002 and so on,
// then a track "ACTIVE LOG 001", "ACTIVE LOG 002" ... of each of `trackPoints` distinct positions,
// winding, its last one recorded twice (korvix collects it once). Track points as the header
// without a version record lays them out: position, altitude and point value absent, two bytes.
inline std::string DeviceNamedGdb(int waypoints, const std::vector<int>& trackPoints) {
    const auto word = [](std::uint32_t value) {
        std::string bytes;
        for (int shift = 0; shift < 32; shift += 8) {
            bytes += static_cast<char>((value >> shift) & 0xff);
        }
        return bytes;
    };
    std::string gdb = GdbHeader();
    char name[32];
    for (int waypoint = 1; waypoint <= waypoints; ++waypoint) {
        std::snprintf(name, sizeof name, "%03d", waypoint);
        gdb += Record('W', std::string(name, 4) + std::string(9, '\0'));
    }
    for (std::size_t track = 0; track < trackPoints.size(); ++track) {
        std::snprintf(name, sizeof name, "ACTIVE LOG %03zu", track + 1);
        const int count = trackPoints[track];
        std::string body = std::string(name) + '\0' + std::string("\x01\x02\0\0\0", 5) +
                           word(static_cast<std::uint32_t>(count + (count > 0 ? 1 : 0)));
        for (int point = 0; point < count + (count > 0 ? 1 : 0); ++point) {
            const int at = std::min(point, count - 1);
            body += word(static_cast<std::uint32_t>(track * 100000 + at * at * 40)) +
                    word(static_cast<std::uint32_t>(at * 1000)) + std::string(4, '\0');
        }
        gdb += Record('T', body + '\0');
    }
    return gdb + Record('V', std::string("\0\x01", 2));
}

} // namespace gdbtest
