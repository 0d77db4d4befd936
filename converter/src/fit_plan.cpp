// The search for D counts, for a distance, the waypoints of every track reduced within it, and
// narrows the distances between one that fits the budget and one that does not: by regula falsi
// (Illinois) on the logarithms of the distance and of the waypoints that vary with it, as the
// fewest points of a smooth track grow about as the square root of 1 / distance. A track whose
// points are the same at both ends of that bracket keeps them in between and is not reduced
// again, and one whose whole length lies within the distance keeps its first and last points: as
// the bracket narrows, only the few tracks whose count changes inside it are read and reduced.
#include "fit_plan.h"

#include "console.h"
#include "leg_distance.h"
#include "point_simplify.h"
#include "record_framing.h"
#include "tolerance_cover.h"
#include "track_points.h"

#include <algorithm>
#include <cmath>

namespace korvix {

namespace {

// The bracket ends when its distances are this close.
constexpr double search_precision = 1.001;
constexpr int most_probes = 60;
// A track lies within a distance of a hair more than its two-point error.
constexpr double two_point_margin = 1 + 1e-6;

// Bytes of the input from an offset on, up to a length, read through InputBytes.
class InputBytesSource final : public ByteSource {
public:
    InputBytesSource(InputBytes& input, InputOffset from, ByteCount size)
        : input_(input), next_(from), end_(from + size) {}
    std::size_t read(std::uint8_t* bytes, std::size_t count) override {
        count = static_cast<std::size_t>(
            std::min<ByteCount>(static_cast<ByteCount>(count), end_ - next_));
        const std::span<const std::uint8_t> got = input_.at(next_, count);
        std::copy(got.begin(), got.end(), bytes);
        next_ += static_cast<InputOffset>(got.size());
        return got.size();
    }

private:
    InputBytes& input_;
    InputOffset next_;
    InputOffset end_;
};

struct ReadAhead {
    InputBytes& input;
    const VersionLayout& layout;
    PointBuffer& points;
    PointSimplifier& simplifier;
    FitScratch& scratch;
    Console quiet; // the run says the tracks' messages as it converts them

    // The points of the track whose record header lies at `offset`, into the point buffer, as
    // the run collects them. False when the input ends in it or it is shorter than its fields:
    // the run fails there.
    bool read_track(InputOffset offset, ByteCount length) {
        RunFailure failure;
        InputBytesSource source(input, offset + record_header_width, length);
        InputStream in(failure, source, scratch.block);
        read_track_body(in, nullptr, layout, length, points, quiet, nullptr);
        return !failure.failed();
    }

    // Calls visit(offset) with the points of every track record from `from` up to the closing
    // record in the point buffer.
    template <class Visit> void for_each_track(InputOffset from, Visit visit) {
        for (InputOffset offset = from;;) {
            const std::span<const std::uint8_t> head = input.at(offset, record_header_width);
            if (std::ssize(head) < record_header_width)
                return;
            const RecordHeader header = record_header_at(head.data(), offset);
            if (header.type == closing_record)
                return;
            if (header.type == track_record) {
                if (!read_track(offset, header.body_length()))
                    return;
                visit(offset);
            }
            offset = header.next_offset();
        }
    }

    // The points of a track within `metres`, reduced as the run reduces it.
    std::uint32_t points_within(InputOffset offset, double metres) {
        const std::span<const std::uint8_t> head = input.at(offset, record_header_width);
        if (std::ssize(head) < record_header_width)
            return 0;
        read_track(offset, record_header_at(head.data(), offset).body_length());
        simplify_points(points, {.tolerance_metres = metres}, simplifier);
        return points.count;
    }
};

// The waypoints that a route of `points` points takes: one each, with --split the joint of two
// parts once, so that only --points without --split lowers them.
struct Charge {
    std::uint32_t most = 0; // --points without --split, or 0
    std::uint32_t operator()(std::uint32_t points) const {
        return most != 0 ? std::min(points, most) : points;
    }
};

void add_to_plan(FitPlan& plan, InputOffset offset, std::uint32_t most_points) {
    plan.offset[plan.tracks] = offset;
    plan.most_points[plan.tracks] = static_cast<std::uint16_t>(most_points);
    ++plan.tracks;
}

// Even two points a track do not fit: the single positions first, then the tracks with the
// fewest points, the earlier of equal ones first, each of two points.
void plan_fewest_skipped(ReadAhead& ahead, InputOffset first_track, std::uint32_t budget,
                         FitPlan& plan) {
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
    ahead.for_each_track(first_track, [&](InputOffset offset) {
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

// The search for the smallest D over the tracks gathered in the scratch.
class DistanceSearch {
public:
    DistanceSearch(ReadAhead& ahead, std::uint32_t tracks, std::uint32_t budget, Charge charge)
        : ahead_(ahead), s_(ahead.scratch), tracks_(tracks), budget_(budget), charge_(charge) {}

    // The smallest D found from `floor` (0: none) on; the points of each track at D into the
    // scratch's fits_points.
    double search(double floor) {
        fixed_ = 0;
        double widest = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i) {
            const std::uint32_t n = s_.collected[i];
            s_.fails_points[i] = static_cast<std::uint16_t>(n);
            s_.fits_points[i] = static_cast<std::uint16_t>(std::min(n, 2U));
            if (n <= 2)
                fixed_ += n;
            else
                widest = std::max(widest, s_.two_point_metres[i] * two_point_margin);
        }
        // Every track fits as it is, or as --points leaves it.
        if (total_of(s_.fails_points) <= budget_ && floor == 0)
            return keep_all(s_.fails_points);
        fits_ = std::max(widest, floor);
        fails_ = floor;
        fits_total_ = total_of(s_.fits_points);
        if (floor > 0 && probe(floor))
            return floor;
        if (fits_ <= fails_)
            return fits_;
        // No distance known not to fit yet: go below the fitting one by what a smooth track's
        // count says the budget allows.
        while (fails_ == 0) {
            const double room = (fits_total_ - fixed_ + 0.5) / (budget_ - fixed_ + 0.5);
            probe(fits_ * std::clamp(room * room, 1e-4, 0.5));
        }
        bool fits_last = false;
        bool fails_last = false;
        double fits_weight = 1;
        double fails_weight = 1;
        for (int probes = 0; probes < most_probes && fits_ > fails_ * search_precision; ++probes) {
            const double x_fits = std::log(fits_);
            const double x_fails = std::log(fails_);
            const double f_fits = excess(fits_total_) * fits_weight;
            const double f_fails = excess(fails_total_) * fails_weight;
            double x = (x_fails * f_fits - x_fits * f_fails) / (f_fits - f_fails);
            const double margin = 0.02 * (x_fits - x_fails);
            x = std::clamp(x, x_fails + margin, x_fits - margin);
            if (probe(std::exp(x))) {
                fails_weight = fits_last ? fails_weight / 2 : 1;
                fits_weight = 1;
                fits_last = true;
                fails_last = false;
            } else {
                fits_weight = fails_last ? fits_weight / 2 : 1;
                fails_weight = 1;
                fails_last = true;
                fits_last = false;
            }
        }
        return fits_;
    }

private:
    // How far the waypoints that vary with the distance are from the budget, in their logarithm:
    // above 0 for a total that does not fit, below for one that does.
    double excess(std::uint64_t total) const {
        const double varying = std::max<double>(static_cast<double>(total) - fixed_, 1);
        return std::log(varying) - std::log(budget_ - fixed_ + 0.5);
    }

    std::uint64_t total_of(const std::uint16_t* points) const {
        std::uint64_t total = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i)
            total += charge_(points[i]);
        return total;
    }

    double keep_all(const std::uint16_t* points) {
        std::copy_n(points, tracks_, s_.fits_points);
        return 0;
    }

    // The points of every track within `metres` into probe_points, the tracks whose points the
    // bracket tells first; the rest read and reduced, until the total is over the budget. True
    // when it fits: the bracket's fitting end moves there, else its failing one.
    bool probe(double metres) {
        std::uint64_t total = 0;
        for (std::uint32_t i = 0; i < tracks_; ++i) {
            if (!known(i, metres))
                continue;
            s_.probe_points[i] = known_points(i, metres);
            total += charge_(s_.probe_points[i]);
        }
        std::uint32_t probed = tracks_;
        for (std::uint32_t i = 0; i < tracks_ && total <= budget_; ++i) {
            if (known(i, metres))
                continue;
            s_.probe_points[i] =
                static_cast<std::uint16_t>(ahead_.points_within(s_.offset[i], metres));
            total += charge_(s_.probe_points[i]);
            probed = i + 1;
        }
        if (total <= budget_) {
            std::copy_n(s_.probe_points, tracks_, s_.fits_points);
            fits_ = metres;
            fits_total_ = total;
            return true;
        }
        // The tracks not reduced keep the points of a smaller distance: as many or more.
        for (std::uint32_t i = 0; i < tracks_; ++i) {
            if (i < probed || known(i, metres))
                s_.fails_points[i] = s_.probe_points[i];
        }
        fails_ = metres;
        fails_total_ = total;
        return false;
    }

    bool known(std::uint32_t i, double metres) const {
        const std::uint32_t n = s_.collected[i];
        return n <= 2 || metres >= s_.two_point_metres[i] * two_point_margin ||
               s_.fails_points[i] == s_.fits_points[i] ||
               (charge_.most != 0 && s_.fits_points[i] >= charge_.most);
    }
    std::uint16_t known_points(std::uint32_t i, double metres) const {
        const std::uint32_t n = s_.collected[i];
        if (n <= 2)
            return static_cast<std::uint16_t>(n);
        if (metres >= s_.two_point_metres[i] * two_point_margin)
            return 2;
        return s_.fits_points[i];
    }

    ReadAhead& ahead_;
    FitScratch& s_;
    std::uint32_t tracks_;
    std::uint64_t budget_;
    Charge charge_;
    double fixed_ = 0; // the waypoints of tracks of one or two points
    double fits_ = 0;
    double fails_ = 0;
    std::uint64_t fits_total_ = 0;
    std::uint64_t fails_total_ = 0;
};

} // namespace

void plan_fit(InputBytes& input, InputOffset first_track, const VersionLayout& layout,
              const RunSettings& settings, std::uint32_t budget, PointBuffer& points,
              PointSimplifier& simplifier, FitScratch& scratch, FitPlan& plan) {
    plan.tracks = 0;
    plan.next = 0;
    plan.tolerance_metres = settings.limits.tolerance_metres;
    ReadAhead ahead{input, layout, points, simplifier, scratch, Console()};

    // First the least that every track takes: one waypoint for a single position, two for more.
    std::fill(std::begin(scratch.tracks_of_count), std::end(scratch.tracks_of_count), 0U);
    std::uint64_t least = 0;
    ahead.for_each_track(first_track, [&](InputOffset) {
        ++scratch.tracks_of_count[points.count];
        least += std::min(points.count, 2U);
    });
    if (least > budget) {
        plan_fewest_skipped(ahead, first_track, budget, plan);
        return;
    }

    std::uint32_t tracks = 0;
    ahead.for_each_track(first_track, [&](InputOffset offset) {
        if (points.count == 0 || tracks == FitScratch::tracks)
            return;
        scratch.offset[tracks] = offset;
        scratch.collected[tracks] = static_cast<std::uint16_t>(points.count);
        scratch.two_point_metres[tracks] =
            points.count > 2
                ? std::sqrt(leg_error(points, 0, points.count - 1)) * metres_per_semicircle
                : 0;
        ++tracks;
    });
    const Charge charge{settings.limits.split ? 0 : settings.limits.max_points};
    DistanceSearch search(ahead, tracks, budget, charge);
    plan.tolerance_metres = search.search(settings.limits.tolerance_metres);
    for (std::uint32_t i = 0; i < tracks; ++i)
        add_to_plan(plan, scratch.offset[i], charge(scratch.fits_points[i]));
}

} // namespace korvix
