#include "reduction_line.h"

#include "digits.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <system_error>

namespace korvix::rules {

namespace text = reduction_text;

std::string_view reduction_text::count(std::uint32_t value, char (&buffer)[16]) {
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return {buffer, static_cast<std::size_t>(end - buffer)};
}

std::string_view reduction_text::distance(double metres, char (&buffer)[32]) {
    const int size = std::snprintf(buffer, sizeof buffer, "%.1f", metres);
    return {buffer, static_cast<std::size_t>(std::clamp(size, 0, int{sizeof buffer} - 1))};
}

std::string_view reduction_text::tolerance(double metres, char (&buffer)[32]) {
    const int size = std::snprintf(buffer, sizeof buffer, "%g", metres);
    return {buffer, static_cast<std::size_t>(std::clamp(size, 0, int{sizeof buffer} - 1))};
}

namespace {

// How many sizes the list "250, 250 and 153" names: joined by ", " and a last " and "; 0 for
// another text.
std::uint64_t sizes_listed(std::string_view list) {
    const std::size_t last = list.rfind(text::last_joint);
    if (last == std::string_view::npos || !all_digits(list.substr(last + text::last_joint.size())))
        return 0;
    list = list.substr(0, last);
    for (std::uint64_t sizes = 2;; ++sizes) {
        const std::size_t joint = list.find(text::joint);
        if (!all_digits(list.substr(0, joint)))
            return 0;
        if (joint == std::string_view::npos)
            return sizes;
        list.remove_prefix(joint + text::joint.size());
    }
}

// The parts of "250" (1) or of "3 routes of 250, 250 and 153" (3); nothing for another text.
std::optional<std::uint64_t> parts_of(std::string_view kept) {
    if (all_digits(kept))
        return 1;
    const std::size_t count = std::min(kept.find(' '), kept.size());
    std::string_view rest = kept.substr(count);
    std::uint64_t parts = 0;
    const bool kind = rest.starts_with(" routes") || rest.starts_with(" tracks");
    if (!kind || !all_digits(kept.substr(0, count)) ||
        std::from_chars(kept.data(), kept.data() + count, parts).ec != std::errc{})
        return std::nullopt;
    rest.remove_prefix(std::string_view(" routes").size());
    if (!rest.starts_with(text::parts_of) ||
        sizes_listed(rest.substr(text::parts_of.size())) != parts)
        return std::nullopt;
    return parts;
}

// Whether `line` ends in ", not 10 m", the tolerance that the point limit overruled ("%g":
// digits, a point, an exponent); if so, that end is taken off.
bool take_overruled_tolerance(std::string_view& line) {
    const std::size_t at = line.rfind(text::overruled);
    if (at == std::string_view::npos || !line.ends_with(text::metres))
        return false;
    const std::string_view number =
        line.substr(at + text::overruled.size(),
                    line.size() - text::metres.size() - at - text::overruled.size());
    const bool numeric = !number.empty() && number.front() >= '0' && number.front() <= '9' &&
                         number.find_first_not_of("0123456789.e+-") == std::string_view::npos;
    if (!numeric || !line.substr(0, at).ends_with(text::metres))
        return false;
    line = line.substr(0, at);
    return true;
}

} // namespace

std::optional<ReadReduction> read_reduction_line(std::string_view line) {
    // From the end, since the name before the first ": " may hold any of these words itself.
    ReadReduction reduction;
    reduction.overruled = take_overruled_tolerance(line);
    if (!line.ends_with(text::metres))
        return std::nullopt;
    line.remove_suffix(text::metres.size());
    const std::size_t within = line.rfind(text::within);
    const std::size_t arrow = line.substr(0, within).rfind(text::arrow);
    const std::size_t colon = line.substr(0, arrow).rfind(text::after_name);
    if (within == std::string_view::npos || arrow == std::string_view::npos ||
        colon == std::string_view::npos ||
        !all_digits(
            line.substr(colon + text::after_name.size(), arrow - colon - text::after_name.size())))
        return std::nullopt;
    const std::optional<double> metres =
        read_written_metres(line.substr(within + text::within.size()));
    const std::optional<std::uint64_t> parts =
        parts_of(line.substr(arrow + text::arrow.size(), within - arrow - text::arrow.size()));
    if (!parts || !metres)
        return std::nullopt;
    reduction.parts = *parts;
    reduction.within_metres = *metres;
    return reduction;
}

} // namespace korvix::rules
