// The memory of a GPX run beside the run's own (run_context.h), reserved with it: the texts of
// the points collected for a generated route or track, and the bytes that a conversion holds
// back while it cannot yet tell what to write before them.
#pragma once

#include "point_buffer.h"
#include "point_texts.h"

#include <cstdint>

namespace korvix {

struct GpxMemory {
    PointTexts texts;
    // The positions collected, before a reduction left some of them out: the kept points are
    // found among them again, so that each is written with its own texts.
    std::uint64_t collected[PointBuffer::capacity];
    std::uint16_t kept_slot[PointBuffer::capacity];
    static constexpr std::size_t held_capacity = std::size_t{64} * 1024;
    char held[held_capacity];     // bytes behind a route point whose mark is not known yet
    char via_mark[held_capacity]; // a route point's own trp:ViaPoint, taken out of its place
    static constexpr std::size_t root_capacity = std::size_t{64} * 1024;
    char root_tag[root_capacity]; // the XML declaration and the gpx start tag, for the read ahead
};

} // namespace korvix
