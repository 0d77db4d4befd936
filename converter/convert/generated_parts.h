// What becomes of the points collected for one route or track that a run generates: reduced as
// --points and --tolerance say, or, with --split, reduced to the tolerance only and then cut into
// consecutive parts of at most --points points, each part beginning at the point where the one
// before ends. A route or track cut into parts is written as one route or track per part, named
// by its name, a blank and the part as "2/3".
#pragma once

#include "byte_stream.h"
#include "console.h"
#include "point_buffer.h"
#include "point_simplify.h"
#include "run_settings.h"

#include <cstdint>
#include <optional>

namespace korvix {

struct GeneratedParts {
    std::uint32_t collected = 0; // points collected, adjacent repeats merged
    std::uint32_t kept = 0;      // points kept, each joint of two parts counted once
    std::uint32_t parts = 1;
    std::uint32_t part_points = 0; // points of every part but the last
    double error_metres = 0;       // largest distance of a collected point from what was kept
    // The tolerance asked for when the point limit kept the points farther from the line than
    // it: both limits given, no split, and the tolerance's reduction had too many points. 0 else.
    double overruled_tolerance = 0;

    std::uint32_t first(std::uint32_t part) const { return part * (part_points - 1); }
    std::uint32_t points(std::uint32_t part) const {
        return part + 1 < parts ? part_points : kept - first(part);
    }
    bool reduced_or_cut() const { return parts > 1 || kept < collected; }
};

// Reduces the collected points in place as the limits say and tells how to cut them; nothing,
// with the points as they were, when more than `most` points would be kept (joints counted
// once), as soon as that is known.
std::optional<GeneratedParts> shape_generated_points(PointBuffer& points,
                                                     const SimplifyLimits& limits,
                                                     std::uint32_t most,
                                                     PointSimplifier& simplifier);

// Reduces the collected points of a track that --fit plans within `tolerance_metres` (0: none) and
// to at most `most_points`, and, when `part_points` is not 0 (--split), tells how to cut them
// into parts of at most that many points.
GeneratedParts shape_fitted_points(PointBuffer& points, double tolerance_metres,
                                   std::uint32_t most_points, std::uint32_t part_points,
                                   PointSimplifier& simplifier);

// Puts the `count` points that --fit kept of a track (position words) in the place of the points
// collected, `error_metres` from them, and tells how to cut them as shape_fitted_points does.
GeneratedParts kept_points(PointBuffer& points, const std::uint64_t* kept, std::uint32_t count,
                           double error_metres, std::uint32_t part_points);

// The name of a generated route or track: the name read, or the name of one part of it.
class GeneratedName {
public:
    GeneratedName(const char* name, const GeneratedParts& parts, std::uint32_t part);
    // Its bytes, the 0 byte included.
    ByteCount bytes() const { return name_bytes_ + suffix_bytes_ + 1; }
    template <ByteWriter Out> void write(Out& out) const {
        write_bytes(out, reinterpret_cast<const std::uint8_t*>(name_), name_bytes_);
        write_bytes(out, reinterpret_cast<const std::uint8_t*>(suffix_), suffix_bytes_);
        out.write_byte(0);
    }

private:
    const char* name_;
    ByteCount name_bytes_;
    char suffix_[24] = {}; // " 2/3"
    ByteCount suffix_bytes_ = 0;
};

// The line that tells what a reduction or cut did, after the trace line of its record (the distance
// rounded up to a tenth of a metre, so that every point collected lies within it):
// "ACTIVE LOG: 4210 points -> 250, within 11.6 m", or when cut
// "ACTIVE LOG: 4210 points -> 3 routes of 250, 250 and 153, within 4.0 m", and where the point
// limit overruled the tolerance, the tolerance after it: "ACTIVE LOG: 1906 points -> 250, within
// 24.3 m, not 10 m". Nothing when the points were neither reduced nor cut. `kind` names the
// parts: "routes" or "tracks".
void report_generated_parts(Console& console, const char* name, const GeneratedParts& parts,
                            const char* kind);

} // namespace korvix
