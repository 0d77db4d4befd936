#include "optimum.h"

#include "leg_distance.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvix::optimum {
namespace {

// Beyond this many semicircles (some 50 km) from a leg's first point the wedge is not used.
constexpr double wedge_reach = 50000 / metres_per_semicircle;
// The wedge's radius over D: 5 % wider, and 1 cm more.
constexpr double wedge_share = 1.05;
constexpr double wedge_margin = 0.01 / metres_per_semicircle;
// Angles are compared a hair wide, for their rounding.
constexpr double angle_slack = 1e-9;

// The directions from one point that pass within a radius of every point after it, as an interval
// of angles from the direction of the first point that constrained it. Each point's own interval
// is narrower than a half turn, so the common one lies within a quarter turn either side of that
// direction and needs no wrapping.
class Wedge {
public:
    Wedge(const PointBuffer& points, std::uint32_t from, double radius)
        : points_(points), plane_(points.latitude[from], points.longitude[from], 0),
          radius_(radius) {}

    // Whether a leg from the first point to point j may hold, given the points before j; then
    // takes j's own interval into the common one. False for every point after the common
    // interval became empty (ended()).
    bool admits(std::uint32_t j) {
        double x = 0;
        double y = 0;
        plane_.project(points_.latitude[j], points_.longitude[j], x, y);
        const double distance = std::hypot(x, y);
        if (unbounded_ || distance > wedge_reach) {
            unbounded_ = true; // from here on every leg is checked
            return true;
        }
        const bool admitted = !constrained_ || (distance > 0 && inside(angle_of(x, y)));
        if (distance > radius_)
            narrow(angle_of(x, y), std::asin(radius_ / distance));
        return admitted;
    }

    bool ended() const { return !unbounded_ && constrained_ && low_ > high_; }

private:
    double angle_of(double x, double y) {
        if (!constrained_) {
            reference_ = std::atan2(y, x);
            constrained_ = true;
            low_ = -HUGE_VAL;
            high_ = HUGE_VAL;
            return 0;
        }
        return std::remainder(std::atan2(y, x) - reference_, 2 * pi);
    }
    bool inside(double angle) const {
        return angle >= low_ - angle_slack && angle <= high_ + angle_slack;
    }
    void narrow(double angle, double half_width) {
        low_ = std::max(low_, angle - half_width);
        high_ = std::min(high_, angle + half_width);
    }

    const PointBuffer& points_;
    LocalPlane plane_;
    double radius_;
    bool constrained_ = false;
    bool unbounded_ = false;
    double reference_ = 0;
    double low_ = 0;
    double high_ = 0;
};

// The error of the leg from a to b, as leg_error gives it, or, once a point lies beyond `bound`,
// that point's distance; that point becomes the witness, which is looked at first.
double error_within(const PointBuffer& points, std::uint32_t a, std::uint32_t b, double bound,
                    std::uint32_t& witness) {
    if (b - a < 2)
        return 0;
    const LegPlane leg(points.latitude[a], points.longitude[a], points.latitude[b],
                       points.longitude[b]);
    const auto distance = [&](std::uint32_t k) {
        return leg.distance_squared(points.latitude[k], points.longitude[k]);
    };
    if (witness > a && witness < b && distance(witness) > bound)
        return distance(witness);
    double worst = 0;
    for (std::uint32_t k = b - 1; k > a; --k) {
        worst = std::max(worst, distance(k));
        if (worst > bound) {
            witness = k;
            break;
        }
    }
    return worst;
}

// The breadth-first search over the legs: the fewest legs to each point, and among paths of that
// many the smallest error (the largest of their legs' errors).
class Search {
public:
    explicit Search(std::uint32_t n) : hops_(n, unreached), parent_(n, 0), error_(n, 0) {
        hops_[0] = 0;
    }

    // Takes the leg from i to j if it holds the tolerance and makes a better path to j: one of
    // fewer legs, or, when `least_error`, one of as many legs and a smaller error. `witness` is
    // the point that kept the last leg tried from i from holding: looked at first.
    void try_leg(const PointBuffer& points, std::uint32_t i, std::uint32_t j, double tolerance,
                 std::uint32_t& witness, bool least_error) {
        const std::uint32_t hops = hops_[i] + 1;
        if (hops > hops_[j] || (hops == hops_[j] && !least_error))
            return;
        const double bound = hops < hops_[j] ? tolerance : std::min(tolerance, error_[j]);
        const double leg = error_within(points, i, j, bound, witness);
        const double error = std::max(error_[i], leg);
        if (leg <= tolerance && (hops < hops_[j] || error < error_[j])) {
            hops_[j] = hops;
            parent_[j] = i;
            error_[j] = error;
        }
    }

    Reduction path_to(std::uint32_t last) const {
        Reduction r;
        for (std::uint32_t at = last;; at = parent_[at]) {
            r.kept.push_back(at);
            if (at == 0)
                break;
        }
        std::reverse(r.kept.begin(), r.kept.end());
        r.error = error_[last];
        return r;
    }

private:
    static constexpr std::uint32_t unreached = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> hops_;
    std::vector<std::uint32_t> parent_;
    std::vector<double> error_;
};

} // namespace

double squared_semicircles(double metres) {
    const double semicircles = metres / metres_per_semicircle;
    return semicircles * semicircles;
}

double metres_of(double squared) {
    return std::sqrt(squared) * metres_per_semicircle;
}

double reduction_error(const PointBuffer& points, const std::vector<std::uint32_t>& kept) {
    double worst = 0;
    for (std::size_t i = 0; i + 1 < kept.size(); ++i)
        worst = std::max(worst, leg_error(points, kept[i], kept[i + 1]));
    return worst;
}

Reduction fewest_within(const PointBuffer& points, double tolerance, bool wedges,
                        bool least_error) {
    const std::uint32_t n = points.count;
    if (n <= 2) {
        Reduction r;
        for (std::uint32_t i = 0; i < n; ++i)
            r.kept.push_back(i);
        return r;
    }
    Search search(n);
    const double radius = std::sqrt(tolerance) * wedge_share + wedge_margin;
    // Points in order: every leg into a point starts before it, so its hops and its error are
    // final when the search leaves it.
    for (std::uint32_t i = 0; i + 1 < n; ++i) {
        Wedge wedge(points, i, radius);
        std::uint32_t witness = 0;
        for (std::uint32_t j = i + 1; j < n; ++j) {
            if (!wedges || wedge.admits(j))
                search.try_leg(points, i, j, tolerance, witness, least_error);
            if (wedges && wedge.ended())
                break;
        }
    }
    return search.path_to(n - 1);
}

Reduction smallest_error(const PointBuffer& points, std::uint32_t most, bool wedges,
                         const Reduction* start) {
    const std::uint32_t n = points.count;
    Reduction best;
    if (n <= most || most < 2) {
        for (std::uint32_t i = 0; i < n; ++i)
            best.kept.push_back(i);
        return best;
    }
    if (start != nullptr && start->kept.size() <= most) {
        best = *start;
    } else { // evenly spread points fit
        for (std::uint32_t i = 0; i < most; ++i)
            best.kept.push_back(
                static_cast<std::uint32_t>(std::uint64_t{i} * (n - 1) / (most - 1)));
    }
    best.error = reduction_error(points, best.kept);
    const Reduction exact = fewest_within(points, 0, wedges);
    if (exact.kept.size() <= most)
        return exact;
    // A distance whose fewest points are more than `most`: first some steps below the best.
    double low = 0;
    for (double share = 0.98; low == 0; share *= share) {
        Reduction r = fewest_within(points, best.error * share, wedges);
        if (r.kept.size() > most)
            low = best.error * share;
        else
            best = std::move(r);
    }
    // Then bisection, each reduction that fits lowering the best to its own error.
    while (best.error > low * (1 + 1e-5)) {
        const double middle = std::sqrt(low * best.error);
        Reduction r = fewest_within(points, middle, wedges);
        if (r.kept.size() <= most)
            best = std::move(r);
        else
            low = middle;
    }
    // Last, down the errors of the reductions that fit, until a hair below the best none does:
    // the fewest points only grow as the distance falls.
    while (best.error * (1 - 1e-12) > low) {
        Reduction r = fewest_within(points, best.error * (1 - 1e-12), wedges);
        if (r.kept.size() > most)
            break;
        best = std::move(r);
    }
    return best;
}

} // namespace korvix::optimum
