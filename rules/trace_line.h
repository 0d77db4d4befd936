// The trace line that korvix prints for every record it reads, and runkorvix reads back to count
// the records of a run: one definition, for writing it and for reading it.
//
//   W 71
//
// The record's type letter, a blank and its body length as the unsigned count the record header
// holds (a damaged length of FF FF FF FF is 4294967295).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvix::rules {

struct TraceLine {
    char type = 0;
    std::uint32_t length = 0;
    bool operator==(const TraceLine&) const = default;
};

// Room for the longest line and its line end: a letter, a blank, ten digits, "\n".
inline constexpr std::size_t trace_line_room = 16;

// Writes the line with its line end into `line`; gives its size.
std::size_t format_trace_line(TraceLine trace, char (&line)[trace_line_room]);

// What a line (without its line end) says, or nothing for any other line.
std::optional<TraceLine> read_trace_line(std::string_view line);

} // namespace korvix::rules
