#include "GdbRecordCount.h"

#include <algorithm>
#include <array>
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
constexpr int kHeaderStrings = 4; // three strings, then the application's name

} // namespace

std::optional<std::uint64_t> CountWaypointRecords(std::istream& file) {
    BlockReader in(file);
    for (const std::uint8_t expected : kSignature) {
        std::uint8_t byte = 0;
        if (!in.Byte(byte) || byte != expected) {
            return std::nullopt;
        }
    }
    if (!in.Skip(kVersionBytes)) {
        return std::nullopt;
    }
    for (int string = 0; string < kHeaderStrings; ++string) {
        if (!in.SkipString()) {
            return std::nullopt;
        }
    }
    std::uint64_t waypoints = 0;
    for (;;) {
        std::uint64_t length = 0;
        std::uint8_t type = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            std::uint8_t byte = 0;
            if (!in.Byte(byte)) {
                return std::nullopt;
            }
            length |= std::uint64_t{byte} << shift;
        }
        if (!in.Byte(type)) {
            return std::nullopt;
        }
        if (type == 'V') {
            return waypoints;
        }
        waypoints += type == 'W' ? 1 : 0;
        if (!in.Skip(length)) {
            return std::nullopt;
        }
    }
}

std::optional<std::uint64_t> CountWaypointRecords(const std::filesystem::path& file) {
    // A FIFO would wait for a writer that never comes, a device might never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return CountWaypointRecords(in);
}

} // namespace runkorvix
