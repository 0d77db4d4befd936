// The numbers of the waypoints that -V and -W generate, 001 to 999, and the numbers that the
// input's own waypoints already go by, which a generated waypoint must never take: a route point
// names its waypoint, and a reader resolves a name that two waypoints share to either of them.
#pragma once

#include "byte_stream.h"

#include <bitset>
#include <cstdint>
#include <cstdio>
#include <span>

namespace korvix {

// Generated waypoints are numbered 001 to 999 over the whole run; their names take three digits
// and the 0 byte.
inline constexpr std::uint32_t last_waypoint_number = 999;
inline constexpr ByteCount number_name_width = 4;

class WaypointNumbers {
public:
    // Notes the name at the start of a waypoint body, given its first bytes (at most 4 are
    // looked at): a name of three digits, as the "%03d" of a number, takes that number.
    void note_name(const std::uint8_t* name, ByteCount size);
    bool taken(std::uint32_t number) const { return taken_[number]; }

private:
    std::bitset<last_waypoint_number + 1> taken_;
};

// Where the read ahead for waypoint names takes the input's bytes.
class InputBytes {
public:
    virtual ~InputBytes() = default;
    // Up to `count` bytes from `offset` on (at most the buffer's size); fewer only at the end.
    virtual std::span<const std::uint8_t> at(std::int64_t offset, std::size_t count) = 0;
};

// An input held in memory whole.
class MemoryBytes : public InputBytes {
public:
    explicit MemoryBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::span<const std::uint8_t> at(std::int64_t offset, std::size_t count) override;

private:
    std::span<const std::uint8_t> bytes_;
};

// A file, read where it is asked for into a buffer, without moving through the rest: a record's
// header and name cost one read where they are not in the buffer already.
class FileBytes : public InputBytes {
public:
    FileBytes(std::FILE* file, std::span<std::uint8_t> buffer) : file_(file), buffer_(buffer) {}
    std::span<const std::uint8_t> at(std::int64_t offset, std::size_t count) override;

private:
    std::FILE* file_;
    std::span<std::uint8_t> buffer_;
    std::int64_t buffer_offset_ = 0;
    std::size_t buffered_ = 0;
};

// Reads the input once ahead, record headers and waypoint names only, up to the closing record,
// and notes the name of every waypoint record. An input that is not a GDB file or ends early
// gives what was read before; the run itself reports it.
void note_waypoint_names(InputBytes& input, WaypointNumbers& numbers);

} // namespace korvix
