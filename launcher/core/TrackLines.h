#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// korvix's lines about the tracks of a -V or -W run: the messages for a track that it does not
// convert, and the line that ends a --fit run.
namespace runkorvix {

// What became of the track whose trace line came last, as its message says: skipped for lack of
// names for its new waypoints ("Too many waypoints needed to convert - track skipped"), skipped
// for want of points, or under --fit kept in the output as the track it was ("Too few waypoints
// left to convert - track kept", "Track has no points - track kept"). None for any other line.
enum class TrackFate { None, SkippedNameless, SkippedEmpty, Kept };
TrackFate FateOf(std::string_view message);

// The tracks that a run did not convert, by their place among the input's tracks (0 for the
// first), in the order they came. At most kMostNoted of each are kept; the rest only counted.
struct TrackFates {
    static constexpr std::size_t kMostNoted = 100000;
    std::vector<std::uint64_t> skipped;
    std::vector<std::uint64_t> kept;
    void Note(TrackFate fate, std::uint64_t track);
    bool operator==(const TrackFates&) const = default;
};

// The line that ends a --fit run: "26 tracks fit in 687 new waypoints, within 20.8 m of their
// tracks", or "1 track fits in 1 new waypoint, within 0.0 m of its track".
struct FitLine {
    std::uint64_t tracks = 0;
    std::uint64_t waypoints = 0;
    double within = 0;
    bool operator==(const FitLine&) const = default;
};
std::optional<FitLine> ParseFitLine(std::string_view line);

} // namespace runkorvix
