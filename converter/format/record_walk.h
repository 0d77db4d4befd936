// The read ahead over the records of an input that can be read where asked: from one record
// header to the next by their lengths, up to the closing record, looking only at each record's
// header and the first bytes of its body. The run looks ahead so before it writes what depends on
// records further on (the names that the input's waypoints go by).
#pragma once

#include "input_bytes.h"
#include "record_framing.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace korvix {

// Calls visit(header, first) for each record from the header at `from` on, `first` holding up to
// `look` bytes of its body (fewer where the body or the input is shorter). An input that ends
// early ends the walk with what was read before; the run itself reports it. True when the walk
// came to the closing record. The input hands out a record header and `look` bytes at once: its
// buffer holds at least that many (every buffer of a run holds thousands).
template <class Visit>
bool walk_records_ahead(InputBytes& input, InputOffset from, ByteCount look, Visit visit) {
    for (InputOffset offset = from;;) {
        const std::span<const std::uint8_t> head = input.at(offset, record_header_width + look);
        if (std::ssize(head) < record_header_width)
            return false;
        const RecordHeader header = record_header_at(head.data(), offset);
        if (header.type == closing_record)
            return true;
        const ByteCount body =
            std::min(header.body_length(), std::ssize(head) - record_header_width);
        visit(header, head.subspan(record_header_width, static_cast<std::size_t>(body)));
        offset = header.next_offset();
    }
}

} // namespace korvix
