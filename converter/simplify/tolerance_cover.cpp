#include "tolerance_cover.h"

#include "leg_reach.h"

#include <algorithm>
#include <utility>

namespace korvix {
namespace {

using Index = PointSimplifier::Index;

} // namespace

std::uint32_t greedy_cover(const PointBuffer& points, double tolerance, PointSimplifier& scratch) {
    const std::uint32_t last = points.count - 1;
    std::uint32_t count = 0;
    scratch.kept[count++] = 0;
    Reach reach;
    for (std::uint32_t at = 0; at < last;) {
        std::uint32_t candidates = reach_candidates(points, at, tolerance, scratch, reach);
        std::uint32_t next = at + 1; // a leg with no point between always holds
        std::uint32_t witness = 0;
        while (candidates > 1) {
            const std::uint32_t j = scratch.candidates[--candidates];
            if (leg_holds(points, reach, j, tolerance, witness, scratch)) {
                next = j;
                break;
            }
        }
        scratch.kept[count++] = static_cast<Index>(next);
        at = next;
    }
    scratch.count = count;
    return count;
}

std::uint32_t fewest_cover(const PointBuffer& points, double tolerance, PointSimplifier& scratch) {
    const std::uint32_t last = points.count - 1;
    constexpr Index unreached = 0xFFFF;
    std::fill_n(scratch.hops, points.count, unreached);
    scratch.hops[0] = 0;
    scratch.parent[0] = 0;
    // Points in order: every leg into a point starts before it, so its hops are final when the
    // search leaves it. A point is reached at least from the one before it.
    Reach reach;
    for (std::uint32_t i = 0; i < last; ++i) {
        const std::uint32_t candidates = reach_candidates(points, i, tolerance, scratch, reach);
        const auto hops = static_cast<Index>(scratch.hops[i] + 1);
        std::uint32_t witness = 0;
        for (std::uint32_t c = 0; c < candidates; ++c) {
            const std::uint32_t j = scratch.candidates[c];
            if (hops < scratch.hops[j] &&
                leg_holds(points, reach, j, tolerance, witness, scratch)) {
                scratch.hops[j] = hops;
                scratch.parent[j] = static_cast<Index>(i);
            }
        }
    }
    scratch.count = scratch.hops[last] + 1u;
    std::uint32_t at = last;
    for (std::uint32_t k = scratch.count; k-- > 0; at = scratch.parent[at])
        scratch.kept[k] = static_cast<Index>(at);
    return scratch.count;
}

namespace {

// The points of highest index found so far, at most `width`, highest first.
class Highest {
public:
    explicit Highest(std::uint32_t width) : width_(width) {}
    std::uint32_t size() const { return size_; }
    Index operator[](std::uint32_t k) const { return points_[k]; }
    // Whether point j could still be among them.
    bool admits(std::uint32_t j) const { return size_ < width_ || j > points_[size_ - 1]; }
    // The lowest point that could still be among them.
    std::uint32_t lowest() const { return size_ < width_ ? 0 : points_[size_ - 1] + 1u; }
    void add(std::uint32_t j) {
        std::uint32_t at = size_ < width_ ? size_++ : size_ - 1;
        for (; at > 0 && points_[at - 1] < j; --at)
            points_[at] = points_[at - 1];
        points_[at] = static_cast<Index>(j);
    }
    void clear() { size_ = 0; }

private:
    std::uint32_t width_;
    std::uint32_t size_ = 0;
    Index points_[beam_width_most] = {};
};

// The path from point 0 to `last` by the parents of the search, into scratch.kept.
std::uint32_t path_to(std::uint32_t last, PointSimplifier& scratch) {
    std::uint32_t count = 1;
    for (std::uint32_t at = last; at != 0; at = scratch.parent[at])
        ++count;
    std::uint32_t at = last;
    for (std::uint32_t k = count; k-- > 0; at = scratch.parent[at])
        scratch.kept[k] = static_cast<Index>(at);
    scratch.count = count;
    return count;
}

} // namespace

std::uint32_t beam_cover(const PointBuffer& points, double tolerance, std::uint32_t width,
                         PointSimplifier& scratch) {
    const std::uint32_t last = points.count - 1;
    constexpr Index unreached = 0xFFFF;
    std::fill_n(scratch.hops, points.count, unreached);
    scratch.hops[0] = 0;
    Highest from(width);
    Highest reached(width);
    Reach reach;
    from.add(0);
    for (std::uint32_t legs = 1; scratch.hops[last] == unreached; ++legs) {
        reached.clear();
        // From the highest point on: the farthest points reached set the bar for the others.
        for (std::uint32_t f = 0; f < from.size() && scratch.hops[last] == unreached; ++f) {
            const std::uint32_t i = from[f];
            std::uint32_t candidates =
                reach_candidates(points, i, tolerance, scratch, reach, nullptr, reached.lowest());
            std::uint32_t witness = 0;
            while (candidates > 0) {
                const std::uint32_t j = scratch.candidates[--candidates];
                if (!reached.admits(j))
                    break;
                if (scratch.hops[j] <= legs ||
                    !leg_holds(points, reach, j, tolerance, witness, scratch))
                    continue;
                scratch.hops[j] = static_cast<Index>(legs);
                scratch.parent[j] = static_cast<Index>(i);
                reached.add(j);
            }
        }
        if (reached.size() == 0) { // every point reached was reached before: on from the highest
            const std::uint32_t j = from[0] + 1u;
            scratch.hops[j] = static_cast<Index>(legs);
            scratch.parent[j] = from[0];
            reached.add(j);
        }
        std::swap(from, reached);
    }
    return path_to(last, scratch);
}

bool covers_keep_more_than(const PointBuffer& points, double tolerance, std::uint32_t most,
                           std::uint64_t& looks_left, PointSimplifier& scratch) {
    const std::uint32_t last = points.count - 1;
    // After each round, `reached` is the farthest point that a cover of `legs` legs can have got
    // to: no farther than the last candidate of any point that one leg fewer can have got to.
    // Each point up to it is scanned from once, in order.
    std::uint32_t reached = 0;
    std::uint32_t farthest = 0;
    std::uint32_t origin = 0;
    Reach reach;
    for (std::uint32_t legs = 1; legs < most; ++legs) {
        for (; origin <= reached; ++origin) {
            std::uint32_t scan_end = 0;
            const std::uint32_t candidates =
                reach_candidates(points, origin, tolerance, scratch, reach, &scan_end);
            farthest = std::max<std::uint32_t>(farthest, scratch.candidates[candidates - 1]);
            const std::uint32_t looks = scan_end - origin;
            if (farthest == last || looks > looks_left) {
                looks_left -= std::min<std::uint64_t>(looks, looks_left);
                return false;
            }
            looks_left -= looks;
        }
        reached = farthest;
    }
    return true;
}

} // namespace korvix
