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

// Reads the file header and tells whether korvix converts the file it begins: the signature, a
// version record that is whole or none, and the name of an application korvix knows. korvix
// refuses any other header as no GDB file, one that the file ends in included.
bool ReadHeader(BlockReader& in) {
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
    return ReadString(in, text, kKeep) && rules::is_known_application(text) &&
           rules::gdb_version_of(version).has_value();
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

} // namespace

GdbWalk WalkGdbRecords(std::istream& file) {
    BlockReader in(file);
    GdbWalk walk;
    if (!ReadHeader(in)) {
        return walk;
    }
    walk.kind = GdbFileKind::CutShort;
    GdbContents& contents = walk.contents;
    rules::WaypointNumbers numbers;
    std::uint64_t length = 0;
    std::uint8_t type = 0;
    while (ReadRecordHeader(in, length, type)) {
        if (type == rules::closing_record) {
            walk.kind = GdbFileKind::Whole;
            contents.numberNames = numbers.taken_count();
            return walk;
        }
        contents.routes += type == rules::route_record ? 1 : 0;
        contents.tracks += type == rules::track_record ? 1 : 0;
        std::uint64_t read = 0;
        if (type == rules::waypoint_record) {
            ++contents.waypoints;
            read = NoteWaypointName(in, length, numbers);
        }
        if (!in.Skip(length - read)) {
            return walk;
        }
    }
    return walk;
}

GdbWalk WalkGdbRecords(const std::filesystem::path& file) {
    // A FIFO would wait for a writer that never comes, a device might never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {};
    }
    return WalkGdbRecords(in);
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
