#include "file_io.h"

#include "platform.h"

namespace korvix {

std::size_t FileSource::read(std::uint8_t* bytes, std::size_t count) {
    return std::fread(bytes, 1, count, file_);
}

bool FileSink::write(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) {
    return write_two(file_, first.data(), first.size(), second.data(), second.size());
}

bool FileSink::flush() {
    return std::fflush(file_) == 0;
}

} // namespace korvix
