// Buffered byte streams over the input and output files, and the primitives that every field is
// read and written through: bytes, little-endian integers and 0-terminated strings.
//
// The input is read in blocks that move when more of it is read; the output writes what it takes
// from the input from where it lies in the input's block. No pointer into the input's block is
// handed out that outlives the next read: the output is given the next bytes of the input, or
// bytes already passed by their offset in the input (InputOffset), which it takes only while the
// block still holds them, and the input has the output write out what it holds of the block
// before the block changes.
//
// Both streams share one sticky failure (RunFailure). Once a read runs past the end of the input,
// a record turns out shorter than its fields, or a write to the output fails, every later read
// returns 0 without advancing, every later write is dropped, and every loop over a count stops;
// the run driver reports the failure once at the end of the run.
#pragma once

#include "byte_io.h"

#include <algorithm>
#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

namespace korvix {

// A count of bytes: a field width, a byte count moved or consumed, what is left of a body of
// fields. Signed, so that a body shorter than its fields shows as a negative remainder, and wider
// than 32 bits, so that a string running through gigabytes of non-zero bytes is counted exactly.
// The file's own 32-bit lengths and counts become a ByteCount where they are read.
using ByteCount = std::int64_t;

enum class Failure {
    none,
    end_of_input,        // a read ran past the end of the input file
    input_read_failed,   // the input file could not be read (an I/O error): not its end
    record_too_short,    // a record's declared length is smaller than its parsed fields
    output_write_failed, // the output file refused bytes (disk full, I/O error)
    input_changed,       // the input is not what was read of it ahead: another program wrote it
};

// The one failure of a run, shared by its input and output streams. The first failure wins,
// with the system's reason where the system gave one.
class RunFailure {
public:
    bool failed() const { return failure_ != Failure::none; }
    Failure failure() const { return failure_; }
    const std::error_code& reason() const { return reason_; }
    void fail(Failure why, std::error_code reason = {}) {
        if (failure_ == Failure::none) {
            failure_ = why;
            reason_ = reason;
        }
    }

private:
    Failure failure_ = Failure::none;
    std::error_code reason_;
};

class OutputStream;

// An offset in the input: the bytes before it, from the start of the file.
using InputOffset = std::int64_t;

// Checks of the streams' own rules (a span of the input is written only while it lies in the
// input's block; nothing is written while room in the output block is reserved). They are on in
// debug builds and in the sanitizer and fuzz builds, where a broken rule aborts the program; a
// release build leaves them out of the hot paths and keeps a check where it costs nothing.
#if !defined(NDEBUG) || defined(KORVIX_STREAM_CHECKS)
#define KORVIX_STREAM_CHECKS_ON 1
#define KORVIX_STREAM_CHECK(condition)                                                             \
    ((condition) ? void(0) : ::korvix::stream_rule_broken(#condition, __FILE__, __LINE__))
#else
#define KORVIX_STREAM_CHECKS_ON 0
#define KORVIX_STREAM_CHECK(condition) void(0)
#endif
[[noreturn]] void stream_rule_broken(const char* rule, const char* file, int line);

// The input, read front to back: a source read in blocks, or bytes held in memory whole (one
// block that is never read again). The output forwards its bytes from the block: the next bytes,
// or bytes passed already, by their offset in the input, never by where they once lay: the
// block's bytes move when more of the source is read, and an offset either names the same byte
// as before or no byte of the block at all (holds()).
class InputStream {
public:
    static constexpr ByteCount block_size = ByteCount{512} * 1024;
    static constexpr ByteCount smallest_block = 64;

    // A source, read in blocks into `block` (of any size from 64 bytes; the run's are block_size).
    InputStream(RunFailure& failure, ByteSource& source, std::span<std::uint8_t> block);
    // Bytes in memory that are only read.
    InputStream(RunFailure& failure, std::span<const std::uint8_t> bytes);
    // Bytes in memory that the run may change in place (see replace_next_byte).
    struct WritableBytes {
        std::span<std::uint8_t> bytes;
    };
    InputStream(RunFailure& failure, WritableBytes memory);
    // An output that still forwards spans of this input writes them out and forwards no more.
    ~InputStream();
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    bool failed() const { return failure_.failed(); }
    Failure failure() const { return failure_.failure(); }
    RunFailure& run_failure() const { return failure_; }
    void fail(Failure why, std::error_code reason = {}) {
        failure_.fail(why, reason);
        next_ = end_;
    }

    // One byte, or 0 once the stream has failed.
    std::uint8_t read_byte() {
        if (next_ == end_ && !refill())
            return 0;
        return *next_++;
    }

    // Makes at least one byte available; false when the stream has failed or ends here.
    bool fill() { return next_ != end_ || refill(); }
    // The bytes available, until the next read beyond them.
    const std::uint8_t* data() const { return next_; }
    ByteCount available() const { return end_ - next_; }
    void consume(ByteCount count) { next_ += count; }

    // Makes at least `count` bytes (at most the block's size) available, reading more of the
    // source when it has them; false when the input ends first. Looking ahead fails nothing.
    bool ensure(ByteCount count);

    // The offset of the next byte.
    InputOffset offset() const { return block_offset_ + (next_ - block_); }
    // Whether the `count` bytes from offset `at` on are in the block.
    bool holds(InputOffset at, ByteCount count) const {
        return at >= block_offset_ && count >= 0 && at + count <= block_offset_ + (end_ - block_);
    }

    // Changes the next byte in the block, so that forwarding it writes the new value; false when
    // there is no byte buffered or the input may not be changed.
    bool replace_next_byte(std::uint8_t value) {
        if (!writable_ || next_ == end_)
            return false;
        *const_cast<std::uint8_t*>(next_) = value; // the stream's own block, or writable memory
        return true;
    }

private:
    friend class OutputStream;
    // The output that forwards spans of this input: it writes them out before the block changes.
    void set_forwarder(OutputStream* output) { forwarder_ = output; }
    const std::uint8_t* bytes_at(InputOffset at) const { return block_ + (at - block_offset_); }
    bool refill();
    void failed_to_read();
    void before_block_changes();

    RunFailure& failure_;
    ByteSource* source_ = nullptr;
    std::uint8_t* block_ = nullptr;
    ByteCount capacity_ = 0;
    const std::uint8_t* next_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    InputOffset block_offset_ = 0; // of block_[0]
    bool writable_ = false;
    OutputStream* forwarder_ = nullptr;
};

// The output, written front to back in blocks to a sink: the bytes that the run lays out itself,
// and spans of the input forwarded from where they lie in the input's block. Most of what a
// conversion writes is the input as it stands, with single bytes changed in place
// (InputStream::replace_next_byte): forwarding keeps it from being copied. A span grows while
// the input's bytes are forwarded one after the other, and is written, or copied into the block,
// before the bytes the run writes next or before the input's block changes.
class OutputStream {
public:
    static constexpr ByteCount block_size = ByteCount{256} * 1024;

    // A sink, written in blocks from `block` (of any size from 64 bytes; the run's are
    // block_size), or from a block of its own of block_size bytes when none is given.
    OutputStream(RunFailure& failure, ByteSink& sink, std::span<std::uint8_t> block = {});
    // A byte vector in memory.
    OutputStream(RunFailure& failure, std::vector<std::uint8_t>& bytes,
                 std::span<std::uint8_t> block = {});
    // Flushes: the output must go before the input whose spans it forwards.
    ~OutputStream();
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    // Writes are dropped from the run's first failure on, so that the output ends where the run
    // went wrong. Bytes that fit in the block are written inline; the rest take the slow path.
    void write_byte(std::uint8_t byte) {
        if (next_ != end_ && span_end_ == nullptr && !failure_.failed()) {
            KORVIX_STREAM_CHECK(!reserved_);
            *next_++ = byte;
            return;
        }
        write_slow(&byte, 1);
    }
    void write(const std::uint8_t* bytes, ByteCount count) {
        KORVIX_STREAM_CHECK(count >= 0);
        if (count <= room() && span_end_ == nullptr && !failure_.failed()) {
            KORVIX_STREAM_CHECK(!reserved_);
            std::copy_n(bytes, count, next_);
            next_ += count;
            return;
        }
        write_slow(bytes, count);
    }

    // Writes the next `count` bytes of `in` (at most those available), which the caller then
    // consumes, from where they lie in its block.
    void forward(InputStream& in, ByteCount count) {
        if (in.data() == span_end_ && span_end_ != nullptr && !failure_.failed()) {
            KORVIX_STREAM_CHECK(&in == input_ && count <= in.available());
            span_end_ += count;
            return;
        }
        [[maybe_unused]] const bool held = forward_slow(in, in.offset(), count);
        KORVIX_STREAM_CHECK(held); // the next bytes are in the block: at most those available
    }
    // Writes the `count` bytes of `in` from offset `at` on, which the input has passed already,
    // from where they lie in its block. False, and nothing written, when they are no longer there:
    // the caller then writes them from a copy of its own.
    bool forward_read(InputStream& in, InputOffset at, ByteCount count) {
        if (in.holds(at, count) && in.bytes_at(at) == span_end_ && span_end_ != nullptr &&
            &in == input_ && !failure_.failed()) {
            span_end_ += count;
            return true;
        }
        return forward_slow(in, at, count);
    }

    // Room for `count` bytes (at most block_capacity()) in the block, for the caller to lay out
    // there and commit; nothing may be written meanwhile. Null once the run has failed, and then
    // nothing is to be committed.
    std::uint8_t* reserve(ByteCount count) {
        if (count <= room() && span_end_ == nullptr && !failure_.failed()) {
            KORVIX_STREAM_CHECK(!reserved_);
            set_reserved(true);
            return next_;
        }
        return reserve_slow(count);
    }
    void commit(ByteCount count) {
        KORVIX_STREAM_CHECK(reserved_);
        set_reserved(false);
        next_ += count;
    }
    // The most bytes that one reserve() can give: the block, less what a flush may keep of it.
    ByteCount block_capacity() const { return end_ - block_ - (write_unit_ - 1); }

    // Writes the span of the input held so far: before the input's block changes, and before
    // the output's own bytes.
    void release_input_span();

    // Hands all buffered bytes to the sink; false when the output has failed.
    bool flush();

    // Writes before the last one hand the file whole pages, so that every write begins and ends
    // on a page boundary of the file (when the output starts at one): a write that begins inside
    // a page costs the file system about a tenth more than one that begins on it. Blocks smaller
    // than 16 pages, which only tests use, write every byte at once.
    static constexpr ByteCount page_size = 4096;

private:
    ByteCount room() const { return end_ - next_; }
    void use_block(std::span<std::uint8_t> block);
    void set_reserved([[maybe_unused]] bool reserved) {
#if KORVIX_STREAM_CHECKS_ON
        reserved_ = reserved;
#endif
    }
    friend class InputStream;
    // The input is going: its span is written out, and no more of it is forwarded.
    void detach_input() {
        release_input_span();
        input_ = nullptr;
    }
    void write_slow(const std::uint8_t* bytes, ByteCount count);
    bool forward_slow(InputStream& in, InputOffset at, ByteCount count);
    std::uint8_t* reserve_slow(ByteCount count);
    bool flush_block(bool whole_pages = true);
    void hand_over_span(const std::uint8_t* bytes, ByteCount count);
    bool hand_over(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second = {});

    RunFailure& failure_;
    std::unique_ptr<MemorySink> own_sink_;
    ByteSink* sink_;
    std::unique_ptr<std::uint8_t[]> own_block_;
    std::uint8_t* block_ = nullptr;
    std::uint8_t* next_ = nullptr;
    std::uint8_t* end_ = nullptr;
    ByteCount write_unit_ = 1; // page_size, or 1 for a small block
    // The span of the input to be written behind the block's bytes. Its bytes are where the
    // input's block holds them: the input has the span written before its block changes.
    InputStream* input_ = nullptr;
    InputOffset span_offset_ = 0; // of the span's first byte
    const std::uint8_t* span_begin_ = nullptr;
    const std::uint8_t* span_end_ = nullptr;
#if KORVIX_STREAM_CHECKS_ON
    bool reserved_ = false;
#endif
};

// A destination for a string read from the input: at most capacity - 1 characters are kept.
struct TextDestination {
    char* text;
    ByteCount capacity;
};

// The primitives below are inline: parsing calls them for every few bytes, so each one
// handles the common case, a field that lies whole in the input block and fits in the output
// block, in a few instructions, and leaves block boundaries, the end of the input and failures to
// out-of-line functions with the same results.

// A 32-bit little-endian integer in memory: one load or store on a little-endian machine.
inline std::uint32_t load_le32(const std::uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    } else {
        return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
               (static_cast<std::uint32_t>(bytes[3]) << 24);
    }
}
inline std::uint64_t load_le64(const std::uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    } else {
        return load_le32(bytes) | std::uint64_t{load_le32(bytes + 4)} << 32;
    }
}
inline void store_le32(std::uint8_t* bytes, std::uint32_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, &value, sizeof value);
    } else {
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
inline void store_le64(std::uint8_t* bytes, std::uint64_t value) {
    store_le32(bytes, static_cast<std::uint32_t>(value));
    store_le32(bytes + 4, static_cast<std::uint32_t>(value >> 32));
}

// Reads a 32-bit little-endian integer.
std::int32_t read_int32_slow(InputStream& in);
inline std::int32_t read_int32(InputStream& in) {
    if (in.available() < 4)
        return read_int32_slow(in);
    const std::uint32_t value = load_le32(in.data());
    in.consume(4);
    return static_cast<std::int32_t>(value);
}

// Reads a 0-terminated string; stores it (truncated to fit) when a destination is given.
// Returns the bytes consumed: characters + 1.
ByteCount read_string(InputStream& in, const TextDestination* destination);

// The bytes a record's body would take, counted by the same writer that writes it to the
// output: a generated record's writer runs once on a tally, for the length in its header, and
// once on the output (write_generated_record, gdb_fields.h), so that its length is stated once.
class ByteTally {
public:
    void write_byte(std::uint8_t) { ++count_; }
    void write(const std::uint8_t*, ByteCount count) { count_ += count; }
    ByteCount count() const { return count_; }

private:
    ByteCount count_ = 0;
};

// The writes of the fields below go to an OutputStream or to a ByteTally.
template <class Out>
concept ByteWriter = std::same_as<Out, OutputStream> || std::same_as<Out, ByteTally>;

template <ByteWriter Out> void write_int32(Out& out, std::int32_t value) {
    std::uint8_t bytes[4];
    store_le32(bytes, static_cast<std::uint32_t>(value));
    out.write(bytes, sizeof bytes);
}

template <ByteWriter Out> void write_string(Out& out, const char* text) {
    out.write(reinterpret_cast<const std::uint8_t*>(text), std::ssize(std::string_view(text)) + 1);
}

// Writes count bytes of a template or buffer. Counts are the program's own (widths of templates
// and layouts), never the file's: a negative one is a fault of the program, which ends it rather
// than write what it cannot say.
template <ByteWriter Out> void write_bytes(Out& out, const std::uint8_t* bytes, ByteCount count) {
    if (count < 0)
        stream_rule_broken("count >= 0", __FILE__, __LINE__);
    out.write(bytes, count);
}
template <ByteWriter Out> void write_bytes(Out& out, std::span<const std::uint8_t> bytes) {
    write_bytes(out, bytes.data(), std::ssize(bytes));
}

// Moves exactly `count` bytes from the input to the output (or to nowhere when out is null) and
// returns count: a computed count (what is left of a body, the bytes behind a flag) of 0 or less
// moves nothing and returns 0. Bytes the input does not have fail the run, and are counted all
// the same, so that a body's bookkeeping stays as its fields declare.
ByteCount move_bytes_slow(InputStream& in, OutputStream* out, ByteCount count);
inline ByteCount move_bytes(InputStream& in, OutputStream* out, ByteCount count) {
    if (count <= 0)
        return 0;
    if (in.available() < count)
        return move_bytes_slow(in, out, count);
    if (out != nullptr)
        out->forward(in, count);
    in.consume(count);
    return count;
}

// Moves the bytes up to and including the next 0 byte, a string, and returns how many.
ByteCount copy_string(InputStream& in, OutputStream* out);

} // namespace korvix
