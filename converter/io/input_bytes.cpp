#include "input_bytes.h"

#include "platform.h"

#include <algorithm>

namespace korvix {

std::size_t InputBytesSource::read(std::uint8_t* bytes, std::size_t count) {
    count =
        static_cast<std::size_t>(std::min<ByteCount>(static_cast<ByteCount>(count), end_ - next_));
    const std::span<const std::uint8_t> got = input_.at(next_, count);
    std::copy(got.begin(), got.end(), bytes);
    next_ += static_cast<InputOffset>(got.size());
    return got.size();
}

std::span<const std::uint8_t> MemoryBytes::at(InputOffset offset, std::size_t count) {
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= bytes_.size())
        return {};
    return bytes_.subspan(static_cast<std::size_t>(offset))
        .first(std::min(count, bytes_.size() - static_cast<std::size_t>(offset)));
}

std::span<const std::uint8_t> FileBytes::at(InputOffset offset, std::size_t count) {
    count = std::min(count, buffer_.size());
    if (offset < buffer_offset_ || offset + static_cast<InputOffset>(count) >
                                       buffer_offset_ + static_cast<InputOffset>(buffered_)) {
        buffer_offset_ = offset;
        buffered_ = read_at(file_, offset, buffer_.data(), buffer_.size());
    }
    const auto start = static_cast<std::size_t>(offset - buffer_offset_);
    return std::span<const std::uint8_t>(buffer_).subspan(start).first(
        std::min(count, buffered_ > start ? buffered_ - start : 0));
}

std::uint64_t FileBytes::version() {
    return file_version(file_);
}

} // namespace korvix
