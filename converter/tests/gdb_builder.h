// Builds small GDB files for tests from their fields, and runs the converter on them in memory.
#pragma once

#include "conversion_mode.h"
#include "run_settings.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvix {

// Test logs name a mode by its option letter.
inline void PrintTo(ConversionMode mode, std::ostream* os) {
    *os << '-' << static_cast<char>(mode);
}

} // namespace korvix

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

// "MsRcf", 14 bytes, three strings, the application name. The 14 bytes start with the version
// record of GDB version 1 ('D','k'), 2 ('D','l') or 3 ('D','m'), as gpsbabel writes them; for
// version 0 with 'D','k' and no record length before it: a header without a known version record.
Bytes gdb_header(int version = 1, std::string_view application = "MapSource");

// A record whose declared length is its body's size, or the given length.
Bytes record(char type, const Bytes& body);
Bytes record(char type, std::int32_t length, const Bytes& body);
Bytes closing_record(); // 'V' with a two-byte body

Bytes concat(std::initializer_list<Bytes> parts);

// A whole file: header, the records, the closing record.
Bytes gdb_file(std::initializer_list<Bytes> records);
Bytes gdb_file(int version, std::initializer_list<Bytes> records);

// A class block with the given class and subclass bytes and distinct bytes elsewhere. In versions
// 2 and 3 it holds the country code.
Bytes class_block(int version, std::uint8_t class_byte, std::uint8_t subclass,
                  std::string_view country = "");

// A waypoint body: name, class block, then `rest`.
Bytes waypoint_body(std::string_view name, std::uint8_t class_byte, std::uint8_t subclass,
                    const Bytes& rest = Bytes(40, 0x5A), int version = 1,
                    std::string_view country = "");

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
    // Versions 2 and 3 only.
    std::string country = "";   // the class block's country code
    std::uint8_t tail_flag = 0; // not 0: 8 (version 2) or 16 (version 3) bytes follow it
    std::uint8_t link_flag = 0; // 0: the link bounds follow the link points
};

// A route body: name, flag bytes, bounds (with the given presence bytes), the route points, and
// `trailer` behind the last one (for a point with links: its flag and bounds are generated).
Bytes route_body(std::string_view name, const std::vector<RoutePoint>& points,
                 const Bytes& trailer = {0x01, 0x00}, std::uint8_t bounds_presence = 0);

// A route body in the layout of version 2 or 3: every route point closes with its link flag,
// the link bounds when that flag is 0, and the version's bytes behind them. Without `bounds` the
// second route flag byte is 1 and the route bounds are left out. `trailer` follows the last point.
Bytes route_body(int version, std::string_view name, const std::vector<RoutePoint>& points,
                 bool bounds, const Bytes& trailer);

// A position as korvix collects it from a route or track.
struct Point {
    std::int32_t latitude;
    std::int32_t longitude;
};

// A track body as a route converts into: name, 01 02 00 00 00, point count, per point its position
// with presence byte 0 and three 0 bytes, then a 0 byte (in version 3 a 32-bit 0).
Bytes generated_track(std::string_view name, const std::vector<Point>& points, int version = 1);

struct TrackPoint {
    std::int32_t latitude;
    std::int32_t longitude;
    bool altitude = false;
    bool value = false;
    // Without a known version record, the two closing bytes.
    bool depth = false;
    bool temperature = false;
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

// Runs the converter on an input held in memory, with the limits of --points, --tolerance and
// --split when given.
RunResult convert_bytes(const Bytes& input, ConversionMode mode, const SimplifyLimits& limits = {});
// ... with every setting of a run (--fit, --waypoints).
RunResult convert_bytes(const Bytes& input, const RunSettings& settings);

// The size of a GDB file's header: "MsRcf", 14 bytes, three strings and the application name.
std::size_t header_size_of(const Bytes& file);

// Splits a converted file behind its header into (type, body) records, checking the framing.
std::vector<std::pair<char, Bytes>> split_records(const Bytes& file, std::size_t header_size);

} // namespace korvix::testing
