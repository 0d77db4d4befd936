#include "byte_stream.h"

#include <algorithm>

namespace korvix {

InputStream::InputStream(RunFailure& failure, std::FILE* file)
    : failure_(failure), file_(file), block_(new std::uint8_t[block_size]) {
    std::setvbuf(file, nullptr, _IONBF, 0); // the stream buffers in blocks of its own
    next_ = end_ = block_.get();
}

InputStream::InputStream(RunFailure& failure, std::span<const std::uint8_t> bytes)
    : failure_(failure), next_(bytes.data()), end_(bytes.data() + bytes.size()) {}

// Called only when a byte is needed and none is buffered, so running dry here means the input
// ended in the middle of something that had to be read.
bool InputStream::refill() {
    if (failure_.failed())
        return false;
    if (file_ != nullptr) {
        const std::size_t got = std::fread(block_.get(), 1, block_size, file_);
        if (got > 0) {
            next_ = block_.get();
            end_ = next_ + got;
            return true;
        }
    }
    fail(Failure::end_of_input);
    return false;
}

OutputStream::OutputStream(RunFailure& failure, std::FILE* file)
    : failure_(failure), file_(file), block_(new std::uint8_t[block_size]) {
    std::setvbuf(file, nullptr, _IONBF, 0); // the stream buffers in blocks of its own
    next_ = block_.get();
    end_ = next_ + block_size;
}

OutputStream::OutputStream(RunFailure& failure, std::vector<std::uint8_t>& sink)
    : failure_(failure), sink_(&sink), block_(new std::uint8_t[block_size]) {
    next_ = block_.get();
    end_ = next_ + block_size;
}

OutputStream::~OutputStream() {
    flush();
}

void OutputStream::write_slow(const std::uint8_t* bytes, std::size_t count) {
    if (failure_.failed())
        return;
    while (count > 0) {
        if (next_ == end_ && !flush())
            return;
        const std::size_t part = std::min(room(), count);
        std::memcpy(next_, bytes, part);
        next_ += part;
        bytes += part;
        count -= part;
    }
}

bool OutputStream::flush() {
    const std::size_t pending = static_cast<std::size_t>(next_ - block_.get());
    next_ = block_.get();
    if (pending > 0) {
        if (sink_ != nullptr) {
            sink_->insert(sink_->end(), block_.get(), block_.get() + pending);
        } else if (std::fwrite(block_.get(), 1, pending, file_) != pending) {
            failure_.fail(Failure::output_write_failed);
            return false;
        }
    }
    if (file_ != nullptr && std::fflush(file_) != 0) {
        failure_.fail(Failure::output_write_failed);
        return false;
    }
    return true;
}

// The integer straddles a block boundary or the end of the input: byte by byte.
std::int32_t read_int32_slow(InputStream& in) {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8)
        value |= static_cast<std::uint32_t>(in.read_byte()) << shift;
    return static_cast<std::int32_t>(value);
}

ByteCount read_string(InputStream& in, const TextDestination* destination) {
    ByteCount consumed = 0;
    std::size_t stored = 0;
    while (in.fill()) {
        const std::uint8_t* start = in.data();
        const std::size_t available = in.available();
        const auto* zero = static_cast<const std::uint8_t*>(std::memchr(start, 0, available));
        const std::size_t characters = zero ? static_cast<std::size_t>(zero - start) : available;
        if (destination != nullptr && stored + 1 < destination->capacity) {
            const std::size_t keep = std::min(characters, destination->capacity - 1 - stored);
            std::memcpy(destination->text + stored, start, keep);
            stored += keep;
        }
        consumed += characters;
        in.consume(characters);
        if (zero != nullptr) {
            in.consume(1);
            ++consumed;
            break;
        }
    }
    if (destination != nullptr && destination->capacity > 0)
        destination->text[stored] = '\0';
    return consumed;
}

// Moves the bytes up to and including the next 0 byte, block by block.
static ByteCount copy_through_zero(InputStream& in, OutputStream* out) {
    ByteCount moved = 0;
    while (in.fill()) {
        const std::uint8_t* start = in.data();
        const auto* zero = static_cast<const std::uint8_t*>(std::memchr(start, 0, in.available()));
        const std::size_t part = zero ? static_cast<std::size_t>(zero - start) + 1 : in.available();
        if (out != nullptr)
            out->write(start, part);
        in.consume(part);
        moved += part;
        if (zero != nullptr)
            break;
    }
    return moved;
}

// A string, or a count that runs past the bytes in the input block.
ByteCount copy_bytes_slow(InputStream& in, OutputStream* out, std::uint32_t count) {
    if (count == 0)
        return copy_through_zero(in, out);
    std::size_t left = count;
    while (left > 0 && in.fill()) {
        const std::size_t part = std::min(left, in.available());
        if (out != nullptr)
            out->write(in.data(), part);
        in.consume(part);
        left -= part;
    }
    return count;
}

} // namespace korvix
