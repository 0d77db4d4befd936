#include "byte_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace korvix {

namespace {

ByteCount write_unit_of(ByteCount capacity) {
    constexpr ByteCount page = OutputStream::page_size;
    return capacity >= 16 * page && capacity % page == 0 ? page : 1;
}

} // namespace

void stream_rule_broken(const char* rule, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: stream rule broken: %s\n", file, line, rule);
    std::abort();
}

InputStream::InputStream(RunFailure& failure, ByteSource& source, std::span<std::uint8_t> block)
    : failure_(failure), source_(&source), block_(block.data()), capacity_(std::ssize(block)),
      next_(block.data()), end_(block.data()), writable_(true) {
    KORVIX_STREAM_CHECK(capacity_ >= smallest_block);
}

InputStream::InputStream(RunFailure& failure, std::span<const std::uint8_t> bytes)
    : failure_(failure), block_(const_cast<std::uint8_t*>(bytes.data())), // never written
      capacity_(std::ssize(bytes)), next_(bytes.data()), end_(bytes.data() + bytes.size()) {}

InputStream::InputStream(RunFailure& failure, WritableBytes memory)
    : InputStream(failure, std::span<const std::uint8_t>(memory.bytes)) {
    writable_ = true;
}

InputStream::~InputStream() {
    if (forwarder_ != nullptr)
        forwarder_->detach_input();
}

void InputStream::before_block_changes() {
    if (forwarder_ != nullptr)
        forwarder_->release_input_span();
}

// Called only when a byte is needed and none is buffered, so running dry here means the input
// ended in the middle of something that had to be read.
bool InputStream::refill() {
    if (failure_.failed())
        return false;
    if (source_ != nullptr) {
        before_block_changes();
        block_offset_ += end_ - block_;
        next_ = end_ = block_;
        const std::size_t got = source_->read(block_, static_cast<std::size_t>(capacity_));
        end_ += got;
        if (got > 0)
            return true;
        if (source_->error()) {
            failed_to_read();
            return false;
        }
    }
    fail(Failure::end_of_input);
    return false;
}

// A read error is no end of the input: it is said as what it is, with the system's reason.
void InputStream::failed_to_read() {
    fail(Failure::input_read_failed, source_->error());
}

bool InputStream::ensure(ByteCount count) {
    if (available() >= count)
        return true;
    if (source_ == nullptr || failure_.failed() || count > capacity_)
        return false;
    before_block_changes();
    const ByteCount kept = available();
    block_offset_ = offset();
    std::memmove(block_, next_, static_cast<std::size_t>(kept));
    next_ = block_;
    end_ = block_ + kept;
    while (available() < count) {
        const std::size_t got =
            source_->read(block_ + available(), static_cast<std::size_t>(capacity_ - available()));
        if (got == 0) {
            if (source_->error())
                failed_to_read();
            return false;
        }
        end_ += got;
    }
    return true;
}

OutputStream::OutputStream(RunFailure& failure, ByteSink& sink, std::span<std::uint8_t> block)
    : failure_(failure), sink_(&sink) {
    use_block(block);
}

OutputStream::OutputStream(RunFailure& failure, std::vector<std::uint8_t>& bytes,
                           std::span<std::uint8_t> block)
    : failure_(failure), own_sink_(std::make_unique<MemorySink>(bytes)), sink_(own_sink_.get()) {
    use_block(block);
}

// The block given, or one of the stream's own of the default size.
void OutputStream::use_block(std::span<std::uint8_t> block) {
    if (block.empty()) {
        own_block_.reset(new std::uint8_t[static_cast<std::size_t>(block_size)]);
        block = {own_block_.get(), static_cast<std::size_t>(block_size)};
    }
    KORVIX_STREAM_CHECK(std::ssize(block) >= InputStream::smallest_block);
    block_ = next_ = block.data();
    end_ = block_ + block.size();
    write_unit_ = write_unit_of(std::ssize(block));
}

OutputStream::~OutputStream() {
    flush();
    if (input_ != nullptr)
        input_->set_forwarder(nullptr);
}

bool OutputStream::forward_slow(InputStream& in, InputOffset at, ByteCount count) {
    if (failure_.failed())
        return true; // dropped, as every write from the failure on
    if (!in.holds(at, count))
        return false;
    KORVIX_STREAM_CHECK(!reserved_);
    const std::uint8_t* const bytes = in.bytes_at(at);
    if (bytes == span_end_ && &in == input_) {
        span_end_ += count;
        return true;
    }
    release_input_span();
    if (&in != input_) {
        // One output forwards an input's spans: two would each write theirs out before the
        // block changes, and a span's bytes could be taken by the one that does not hold them.
        KORVIX_STREAM_CHECK(in.forwarder_ == nullptr);
        if (in.forwarder_ != nullptr) {
            failure_.fail(Failure::output_write_failed);
            return true; // dropped, as every write from the failure on
        }
        if (input_ != nullptr)
            input_->set_forwarder(nullptr);
        input_ = &in;
        in.set_forwarder(this);
    }
    span_offset_ = at;
    span_begin_ = bytes;
    span_end_ = bytes + count;
    return true;
}

void OutputStream::release_input_span() {
    if (span_end_ == nullptr)
        return;
    const std::uint8_t* const bytes = span_begin_;
    const ByteCount count = span_end_ - span_begin_;
    span_begin_ = span_end_ = nullptr;
    // The input has the span written before its block changes, so the span lies where it began.
    KORVIX_STREAM_CHECK(input_->holds(span_offset_, count) &&
                        input_->bytes_at(span_offset_) == bytes);
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
    if (!hand_over({block_, static_cast<std::size_t>(pending)},
                   {bytes, static_cast<std::size_t>(written)}))
        return;
    std::copy_n(bytes + written, count - written, next_);
    next_ += count - written;
}

std::uint8_t* OutputStream::reserve_slow(ByteCount count) {
    if (failure_.failed())
        return nullptr;
    KORVIX_STREAM_CHECK(!reserved_ && count <= block_capacity());
    if (count > block_capacity()) { // room that the block cannot give: nothing is to be laid out
        failure_.fail(Failure::output_write_failed);
        return nullptr;
    }
    release_input_span();
    if (count > room() && !flush_block())
        return nullptr;
    set_reserved(true);
    return next_;
}

void OutputStream::write_slow(const std::uint8_t* bytes, ByteCount count) {
    if (failure_.failed())
        return;
    KORVIX_STREAM_CHECK(!reserved_);
    release_input_span();
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

bool OutputStream::hand_over(std::span<const std::uint8_t> first,
                             std::span<const std::uint8_t> second) {
    if (!sink_->write(first, second)) {
        failure_.fail(Failure::output_write_failed, sink_->error());
        return false;
    }
    return true;
}

// Writes the block's bytes, all of them or its whole pages; the bytes of a page begun stay at the
// front of the block.
bool OutputStream::flush_block(bool whole_pages) {
    const ByteCount pending = next_ - block_;
    const ByteCount written = whole_pages ? pending - pending % write_unit_ : pending;
    if (written > 0 && !hand_over({block_, static_cast<std::size_t>(written)})) {
        next_ = block_;
        return false;
    }
    std::memmove(block_, block_ + written, static_cast<std::size_t>(pending - written));
    next_ = block_ + (pending - written);
    if (!sink_->flush()) {
        failure_.fail(Failure::output_write_failed, sink_->error());
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

// Block by block.
ByteCount copy_string(InputStream& in, OutputStream* out) {
    ByteCount moved = 0;
    while (in.fill()) {
        const std::uint8_t* start = in.data();
        const std::uint8_t* const end = start + in.available();
        const std::uint8_t* const zero = find_zero(start, end);
        const ByteCount part = zero != end ? zero - start + 1 : end - start;
        if (out != nullptr)
            out->forward(in, part);
        in.consume(part);
        moved += part;
        if (zero != end)
            break;
    }
    return moved;
}

// A count that runs past the bytes in the input block, or none at all.
ByteCount move_bytes_slow(InputStream& in, OutputStream* out, ByteCount count) {
    if (count <= 0)
        return 0;
    ByteCount left = count;
    while (left > 0 && in.fill()) {
        const ByteCount part = std::min(left, in.available());
        if (out != nullptr)
            out->forward(in, part);
        in.consume(part);
        left -= part;
    }
    return count;
}

} // namespace korvix
