#pragma once

#include <cstdint>
#include <optional>
#include <span>

// How far the points of a route or track lie from what a run made of them, measured as korvix
// measures its reductions: each point from the leg between the two kept points around it.
namespace runkorvix {

struct Farthest {
    std::uint32_t index = 0; // among the points
    double metres = 0;
};

// Positions as position words (position_word.h).
using MadePositions = std::span<const std::uint64_t>;

// The point of `points` farthest from the line through `made`. Where `made` keeps a subset of the
// points in their order, as every reduction, cut and fit does, a point is measured from the leg
// made between the kept points before and after it; otherwise from the nearest leg made. None
// where no point lies off the line made, or nothing was made.
std::optional<Farthest> FarthestFromMade(MadePositions points, MadePositions made);

} // namespace runkorvix
