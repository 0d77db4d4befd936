#include "byte_stream.h"
#include "file_io.h"
#include "gdb_builder.h"
#include "gdb_fields.h"
#include "platform.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>

namespace korvix {
namespace {

using testing::Bytes;
using testing::TempDir;
using testing::utf8_name;

// An input over bytes in memory, an output into memory, sharing one failure.
struct Streams {
    explicit Streams(Bytes input_bytes) : input(std::move(input_bytes)) {}
    Bytes input;
    Bytes output;
    RunFailure failure;
    InputStream in{failure, input};
    OutputStream out{failure, output};

    Bytes written() {
        out.flush();
        return output;
    }
};

TEST(ReadPrimitives, Int32IsLittleEndianAndSigned) {
    Streams s({0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12});
    EXPECT_EQ(read_int32(s.in), 1);
    EXPECT_EQ(read_int32(s.in), -1);
    EXPECT_EQ(read_int32(s.in), 0x12345678);
    EXPECT_FALSE(s.in.failed());
}

TEST(ReadPrimitives, StringReturnsCharactersPlusOneAndStoresThem) {
    Streams s({0x00, 'A', 'b', 'c', 0x00, 'Z'});
    char text[16] = "junk";
    const TextDestination destination{text, sizeof text};
    EXPECT_EQ(read_string(s.in, &destination), 1U);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(read_string(s.in, &destination), 4U);
    EXPECT_STREQ(text, "Abc");
    EXPECT_EQ(s.in.read_byte(), 'Z');
}

TEST(ReadPrimitives, LongStringIsCountedWholeButStoredTruncated) {
    Bytes input(100, 'x');
    input.push_back(0);
    input.push_back('N');
    Streams s(input);
    char text[8];
    const TextDestination destination{text, sizeof text};
    EXPECT_EQ(read_string(s.in, &destination), 101U);
    EXPECT_STREQ(text, "xxxxxxx");
    EXPECT_EQ(s.in.read_byte(), 'N'); // the whole string was consumed
}

TEST(ReadPrimitives, RecordHeaderIsLengthThenTypeLetter) {
    Streams s({0x47, 0x00, 0x00, 0x00, 'W', 0xFF, 0xFF, 0xFF, 0xFF, 'Q'});
    const RecordHeader first = read_record_header(s.in);
    EXPECT_EQ(first.length, 71);
    EXPECT_EQ(first.type, 'W');
    const RecordHeader second = read_record_header(s.in);
    EXPECT_EQ(second.length, -1);
    EXPECT_EQ(second.type, 'Q');
}

TEST(WritePrimitives, WriteTheBytesOfTheFormat) {
    Streams s({});
    write_int32(s.out, -2);
    write_string(s.out, "AB");
    write_string(s.out, "");
    const std::uint8_t bytes[] = {7, 8, 9};
    write_bytes(s.out, bytes, 3);
    write_bytes(s.out, bytes, 0);
    write_position(s.out, 1, 2);
    write_record_header(s.out, 'T', 12);
    EXPECT_EQ(s.written(), (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 'A', 'B', 0, 0,  7, 8, 9, 1,  0,
                                  0,    0,    2,    0,    0,   0,   0, 12, 0, 0, 0, 'T'}));
}

// A string moves through the next 0 byte; a computed count of 0 or less moves nothing. A
// negative count of bytes to write is the program's fault, which ends it.
TEST(CopyPrimitives, AStringMovesThroughTheNextZeroByte) {
    Streams s({'a', 'b', 'c', 0x00, 'd'});
    EXPECT_EQ(move_bytes(s.in, &s.out, 0), 0U);
    EXPECT_EQ(move_bytes(s.in, &s.out, -3), 0U);
    EXPECT_EQ(copy_string(s.in, &s.out), 4U);
    EXPECT_EQ(s.written(), (Bytes{'a', 'b', 'c', 0x00}));
    EXPECT_EQ(s.in.read_byte(), 'd');
    const std::uint8_t bytes[] = {7};
    EXPECT_DEATH(write_bytes(s.out, bytes, -5), "count >= 0");
}

TEST(CopyPrimitives, OptionalMovesValueOnlyBehindNonZeroPresence) {
    // Presence 0; presence 1 and a value; presence 2 (any non-zero byte counts) and a value.
    const Bytes moved = testing::Fields().u8(0).u8(1).fill(0xAA, 8).u8(2).fill(0xBB, 8).bytes();
    Streams s(testing::concat({moved, {0x55}}));
    EXPECT_EQ(copy_optional(s.in, &s.out, 8), 1U);
    EXPECT_EQ(copy_optional(s.in, &s.out, 8), 9U);
    EXPECT_EQ(copy_optional(s.in, &s.out, 8), 9U);
    EXPECT_EQ(s.in.read_byte(), 0x55);
    EXPECT_EQ(s.written(), moved);
}

TEST(CopyPrimitives, WithoutOutputTheSameBytesAreConsumedAndNothingWritten) {
    const Bytes input{'n', 'a', 'm', 'e', 0x00, 0x03, 1, 2, 3, 4, 5, 6, 7, 8, 0x00, 9, 9, 9, 'X'};
    Streams copied(input);
    Streams skipped(input);
    const ByteCount name = copy_string(copied.in, &copied.out);
    const ByteCount optional = copy_optional(copied.in, &copied.out, 8);
    const ByteCount fixed = move_bytes(copied.in, &copied.out, 4);
    EXPECT_EQ(copy_string(skipped.in, nullptr), name);
    EXPECT_EQ(copy_optional(skipped.in, nullptr, 8), optional);
    EXPECT_EQ(move_bytes(skipped.in, nullptr, 4), fixed);
    EXPECT_EQ(copied.in.read_byte(), 'X');
    EXPECT_EQ(skipped.in.read_byte(), 'X');
    EXPECT_TRUE(skipped.written().empty());
    EXPECT_EQ(copied.written(), Bytes(input.begin(), input.end() - 1));
}

// The end of the input is sticky: every read behind it yields 0 without advancing, copies stop,
// and the failure is there for the run driver to report.
// Forwarded bytes of an input that ends before the output are written when the input ends, not
// taken later from where its block was.
TEST(CopyPrimitives, BytesForwardedFromAnInputThatEndsFirstAreWritten) {
    RunFailure failure;
    Bytes output;
    OutputStream out(failure, output);
    Bytes input{1, 2, 3, 4, 5};
    {
        InputStream in(failure, input);
        EXPECT_EQ(move_bytes(in, &out, 4), 4);
    }
    std::fill(input.begin(), input.end(), std::uint8_t{0xEE});
    out.flush();
    EXPECT_EQ(output, (Bytes{1, 2, 3, 4}));
}

TEST(EndOfInput, EveryReadPastTheEndFailsTheStreamAndYieldsZero) {
    Streams s({0x01, 0x02});
    EXPECT_EQ(read_int32(s.in), 0x0201);
    EXPECT_TRUE(s.in.failed());
    EXPECT_EQ(s.in.failure(), Failure::end_of_input);
    EXPECT_EQ(read_int32(s.in), 0);
    EXPECT_EQ(s.in.read_byte(), 0);
}

TEST(EndOfInput, StringAndCopiesStopAtTheEnd) {
    Streams unterminated({'a', 'b', 'c'});
    EXPECT_EQ(copy_string(unterminated.in, &unterminated.out), 3U);
    EXPECT_TRUE(unterminated.in.failed());

    Streams short_copy({1, 2, 3});
    move_bytes(short_copy.in, &short_copy.out, 0xFFFFFFFFU); // a record length of -1
    EXPECT_TRUE(short_copy.in.failed());
    EXPECT_EQ(short_copy.written(), (Bytes{1, 2, 3}));
}

// A source that cannot be read is no end of the input: the failure says so, with the system's
// reason, whether the read was a refill or a look ahead, and nothing is read behind it.
class FailingSource final : public ByteSource {
public:
    explicit FailingSource(std::span<const std::uint8_t> bytes) : good_(bytes) {}
    std::size_t read(std::uint8_t* bytes, std::size_t count) override {
        const std::size_t got = good_.read(bytes, count);
        if (got == 0)
            error_ = std::make_error_code(std::errc::io_error);
        return got;
    }
    std::error_code error() const override { return error_; }

private:
    MemorySource good_;
    std::error_code error_;
};

TEST(EndOfInput, AReadErrorIsNoEnd) {
    const Bytes input{1, 2, 3, 4, 5, 6};
    for (const bool look_ahead : {false, true}) {
        FailingSource source(input);
        std::vector<std::uint8_t> block(InputStream::smallest_block);
        RunFailure failure;
        InputStream in(failure, source, block);
        EXPECT_EQ(read_int32(in), 0x04030201);
        if (look_ahead)
            EXPECT_FALSE(in.ensure(8));
        else
            EXPECT_EQ(read_int32(in), 0x0605);
        EXPECT_EQ(failure.failure(), Failure::input_read_failed) << look_ahead;
        EXPECT_EQ(failure.reason(), std::errc::io_error) << look_ahead;
        EXPECT_EQ(in.read_byte(), 0);
    }
}

TEST(EndOfInput, WritesAfterTheFailureAreDropped) {
    Streams s({0x01});
    s.out.write_byte(0x11);
    read_int32(s.in);
    s.out.write_byte(0x22);
    write_string(s.out, "late");
    EXPECT_EQ(s.written(), (Bytes{0x11}));
}

// Files larger than the stream's block: block boundaries fall inside strings and integers, and
// the output's writes, which hand the file whole pages, end inside pieces of every kind.
TEST(FileStreams, CopyAcrossBlockBoundariesIsExact) {
    Bytes input(3 * InputStream::block_size + 256);
    std::iota(input.begin(), input.end(), std::uint8_t{1}); // a zero byte ends every 256
    Bytes own(2 * OutputStream::block_size + 1000);         // bytes that the output lays out
    std::iota(own.rbegin(), own.rend(), std::uint8_t{7});
    const TempDir dir("korvix-streams");
    std::FILE* in_file = open_file(utf8_name(dir / "in"), "w+b");
    std::FILE* out_file = open_file(utf8_name(dir / "out"), "w+b");
    ASSERT_TRUE(in_file && out_file);
    std::fwrite(input.data(), 1, input.size(), in_file);
    std::rewind(in_file);
    {
        RunFailure failure;
        FileSource source(in_file, false);
        std::vector<std::uint8_t> block(InputStream::block_size);
        InputStream in(failure, source, block);
        FileSink sink(out_file);
        OutputStream out(failure, sink);
        ByteCount moved = move_bytes(in, &out, InputStream::block_size - 2);
        moved += 4;
        write_int32(out, read_int32(in)); // straddles the first block boundary
        while (moved < std::ssize(input) && !in.failed())
            moved += copy_string(in, &out);
        EXPECT_EQ(moved, std::ssize(input));
        // Pieces of a page and one byte, written and reserved in turn, so that a flush finds
        // the block full or a page begun.
        constexpr std::size_t piece = OutputStream::page_size + 1;
        for (std::size_t at = 0; at < own.size(); at += piece) {
            const std::size_t size = std::min(piece, own.size() - at);
            if (at / piece % 2 == 0) {
                out.write(own.data() + at, static_cast<ByteCount>(size));
            } else {
                std::copy_n(own.data() + at, size, out.reserve(static_cast<ByteCount>(size)));
                out.commit(static_cast<ByteCount>(size));
            }
        }
        EXPECT_FALSE(failure.failed());
    }
    const Bytes expected = testing::concat({input, own});
    std::rewind(out_file);
    Bytes output(expected.size() + 1);
    EXPECT_EQ(std::fread(output.data(), 1, output.size(), out_file), expected.size());
    output.resize(expected.size());
    EXPECT_TRUE(output == expected);
    std::fclose(in_file);
    std::fclose(out_file);
}

TEST(FileStreams, AFullDiskFailsTheRun) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full == nullptr)
        GTEST_SKIP() << "no /dev/full on this system";
    RunFailure failure;
    {
        FileSink sink(full);
        OutputStream out(failure, sink);
        const Bytes block(2 * OutputStream::block_size, 0x42);
        out.write(block.data(), block.size());
    }
    EXPECT_EQ(failure.failure(), Failure::output_write_failed);
    std::fclose(full);
}

} // namespace
} // namespace korvix
