#include "file_io.h"

#include "platform.h"

#include <cerrno>

namespace korvix {

std::size_t FileSource::read(std::uint8_t* bytes, std::size_t count) {
    if (error_)
        return 0;
    if (!at_offsets_) {
        errno = 0;
        const std::size_t got = std::fread(bytes, 1, count, file_);
        if (got == 0 && std::ferror(file_))
            error_ = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
        return got;
    }
    const std::size_t got = read_at(file_, offset_, bytes, count, &error_);
    offset_ += static_cast<std::int64_t>(got);
    // What was read before an error is the input's; the error comes with the next read.
    return got;
}

namespace {

// The reason that errno gives for a failure, or an I/O error where it gives none.
std::error_code failure_reason() {
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

} // namespace

bool FileSink::write(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) {
    errno = 0;
    if (write_two(file_, first.data(), first.size(), second.data(), second.size()))
        return true;
    error_ = failure_reason();
    return false;
}

bool FileSink::flush() {
    errno = 0;
    if (std::fflush(file_) == 0)
        return true;
    error_ = failure_reason();
    return false;
}

} // namespace korvix
