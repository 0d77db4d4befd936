// Builds small GDB files for tests from their fields, and runs the converter on them in memory.
#pragma once

#include "conversion_mode.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvix::testing {

using Bytes = std::vector<std::uint8_t>;

// Appends GDB fields to a byte vector.
class Fields {
public:
    Fields& u8(std::uint8_t value);
    Fields& i32(std::int32_t value);
    Fields& str(std::string_view text); // characters and the 0 byte
    Fields& raw(const Bytes& bytes);
    Fields& fill(std::uint8_t value, std::size_t count);
    // A latitude and longitude with an altitude presence byte; 8 altitude bytes follow when the
    // presence byte is not 0.
    Fields& position(std::int32_t latitude, std::int32_t longitude, std::uint8_t presence = 0);

    const Bytes& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }

private:
    Bytes bytes_;
};

// "MsRcf", 14 bytes, three strings, "MapSource".
Bytes gdb_header();

// A record whose declared length is its body's size, or the given length.
Bytes record(char type, const Bytes& body);
Bytes record(char type, std::int32_t length, const Bytes& body);
Bytes closing_record(); // 'V' with a two-byte body

Bytes concat(std::initializer_list<Bytes> parts);

// A whole file: header, the records, the closing record.
Bytes gdb_file(std::initializer_list<Bytes> records);

// A waypoint body: name, class block with the given class and subclass bytes, then `rest`.
Bytes waypoint_body(std::string_view name, std::uint8_t class_byte, std::uint8_t subclass,
                    const Bytes& rest = Bytes(40, 0x5A));

struct LinkPoint {
    std::int32_t latitude;
    std::int32_t longitude;
    std::uint8_t altitude_presence = 0;
};

struct RoutePoint {
    std::string name;
    std::uint8_t class_byte = 10;
    std::uint8_t subclass = 31;
    std::vector<LinkPoint> links; // empty: link count 0
};

// A route body: name, flag bytes, bounds (with the given presence bytes), the route points, and
// `trailer` behind the last one (for a point with links: its flag and bounds are generated).
Bytes route_body(std::string_view name, const std::vector<RoutePoint>& points,
                 const Bytes& trailer = {0x01, 0x00}, std::uint8_t bounds_presence = 0);

struct TrackPoint {
    std::int32_t latitude;
    std::int32_t longitude;
    bool altitude = false;
    bool value = false;
};

Bytes track_body(std::string_view name, const std::vector<TrackPoint>& points,
                 const Bytes& trailer = {});

// The console of a run in this process: a file of its own in a temporary folder of this process
// (std::tmpfile is shared between processes under Wine, and lies in the drive's root on Windows),
// read back whole.
class CapturedConsole {
public:
    CapturedConsole();
    ~CapturedConsole();
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    std::FILE* file() const { return file_; }
    std::string text() const; // everything written so far

private:
    std::filesystem::path path_;
    std::FILE* file_;
};

struct RunResult {
    int status = -1;
    Bytes output;
    std::string console;
};

// Runs the converter on an input held in memory.
RunResult convert_bytes(const Bytes& input, ConversionMode mode);

// Splits a converted file behind its header into (type, body) records, checking the framing.
std::vector<std::pair<char, Bytes>> split_records(const Bytes& file, std::size_t header_size);

} // namespace korvix::testing
