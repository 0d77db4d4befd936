// Where the input's bytes come from and where the output's bytes go when they are read and
// written in blocks: a file, or, in the tests and the fuzz target, bytes in memory handed out in
// pieces as a pipe hands them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <system_error>
#include <vector>

namespace korvix {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `count` bytes (count > 0) into `bytes`. Fewer than asked is no end: a pipe
    // gives what it holds. 0 at the end of the input, or when it cannot be read (error() then
    // tells why, and every later read gives 0).
    virtual std::size_t read(std::uint8_t* bytes, std::size_t count) = 0;
    // Why the input could not be read; none at its end.
    virtual std::error_code error() const { return {}; }
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes all of `first`, then all of `second` (either may be empty); false when the bytes
    // cannot all be written.
    virtual bool write(std::span<const std::uint8_t> first,
                       std::span<const std::uint8_t> second) = 0;
    // Hands what has been written to the system; false on failure.
    virtual bool flush() { return true; }
    // Why the last write or flush failed, where the system said.
    virtual std::error_code error() const { return {}; }
};

// Bytes in memory as a source.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t read(std::uint8_t* bytes, std::size_t count) override {
        const std::size_t part = std::min(count, bytes_.size());
        std::copy_n(bytes_.begin(), part, bytes);
        bytes_ = bytes_.subspan(part);
        return part;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

// Another source read as a pipe gives its bytes: each read takes at most the next size of
// `pieces` (sizes from 1 on; the sizes are taken in turn, and again from the first), so that the
// reader gets fewer bytes than it asks for, at places that a whole block never ends at. For the
// tests and the fuzz target.
class PieceReads final : public ByteSource {
public:
    PieceReads(ByteSource& source, std::span<const std::size_t> pieces)
        : source_(source), pieces_(pieces) {}
    std::size_t read(std::uint8_t* bytes, std::size_t count) override {
        if (!pieces_.empty()) {
            count = std::min(count, std::max<std::size_t>(pieces_[next_], 1));
            next_ = (next_ + 1) % pieces_.size();
        }
        return source_.read(bytes, count);
    }

private:
    ByteSource& source_;
    std::span<const std::size_t> pieces_;
    std::size_t next_ = 0;
};

// An output into a byte vector.
class MemorySink final : public ByteSink {
public:
    explicit MemorySink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool write(std::span<const std::uint8_t> first, std::span<const std::uint8_t> second) override {
        bytes_.insert(bytes_.end(), first.begin(), first.end());
        bytes_.insert(bytes_.end(), second.begin(), second.end());
        return true;
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

} // namespace korvix
