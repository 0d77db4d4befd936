// What makes a file a GDB file that korvix converts, as both korvix and runkorvix read it: the
// header's signatures and version record, the framing of the records behind it, and the rule by
// which the names of a file's waypoints take the numbers that -V and -W give new waypoints. One
// definition for both programs, so that the dialog says of a file what the converter will do.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace korvix::rules {

// The file header: "MsRcf" and its 0 byte, 14 version bytes, three strings, then the name of the
// application that wrote the file.
inline constexpr std::string_view file_signature = "MsRcf";
inline constexpr std::size_t version_bytes_width = 14;
inline constexpr int header_strings = 3;
inline constexpr std::string_view application_names[] = {"MapSource", "BaseCamp"};

// The GDB version, told by the version record at the start of the 14 version bytes. Files of
// versions 2 and 3 (MapSource 6, BaseCamp) add fields to waypoints and route points, and make
// some of them conditional. A header without a known version record is read and written in the
// version 1 layouts, but for its track points: they close with two fixed bytes where the files of
// every version have the presence bytes of an optional depth and temperature.
enum class GdbVersion { unmarked = 0, v1 = 1, v2 = 2, v3 = 3 };

// The version that the 14 version bytes tell: that of their version record, or unmarked when
// they do not begin with one of versions 1, 2 or 3. Nothing when they begin with a version record
// ('D') of another length than a version record's 2 bytes: a damaged header.
std::optional<GdbVersion> gdb_version_of(std::span<const std::uint8_t, version_bytes_width> bytes);

// Whether the header's last string names an application whose files korvix converts.
bool is_known_application(std::string_view name);

// The records behind the header: a 32-bit little-endian body length, a type letter and the body.
// The closing record ends the file.
inline constexpr std::size_t record_header_width = 5;
inline constexpr char waypoint_record = 'W';
inline constexpr char route_record = 'R';
inline constexpr char track_record = 'T';
inline constexpr char closing_record = 'V';

// A record's body length as its four length bytes give it, trusted as an unsigned count: a
// length of -1 is 4294967295 bytes and runs into the end of the file rather than being taken for
// an empty body.
inline std::uint32_t body_length_of(const std::uint8_t* length_bytes) {
    return std::uint32_t{length_bytes[0]} | std::uint32_t{length_bytes[1]} << 8 |
           std::uint32_t{length_bytes[2]} << 16 | std::uint32_t{length_bytes[3]} << 24;
}

// -V and -W number the waypoints they make 001 to 999 over the whole run; each name takes three
// digits and the 0 byte. A name of the file's own waypoints that is the "%03d" of such a number
// takes that number: no new waypoint gets it, since a route point names its waypoint and a reader
// resolves a name that two waypoints share to either of them.
inline constexpr std::uint32_t last_waypoint_number = 999;
inline constexpr std::size_t number_name_width = 4;

class WaypointNumbers {
public:
    // Notes the name at the start of a waypoint body, given its first bytes (at most 4 are
    // looked at).
    void note_name(const std::uint8_t* name, std::size_t size);
    bool taken(std::uint32_t number) const { return taken_[number]; }
    // The numbers that the file's names take, and those left for new waypoints.
    std::uint32_t taken_count() const { return static_cast<std::uint32_t>(taken_.count()); }
    std::uint32_t left() const { return last_waypoint_number - taken_count(); }

private:
    std::bitset<last_waypoint_number + 1> taken_; // 000 is never set: "%03d" of no number
};

// A name given as text, as a GPX file's point names are: it takes a number only when it is the
// three digits alone, compared exactly.
inline void note_name_text(WaypointNumbers& numbers, std::string_view name) {
    if (name.size() != 3)
        return;
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(name[0]),
                                  static_cast<std::uint8_t>(name[1]),
                                  static_cast<std::uint8_t>(name[2]), 0};
    numbers.note_name(bytes, sizeof bytes);
}

} // namespace korvix::rules
