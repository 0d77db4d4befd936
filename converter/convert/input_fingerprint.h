// What the read ahead learnt of the input, held against what the stream then reads of the same
// records. -V and -W read a file ahead from the first track for the names of the waypoints behind
// it, and --fit reads every track's points ahead to plan the routes; both then write what the
// stream reads. Should the file change between the two (another program saving over it), the
// routes would be numbered around names that are no longer there, or planned for points that are
// not the ones written: the run must then fail rather than write such a file.
#pragma once

#include "point_buffer.h"
#include "position_word.h"
#include "record_framing.h"

#include <cstdint>
#include <span>

namespace korvix {

// A 64-bit digest of a sequence of numbers and bytes, in their order. It guards against a file
// that changed, not against one made to collide: a few multiplications a number are enough.
class InputFingerprint {
public:
    void add(std::uint64_t value) {
        value_ = (value_ ^ value) * 0x9E3779B97F4A7C15U;
        value_ ^= value_ >> 29;
    }
    void add_bytes(std::span<const std::uint8_t> bytes) {
        add(bytes.size());
        for (const std::uint8_t byte : bytes)
            add(byte);
    }
    // A record's place, length and type letter.
    void add_record(const RecordHeader& header) {
        add(static_cast<std::uint64_t>(header.offset));
        add(static_cast<std::uint32_t>(header.length) | std::uint64_t{std::uint8_t(header.type)}
                                                            << 32);
    }
    // A track, by its place, with the points collected of it.
    void add_track(InputOffset offset, const PointBuffer& points) {
        add(static_cast<std::uint64_t>(offset));
        add(points.count);
        for (std::uint32_t i = 0; i < points.count; ++i)
            add(position_word(points.latitude[i], points.longitude[i]));
    }
    bool operator==(const InputFingerprint&) const = default;

private:
    std::uint64_t value_ = 0x243F6A8885A308D3U;
};

// The two sides of the check: the read ahead's and the stream's, from the first track on up to
// the closing record. `records`: every record's place, length and type, and each waypoint's name
// as far as a generated name could equal it; `tracks`, under --fit only: every track's points.
struct ReadAheadCheck {
    InputOffset from = 0; // the first track's record header, where the read ahead began
    InputFingerprint records_ahead;
    InputFingerprint records_streamed;
    InputFingerprint tracks_ahead;
    InputFingerprint tracks_streamed;

    bool holds() const {
        return records_ahead == records_streamed && tracks_ahead == tracks_streamed;
    }
};

} // namespace korvix
