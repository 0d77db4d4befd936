#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>

// The record framing of a GDB file, walked without reading the bodies: the header ("MsRcf" and
// its 0, 14 version bytes, three 0-terminated strings, the application's name), then records of
// a 32-bit little-endian body length, a type letter and the body, up to the closing 'V' record.
namespace runkorvix {

// The number of waypoint ('W') records before the 'V' record, or nothing when `file` is not a
// whole GDB file (another signature, or cut before its 'V' record) or, for a path, no regular
// file. Reads the file at most once and keeps one buffer, whatever the file holds.
std::optional<std::uint64_t> CountWaypointRecords(std::istream& file);
std::optional<std::uint64_t> CountWaypointRecords(const std::filesystem::path& file);

} // namespace runkorvix
