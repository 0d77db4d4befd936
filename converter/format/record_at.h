// A record read where it lies in an input that can be read at offsets, as a run that streams the
// input reads it: for the read ahead of --fit and for the walk of a file's contents.
#pragma once

#include "byte_stream.h"
#include "input_bytes.h"
#include "record_framing.h"

#include <limits>
#include <span>

namespace korvix {

// Reads the body of the record whose header lies at `offset`, `length` bytes, by
// read_body(in, length) from a stream of its own over `block`. Gives the failure at which a run
// that streams the input would stop in it: none when the body is whole; the end of the input
// when the file ends in it; a record shorter than its fields where its fields run past its
// length, or the end of the input where they run past the file's end.
template <class ReadBody>
Failure read_record_at(InputBytes& input, InputOffset offset, ByteCount length,
                       std::span<std::uint8_t> block, ReadBody read_body) {
    const InputOffset body = offset + record_header_width;
    RunFailure failure;
    {
        InputBytesSource source(input, body, length);
        InputStream in(failure, source, block);
        read_body(in, length);
        if (failure.failure() != Failure::end_of_input || !source.read_to_size())
            return failure.failure();
    }
    // Its fields run past its length: a run that streams the input reads on into what follows,
    // and stops where the body is found too short, or where the input ends first.
    failure = RunFailure();
    InputBytesSource rest(input, body, std::numeric_limits<ByteCount>::max() - body);
    InputStream in(failure, rest, block);
    read_body(in, length);
    return failure.failure();
}

} // namespace korvix
