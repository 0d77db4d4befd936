// The input and output files of a run as the byte streams read and write them. Both files are
// unbuffered (the streams buffer in blocks of their own).
#pragma once

#include "byte_io.h"

#include <cstdio>

namespace korvix {

class FileSource final : public ByteSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    std::size_t read(std::uint8_t* bytes, std::size_t count) override;

private:
    std::FILE* file_;
};

class FileSink final : public ByteSink {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    bool write(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) override;
    bool flush() override;

private:
    std::FILE* file_;
};

} // namespace korvix
