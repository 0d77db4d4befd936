#include "generated_parts.h"

#include "position_word.h"
#include "reduction_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace korvix {

std::optional<GeneratedParts> shape_generated_points(PointBuffer& points,
                                                     const SimplifyLimits& limits,
                                                     std::uint32_t most,
                                                     PointSimplifier& simplifier) {
    GeneratedParts parts;
    parts.collected = points.count;
    if (limits.split) {
        if (!simplify_points_for_names(points, 0, limits.tolerance_metres, most, simplifier,
                                       parts.error_metres))
            return std::nullopt;
        if (points.count > limits.max_points) {
            parts.part_points = limits.max_points;
            parts.parts = (points.count - 2) / (limits.max_points - 1) + 1;
        }
    } else if (limits.active()) {
        if (!simplify_points_for_names(points, limits.max_points, limits.tolerance_metres, most,
                                       simplifier, parts.error_metres))
            return std::nullopt;
        if (limits.max_points != 0 && limits.tolerance_metres > 0 &&
            parts.error_metres > limits.tolerance_metres)
            parts.overruled_tolerance = limits.tolerance_metres;
    } else if (points.count > most) {
        return std::nullopt;
    }
    parts.kept = points.count;
    return parts;
}

namespace {

// Points kept, cut into parts of at most part_points (0: not cut; --points takes 2 at least, and
// a part of one point would never reach the next).
void cut_into_parts(GeneratedParts& parts, std::uint32_t kept, std::uint32_t part_points) {
    if (part_points >= 2 && kept > part_points) {
        parts.part_points = part_points;
        parts.parts = (kept - 2) / (part_points - 1) + 1;
    }
    parts.kept = kept;
}

} // namespace

GeneratedParts shape_fitted_points(PointBuffer& points, double tolerance_metres,
                                   std::uint32_t most_points, std::uint32_t part_points,
                                   PointSimplifier& simplifier) {
    GeneratedParts parts;
    parts.collected = points.count;
    const SimplifyLimits limits{
        .max_points = most_points >= 2 && most_points < points.count ? most_points : 0,
        .tolerance_metres = tolerance_metres};
    if (limits.active())
        parts.error_metres =
            simplify_points(points, limits.max_points, limits.tolerance_metres, simplifier);
    cut_into_parts(parts, points.count, part_points);
    return parts;
}

GeneratedParts kept_points(PointBuffer& points, const std::uint64_t* kept, std::uint32_t count,
                           double error_metres, std::uint32_t part_points) {
    GeneratedParts parts;
    parts.collected = points.count;
    for (std::uint32_t k = 0; k < count; ++k) {
        points.latitude[k] = latitude_of(kept[k]);
        points.longitude[k] = longitude_of(kept[k]);
    }
    points.count = count;
    parts.error_metres = count < parts.collected ? error_metres : 0;
    cut_into_parts(parts, count, part_points);
    return parts;
}

GeneratedName::GeneratedName(const char* name, const GeneratedParts& parts, std::uint32_t part)
    : name_(name), name_bytes_(std::ssize(std::string_view(name))) {
    if (parts.parts > 1)
        suffix_bytes_ = std::snprintf(suffix_, sizeof suffix_, " %u/%u", part + 1, parts.parts);
}

namespace {

// A distance as the line writes it, to a tenth of a metre: rounded up, so that every point lies
// within the distance written (less a billionth of a tenth, as a distance's last bits are noise).
double written_up(double metres) {
    return std::max(0.0, std::ceil(metres * 10 - 1e-9) / 10);
}

} // namespace

void report_generated_parts(Console& console, const char* name, const GeneratedParts& parts,
                            const char* kind) {
    if (!parts.reduced_or_cut())
        return;
    console.say(name);
    rules::write_reduction_line([&](std::string_view text) { console.say(text); },
                                {.collected = parts.collected,
                                 .kept = parts.kept,
                                 .parts = parts.parts,
                                 .part_points = parts.part_points,
                                 .within_metres = written_up(parts.error_metres),
                                 .overruled_tolerance = parts.overruled_tolerance},
                                kind);
}

} // namespace korvix
