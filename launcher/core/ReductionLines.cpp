#include "ReductionLines.h"

#include "Digits.h"

#include <algorithm>
#include <charconv>

namespace runkorvix {

namespace {

// How many sizes the list "250, 250 and 153" names: joined by ", " and a last " and "; 0 for
// another text.
std::uint64_t SizesListed(std::string_view list) {
    constexpr std::string_view kAnd = " and ";
    const std::size_t last = list.rfind(kAnd);
    if (last == std::string_view::npos || !AllDigits(list.substr(last + kAnd.size()))) {
        return 0;
    }
    list = list.substr(0, last);
    for (std::uint64_t sizes = 2;; ++sizes) {
        const std::size_t comma = list.find(", ");
        if (!AllDigits(list.substr(0, comma))) {
            return 0;
        }
        if (comma == std::string_view::npos) {
            return sizes;
        }
        list.remove_prefix(comma + 2);
    }
}

// The parts of "250" (1) or of "3 routes of 250, 250 and 153" (3); nothing for another text.
std::optional<std::uint64_t> PartsOf(std::string_view kept) {
    if (AllDigits(kept)) {
        return 1;
    }
    const std::size_t count = std::min(kept.find(' '), kept.size());
    const std::string_view kind = kept.substr(count, std::string_view(" routes of ").size());
    std::uint64_t parts = 0;
    if ((kind != " routes of " && kind != " tracks of ") || !AllDigits(kept.substr(0, count)) ||
        std::from_chars(kept.data(), kept.data() + count, parts).ec != std::errc{} ||
        SizesListed(kept.substr(count + kind.size())) != parts) {
        return std::nullopt;
    }
    return parts;
}

// Whether `line` ends in ", not 10 m", the tolerance that the point limit overruled, as korvix
// writes it ("%g": digits, a point, an exponent); if so, that end is taken off.
bool TakeOverruledTolerance(std::string_view& line) {
    constexpr std::string_view kNot = ", not ", kMetres = " m";
    const std::size_t at = line.rfind(kNot);
    if (at == std::string_view::npos || !line.ends_with(kMetres)) {
        return false;
    }
    const std::string_view number =
        line.substr(at + kNot.size(), line.size() - kMetres.size() - at - kNot.size());
    const bool numeric = !number.empty() && IsDigit(number.front()) &&
                         number.find_first_not_of("0123456789.e+-") == std::string_view::npos;
    if (!numeric || !line.substr(0, at).ends_with(kMetres)) {
        return false;
    }
    line = line.substr(0, at);
    return true;
}

} // namespace

std::optional<Reduction> ParseReductionLine(std::string_view line) {
    // From the end, since the name before the first ": " may hold any of these words itself.
    constexpr std::string_view kWithin = ", within ", kArrow = " points -> ", kMetres = " m";
    const bool overruled = TakeOverruledTolerance(line);
    if (!line.ends_with(kMetres)) {
        return std::nullopt;
    }
    line.remove_suffix(kMetres.size());
    const std::size_t within = line.rfind(kWithin);
    const std::size_t arrow = line.substr(0, within).rfind(kArrow);
    const std::size_t colon = line.substr(0, arrow).rfind(": ");
    if (within == std::string_view::npos || arrow == std::string_view::npos ||
        colon == std::string_view::npos || !AllDigits(line.substr(colon + 2, arrow - colon - 2))) {
        return std::nullopt;
    }
    const std::string_view metres = line.substr(within + kWithin.size());
    const std::size_t point = metres.find('.');
    Reduction reduction;
    const std::optional<std::uint64_t> parts =
        PartsOf(line.substr(arrow + kArrow.size(), within - arrow - kArrow.size()));
    if (!parts || point == std::string_view::npos || !AllDigits(metres.substr(0, point)) ||
        !AllDigits(metres.substr(point + 1)) ||
        std::from_chars(metres.data(), metres.data() + metres.size(), reduction.within).ec !=
            std::errc{}) {
        return std::nullopt;
    }
    reduction.parts = *parts;
    reduction.overruled = overruled;
    return reduction;
}

void Reductions::Add(const Reduction& reduction) {
    ++routes;
    parts += reduction.parts;
    within = std::max(within, reduction.within);
    overruled += reduction.overruled ? 1 : 0;
}

} // namespace runkorvix
