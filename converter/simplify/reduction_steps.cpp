#include "reduction_steps.h"

#include "leg_distance.h"

#include <algorithm>
#include <cmath>

namespace korvix {
namespace {

using Index = PointSimplifier::Index;

// A place for a kept point between points a and b, and the errors of its two legs.
struct Place {
    std::uint32_t at = 0; // 0: none found below the bound
    double left = 0;
    double right = 0;
    double larger = 0;
};

// The place between a and b (at least two points apart) where the larger error of the legs from a
// and to b is smallest, if it is below `bound`. Found by bisection on where the left leg's error
// passes the right one's: the larger one is smallest there while the left error grows and the
// right one shrinks as the place moves on. Every place is measured, so the one given is below the
// bound whatever the errors do.
Place best_place(const PointBuffer& points, std::uint32_t a, std::uint32_t b, double bound,
                 PointSimplifier& scratch) {
    Place best;
    best.larger = bound;
    // Measures the place `at`; returns whether the search should go on towards b.
    auto onwards = [&](std::uint32_t at) {
        const double left = leg_error(points, a, at, best.larger, scratch);
        if (left >= best.larger)
            return false;
        const double right = leg_error(points, at, b, best.larger, scratch);
        if (right >= best.larger)
            return true;
        best = {at, left, right, std::max(left, right)};
        return left < right;
    };
    std::uint32_t low = a + 1;
    std::uint32_t high = b - 1;
    while (high - low > 1) {
        const std::uint32_t middle = low + (high - low) / 2;
        (onwards(middle) ? low : high) = middle;
    }
    onwards(low);
    if (high != low)
        onwards(high);
    return best;
}

// The place `at` between a and b, if the larger error of its two legs is below `bound`.
Place place_at(const PointBuffer& points, std::uint32_t a, std::uint32_t at, std::uint32_t b,
               double bound, PointSimplifier& scratch) {
    const double left = leg_error(points, a, at, bound, scratch);
    const double right = left < bound ? leg_error(points, at, b, bound, scratch) : bound;
    if (right >= bound)
        return {};
    return {at, left, right, std::max(left, right)};
}

// Two places between a and b, the second `rest` from the first on, where the largest error of the
// three legs is smallest, if that is below `bound`: each first place with the best second one.
struct Places {
    std::uint32_t first = 0; // 0: none found below the bound
    double left = 0;
    Place rest;
};

Places best_places(const PointBuffer& points, std::uint32_t a, std::uint32_t b, double bound,
                   PointSimplifier& scratch) {
    Places best;
    double larger = bound;
    for (std::uint32_t first = a + 1; first + 2 <= b; ++first) {
        const double left = leg_error(points, a, first, larger, scratch);
        if (left >= larger)
            continue;
        const Place rest = best_place(points, first, b, larger, scratch);
        if (rest.at != 0 && std::max(left, rest.larger) < larger) {
            larger = std::max(left, rest.larger);
            best = {first, left, rest};
        }
    }
    return best;
}

// Puts point `at` into the reduction between the ends of leg `leg`, the errors of its two new
// legs given.
void insert(PointSimplifier& scratch, std::uint32_t leg, std::uint32_t at, double left,
            double right) {
    std::copy_backward(scratch.kept + leg + 1, scratch.kept + scratch.count,
                       scratch.kept + scratch.count + 1);
    std::copy_backward(scratch.leg_error + leg + 1, scratch.leg_error + scratch.count - 1,
                       scratch.leg_error + scratch.count);
    scratch.kept[leg + 1] = static_cast<Index>(at);
    scratch.leg_error[leg] = left;
    scratch.leg_error[leg + 1] = right;
    ++scratch.count;
}

// Cuts the leg of the largest error at the point where the larger error of its two parts is
// smallest, as long as that is smaller than the leg's and fewer than `limit` points are kept;
// where no one point brings it closer, two, if the limit leaves them.
void cut_worst_legs(const PointBuffer& points, std::uint32_t limit, PointSimplifier& scratch) {
    while (scratch.count < limit && scratch.count >= 2) {
        const std::uint32_t leg = static_cast<std::uint32_t>(
            std::max_element(scratch.leg_error, scratch.leg_error + scratch.count - 1) -
            scratch.leg_error);
        const std::uint32_t a = scratch.kept[leg];
        const std::uint32_t b = scratch.kept[leg + 1];
        const double error = scratch.leg_error[leg];
        if (b - a < 2 || error == 0)
            return;
        Place place = best_place(points, a, b, error, scratch);
        for (std::uint32_t at = a + 1; place.at == 0 && at < b; ++at)
            place = place_at(points, a, at, b, error, scratch);
        if (place.at != 0) {
            insert(scratch, leg, place.at, place.left, place.right);
            continue;
        }
        const Places two = scratch.count + 2 <= limit && b - a >= 3
                               ? best_places(points, a, b, error, scratch)
                               : Places{};
        if (two.first == 0)
            return; // no cut brings this leg closer: nor does a point anywhere else
        insert(scratch, leg, two.first, two.left, error);
        insert(scratch, leg + 1, two.rest.at, two.rest.left, two.rest.right);
    }
}

} // namespace

double measure_legs(const PointBuffer& points, PointSimplifier& scratch) {
    double worst = 0;
    for (std::uint32_t i = 0; i + 1 < scratch.count; ++i) {
        scratch.leg_error[i] =
            leg_error(points, scratch.kept[i], scratch.kept[i + 1], HUGE_VAL, scratch);
        worst = std::max(worst, scratch.leg_error[i]);
    }
    return worst;
}

double largest_leg_error(const PointSimplifier& scratch) {
    return scratch.count < 2
               ? 0
               : *std::max_element(scratch.leg_error, scratch.leg_error + scratch.count - 1);
}

void keep_as_best(PointSimplifier& scratch, double error) {
    std::copy_n(scratch.kept, scratch.count, scratch.best_kept);
    scratch.best_count = scratch.count;
    scratch.best_error = error;
}

double spread_evenly(const PointBuffer& points, std::uint32_t limit, PointSimplifier& scratch) {
    const std::uint64_t last = points.count - 1;
    for (std::uint32_t i = 0; i < limit; ++i)
        scratch.kept[i] = static_cast<Index>(i * last / (limit - 1));
    scratch.count = limit;
    return measure_legs(points, scratch);
}

bool refine(const PointBuffer& points, PointSimplifier& scratch) {
    bool any = false;
    constexpr int most_sweeps = 8;
    constexpr double near_largest = 0.8; // of the squared error: 0.9 of the distance
    for (int sweep = 0; sweep < most_sweeps; ++sweep) {
        bool moved = false;
        const double threshold = largest_leg_error(scratch) * near_largest;
        for (std::uint32_t i = 1; i + 1 < scratch.count; ++i) {
            const std::uint32_t a = scratch.kept[i - 1];
            const std::uint32_t b = scratch.kept[i + 1];
            const double larger = std::max(scratch.leg_error[i - 1], scratch.leg_error[i]);
            if (b - a < 3 || larger < threshold)
                continue;
            const Place place = best_place(points, a, b, larger, scratch);
            if (place.at != 0 && place.at != scratch.kept[i]) {
                scratch.kept[i] = static_cast<Index>(place.at);
                scratch.leg_error[i - 1] = place.left;
                scratch.leg_error[i] = place.right;
                moved = true;
            }
        }
        if (!moved)
            return any;
        any = true;
    }
    return any;
}

void spend_points(const PointBuffer& points, std::uint32_t limit, PointSimplifier& scratch) {
    // Where no cut brings the worst leg closer, moving its neighbours may make one that does.
    for (bool moved = true; moved && scratch.count < limit;) {
        cut_worst_legs(points, limit, scratch);
        moved = scratch.count < limit && refine(points, scratch);
    }
}

bool trim_to(const PointBuffer& points, std::uint32_t limit, double bound,
             PointSimplifier& scratch) {
    while (scratch.count > limit) {
        std::uint32_t out = 0;
        double merged = bound;
        for (std::uint32_t k = 1; k + 1 < scratch.count; ++k) {
            const double error =
                leg_error(points, scratch.kept[k - 1], scratch.kept[k + 1], merged, scratch);
            if (error < merged) {
                merged = error;
                out = k;
            }
        }
        if (out == 0)
            return false;
        std::copy(scratch.kept + out + 1, scratch.kept + scratch.count, scratch.kept + out);
        std::copy(scratch.leg_error + out + 1, scratch.leg_error + scratch.count - 1,
                  scratch.leg_error + out);
        scratch.leg_error[out - 1] = merged;
        --scratch.count;
    }
    return true;
}

} // namespace korvix
