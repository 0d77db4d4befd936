#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>

// The record framing of a GDB file, walked without reading the bodies: the header ("MsRcf" and
// its 0, 14 version bytes, three 0-terminated strings, the application's name), then records of
// a 32-bit little-endian body length, a type letter and the body, up to the closing 'V' record;
// each part read by korvix's own rules (rules/gdb_rules.h).
namespace runkorvix {

// What the records before the 'V' record are: waypoints ('W'), routes ('R') and tracks ('T'),
// and how many of korvix's 999 names for new waypoints the waypoints' own names take: the
// distinct names of three digits, 001 to 999, that -V and -W do not give again.
struct GdbContents {
    std::uint64_t waypoints = 0;
    std::uint64_t routes = 0;
    std::uint64_t tracks = 0;
    std::uint64_t numberNames = 0;
    bool operator==(const GdbContents&) const = default;
};

// What kind of file a walk found, as korvix will take it: a whole GDB file; one with a header that
// korvix converts that ends before its 'V' record; or another file (another signature or
// application, a damaged version record, a header that the file ends in; for a path, no regular
// file), which korvix refuses as not in GDB format.
enum class GdbFileKind { Whole, CutShort, Other };
struct GdbWalk {
    GdbFileKind kind = GdbFileKind::Other;
    GdbContents contents; // of a whole file
};

// Walks `file` once, keeping one buffer whatever the file holds, and reads of each record its
// header and of a waypoint its name's first bytes only.
GdbWalk WalkGdbRecords(std::istream& file);
GdbWalk WalkGdbRecords(const std::filesystem::path& file);

// The number of waypoint records of a whole GDB file, or nothing for any other file.
std::optional<std::uint64_t> CountWaypointRecords(std::istream& file);
std::optional<std::uint64_t> CountWaypointRecords(const std::filesystem::path& file);

} // namespace runkorvix
