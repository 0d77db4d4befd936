// The input read where it is asked for, not front to back: what the read ahead for waypoint names
// walks the records with, by their offsets, while the run reads the same input as a stream.
#pragma once

#include "byte_stream.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <span>

namespace korvix {

class InputBytes {
public:
    virtual ~InputBytes() = default;
    // Up to `count` bytes from `offset` on (at most the buffer's size); fewer only at the end.
    virtual std::span<const std::uint8_t> at(InputOffset offset, std::size_t count) = 0;
    // A number that changes when the input's size or the time of its last change does: a file
    // that another program writes to while korvix reads it. Bytes in memory never change.
    virtual std::uint64_t version() { return 0; }
};

// Bytes of an input from an offset on, up to a size, read through InputBytes as a source of an
// input stream: a record read where it lies.
class InputBytesSource final : public ByteSource {
public:
    InputBytesSource(InputBytes& input, InputOffset from, ByteCount size)
        : input_(input), next_(from), end_(from + size) {}
    std::size_t read(std::uint8_t* bytes, std::size_t count) override;
    // Whether the reads came to the size given, not to the end of the input before it.
    bool read_to_size() const { return next_ == end_; }

private:
    InputBytes& input_;
    InputOffset next_;
    InputOffset end_;
};

// An input held in memory whole.
class MemoryBytes final : public InputBytes {
public:
    explicit MemoryBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::span<const std::uint8_t> at(InputOffset offset, std::size_t count) override;

private:
    std::span<const std::uint8_t> bytes_;
};

// A file, read into a buffer where it is asked for, at its offset, without moving through the
// rest and without moving the position that the file is read from as a stream: the records that
// lie in the buffer cost no read, a record longer than the buffer costs one.
class FileBytes final : public InputBytes {
public:
    FileBytes(std::FILE* file, std::span<std::uint8_t> buffer) : file_(file), buffer_(buffer) {}
    std::span<const std::uint8_t> at(InputOffset offset, std::size_t count) override;
    std::uint64_t version() override;

private:
    std::FILE* file_;
    std::span<std::uint8_t> buffer_;
    InputOffset buffer_offset_ = 0;
    std::size_t buffered_ = 0;
};

} // namespace korvix
