#include "file_io.h"

#include "platform.h"

namespace korvix {

std::size_t FileSource::read(std::uint8_t* bytes, std::size_t count) {
    if (!at_offsets_)
        return std::fread(bytes, 1, count, file_);
    const std::size_t got = read_at(file_, offset_, bytes, count);
    offset_ += static_cast<std::int64_t>(got);
    return got;
}

bool FileSink::write(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) {
    return write_two(file_, first.data(), first.size(), second.data(), second.size());
}

bool FileSink::flush() {
    return std::fflush(file_) == 0;
}

} // namespace korvix
