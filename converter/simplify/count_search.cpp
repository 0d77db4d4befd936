// The search for a count limit: the smallest tolerance whose cover keeps no more points than the
// limit, in three rounds of covers that keep ever fewer points at ever more cost. Each round
// narrows a bracket between the smallest error of a cover that fits and the largest tolerance
// whose cover failed, from the best so far down: the first with greedy covers to 2 %, the second
// with covers of a beam of the 16 points of highest index that each number of legs reaches to
// 0.5 %, and where those keep noticeably more points than the fewest would and the count grows
// slowly as the tolerance falls (so that a few points more cost the route some distance), the
// third with the covers of the fewest points. The route found is then given the points the limit
// leaves and refined.
#include "count_search.h"

#include "reduction_steps.h"
#include "tolerance_cover.h"

#include <algorithm>
#include <cmath>

namespace korvix {
namespace {

// A tolerance tried and the number of points its cover kept.
struct Probe {
    double tolerance = 0; // 0: none tried
    std::uint32_t count = 0;
};

// The tolerances known to fit the limit (the error of the best cover, which fits at its own error)
// and to fail it. A count grows as a power of the tolerance, so each step goes where the line
// through the last two covers of the round, in logarithms, reaches the limit; kept within the
// bracket, a tenth of it from either end, and halfway where the same end moved twice in a row.
// Before a second cover, down by the power given.
class Bracket {
public:
    explicit Bracket(Probe fits) : fits_(fits) {}
    // The largest step down while none failed: a share of the tolerance that fits.
    double step_down = 0.5;
    // How the count grows before the round has two covers: as the tolerance to the power of
    // minus this (for a smooth track, points spread as the leg's bow allows: 1/4).
    double power = 0.25;

    const Probe& fits() const { return fits_; }
    const Probe& fails() const { return fails_; }
    // Whether the tolerances that fit and fail lie within `precision` of each other; while the
    // cover that fits keeps fewer points than the limit, within a sixteenth of it, as the points
    // left may bring the route closer by that much.
    bool closed(double precision, std::uint32_t limit) const {
        if (fits_.count < limit)
            precision = 1 + (precision - 1) / 16;
        return fails_.tolerance > 0 && fits_.tolerance <= fails_.tolerance * precision;
    }

    double next(std::uint32_t limit) const {
        const double target = std::log(limit - 0.5);
        double tolerance =
            fits_.tolerance * std::pow((fits_.count + 0.5) / (limit * 1.03 + 0.5), 1 / power);
        const Probe& a = recent_[0];
        const Probe& b = recent_[1];
        double most = step_down; // the largest share of the tolerance that fits to go to
        if (a.tolerance > 0 && a.tolerance != b.tolerance) {
            const double slope = (std::log(b.count) - std::log(a.count)) /
                                 (std::log(b.tolerance) - std::log(a.tolerance));
            if (slope < 0)
                tolerance = b.tolerance * std::exp((target - std::log(b.count)) / slope);
            // The same count over a stretch of tolerances (a route's vias, say): twice as far.
            if (a.count == b.count && a.count <= limit) {
                const double step = b.tolerance / a.tolerance;
                tolerance = b.tolerance * step * step;
                most = tolerance / fits_.tolerance;
            }
        }
        if (fails_.tolerance == 0)
            return std::clamp(tolerance, fits_.tolerance * 0.01, fits_.tolerance * most);
        const double width = std::log(fits_.tolerance / fails_.tolerance);
        double share = std::log(tolerance / fails_.tolerance) / width;
        share = same_end_ >= 2 ? 0.5 : std::clamp(share, 0.1, 0.9);
        return fails_.tolerance * std::exp(share * width);
    }

    void fitted(const Probe& probe) {
        same_end_ = moved_fits_ ? same_end_ + 1 : 1;
        moved_fits_ = true;
        fits_ = probe;
        remember(probe);
    }
    void failed(const Probe& probe, std::uint32_t limit) {
        same_end_ = moved_fits_ ? 1 : same_end_ + 1;
        moved_fits_ = false;
        fails_ = probe;
        if (10ULL * probe.count >= 11ULL * limit)
            clear_fail_ = probe;
        remember(probe);
    }
    // Covers of another kind: the failures and counts of the last ones are not theirs.
    void anew() {
        fails_ = {};
        recent_[0] = recent_[1] = {};
        same_end_ = 0;
    }

    // How steeply the count grows as the tolerance falls: the power of the tolerance between the
    // one that fits and the largest whose cover kept a tenth more points than the limit or more
    // (nearer, the counts of covers that are not the fewest go up and down); 0 while none did.
    double steepness() const {
        if (clear_fail_.tolerance == 0 || fits_.tolerance <= clear_fail_.tolerance)
            return 0;
        return std::log(static_cast<double>(clear_fail_.count) / fits_.count) /
               std::log(fits_.tolerance / clear_fail_.tolerance);
    }

private:
    void remember(const Probe& probe) {
        recent_[0] = recent_[1];
        recent_[1] = probe;
    }

    Probe fits_;
    Probe fails_;
    Probe clear_fail_;
    Probe recent_[2]; // the last two covers of the round, the latest last
    int same_end_ = 0;
    bool moved_fits_ = false;
};

// A round of the search: the most covers it makes, the precision at which it ends (as a ratio of
// squared tolerances), and its first tolerance as a share of the one that fits.
struct Round {
    int steps;
    double precision;
    double first;
};

// Greedy covers to 2 %, from a sixteenth of the error of evenly spread points (a quarter of the
// distance) on.
constexpr Round greedy_round{16, 1.04, 1.0 / 16};
// Covers of the fewest points to 0.8 %, from just below the greedy's: where that fails, the greedy
// was as good, else the steps go on down (where the fewest points keep noticeably fewer than the
// greedy's, they fit the limit some 2 to 10 % lower).
constexpr Round fewest_round{8, 1.016, 0.984};
// Beams to 0.3 %, from 3 % below the greedy's: on long jittered legs the fewest points fit the
// limit some 5 % lower.
constexpr Round beam_round{6, 1.006, 0.94};
constexpr std::uint32_t beam_width = 20;

// The covers with the fewest points are made where one takes some 2 ms or less (points^2 / limit,
// the points a breadth-first search looks at, is up to 200000), and up to ten times that where
// the count hardly grows as the tolerance falls (a power under 3 of the squared tolerance, as on
// routes through many vias, whose every via is kept): there a beam, whose count is some percent
// above the fewest, would keep the route farther by as much. Else, on long legs over many
// points, beams: there the count mostly grows so steeply that a few percent more points cost
// little.
constexpr double fewest_visits = 200000;
constexpr double flat_visits = 2000000;
constexpr double flat_steepness = 3;

// Tries the cover that failed by a few points without the points whose legs join with the
// smallest error: it may still come closer than the best so far.
void trim_failed(const PointBuffer& points, std::uint32_t limit, std::uint32_t count,
                 PointSimplifier& scratch) {
    if (10ULL * count > 11ULL * limit)
        return;
    measure_legs(points, scratch);
    if (trim_to(points, limit, scratch.best_error, scratch) &&
        largest_leg_error(scratch) < scratch.best_error)
        keep_as_best(scratch, largest_leg_error(scratch));
}

// One round: narrows the bracket with the covers given, keeping every cover that fits as the best;
// false when it shows on the way that the names left do not suffice.
template <class Cover>
bool narrow(const PointBuffer& points, std::uint32_t limit, Cover cover, const Round& round,
            Bracket& bracket, NamesLeft& names, PointSimplifier& scratch) {
    double first = round.first;
    for (int steps = round.steps;
         steps > 0 && !bracket.closed(round.precision, limit) && bracket.fits().tolerance > 0;
         --steps) {
        const double tolerance = first > 0 ? bracket.fits().tolerance * first : bracket.next(limit);
        first = 0;
        const std::uint32_t count = cover(points, tolerance, scratch);
        if (count > limit) {
            bracket.failed({tolerance, count}, limit);
            trim_failed(points, limit, count, scratch);
            continue;
        }
        // The cover's legs hold its own error, so a cover at that smaller tolerance fits too.
        const double error = measure_legs(points, scratch);
        if (error < scratch.best_error)
            keep_as_best(scratch, error);
        bracket.fitted({error, count});
        if (names.exceeded_by_cover(points, error, scratch.best_count, scratch))
            return false;
    }
    return true;
}

// The rounds of the search into scratch.best; false as soon as it shows that the names left do not
// suffice.
bool search(const PointBuffer& points, std::uint32_t limit, NamesLeft& names,
            PointSimplifier& scratch) {
    Bracket bracket({scratch.best_error, limit});
    if (!narrow(points, limit, greedy_cover, greedy_round, bracket, names, scratch))
        return false;
    const double visits = static_cast<double>(points.count) * points.count / limit;
    const double steepness = bracket.steepness();
    bracket.anew();
    bracket.step_down = 0.995;
    bracket.power = std::max(steepness, 0.25);
    if (visits <= fewest_visits || (steepness < flat_steepness && visits <= flat_visits))
        return narrow(points, limit, fewest_cover, fewest_round, bracket, names, scratch);
    const auto beam = [](const PointBuffer& p, double tolerance, PointSimplifier& s) {
        return beam_cover(p, tolerance, beam_width, s);
    };
    return narrow(points, limit, beam, beam_round, bracket, names, scratch);
}

} // namespace

bool reduce_to_count(const PointBuffer& points, std::uint32_t limit, NamesLeft& names,
                     PointSimplifier& scratch) {
    keep_as_best(scratch, spread_evenly(points, limit, scratch));
    if (names.exceeded_by_spread(points, scratch.best_error, limit, scratch) ||
        !search(points, limit, names, scratch) || scratch.best_count > names.most())
        return false;
    // The route found, given the points that the limit (or the names left) leaves, refined.
    std::copy_n(scratch.best_kept, scratch.best_count, scratch.kept);
    scratch.count = scratch.best_count;
    measure_legs(points, scratch);
    spend_points(points, std::min(limit, names.most()), scratch);
    refine(points, scratch);
    keep_as_best(scratch, largest_leg_error(scratch));
    return true;
}

} // namespace korvix
