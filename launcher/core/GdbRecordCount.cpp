#include "GdbRecordCount.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <fstream>
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

constexpr std::array<std::uint8_t, 6> kSignature = {'M', 's', 'R', 'c', 'f', 0};
constexpr std::uint64_t kVersionBytes = 14;
constexpr int kHeaderStrings = 4;      // three strings, then the application's name
constexpr std::size_t kNumberName = 4; // three digits and the 0 byte

// Reads the header behind the signature; false when the file ends in it.
bool SkipHeader(BlockReader& in) {
    if (!in.Skip(kVersionBytes)) {
        return false;
    }
    for (int string = 0; string < kHeaderStrings; ++string) {
        if (!in.SkipString()) {
            return false;
        }
    }
    return true;
}

// Reads a record header: the 32-bit little-endian body length and the type letter.
bool ReadRecordHeader(BlockReader& in, std::uint64_t& length, std::uint8_t& type) {
    length = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        std::uint8_t byte = 0;
        if (!in.Byte(byte)) {
            return false;
        }
        length |= std::uint64_t{byte} << shift;
    }
    return in.Byte(type);
}

// Reads the first bytes of a waypoint body of `length` bytes, where its name begins, and notes
// a name of three digits. Returns how many bytes it read.
std::uint64_t NoteWaypointName(BlockReader& in, std::uint64_t length, std::bitset<1000>& names) {
    std::array<std::uint8_t, kNumberName> name{};
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(length, kNumberName));
    for (std::size_t at = 0; at < size; ++at) {
        if (!in.Byte(name[at])) {
            return at;
        }
    }
    const auto digit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    if (size == kNumberName && digit(name[0]) && digit(name[1]) && digit(name[2]) && name[3] == 0) {
        names.set((name[0] - '0') * 100U + (name[1] - '0') * 10U + (name[2] - '0'));
    }
    return size;
}

} // namespace

GdbWalk WalkGdbRecords(std::istream& file) {
    BlockReader in(file);
    GdbWalk walk;
    for (const std::uint8_t expected : kSignature) {
        std::uint8_t byte = 0;
        if (!in.Byte(byte) || byte != expected) {
            return walk;
        }
    }
    walk.kind = GdbFileKind::CutShort;
    GdbContents& contents = walk.contents;
    std::bitset<1000> names; // 000 is no name that a new waypoint could take
    std::uint64_t length = 0;
    std::uint8_t type = 0;
    if (!SkipHeader(in)) {
        return walk;
    }
    while (ReadRecordHeader(in, length, type)) {
        if (type == 'V') {
            walk.kind = GdbFileKind::Whole;
            contents.numberNames = names.count() - (names[0] ? 1 : 0);
            return walk;
        }
        contents.routes += type == 'R' ? 1 : 0;
        contents.tracks += type == 'T' ? 1 : 0;
        std::uint64_t read = 0;
        if (type == 'W') {
            ++contents.waypoints;
            read = NoteWaypointName(in, length, names);
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
