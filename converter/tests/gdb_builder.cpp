#include "gdb_builder.h"

#include "platform.h"
#include "run_driver.h"
#include "test_files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace korvix::testing {

Fields& Fields::u8(std::uint8_t value) {
    bytes_.push_back(value);
    return *this;
}

Fields& Fields::i32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        bytes_.push_back(static_cast<std::uint8_t>(bits >> shift));
    return *this;
}

Fields& Fields::str(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
    return *this;
}

Fields& Fields::raw(const Bytes& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

Fields& Fields::fill(std::uint8_t value, std::size_t count) {
    bytes_.insert(bytes_.end(), count, value);
    return *this;
}

Fields& Fields::position(std::int32_t latitude, std::int32_t longitude, std::uint8_t presence) {
    i32(latitude).i32(longitude).u8(presence);
    if (presence != 0)
        fill(0xA1, 8);
    return *this;
}

Bytes gdb_header(int version, std::string_view application) {
    Fields f;
    f.str("MsRcf");
    if (version == 0) // 'D','k' without the length of a version record before it
        f.raw({'D', 'k', 0, 0, 0, 'A', 0x5E, 0x02, 0, 0, 0, 0, 0, 0});
    else // a version record, then an application record holding the version and the strings
        f.raw({2, 0, 0, 0, 'D', static_cast<std::uint8_t>('k' + version - 1), 0, 31, 0, 0, 0, 'A',
               0x5D, 0x02});
    return f.str("Builder")
        .str("Dec 07 2026")
        .str(version <= 1 ? "" : "00:00:00")
        .str(application)
        .bytes();
}

Bytes record(char type, const Bytes& body) {
    return record(type, static_cast<std::int32_t>(body.size()), body);
}

Bytes record(char type, std::int32_t length, const Bytes& body) {
    return Fields().i32(length).u8(static_cast<std::uint8_t>(type)).raw(body).bytes();
}

Bytes closing_record() {
    return record('V', {0x00, 0x01});
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes gdb_file(std::initializer_list<Bytes> records) {
    return gdb_file(1, records);
}

Bytes gdb_file(int version, std::initializer_list<Bytes> records) {
    Bytes file = gdb_header(version);
    for (const Bytes& r : records)
        file.insert(file.end(), r.begin(), r.end());
    const Bytes closing = closing_record();
    file.insert(file.end(), closing.begin(), closing.end());
    return file;
}

Bytes class_block(int version, std::uint8_t class_byte, std::uint8_t subclass,
                  std::string_view country) {
    Fields f;
    f.u8(class_byte);
    for (std::uint8_t i = 1; i <= 12; ++i) { // class detail bytes, distinct values
        if (version > 1 && i == 4)
            f.str(country);
        else
            f.u8(static_cast<std::uint8_t>(0x20 + i));
    }
    f.u8(subclass);
    for (std::uint8_t i = 14; i <= 26; ++i)
        f.u8(static_cast<std::uint8_t>(0x20 + i));
    return f.bytes();
}

Bytes waypoint_body(std::string_view name, std::uint8_t class_byte, std::uint8_t subclass,
                    const Bytes& rest, int version, std::string_view country) {
    return Fields()
        .str(name)
        .raw(class_block(version, class_byte, subclass, country))
        .raw(rest)
        .bytes();
}

Bytes route_body(std::string_view name, const std::vector<RoutePoint>& points, const Bytes& trailer,
                 std::uint8_t bounds_presence) {
    Fields f;
    f.str(name).u8(0x00).u8(0x00);
    f.position(100, 200, bounds_presence).position(-100, -200, bounds_presence);
    f.i32(static_cast<std::int32_t>(points.size()));
    for (std::size_t p = 0; p < points.size(); ++p) {
        const RoutePoint& point = points[p];
        const Bytes block = waypoint_body(point.name, point.class_byte, point.subclass, {});
        f.raw(block);                       // name and class block
        f.u8(0x00).u8(0x03).fill(0x00, 17); // route point tail
        f.i32(static_cast<std::int32_t>(point.links.size()));
        if (point.links.empty())
            break;
        for (const LinkPoint& link : point.links)
            f.position(link.latitude, link.longitude, link.altitude_presence);
        f.u8(0x00).position(100, 200, bounds_presence).position(-100, -200, bounds_presence);
    }
    return f.raw(trailer).bytes();
}

Bytes route_body(int version, std::string_view name, const std::vector<RoutePoint>& points,
                 bool bounds, const Bytes& trailer) {
    Fields f;
    f.str(name).u8(0x00).u8(bounds ? 0 : 1);
    if (bounds)
        f.position(100, 200, 1).position(-100, -200, 0);
    f.i32(static_cast<std::int32_t>(points.size()));
    for (const RoutePoint& point : points) {
        f.str(point.name)
            .raw(class_block(version, point.class_byte, point.subclass, point.country));
        f.u8(point.tail_flag);
        if (point.tail_flag != 0)
            f.fill(0xEE, version == 2 ? 8 : 16);
        f.u8(0x03).fill(0x00, 3).fill(0xFF, 4).fill(0x00, 10); // the rest of the tail
        f.i32(static_cast<std::int32_t>(point.links.size()));
        for (const LinkPoint& link : point.links)
            f.position(link.latitude, link.longitude, link.altitude_presence);
        f.u8(point.link_flag);
        if (point.link_flag == 0)
            f.position(100, 200, 0).position(-100, -200, 1);
        f.fill(0xFF, 8);
        if (version == 3)
            f.u8(0x00).u8(0x00);
    }
    return f.raw(trailer).bytes();
}

Bytes generated_track(std::string_view name, const std::vector<Point>& points, int version) {
    Fields f;
    f.str(name).raw({0x01, 0x02, 0x00, 0x00, 0x00}).i32(static_cast<std::int32_t>(points.size()));
    for (const Point& p : points)
        f.position(p.latitude, p.longitude).fill(0x00, 3);
    return f.fill(0x00, version == 3 ? 4 : 1).bytes();
}

Bytes track_body(std::string_view name, const std::vector<TrackPoint>& points,
                 const Bytes& trailer) {
    Fields f;
    f.str(name).raw({0x00, 0x01, 0x00, 0x00, 0x00}).i32(static_cast<std::int32_t>(points.size()));
    for (const TrackPoint& point : points) {
        f.position(point.latitude, point.longitude, point.altitude ? 1 : 0);
        f.u8(point.value ? 1 : 0);
        if (point.value)
            f.i32(0x6A1D2E40);
        // The presence bytes of the depth and the temperature; without a known version record,
        // the two closing bytes.
        f.u8(point.depth ? 1 : 0);
        if (point.depth)
            f.raw({0, 0, 0, 0, 0, 0, 0x0A, 0x40}); // 3.25 metres
        f.u8(point.temperature ? 1 : 0);
        if (point.temperature)
            f.raw({0, 0, 0, 0, 0, 0x80, 0x35, 0x40}); // 21.5 degrees
    }
    return f.raw(trailer).bytes();
}

namespace {

// The folder of this process's console files, made at the first one and removed at exit.
const TempDir& console_folder() {
    static const TempDir folder("korvix-console");
    return folder;
}

} // namespace

CapturedConsole::CapturedConsole() {
    static std::atomic<unsigned> made = 0;
    path_ = console_folder() / ("console-" + std::to_string(++made));
    file_ = open_file(utf8_name(path_), "w+b");
    if (file_ == nullptr)
        throw std::runtime_error("no temporary file for the console");
}

CapturedConsole::~CapturedConsole() {
    std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

std::string CapturedConsole::text() const {
    std::string text;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;)
        text.push_back(static_cast<char>(c));
    return text;
}

RunResult convert_bytes(const Bytes& input, ConversionMode mode, const SimplifyLimits& limits) {
    return convert_bytes(input, RunSettings{mode, limits});
}

RunResult convert_bytes(const Bytes& input, const RunSettings& settings) {
    static const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    MemoryRun run = convert_memory(input, settings, *memory);
    return {run.status, std::move(run.output), std::move(run.console)};
}

std::size_t header_size_of(const Bytes& file) {
    std::size_t at = std::min<std::size_t>(6 + 14, file.size());
    for (int strings = 0; strings < 4 && at < file.size(); ++strings) {
        const auto zero = std::find(file.begin() + static_cast<std::ptrdiff_t>(at), file.end(), 0);
        at = static_cast<std::size_t>(zero - file.begin()) + 1;
    }
    return std::min(at, file.size());
}

std::vector<std::pair<char, Bytes>> split_records(const Bytes& file, std::size_t header_size) {
    std::vector<std::pair<char, Bytes>> records;
    std::size_t at = header_size;
    while (at < file.size()) {
        if (file.size() - at < 5)
            throw std::runtime_error("record header cut short");
        const std::uint32_t length = file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) |
                                     (static_cast<std::uint32_t>(file[at + 3]) << 24);
        const char type = static_cast<char>(file[at + 4]);
        at += 5;
        if (file.size() - at < length)
            throw std::runtime_error("record body shorter than its declared length");
        records.emplace_back(type, Bytes(file.begin() + static_cast<std::ptrdiff_t>(at),
                                         file.begin() + static_cast<std::ptrdiff_t>(at + length)));
        at += length;
    }
    return records;
}

} // namespace korvix::testing
