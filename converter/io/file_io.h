// The input and output files of a run as the byte streams read and write them. Both files are
// unbuffered (the streams buffer in blocks of their own).
#pragma once

#include "byte_io.h"

#include <cstdint>
#include <cstdio>

namespace korvix {

// A file read front to back. A file that can be read at offsets (not a pipe) is read so, from
// an offset of its own, so that the read ahead for waypoint names may read it elsewhere meanwhile.
class FileSource final : public ByteSource {
public:
    FileSource(std::FILE* file, bool at_offsets) : file_(file), at_offsets_(at_offsets) {}
    std::size_t read(std::uint8_t* bytes, std::size_t count) override;
    std::error_code error() const override { return error_; }

private:
    std::FILE* file_;
    bool at_offsets_;
    std::int64_t offset_ = 0;
    std::error_code error_; // the first read error: no byte is read after it
};

class FileSink final : public ByteSink {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    bool write(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) override;
    bool flush() override;
    std::error_code error() const override { return error_; }

private:
    std::FILE* file_;
    std::error_code error_; // the system's reason for the last failure
};

} // namespace korvix
