#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// korvix's lines about the routes and tracks that it reduced or cut under --points, --tolerance
// and --split, one for each, and what they say together.
namespace runkorvix {

// What one line says: into how many routes or tracks the one it names was cut (1 when it was
// only reduced), the largest distance in metres of a collected point from what was kept, and
// whether the point limit kept the points farther than the tolerance asked.
struct Reduction {
    std::uint64_t parts = 1;
    double within = 0;
    bool overruled = false;
    bool operator==(const Reduction&) const = default;
};

// The line "NAME: 4210 points -> 250, within 11.6 m", or for a route or track that was cut
// "NAME: 4210 points -> 3 routes of 250, 250 and 153, within 4.0 m" ("tracks" under -T and -U),
// or where the point limit overruled the tolerance "NAME: 1906 points -> 250, within 24.3 m,
// not 10 m"; nothing for any other line. NAME is the route's or track's own and may hold
// anything. Read as korvix writes it (rules/reduction_line.h).
std::optional<Reduction> ParseReductionLine(std::string_view line);

// The lines of a run summed up.
struct Reductions {
    std::uint64_t routes = 0;    // routes or tracks reduced or cut: the lines
    std::uint64_t parts = 0;     // what they became
    double within = 0;           // the largest distance of them all, in metres
    std::uint64_t overruled = 0; // routes or tracks farther than the tolerance: the point limit's
    void Add(const Reduction& reduction);
    bool operator==(const Reductions&) const = default;
};

} // namespace runkorvix
