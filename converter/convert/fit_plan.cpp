// The search for D counts, for a distance, the waypoints of every track reduced within it, and
// narrows the distances between one that fits the budget and one that does not, each step where a
// model of each track's points says the budget is met. Most tracks are not reduced again at each
// step: a reduction within a distance is the reduction within every distance down to its own
// error, and a track whose points are the same at both ends of the bracket keeps them in between
// (the fewest points of a track never grow with the distance, and the greedy cover's as good as
// never; the run reduces such a track to no more than those points, so the budget holds
// whatever). As the bracket narrows, only the few tracks whose count changes inside it are read
// and reduced.
#include "fit_plan.h"

#include "console.h"
#include "leg_distance.h"
#include "point_simplify.h"
#include "position_word.h"
#include "record_walk.h"
#include "track_points.h"

#include <algorithm>
#include <cmath>

namespace korvix {

namespace {

// The bracket ends when its distances are this close.
constexpr double search_precision = 1.01;
constexpr int most_probes = 60;
// Until a probe below the two-point errors has fitted, the model aims this share of the varying
// waypoints under the budget.
constexpr double aim_under = 0.05;

// A track's points within a distance, and the largest distance of the reduced track from it.
struct Reduced {
    std::uint32_t points = 0;
    double error = 0;  // metres, a hair above the reduction's own (see kept_from)
    double metres = 0; // the reduction's own
};

// The track records of a GDB file from the first on, read where they lie.
class GdbTracks final : public FitTracks {
public:
    GdbTracks(InputBytes& input, InputOffset first_track, const VersionLayout& layout,
              PointBuffer& points, FitScratch& scratch)
        : input_(input), first_track_(first_track), layout_(layout), points_(points),
          scratch_(scratch) {}

    void for_each_track(Visit& visit) override {
        bool cut_short = false; // a track the input ends in: the run fails there
        walk_records_ahead(input_, first_track_, 0, [&](const RecordHeader& header, auto) {
            if (header.type != track_record || cut_short)
                return;
            cut_short = !read_body(header.offset, header.body_length());
            if (!cut_short)
                visit(header.offset);
        });
    }

    bool read_track(InputOffset offset) override {
        const std::span<const std::uint8_t> head = input_.at(offset, record_header_width);
        if (std::ssize(head) < record_header_width)
            return false;
        read_body(offset, record_header_at(head.data(), offset).body_length());
        return true;
    }

private:
    // The points of the track whose record header lies at `offset`, into the point buffer, as
    // the run collects them. False when the input ends in it or it is shorter than its fields.
    bool read_body(InputOffset offset, ByteCount length) {
        return read_track_at(input_, offset, length, layout_, points_, scratch_.block) ==
               Failure::none;
    }

    InputBytes& input_;
    InputOffset first_track_;
    const VersionLayout& layout_;
    PointBuffer& points_;
    FitScratch& scratch_;
};

// A function as a visit of the tracks.
template <class Function> class VisitOf final : public FitTracks::Visit {
public:
    explicit VisitOf(Function& function) : function_(function) {}
    void operator()(InputOffset offset) override { function_(offset); }

private:
    Function& function_;
};

struct ReadAhead {
    FitTracks& tracks;
    PointBuffer& points;
    PointSimplifier& simplifier;
    FitScratch& scratch;

    template <class Function> void for_each_track(Function visit) {
        VisitOf<Function> each(visit);
        tracks.for_each_track(each);
    }

    // The points of a track within `metres`, reduced as the run reduces it, and its error.
    Reduced points_within(InputOffset offset, double metres);
};

// The waypoints that a route of `points` points takes: one each, with --split the joint of two
// parts once, so that only --points without --split lowers them.
struct Charge {
    std::uint32_t most = 0; // --points without --split, or 0
    std::uint32_t operator()(std::uint32_t points) const {
        return most != 0 ? std::min(points, most) : points;
    }
};

// A reduction's error as a distance it is known within: a hair above, as the reduction compares
// with a hair less than its tolerance.
double kept_from(double error_metres) {
    return error_metres * (1 + 1e-8);
}

Reduced ReadAhead::points_within(InputOffset offset, double metres) {
    if (!tracks.read_track(offset))
        return {};
    const double error = simplify_points(points, 0, metres, simplifier);
    return {points.count, std::min(kept_from(error), metres), error};
}

void add_to_plan(FitPlan& plan, InputOffset offset, std::uint32_t most_points) {
    plan.kept_first[plan.tracks] = FitPlan::none_kept;
    plan.offset[plan.tracks] = offset;
    plan.most_points[plan.tracks] = static_cast<std::uint16_t>(most_points);
    ++plan.tracks;
}

// Even two points a track do not fit: the single positions first, then the tracks with the
// fewest points, the earlier of equal ones first, each of two points.
void plan_fewest_skipped(ReadAhead& ahead, std::uint32_t budget, FitPlan& plan) {
    const std::uint32_t* const tracks_of = ahead.scratch.tracks_of_count;
    const std::uint32_t singles = std::min(tracks_of[1], budget);
    const std::uint32_t pairs = (budget - singles) / 2;
    // The most points of a track that becomes a route, and how many of that many points do.
    std::uint32_t longest = 1;
    std::uint32_t longest_taken = 0;
    for (std::uint32_t n = 2, taken = 0; n <= PointBuffer::capacity && taken < pairs; ++n) {
        longest = n;
        longest_taken = std::min(tracks_of[n], pairs - taken);
        taken += longest_taken;
    }
    std::uint32_t singles_taken = 0;
    std::uint32_t longest_seen = 0;
    ahead.for_each_track([&](InputOffset offset) {
        const std::uint32_t n = ahead.points.count;
        bool taken = false;
        if (n == 1)
            taken = singles_taken++ < singles;
        else if (n >= 2 && n < longest)
            taken = true;
        else if (n >= 2 && n == longest)
            taken = longest_seen++ < longest_taken;
        if (taken && plan.tracks < FitPlan::capacity)
            add_to_plan(plan, offset, std::min(n, 2U));
    });
}

// The search for the smallest D over the tracks gathered in the scratch. A reduction within D
// whose error is E is the reduction within every distance from E to D: every leg of it holds
// there, the greedy cover takes the same farthest point at each step, and no cover with fewer
// points holds at a smaller distance when none does at D. So each track's points are known, without
// a reduction, over the distances from the error to the distance of each reduction made, and the
// total of all tracks is the same from the largest error to D: the bracket's fitting end moves
// down to it at once.
class DistanceSearch {
public:
    DistanceSearch(ReadAhead& ahead, std::uint32_t tracks, std::uint32_t budget, Charge charge)
        : ahead_(ahead), s_(ahead.scratch), tracks_(tracks), budget_(budget), charge_(charge) {}

    // The smallest D found from `floor` (0: none) on; the points of each track at D into the
    // scratch's fit_points.
    double search(double floor) {
        fixed_ = 0;
        std::uint64_t whole = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i) {
            const std::uint32_t n = s_.collected[i];
            whole += charge_(n);
            // Within its two-point error a track keeps its first and last points, and every
            // distance above.
            s_.fit_points[i] = static_cast<std::uint16_t>(std::min(n, 2U));
            s_.fit_error[i] = n > 2 ? s_.two_point_metres[i] : 0;
            s_.fail_at[i] = 0;
            s_.fit_first[i] = FitScratch::unpooled;
            s_.fit_metres[i] = s_.fit_error[i];
            if (n <= 2)
                fixed_ += n;
        }
        // Every track fits as it is, or as --points leaves it.
        if (whole <= budget_ && floor == 0) {
            for (std::uint32_t i = 0; i < tracks_; ++i)
                s_.fit_points[i] = s_.collected[i];
            return 0;
        }
        fits_ = std::max(largest_fit_error(), floor);
        fails_ = floor;
        if (floor > 0 && (fits_ == floor || probe(floor)))
            return floor;
        // Each step goes to where the tracks' points, as far as they are known and else as the
        // nearest known ones of each track grow, add up to the budget; away from the bracket's
        // ends by a little, so that each step narrows it.
        int same_side = 0; // probes in a row that moved the same end
        bool fitted_last = false;
        for (int probes = 0; probes < most_probes && fits_ > fails_ * search_precision; ++probes) {
            const double low = fails_ > 0 ? std::log(fails_) : std::log(fits_) - 12;
            const double high = std::log(fits_);
            double x = solve_model(low, high);
            // When one end keeps moving, the model keeps missing on that side: go further in.
            const double margin = (same_side >= 2 && fails_ > 0 ? 0.3 : 0.01) * (high - low);
            x = std::clamp(x, low + margin, high - margin);
            if (same_side >= 2 && fails_ == 0)
                x -= std::log(2.0);
            const bool fitted = probe(std::exp(x));
            same_side = probes > 0 && fitted == fitted_last ? same_side + 1 : 1;
            fitted_last = fitted;
        }
        return fits_;
    }

private:
    // Track i's points within `metres`, as known or as guessed: between the nearest distances at
    // which it was reduced, its points go as a power of the distance; below them as the totals
    // of the bracket's two ends grow (growth_).
    double modelled(std::uint32_t i, double metres) {
        if (known(i, metres))
            return s_.probe_points[i];
        const double n = s_.collected[i];
        const double fit_at = s_.fit_error[i];
        const double fit_points = s_.fit_points[i];
        double points = fit_points * std::pow(fit_at / metres, growth_);
        if (s_.fail_at[i] > 0 && s_.fail_at[i] < metres) {
            const double share =
                std::log(metres / s_.fail_at[i]) / std::log(fit_at / s_.fail_at[i]);
            points = std::exp(std::log(s_.fail_points[i]) +
                              share * (std::log(fit_points) - std::log(s_.fail_points[i])));
        }
        return std::clamp(points, fit_points, n);
    }

    // The growth between the totals of the last probe that fitted and the last that did not.
    void note_growth(double metres, std::uint64_t total) {
        const double varying = std::max(static_cast<double>(total) - fixed_, 1.0);
        if (total <= budget_) {
            fit_probe_ = {metres, varying};
        } else {
            fail_probe_ = {metres, varying};
        }
        if (fit_probe_.metres > 0 && fail_probe_.metres > 0 &&
            fit_probe_.metres != fail_probe_.metres && fit_probe_.points != fail_probe_.points)
            growth_ = std::clamp(std::log(fail_probe_.points / fit_probe_.points) /
                                     std::log(fit_probe_.metres / fail_probe_.metres),
                                 0.3, 2.0);
    }

    double modelled_total(double metres) {
        double total = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i)
            total += charge_(static_cast<std::uint32_t>(std::lround(modelled(i, metres))));
        return total;
    }

    // The logarithm of the distance, between `low` and `high`, at which the modelled total meets
    // the budget.
    double solve_model(double low, double high) {
        // Until a probe has fitted, the model aims a little under the budget: a probe that fits
        // moves the bracket's end to its largest error at once, and tells every track's points.
        const auto budget = static_cast<double>(budget_);
        const double target =
            fit_probe_.metres > 0 ? budget : budget - aim_under * (budget - fixed_);
        for (int step = 0; step < 30; ++step) {
            const double middle = 0.5 * (low + high);
            (modelled_total(std::exp(middle)) > target ? low : high) = middle;
        }
        return high;
    }

    std::uint64_t total_of(const std::uint16_t* points) const {
        std::uint64_t total = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i)
            total += charge_(points[i]);
        return total;
    }

    double largest_fit_error() const {
        double largest = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i)
            largest = std::max(largest, s_.fit_error[i]);
        return largest;
    }

    // Whether track i's points within `metres` (below the fitting end) are known without a
    // reduction, and into probe_points when they are.
    bool known(std::uint32_t i, double metres) {
        if (s_.collected[i] <= 2 || metres >= s_.fit_error[i]) {
            s_.probe_points[i] = s_.fit_points[i];
            return true;
        }
        if (metres >= s_.fail_error[i] && metres <= s_.fail_at[i]) {
            s_.probe_points[i] = s_.fail_points[i];
            return true;
        }
        // The same points at both ends of the bracket: the same in between. The run reduces
        // such a track itself, to no more points.
        if (s_.fail_at[i] > 0 && metres > s_.fail_at[i] && s_.fail_points[i] == s_.fit_points[i]) {
            s_.probe_points[i] = s_.fit_points[i];
            s_.probe_inferred[i] = 1;
            return true;
        }
        return false;
    }

    // The points of every track within `metres`: those known first, then the rest reduced, until
    // the total is over the budget. True when it fits: the bracket's fitting end moves to the
    // largest error of any track there, else its failing end moves to `metres`.
    bool probe(double metres) {
        std::uint64_t total = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i) {
            s_.probe_error[i] = -1; // not reduced
            s_.probe_inferred[i] = 0;
            if (known(i, metres))
                total += charge_(s_.probe_points[i]);
        }
        std::uint32_t pooled = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i) {
            if (s_.probe_error[i] >= 0 || known(i, metres))
                continue;
            const Reduced reduced = ahead_.points_within(s_.offset[i], metres);
            s_.probe_points[i] = static_cast<std::uint16_t>(reduced.points);
            s_.probe_error[i] = reduced.error;
            s_.probe_metres[i] = reduced.metres;
            s_.probe_first[i] = pool_points(s_.probe_pool, pooled);
            total += charge_(reduced.points);
        }
        note_growth(metres, total);
        if (total <= budget_) {
            take_fitting(metres);
            fits_ = std::max(largest_fit_error(), fails_);
            return true;
        }
        for (std::uint32_t i = 0; i < tracks_; ++i) {
            if (s_.probe_error[i] >= 0) {
                s_.fail_points[i] = s_.probe_points[i];
                s_.fail_error[i] = s_.probe_error[i];
                s_.fail_at[i] = metres;
            }
        }
        fails_ = metres;
        return false;
    }

    // The reduced points in the point buffer, into the pool behind the `used` points there when
    // they fit; where they start, or unpooled.
    std::uint16_t pool_points(std::uint64_t* pool, std::uint32_t& used) {
        const PointBuffer& points = ahead_.points;
        if (points.count > FitScratch::pool_size - used)
            return FitScratch::unpooled;
        for (std::uint32_t k = 0; k < points.count; ++k)
            pool[used + k] = position_word(points.latitude[k], points.longitude[k]);
        const auto first = static_cast<std::uint16_t>(used);
        used += points.count;
        return first;
    }

    // A probe that fits at `metres` becomes the bracket's fitting end: each track's points there,
    // and those reduced, pooled, so that the run writes them without reducing the track again.
    void take_fitting(double metres) {
        std::uint32_t used = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i) {
            const std::uint64_t* from = nullptr;
            std::uint16_t first = FitScratch::unpooled;
            if (s_.probe_error[i] >= 0) {
                s_.fit_points[i] = s_.probe_points[i];
                s_.fit_error[i] = s_.probe_error[i];
                s_.fit_metres[i] = s_.probe_metres[i];
                from = s_.probe_pool;
                first = s_.probe_first[i];
            } else if (s_.probe_inferred[i] != 0) {
                // Known from both ends: within `metres`, the reduction not made.
                s_.fit_error[i] = metres;
                s_.fit_metres[i] = metres;
            } else if (s_.collected[i] > 2 && metres < s_.fit_error[i]) {
                // Known from a reduction that did not fit: its points are not kept.
                s_.fit_points[i] = s_.fail_points[i];
                s_.fit_error[i] = s_.fail_error[i];
                s_.fit_metres[i] = s_.fail_error[i];
            } else {
                from = s_.fit_pool;
                first = s_.fit_first[i];
            }
            s_.next_first[i] = FitScratch::unpooled;
            const std::uint32_t count = s_.fit_points[i];
            if (first != FitScratch::unpooled && count <= FitScratch::pool_size - used) {
                std::copy_n(from + first, count, s_.next_pool + used);
                s_.next_first[i] = static_cast<std::uint16_t>(used);
                used += count;
            }
        }
        std::copy_n(s_.next_pool, used, s_.fit_pool);
        std::copy_n(s_.next_first, tracks_, s_.fit_first);
    }

    struct Probe {
        double metres = 0;
        double points = 0;
    };
    Probe fit_probe_;
    Probe fail_probe_;
    ReadAhead& ahead_;
    FitScratch& s_;
    std::uint32_t tracks_;
    std::uint64_t budget_;
    Charge charge_;
    // How the varying points grow as the distance shrinks: the power of 1 / distance, as the
    // bracket's two ends tell it; until then that of a track along a random walk.
    double growth_ = 1;
    double fixed_ = 0; // the waypoints of tracks of one or two points
    double fits_ = 0;
    double fails_ = 0;
};

} // namespace

void plan_fit(FitTracks& track_source, const RunSettings& settings, std::uint32_t budget,
              PointBuffer& points, PointSimplifier& simplifier, FitScratch& scratch, FitPlan& plan,
              InputFingerprint& seen) {
    plan.tracks = 0;
    plan.next = 0;
    plan.tolerance_metres = settings.limits.tolerance_metres;
    ReadAhead ahead{track_source, points, simplifier, scratch};
    // The least that every track takes: one waypoint for a single position, two for more; and
    // while they can all become routes, what the search needs of each.
    std::fill(std::begin(scratch.tracks_of_count), std::end(scratch.tracks_of_count), 0U);
    std::uint64_t least = 0;
    std::uint32_t tracks = 0;
    ahead.for_each_track([&](InputOffset offset) {
        seen.add_track(offset, points);
        ++scratch.tracks_of_count[points.count];
        least += std::min(points.count, 2U);
        if (points.count == 0 || least > budget)
            return;
        scratch.offset[tracks] = offset;
        scratch.collected[tracks] = static_cast<std::uint16_t>(points.count);
        scratch.two_point_metres[tracks] =
            points.count > 2 ? kept_from(std::sqrt(leg_error(points, 0, points.count - 1)) *
                                         metres_per_semicircle)
                             : 0;
        ++tracks;
    });
    if (least > budget) {
        plan_fewest_skipped(ahead, budget, plan);
        return;
    }
    const Charge charge{settings.limits.split ? 0 : settings.limits.max_points};
    DistanceSearch search(ahead, tracks, budget, charge);
    plan.tolerance_metres = search.search(settings.limits.tolerance_metres);
    std::uint32_t used = 0;
    for (std::uint32_t i = 0; i < tracks; ++i) {
        add_to_plan(plan, scratch.offset[i], charge(scratch.fit_points[i]));
        // Points that --points would reduce further are reduced by the run.
        const std::uint32_t count = scratch.fit_points[i];
        plan.kept_first[i] = FitPlan::none_kept;
        if (scratch.fit_first[i] != FitScratch::unpooled && charge(count) == count) {
            std::copy_n(scratch.fit_pool + scratch.fit_first[i], count, plan.kept + used);
            plan.kept_first[i] = static_cast<std::uint16_t>(used);
            plan.kept_metres[i] = scratch.fit_metres[i];
            used += count;
        }
    }
}

void plan_fit(InputBytes& input, InputOffset first_track, const VersionLayout& layout,
              const RunSettings& settings, std::uint32_t budget, PointBuffer& points,
              PointSimplifier& simplifier, FitScratch& scratch, FitPlan& plan,
              InputFingerprint& seen) {
    GdbTracks tracks(input, first_track, layout, points, scratch);
    plan_fit(tracks, settings, budget, points, simplifier, scratch, plan, seen);
}

} // namespace korvix
