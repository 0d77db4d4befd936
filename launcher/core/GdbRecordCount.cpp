#include "GdbRecordCount.h"

#include "gdb_rules.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <vector>

namespace runkorvix {

namespace {

// Bytes of a stream, read a block at a time; long runs are skipped by seeking.
class BlockReader {
public:
    explicit BlockReader(std::istream& in) : m_in(in), m_buffer(64 * 1024) {}

    // False once the stream has ended.
    bool Byte(std::uint8_t& byte) {
        if (m_at == m_end && !Fill()) {
            return false;
        }
        byte = static_cast<std::uint8_t>(m_buffer[m_at++]);
        return true;
    }

    // False when the stream cannot be moved that far. A skip past the end shows in the next read.
    bool Skip(std::uint64_t count) {
        const std::uint64_t buffered = std::min<std::uint64_t>(count, m_end - m_at);
        m_at += static_cast<std::size_t>(buffered);
        count -= buffered;
        if (count == 0) {
            return true;
        }
        // A stream that a short read has ended is not moved again: the skip goes past its end.
        m_in.seekg(static_cast<std::streamoff>(count), std::ios::cur);
        return static_cast<bool>(m_in);
    }

    // Reads up to a 0 byte, the 0 included.
    bool SkipString() {
        std::uint8_t byte = 1;
        while (byte != 0) {
            if (!Byte(byte)) {
                return false;
            }
        }
        return true;
    }

private:
    bool Fill() {
        m_in.read(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        m_at = 0;
        m_end = static_cast<std::size_t>(m_in.gcount());
        return m_end > 0;
    }

    std::istream& m_in;
    std::vector<char> m_buffer;
    std::size_t m_at = 0;
    std::size_t m_end = 0;
};

namespace rules = korvix::rules;

// Reads a string up to its 0 byte into `text`, keeping at most `keep` bytes of it; false when the
// stream ends first.
bool ReadString(BlockReader& in, std::string& text, std::size_t keep) {
    text.clear();
    for (std::uint8_t byte = 0; in.Byte(byte);) {
        if (byte == 0) {
            return true;
        }
        if (text.size() < keep) {
            text.push_back(static_cast<char>(byte));
        }
    }
    return false;
}

// How a track point is laid out behind its latitude and longitude: optional values, each a
// presence byte and, when it is not 0, a value of a fixed width, then fixed closing bytes. Files
// of GDB versions 1 to 3 give a track point an optional altitude, point value, depth and
// temperature; files without a known version record an altitude and a point value, and two bytes.
struct TrackPointLayout {
    std::array<std::uint64_t, 4> widths{};
    std::size_t optionals = 0;
    std::uint64_t closing = 0;
};
constexpr TrackPointLayout kVersionedPoints{{8, 4, 8, 8}, 4, 0};
constexpr TrackPointLayout kUnmarkedPoints{{8, 4, 0, 0}, 2, 2};

// Reads the file header and tells whether korvix converts the file it begins: the signature, a
// version record that is whole or none, and the name of an application korvix knows. korvix
// refuses any other header as no GDB file, one that the file ends in included. `layout` is that
// of the file's track points.
bool ReadHeader(BlockReader& in, TrackPointLayout& layout) {
    std::string text;
    // One byte more than the longest name kept, so that a longer one is not taken for it.
    constexpr std::size_t kKeep = 16;
    if (!ReadString(in, text, kKeep) || text != rules::file_signature) {
        return false;
    }
    std::array<std::uint8_t, rules::version_bytes_width> version{};
    for (std::uint8_t& byte : version) {
        if (!in.Byte(byte)) {
            return false;
        }
    }
    for (int string = 0; string < rules::header_strings; ++string) {
        if (!in.SkipString()) {
            return false;
        }
    }
    const std::optional<rules::GdbVersion> gdb = rules::gdb_version_of(version);
    layout = gdb == rules::GdbVersion::unmarked ? kUnmarkedPoints : kVersionedPoints;
    return ReadString(in, text, kKeep) && rules::is_known_application(text) && gdb.has_value();
}

// Reads a record header: the 32-bit little-endian body length and the type letter.
bool ReadRecordHeader(BlockReader& in, std::uint64_t& length, std::uint8_t& type) {
    std::array<std::uint8_t, rules::record_header_width> header{};
    for (std::uint8_t& byte : header) {
        if (!in.Byte(byte)) {
            return false;
        }
    }
    length = rules::body_length_of(header.data());
    type = header[4];
    return true;
}

// Reads the first bytes of a waypoint body of `length` bytes, where its name begins, and notes
// the number a name of three digits takes. Returns how many bytes it read.
std::uint64_t NoteWaypointName(BlockReader& in, std::uint64_t length,
                               rules::WaypointNumbers& numbers) {
    std::array<std::uint8_t, rules::number_name_width> name{};
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(length, name.size()));
    for (std::size_t at = 0; at < size; ++at) {
        if (!in.Byte(name[at])) {
            return at;
        }
    }
    numbers.note_name(name.data(), size);
    return size;
}

// Reads a body's bytes while the body lasts, counting them.
class BodyReader {
public:
    BodyReader(BlockReader& in, std::uint64_t length) : m_in(in), m_left(length) {}
    bool Byte(std::uint8_t& byte) {
        if (m_left == 0 || !m_in.Byte(byte)) {
            return false;
        }
        --m_left;
        return true;
    }
    bool Word(std::uint32_t& word) {
        word = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            std::uint8_t byte = 0;
            if (!Byte(byte)) {
                return false;
            }
            word |= std::uint32_t{byte} << shift;
        }
        return true;
    }
    bool Skip(std::uint64_t count) {
        if (count > m_left) {
            return false;
        }
        m_left -= count;
        return m_in.Skip(count);
    }
    std::uint64_t Left() const { return m_left; }

private:
    BlockReader& m_in;
    std::uint64_t m_left;
};

// Reads a track body of `length` bytes up to its last point: its name (the start of it kept),
// the 5 header bytes, the point count and the points, whose positions are collected as korvix
// collects them. Returns how many bytes it read; `whole` tells whether the points were all there.
std::uint64_t ReadTrack(BlockReader& in, std::uint64_t length, const TrackPointLayout& layout,
                        std::string& name, std::uint32_t& points, bool& whole) {
    constexpr std::uint64_t kTrackHeader = 5;
    constexpr std::int32_t kPole = 1 << 30; // 90 degrees in the file's units
    BodyReader body(in, length);
    name.clear();
    points = 0;
    whole = false;
    for (std::uint8_t byte = 1; byte != 0;) {
        if (!body.Byte(byte)) {
            return length - body.Left();
        }
        if (byte != 0 && name.size() < kTrackNameKept) {
            name += static_cast<char>(byte);
        }
    }
    std::uint32_t count = 0;
    if (!body.Skip(kTrackHeader) || !body.Word(count)) {
        return length - body.Left();
    }
    std::uint64_t last = 0;
    for (std::uint32_t point = 0; point < count; ++point) {
        std::uint32_t latitude = 0, longitude = 0;
        if (!body.Word(latitude) || !body.Word(longitude)) {
            return length - body.Left();
        }
        for (std::size_t value = 0; value < layout.optionals; ++value) {
            std::uint8_t present = 0;
            if (!body.Byte(present) || (present != 0 && !body.Skip(layout.widths[value]))) {
                return length - body.Left();
            }
        }
        if (!body.Skip(layout.closing)) {
            return length - body.Left();
        }
        const auto signedLatitude = static_cast<std::int32_t>(latitude);
        const std::uint64_t position = std::uint64_t{latitude} | std::uint64_t{longitude} << 32;
        if (signedLatitude < -kPole || signedLatitude > kPole || points == kMostCollected ||
            (points > 0 && position == last)) {
            continue;
        }
        ++points;
        last = position;
    }
    whole = true;
    return length - body.Left();
}

} // namespace

GdbWalk WalkGdbRecords(std::istream& file, const TrackVisitor& visit) {
    BlockReader in(file);
    GdbWalk walk;
    TrackPointLayout layout;
    if (!ReadHeader(in, layout)) {
        return walk;
    }
    walk.kind = GdbFileKind::CutShort;
    GdbContents& contents = walk.contents;
    rules::WaypointNumbers numbers;
    std::uint64_t length = 0;
    std::uint8_t type = 0;
    std::string name;
    while (ReadRecordHeader(in, length, type)) {
        if (type == rules::closing_record) {
            walk.kind = GdbFileKind::Whole;
            contents.numberNames = numbers.taken_count();
            return walk;
        }
        contents.routes += type == rules::route_record ? 1 : 0;
        std::uint64_t read = 0;
        if (type == rules::waypoint_record) {
            ++contents.waypoints;
            read = NoteWaypointName(in, length, numbers);
        } else if (type == rules::track_record) {
            std::uint32_t points = 0;
            bool whole = false;
            read = ReadTrack(in, length, layout, name, points, whole);
            if (whole) {
                const bool sized = contents.tracks > contents.damagedTracks;
                contents.fewestTrackPoints =
                    sized ? std::min(contents.fewestTrackPoints, points) : points;
                contents.mostTrackPoints = std::max(contents.mostTrackPoints, points);
                if (visit) {
                    visit({contents.tracks, name, points});
                }
            } else {
                ++contents.damagedTracks;
            }
            ++contents.tracks;
        }
        if (!in.Skip(length - read)) {
            return walk;
        }
    }
    return walk;
}

GdbWalk WalkGdbRecords(const std::filesystem::path& file, const TrackVisitor& visit) {
    // A FIFO would wait for a writer that never comes, a device might never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {};
    }
    return WalkGdbRecords(in, visit);
}

namespace {

std::optional<std::uint64_t> WaypointsOf(const GdbWalk& walk) {
    if (walk.kind != GdbFileKind::Whole) {
        return std::nullopt;
    }
    return walk.contents.waypoints;
}

} // namespace

std::optional<std::uint64_t> CountWaypointRecords(std::istream& file) {
    return WaypointsOf(WalkGdbRecords(file));
}

std::optional<std::uint64_t> CountWaypointRecords(const std::filesystem::path& file) {
    return WaypointsOf(WalkGdbRecords(file));
}

} // namespace runkorvix
