#pragma once

#include "TrackLines.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a run that made routes of tracks (-V, -W) or tracks of routes (-T, -U) did, as a picture:
// every track of the input and the route made of it (or every route and the track made of it),
// read from the input and the output as korvix reads them, with the point of each farthest from
// what was made, measured as korvix measures it.
namespace runkorvix {

// A position of a GDB file: latitude and longitude in semicircles (2^31 make 180 degrees).
struct MapPoint {
    std::int32_t latitude = 0;
    std::int32_t longitude = 0;
    bool operator==(const MapPoint&) const = default;
};

// The smallest box of latitudes and longitudes around some positions; empty around none.
struct MapBounds {
    std::int32_t south = std::numeric_limits<std::int32_t>::max();
    std::int32_t north = std::numeric_limits<std::int32_t>::min();
    std::int32_t west = std::numeric_limits<std::int32_t>::max();
    std::int32_t east = std::numeric_limits<std::int32_t>::min();
    bool Empty() const { return south > north; }
    void Add(const MapPoint& point);
    void Add(const MapBounds& bounds);
};

// One track (or route) of the input and what the run made of it: a row of the picture's list.
struct PictureRow {
    // Made into one route (or track) or more; skipped, and not in the output; kept in the output
    // as the track it was (--fit); or nothing of it found in the output.
    enum class Fate { Made, Skipped, Kept, Missing };
    std::string name;
    Fate fate = Fate::Made;
    std::uint32_t points = 0;     // of the input's, as korvix collects them
    std::uint32_t madePoints = 0; // of what was made of them, a joint of two parts once
    std::uint32_t parts = 0;      // routes (or tracks) made of it
    // The input's point farthest from what was made, and how far, as korvix measures it: from
    // the leg made between the two kept points around it. None where every point was kept.
    std::optional<MapPoint> farthest;
    double farthestMetres = 0;
    MapBounds bounds;
    // The input's positions and those made, parts joined, thinned for drawing: to a 2048th of
    // the row's extent (1024 points at most, down to 64 where the file's rows together would keep
    // more than 8 million), and, for when the row is small on the screen, to a 64th (half as
    // many points, 128 at most).
    std::vector<MapPoint> drawn;
    std::vector<MapPoint> made;
    std::vector<MapPoint> drawnOutline;
    std::vector<MapPoint> madeOutline;
};

// Of a row that spans this many pixels or fewer the outlines are drawn: they stray from the line by
// a pixel at most.
inline constexpr int kOutlinePixels = 64;

struct RunPicture {
    bool tracksToRoutes = true; // -V and -W; false for -T and -U
    std::vector<PictureRow> rows;
    MapBounds bounds;
};

// The run to draw: its option ("-T" to "-W"), its files and the tracks it did not convert.
struct PictureRun {
    std::string option;
    std::string input;
    std::string output;
    TrackFates fates;
};

// True for the options whose runs have a picture: -T, -U, -V and -W.
bool HasPicture(std::string_view option);

// The picture of a run, read from its input and output; none for an option without a picture
// or a file that korvix does not read whole.
std::optional<RunPicture> BuildRunPicture(const PictureRun& run);

// Said where the picture of a run cannot be drawn: its files cannot be read as korvix reads them.
inline constexpr char kNoPictureText[] =
    "The picture cannot be drawn: the files of the last run cannot be read as they were.";
// The button of the box after a run that offers the picture.
inline constexpr char kShowCaption[] = "Show";

// The picture's list, a row's columns: its name; its points and what they became ("4210 -> 250",
// "4210 -> 653 in 3 routes"); and how far its farthest point lies ("11.6 m", rounded up to a
// tenth as korvix writes it), or "skipped", "kept as a track", "not found".
std::string RowPointsText(const PictureRow& row, bool tracksToRoutes);
std::string RowFateText(const PictureRow& row);
// A distance as the picture writes it: "11.6 m", rounded up to a tenth of a metre.
std::string DistanceText(double metres);

} // namespace runkorvix
