// The text buffer of a run: the header strings and the name of the route or track being
// converted, one after the other.
#pragma once

#include "byte_stream.h"

namespace korvix {

// A longer string is still read whole, so that its byte count stays right, but is kept truncated
// to fit.
struct ScratchText {
    static constexpr ByteCount capacity = ByteCount{64} * 1024;
    char text[capacity] = {};

    TextDestination destination() { return {text, capacity}; }
};

} // namespace korvix
