#include "FarthestPoint.h"

#include "leg_distance.h"
#include "position_word.h"

#include <cmath>
#include <vector>

namespace runkorvix {

namespace {

std::uint64_t WordOf(const korvix::PointBuffer& points, std::uint32_t i) {
    return korvix::position_word(points.latitude[i], points.longitude[i]);
}

korvix::LegPlane LegOf(std::uint64_t a, std::uint64_t b) {
    return {korvix::latitude_of(a), korvix::longitude_of(a), korvix::latitude_of(b),
            korvix::longitude_of(b)};
}

// Where each made position lies among the points, in order; empty where they are no subset.
std::vector<std::uint32_t> KeptIndices(const korvix::PointBuffer& points, MadePositions made) {
    std::vector<std::uint32_t> kept;
    kept.reserve(made.size());
    std::uint32_t next = 0;
    for (const std::uint64_t position : made) {
        while (next < points.count && WordOf(points, next) != position) {
            ++next;
        }
        if (next == points.count) {
            return {};
        }
        kept.push_back(next++);
    }
    return kept;
}

void Consider(double squared, std::uint32_t index, double& worst, std::optional<Farthest>& found) {
    if (squared > worst) {
        worst = squared;
        found = Farthest{index, 0};
    }
}

// Every point from the leg between the kept points around it; the points before the first kept
// one and behind the last from that one.
std::optional<Farthest> FromKeptLegs(const korvix::PointBuffer& points,
                                     const std::vector<std::uint32_t>& kept) {
    std::optional<Farthest> found;
    double worst = 0;
    const auto fromOne = [&](std::uint32_t from, std::uint32_t to, std::uint32_t end) {
        const korvix::LegPlane leg = LegOf(WordOf(points, end), WordOf(points, end));
        for (std::uint32_t i = from; i < to; ++i) {
            Consider(leg.distance_squared(points.latitude[i], points.longitude[i]), i, worst,
                     found);
        }
    };
    fromOne(0, kept.front(), kept.front());
    for (std::size_t k = 1; k < kept.size(); ++k) {
        if (kept[k] == kept[k - 1] + 1) {
            continue; // no point between
        }
        const korvix::LegPlane leg = LegOf(WordOf(points, kept[k - 1]), WordOf(points, kept[k]));
        for (std::uint32_t i = kept[k - 1] + 1; i < kept[k]; ++i) {
            Consider(leg.distance_squared(points.latitude[i], points.longitude[i]), i, worst,
                     found);
        }
    }
    fromOne(kept.back() + 1, points.count, kept.back());
    if (found) {
        found->metres = std::sqrt(worst) * korvix::metres_per_semicircle;
    }
    return found;
}

// Every point from the nearest leg made: for what is no subset of the points (a file changed
// since the run). Bounded, as it tries every leg for every point.
constexpr std::uint64_t kMostPairs = 1'000'000;
std::optional<Farthest> FromNearestLegs(const korvix::PointBuffer& points, MadePositions made) {
    if (std::uint64_t{points.count} * made.size() > kMostPairs) {
        return std::nullopt;
    }
    std::vector<korvix::LegPlane> legs;
    for (std::size_t k = 0; k < made.size(); ++k) {
        legs.push_back(LegOf(made[k], made[k + 1 < made.size() ? k + 1 : k]));
    }
    std::optional<Farthest> found;
    double worst = 0;
    for (std::uint32_t i = 0; i < points.count; ++i) {
        double nearest = HUGE_VAL;
        for (const korvix::LegPlane& leg : legs) {
            nearest =
                std::min(nearest, leg.distance_squared(points.latitude[i], points.longitude[i]));
        }
        Consider(nearest, i, worst, found);
    }
    if (found) {
        found->metres = std::sqrt(worst) * korvix::metres_per_semicircle;
    }
    return found;
}

} // namespace

std::optional<Farthest> FarthestFromMade(const korvix::PointBuffer& points, MadePositions made) {
    if (made.empty() || points.count == 0) {
        return std::nullopt;
    }
    const std::vector<std::uint32_t> kept = KeptIndices(points, made);
    return kept.empty() ? FromNearestLegs(points, made) : FromKeptLegs(points, kept);
}

} // namespace runkorvix
