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

void OutputStream::write(const std::uint8_t* bytes, std::size_t count) {
    if (failure_.failed())
        return;
    while (count > 0) {
        if (next_ == end_ && !flush())
            return;
        const std::size_t room = static_cast<std::size_t>(end_ - next_);
        const std::size_t part = std::min(room, count);
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

std::int32_t read_int32(InputStream& in) {
    std::uint32_t value = 0;
    if (in.available() >= 4) {
        const std::uint8_t* b = in.data();
        value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        in.consume(4);
    } else {
        for (int shift = 0; shift < 32; shift += 8)
            value |= static_cast<std::uint32_t>(in.read_byte()) << shift;
    }
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

void write_int32(OutputStream& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
        static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    out.write(bytes, sizeof bytes);
}

void write_string(OutputStream& out, const char* text) {
    out.write(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text) + 1);
}

void write_bytes(OutputStream& out, const std::uint8_t* bytes, std::int64_t count) {
    if (count > 0)
        out.write(bytes, static_cast<std::size_t>(count));
}

void write_position(OutputStream& out, std::int32_t latitude, std::int32_t longitude) {
    write_int32(out, latitude);
    write_int32(out, longitude);
    out.write_byte(0);
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

ByteCount copy_bytes(InputStream& in, OutputStream* out, std::uint32_t count) {
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

ByteCount copy_optional(InputStream& in, OutputStream* out, std::uint32_t size) {
    const std::uint8_t presence = in.read_byte();
    if (out != nullptr)
        out->write_byte(presence);
    if (presence == 0)
        return 1;
    return copy_bytes(in, out, size) + 1;
}

RecordHeader read_record_header(InputStream& in) {
    const std::int32_t length = read_int32(in);
    const char type = static_cast<char>(in.read_byte());
    return {length, type};
}

void write_record_header(OutputStream& out, char type, std::int32_t length) {
    write_int32(out, length);
    out.write_byte(static_cast<std::uint8_t>(type));
}

} // namespace korvix
