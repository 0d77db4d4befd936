#pragma once

#include "gdb_rules.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <istream>
#include <optional>
#include <string_view>

// The records of a GDB file, walked for what the dialog says of it: the header ("MsRcf" and
// its 0, 14 version bytes, three 0-terminated strings, the application's name), then records of
// a 32-bit little-endian body length, a type letter and the body, up to the closing 'V' record, of
// which only the names of waypoints and the names and positions of tracks are read; each part
// read by korvix's own rules (rules/gdb_rules.h).
namespace runkorvix {

// The names that one run of -V or -W gives new waypoints: 001 to 999.
inline constexpr std::uint64_t kRunNames = korvix::rules::last_waypoint_number;
// The most positions that korvix collects of one track; it leaves out those beyond.
inline constexpr std::uint32_t kMostCollected = 10000;

// What the records before the 'V' record are: waypoints ('W'), routes ('R') and tracks ('T'),
// how many of korvix's 999 names for new waypoints the waypoints' own names take (the distinct
// names of three digits, 001 to 999, that -V and -W do not give again), and the tracks' sizes as
// korvix collects their points: a position equal to the one before counts once, a position beyond
// a pole not at all, and at most kMostCollected.
struct GdbContents {
    std::uint64_t waypoints = 0;
    std::uint64_t routes = 0;
    std::uint64_t tracks = 0;
    std::uint64_t numberNames = 0;
    std::uint32_t fewestTrackPoints = 0; // of the tracks counted; 0 when there is none
    std::uint32_t mostTrackPoints = 0;
    std::uint64_t damagedTracks = 0; // tracks whose points end past their record: not counted
    bool operator==(const GdbContents&) const = default;
};

// One track as the walk reads it: its place among the file's tracks (0 for the first), the
// start of its name (at most kTrackNameKept bytes) and its points as korvix collects them.
struct GdbTrack {
    std::uint64_t index = 0;
    std::string_view name;
    std::uint32_t points = 0;
};
inline constexpr std::size_t kTrackNameKept = 100;
using TrackVisitor = std::function<void(const GdbTrack&)>;

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
// header, of a waypoint its name's first bytes and of a track its name and positions only.
// `visit`, when given, sees every whole track of the file.
GdbWalk WalkGdbRecords(std::istream& file, const TrackVisitor& visit = {});
GdbWalk WalkGdbRecords(const std::filesystem::path& file, const TrackVisitor& visit = {});

// The number of waypoint records of a whole GDB file, or nothing for any other file.
std::optional<std::uint64_t> CountWaypointRecords(std::istream& file);
std::optional<std::uint64_t> CountWaypointRecords(const std::filesystem::path& file);

} // namespace runkorvix
