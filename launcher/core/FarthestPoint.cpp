#include "FarthestPoint.h"

#include "leg_distance.h"
#include "position_word.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace runkorvix {

namespace {

std::uint32_t Count(MadePositions points) {
    return static_cast<std::uint32_t>(points.size());
}

double DistanceSquared(const korvix::LegPlane& leg, std::uint64_t position) {
    return leg.distance_squared(korvix::latitude_of(position), korvix::longitude_of(position));
}

korvix::LegPlane LegOf(std::uint64_t a, std::uint64_t b) {
    return {korvix::latitude_of(a), korvix::longitude_of(a), korvix::latitude_of(b),
            korvix::longitude_of(b)};
}

// Where each made position lies among the points, in order; empty where they are no subset.
std::vector<std::uint32_t> KeptIndices(MadePositions points, MadePositions made) {
    std::vector<std::uint32_t> kept;
    kept.reserve(made.size());
    std::uint32_t next = 0;
    for (const std::uint64_t position : made) {
        while (next < Count(points) && points[next] != position) {
            ++next;
        }
        if (next == Count(points)) {
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

// The sine and cosine of a latitude in semicircles, from a table: within some 1e-7 of the
// library's, for the measure that picks out the points worth measuring as korvix does.
korvix::LocalPlane::CentreTurn TableTurn(std::int32_t latitude) {
    constexpr int kSteps = 4096; // over the half turn from the south pole to the north pole
    static const std::vector<korvix::LocalPlane::CentreTurn> table = [] {
        std::vector<korvix::LocalPlane::CentreTurn> values(kSteps + 2);
        for (int i = 0; i <= kSteps + 1; ++i) {
            const double angle = korvix::pi * i / kSteps - korvix::pi / 2;
            values[static_cast<std::size_t>(i)] = {std::sin(angle), std::cos(angle)};
        }
        return values;
    }();
    const double at = std::clamp((latitude / korvix::semicircles_per_half_turn + 0.5) * kSteps, 0.0,
                                 double{kSteps});
    const auto i = static_cast<std::size_t>(at);
    const double part = at - static_cast<double>(i);
    return {table[i].sine + (table[i + 1].sine - table[i].sine) * part,
            table[i].cosine + (table[i + 1].cosine - table[i].cosine) * part};
}

// A leg's plane as korvix makes it, but from the table's sines and cosines of its ends: a
// point's distance from it is korvix's own within a millionth, at a fraction of the cost.
korvix::LegPlane RoughLeg(std::uint64_t a, std::uint64_t b) {
    const std::int32_t latitudeA = korvix::latitude_of(a);
    const std::int32_t latitudeB = korvix::latitude_of(b);
    return {latitudeA,
            korvix::longitude_of(a),
            latitudeB,
            korvix::longitude_of(b),
            TableTurn(latitudeA),
            TableTurn(latitudeB)};
}

// The kept points' legs, a point's leg told by its index: the kept points before and after it;
// before the first kept point and behind the last, that point alone.
struct KeptLegs {
    MadePositions points;
    const std::vector<std::uint32_t>& kept;

    template <class Visit> void EachLeg(const Visit& visit) const {
        visit(kept.front(), kept.front(), 0U, kept.front());
        for (std::size_t k = 1; k < kept.size(); ++k) {
            if (kept[k] > kept[k - 1] + 1) { // points between
                visit(kept[k - 1], kept[k], kept[k - 1] + 1, kept[k]);
            }
        }
        visit(kept.back(), kept.back(), kept.back() + 1, Count(points));
    }
};

// Every point from the leg between the kept points around it; the points before the first kept
// one and behind the last from that one. Each point is measured roughly first; those within a
// thousandth of the roughly farthest are measured again as korvix measures, the farthest of
// those taken.
std::optional<Farthest> FromKeptLegs(MadePositions points, const std::vector<std::uint32_t>& kept) {
    const KeptLegs legs{points, kept};
    // The rough measures, room kept from call to call on each thread.
    thread_local std::vector<double> rough;
    rough.assign(Count(points), 0.0);
    double roughWorst = 0;
    legs.EachLeg([&](std::uint32_t a, std::uint32_t b, std::uint32_t from, std::uint32_t to) {
        const korvix::LegPlane leg = RoughLeg(points[a], points[b]);
        for (std::uint32_t i = from; i < to; ++i) {
            rough[i] = DistanceSquared(leg, points[i]);
            roughWorst = std::max(roughWorst, rough[i]);
        }
    });
    std::optional<Farthest> found;
    double worst = 0;
    const double worth = roughWorst * 0.998; // squared: a thousandth of the distance
    legs.EachLeg([&](std::uint32_t a, std::uint32_t b, std::uint32_t from, std::uint32_t to) {
        std::optional<korvix::LegPlane> leg;
        for (std::uint32_t i = from; i < to; ++i) {
            if (rough[i] >= worth) {
                if (!leg) {
                    leg.emplace(LegOf(points[a], points[b]));
                }
                Consider(DistanceSquared(*leg, points[i]), i, worst, found);
            }
        }
    });
    if (found) {
        found->metres = std::sqrt(worst) * korvix::metres_per_semicircle;
    }
    return found;
}

// Every point from the nearest leg made: for what is no subset of the points (a file changed
// since the run). Bounded, as it tries every leg for every point.
constexpr std::uint64_t kMostPairs = 1'000'000;
std::optional<Farthest> FromNearestLegs(MadePositions points, MadePositions made) {
    if (std::uint64_t{Count(points)} * made.size() > kMostPairs) {
        return std::nullopt;
    }
    std::vector<korvix::LegPlane> legs;
    for (std::size_t k = 0; k < made.size(); ++k) {
        legs.push_back(LegOf(made[k], made[k + 1 < made.size() ? k + 1 : k]));
    }
    std::optional<Farthest> found;
    double worst = 0;
    for (std::uint32_t i = 0; i < Count(points); ++i) {
        double nearest = HUGE_VAL;
        for (const korvix::LegPlane& leg : legs) {
            nearest = std::min(nearest, DistanceSquared(leg, points[i]));
        }
        Consider(nearest, i, worst, found);
    }
    if (found) {
        found->metres = std::sqrt(worst) * korvix::metres_per_semicircle;
    }
    return found;
}

} // namespace

std::optional<Farthest> FarthestFromMade(MadePositions points, MadePositions made) {
    if (made.empty() || Count(points) == 0) {
        return std::nullopt;
    }
    const std::vector<std::uint32_t> kept = KeptIndices(points, made);
    return kept.empty() ? FromNearestLegs(points, made) : FromKeptLegs(points, kept);
}

} // namespace runkorvix
