// The framing of the records behind the file header: each a 32-bit little-endian body length, a
// type letter and the body; the closing record ends the file.
#pragma once

#include "byte_stream.h"
#include "record_layouts.h"

#include <cstdint>

namespace korvix {

inline constexpr ByteCount record_header_width = rules::record_header_width;

struct RecordHeader {
    std::int32_t length; // body bytes behind the type letter, as the file has them
    char type;
    InputOffset offset = 0; // of the header's first byte in the input

    // The length is trusted as an unsigned count: a length of -1 is 4294967295 bytes and runs
    // into the end of the input rather than being taken for an empty body.
    ByteCount body_length() const { return static_cast<std::uint32_t>(length); }
    // The offset of the next record's header.
    InputOffset next_offset() const { return offset + record_header_width + body_length(); }
};

// The record header whose five bytes lie at `bytes`, read from `offset`.
inline RecordHeader record_header_at(const std::uint8_t* bytes, InputOffset offset) {
    return {static_cast<std::int32_t>(rules::body_length_of(bytes)), static_cast<char>(bytes[4]),
            offset};
}

} // namespace korvix
