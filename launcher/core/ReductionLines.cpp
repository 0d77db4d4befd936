#include "ReductionLines.h"

#include "reduction_line.h"

#include <algorithm>

namespace runkorvix {

std::optional<Reduction> ParseReductionLine(std::string_view line) {
    const std::optional<korvix::rules::ReadReduction> read =
        korvix::rules::read_reduction_line(line);
    if (!read) {
        return std::nullopt;
    }
    return Reduction{read->parts, read->within_metres, read->overruled};
}

void Reductions::Add(const Reduction& reduction) {
    ++routes;
    parts += reduction.parts;
    within = std::max(within, reduction.within);
    overruled += reduction.overruled ? 1 : 0;
}

} // namespace runkorvix
