#include "byte_stream.h"

#include "platform.h"

#include <algorithm>

namespace korvix {

namespace {

// The block given, or one of the stream's own of the default size.
std::uint8_t* block_of(std::span<std::uint8_t> given, std::unique_ptr<std::uint8_t[]>& own,
                       ByteCount size) {
    if (!given.empty())
        return given.data();
    own.reset(new std::uint8_t[static_cast<std::size_t>(size)]);
    return own.get();
}

ByteCount capacity_of(std::span<std::uint8_t> given, ByteCount size) {
    return given.empty() ? size : std::ssize(given);
}

ByteCount write_unit_of(ByteCount capacity) {
    constexpr ByteCount page = OutputStream::page_size;
    return capacity >= 16 * page && capacity % page == 0 ? page : 1;
}

} // namespace

InputStream::InputStream(RunFailure& failure, std::FILE* file, std::span<std::uint8_t> block)
    : failure_(failure), file_(file), block_(block_of(block, own_block_, block_size)),
      capacity_(capacity_of(block, block_size)) {
    std::setvbuf(file, nullptr, _IONBF, 0); // the stream buffers in blocks of its own
    next_ = end_ = block_;
    writable_ = true;
}

InputStream::InputStream(RunFailure& failure, std::span<const std::uint8_t> bytes)
    : failure_(failure), next_(bytes.data()), end_(bytes.data() + bytes.size()) {}

InputStream::InputStream(RunFailure& failure, WritableBytes memory)
    : failure_(failure), next_(memory.bytes.data()),
      end_(memory.bytes.data() + memory.bytes.size()), writable_(true) {}

void InputStream::before_buffer_changes() {
    if (writer_ != nullptr)
        writer_->release_input_span();
}

// Called only when a byte is needed and none is buffered, so running dry here means the input
// ended in the middle of something that had to be read.
bool InputStream::refill() {
    if (failure_.failed())
        return false;
    if (file_ != nullptr) {
        before_buffer_changes();
        const std::size_t got = std::fread(block_, 1, static_cast<std::size_t>(capacity_), file_);
        if (got > 0) {
            next_ = block_;
            end_ = next_ + got;
            return true;
        }
    }
    fail(Failure::end_of_input);
    return false;
}

bool InputStream::ensure(ByteCount count) {
    if (available() >= count)
        return true;
    if (file_ == nullptr || failure_.failed() || count > capacity_)
        return false;
    before_buffer_changes();
    const ByteCount kept = available();
    std::memmove(block_, next_, static_cast<std::size_t>(kept));
    next_ = block_;
    end_ = block_ + kept;
    while (available() < count) {
        const std::size_t got = std::fread(
            block_ + available(), 1, static_cast<std::size_t>(capacity_ - available()), file_);
        if (got == 0)
            return false;
        end_ += got;
    }
    return true;
}

OutputStream::OutputStream(RunFailure& failure, std::FILE* file, std::span<std::uint8_t> block)
    : failure_(failure), file_(file), block_(block_of(block, own_block_, block_size)) {
    std::setvbuf(file, nullptr, _IONBF, 0); // the stream buffers in blocks of its own
    use_block(capacity_of(block, block_size));
}

OutputStream::OutputStream(RunFailure& failure, std::vector<std::uint8_t>& sink,
                           std::span<std::uint8_t> block)
    : failure_(failure), sink_(&sink), block_(block_of(block, own_block_, block_size)) {
    use_block(capacity_of(block, block_size));
}

void OutputStream::use_block(ByteCount capacity) {
    next_ = block_;
    end_ = block_ + capacity;
    write_unit_ = write_unit_of(capacity);
}

OutputStream::~OutputStream() {
    flush();
}

void OutputStream::write_from(InputStream& in) {
    input_begin_ = in.buffer_begin();
    input_end_ = in.buffer_end();
    in.set_writer(this);
}

void OutputStream::release_input_span() {
    if (input_span_end_ == nullptr)
        return;
    const std::uint8_t* const bytes = input_span_begin_;
    const ByteCount count = input_span_end_ - input_span_begin_;
    input_span_begin_ = input_span_end_ = nullptr;
    // A short span costs less copied into the block than written on its own.
    constexpr ByteCount longest_copied = 16 * 1024;
    if (count <= longest_copied && count <= room()) {
        std::copy_n(bytes, count, next_);
        next_ += count;
    } else {
        hand_over_span(bytes, count);
    }
}

// A long span of input bytes, written from where it lies, behind the block's bytes and with them
// in one write that ends on a page boundary; the rest of the span, less than a page, stays in the
// block.
void OutputStream::hand_over_span(const std::uint8_t* bytes, ByteCount count) {
    const ByteCount pending = next_ - block_;
    const ByteCount total = pending + count;
    const ByteCount written = std::max(total - total % write_unit_, pending) - pending;
    next_ = block_;
    if (!hand_over(block_, pending, bytes, written))
        return;
    std::copy_n(bytes + written, count - written, next_);
    next_ += count - written;
}

std::uint8_t* OutputStream::reserve_slow(ByteCount count) {
    if (failure_.failed())
        return nullptr;
    release_input_span();
    if (count > room() && !flush_block())
        return nullptr;
    return next_;
}

void OutputStream::write_slow(const std::uint8_t* bytes, ByteCount count) {
    if (failure_.failed())
        return;
    release_input_span();
    if (in_input_buffer(bytes)) {
        input_span_begin_ = bytes;
        input_span_end_ = bytes + count;
        return;
    }
    while (count > 0) {
        if (next_ == end_ && !flush_block())
            return;
        const ByteCount part = std::min(room(), count);
        std::copy_n(bytes, part, next_);
        next_ += part;
        bytes += part;
        count -= part;
    }
}

// The bytes written before a failure still go out, so that the output ends where the run failed.
bool OutputStream::flush() {
    release_input_span();
    return flush_block(false);
}

bool OutputStream::hand_over(const std::uint8_t* first, ByteCount first_count,
                             const std::uint8_t* second, ByteCount second_count) {
    if (sink_ != nullptr) {
        sink_->insert(sink_->end(), first, first + first_count);
        sink_->insert(sink_->end(), second, second + second_count);
    } else if (!write_two(file_, first, static_cast<std::size_t>(first_count), second,
                          static_cast<std::size_t>(second_count))) {
        failure_.fail(Failure::output_write_failed);
        return false;
    }
    return true;
}

// Writes the block's bytes, all of them or its whole pages; the bytes of a page begun stay at the
// front of the block.
bool OutputStream::flush_block(bool whole_pages) {
    const ByteCount pending = next_ - block_;
    const ByteCount written = whole_pages ? pending - pending % write_unit_ : pending;
    if (written > 0 && !hand_over(block_, written)) {
        next_ = block_;
        return false;
    }
    std::memmove(block_, block_ + written, static_cast<std::size_t>(pending - written));
    next_ = block_ + (pending - written);
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

// The first 0 byte in [start, end), or end. memchr: strings are scanned many bytes at a time.
static const std::uint8_t* find_zero(const std::uint8_t* start, const std::uint8_t* end) {
    const void* zero = std::memchr(start, 0, static_cast<std::size_t>(end - start));
    return zero != nullptr ? static_cast<const std::uint8_t*>(zero) : end;
}

ByteCount read_string(InputStream& in, const TextDestination* destination) {
    ByteCount consumed = 0;
    ByteCount stored = 0;
    while (in.fill()) {
        const std::uint8_t* start = in.data();
        const std::uint8_t* const end = start + in.available();
        const std::uint8_t* const zero = find_zero(start, end);
        const ByteCount characters = zero - start;
        if (destination != nullptr && stored + 1 < destination->capacity) {
            const ByteCount keep = std::min(characters, destination->capacity - 1 - stored);
            std::copy_n(start, keep, destination->text + stored);
            stored += keep;
        }
        consumed += characters;
        in.consume(characters);
        if (zero != end) {
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
        const std::uint8_t* const end = start + in.available();
        const std::uint8_t* const zero = find_zero(start, end);
        const ByteCount part = zero != end ? zero - start + 1 : end - start;
        if (out != nullptr)
            out->write(start, part);
        in.consume(part);
        moved += part;
        if (zero != end)
            break;
    }
    return moved;
}

// A string, or a count that runs past the bytes in the input block.
ByteCount copy_bytes_slow(InputStream& in, OutputStream* out, ByteCount count) {
    if (count == 0)
        return copy_through_zero(in, out);
    if (count < 0)
        return 0;
    ByteCount left = count;
    while (left > 0 && in.fill()) {
        const ByteCount part = std::min(left, in.available());
        if (out != nullptr)
            out->write(in.data(), part);
        in.consume(part);
        left -= part;
    }
    return count;
}

} // namespace korvix
