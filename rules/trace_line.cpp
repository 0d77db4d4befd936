#include "trace_line.h"

#include "digits.h"

#include <charconv>

namespace korvix::rules {

std::size_t format_trace_line(TraceLine trace, char (&line)[trace_line_room]) {
    line[0] = trace.type;
    line[1] = ' ';
    char* const end = std::to_chars(line + 2, line + trace_line_room - 1, trace.length).ptr;
    *end = '\n';
    return static_cast<std::size_t>(end + 1 - line);
}

std::optional<TraceLine> read_trace_line(std::string_view line) {
    // A type letter is any byte but a line end; a record's may be a blank or a digit.
    if (line.size() < 3 || line[1] != ' ' || !all_digits(line.substr(2)))
        return std::nullopt;
    std::uint32_t length = 0;
    const std::string_view digits = line.substr(2);
    if (std::from_chars(digits.data(), digits.data() + digits.size(), length).ec != std::errc{})
        return std::nullopt;
    return TraceLine{line[0], length};
}

} // namespace korvix::rules
