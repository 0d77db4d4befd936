#include "RunPicture.h"

#include "FarthestPoint.h"
#include "PathStream.h"
#include "file_paths.h"
#include "position_word.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace runkorvix {

namespace {

// The parts that korvix cut a route or track into carry its name with " 1/3", " 2/3" and so on.
std::size_t PartsNamed(std::string_view made, std::string_view name) {
    if (made == name) {
        return 1;
    }
    const std::string first = std::string(name) + " 1/";
    if (made.substr(0, first.size()) != first) {
        return 1;
    }
    unsigned parts = 0;
    const std::string rest(made.substr(first.size()));
    return std::sscanf(rest.c_str(), "%u", &parts) == 1 && parts > 0 ? parts : 1;
}

// The parts made of the input's route or track `name`, joined into `joined`.
void TakeParts(PathStream& made, std::string_view name, std::uint32_t& parts,
               std::vector<std::uint64_t>& joined) {
    joined.clear();
    const StreamedPath* first = made.Peek();
    const std::size_t count = first == nullptr ? 0 : PartsNamed(first->name, name);
    parts = 0;
    for (std::optional<StreamedPath> part; parts < count && (part = made.Next()); ++parts) {
        // Each part begins at the point where the one before ends.
        const std::vector<std::uint64_t>& positions = part->positions;
        const bool joint = !joined.empty() && !positions.empty() && joined.back() == positions[0];
        joined.insert(joined.end(), positions.begin() + (joint ? 1 : 0), positions.end());
        made.Recycle(std::move(part->positions));
    }
}

// The longer side of the box around some positions, in semicircles.
std::int64_t ExtentOf(const MapBounds& bounds) {
    return bounds.Empty() ? 0
                          : std::max(std::int64_t{bounds.north} - bounds.south,
                                     std::int64_t{bounds.east} - bounds.west);
}

// Positions thinned for drawing into `kept`: a point within `cell` semicircles of the one kept
// before is left out, but for the last.
template <class Position>
void Thin(std::size_t count, std::int64_t cell, const Position& position,
          std::vector<MapPoint>& kept) {
    kept.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const MapPoint point = position(i);
        const bool near = !kept.empty() &&
                          std::abs(std::int64_t{point.latitude} - kept.back().latitude) < cell &&
                          std::abs(std::int64_t{point.longitude} - kept.back().longitude) < cell;
        if (!near || i + 1 == count) {
            kept.push_back(point);
        }
    }
}

// The points that every so many of a line's give, the last always among them, so that at most
// `most` are left.
std::size_t EveryOf(std::size_t points, std::size_t most) {
    return std::max<std::size_t>(1, (points + most - 1) / std::max<std::size_t>(1, most));
}

// Those points of `line`, in a vector of their own, with no room beyond them.
std::vector<MapPoint> Strided(const std::vector<MapPoint>& line, std::size_t most) {
    const std::size_t every = EveryOf(line.size(), most);
    std::vector<MapPoint> kept;
    kept.reserve((line.size() + every - 1) / every + 1);
    for (std::size_t i = 0; i < line.size(); i += every) {
        kept.push_back(line[i]);
    }
    if (!line.empty() && (line.size() - 1) % every != 0) {
        kept.push_back(line.back());
    }
    return kept;
}

std::size_t OutlineMost(std::size_t most) {
    return std::min<std::size_t>(std::size_t{2} * kOutlinePixels, most / 2);
}

// Those points of `line` in its place, when the picture keeps fewer of every line.
void KeepAtMost(std::vector<MapPoint>& line, std::size_t most) {
    if (EveryOf(line.size(), most) > 1) {
        line = Strided(line, most);
    }
}

// The row's lines thinned to its extent, fine and in outline. The fine line keeps at most `most`
// points, every so many of them where it would keep more (a line that winds to and fro across
// its extent), so that the picture of a file of many such lines fits in memory and draws at
// once; the outline, drawn at most kOutlinePixels across, keeps half as many (and never more than
// twice kOutlinePixels).
template <class Position>
void Draw(std::size_t count, const Position& position, const MapBounds& bounds, std::size_t most,
          std::vector<MapPoint>& fine, std::vector<MapPoint>& outline) {
    // The points before they are strided, room kept from line to line.
    thread_local std::vector<MapPoint> thinned;
    const std::int64_t extent = ExtentOf(bounds);
    Thin(count, std::max<std::int64_t>(1, extent / 2048), position, thinned);
    fine = Strided(thinned, most);
    Thin(
        fine.size(), std::max<std::int64_t>(1, extent / kOutlinePixels),
        [&fine](std::size_t i) { return fine[i]; }, thinned);
    outline = Strided(thinned, OutlineMost(most));
}

// The fine lines of a file of many routes or tracks together keep at most kMostKept points (64
// MB): past that, every row's fine lines are halved, down to kLeastFine points a line, which
// still show a row's shape when it is chosen.
constexpr std::size_t kMostFine = 1024;
constexpr std::size_t kLeastFine = 32;
constexpr std::size_t kMostKept = std::size_t{8} << 20;

// A position word as a point of the picture.
MapPoint PointOf(std::uint64_t position) {
    return {korvix::latitude_of(position), korvix::longitude_of(position)};
}

// The input's routes or tracks, each a row with what was made of it.
class PictureRows {
public:
    PictureRows(const PictureRun& run, PathStream& made)
        : m_run(run), m_made(made), m_tracksToRoutes(run.option == "-V" || run.option == "-W") {}

    void Take(const StreamedPath& path) {
        const bool source = (path.kind == korvix::PathKind::track) == m_tracksToRoutes;
        if (!source) { // copied as it was: among the routes (or tracks) made
            if (std::optional<StreamedPath> copied = m_made.Next()) {
                m_made.Recycle(std::move(copied->positions));
            }
            return;
        }
        PictureRow row;
        row.name = path.name;
        row.points = static_cast<std::uint32_t>(path.positions.size());
        row.fate = FateOf(path.index);
        const std::vector<std::uint64_t>& points = path.positions;
        const auto position = [&points](std::size_t i) { return PointOf(points[i]); };
        for (const std::uint64_t point : points) {
            row.bounds.Add(PointOf(point));
        }
        if (row.fate == PictureRow::Fate::Made) {
            Made(path, row);
        }
        Draw(points.size(), position, row.bounds, m_most, row.drawn, row.drawnOutline);
        m_kept += row.drawn.size() + row.made.size();
        rows.push_back(std::move(row));
        if (m_kept > kMostKept && m_most > kLeastFine) {
            HalveFineLines();
        }
    }

    std::vector<PictureRow> rows;

private:
    void HalveFineLines() {
        m_most /= 2;
        m_kept = 0;
        for (PictureRow& row : rows) {
            KeepAtMost(row.drawn, m_most);
            KeepAtMost(row.made, m_most);
            KeepAtMost(row.drawnOutline, OutlineMost(m_most));
            KeepAtMost(row.madeOutline, OutlineMost(m_most));
            m_kept += row.drawn.size() + row.made.size();
        }
    }

    // The fates name the tracks by their place, in the order of the file.
    PictureRow::Fate FateOf(std::uint64_t index) const {
        const auto among = [index](const std::vector<std::uint64_t>& tracks) {
            return std::binary_search(tracks.begin(), tracks.end(), index);
        };
        if (!m_tracksToRoutes) {
            return PictureRow::Fate::Made;
        }
        if (among(m_run.fates.skipped)) {
            return PictureRow::Fate::Skipped;
        }
        return among(m_run.fates.kept) ? PictureRow::Fate::Kept : PictureRow::Fate::Made;
    }

    void Made(const StreamedPath& path, PictureRow& row) {
        std::vector<std::uint64_t>& joined = m_joined;
        TakeParts(m_made, path.name, row.parts, joined);
        row.fate = row.parts == 0 ? PictureRow::Fate::Missing : PictureRow::Fate::Made;
        row.madePoints = static_cast<std::uint32_t>(joined.size());
        const auto position = [&joined](std::size_t i) { return PointOf(joined[i]); };
        for (const std::uint64_t point : joined) {
            row.bounds.Add(PointOf(point));
        }
        Draw(joined.size(), position, row.bounds, m_most, row.made, row.madeOutline);
        if (const std::optional<Farthest> farthest = FarthestFromMade(path.positions, joined)) {
            row.farthest = PointOf(path.positions[farthest->index]);
            row.farthestMetres = farthest->metres;
        }
    }

    const PictureRun& m_run;
    PathStream& m_made;
    bool m_tracksToRoutes;
    std::size_t m_most = kMostFine;      // points of a fine line
    std::size_t m_kept = 0;              // points of all fine lines
    std::vector<std::uint64_t> m_joined; // what was made of a row, room kept from row to row
};

} // namespace

void MapBounds::Add(const MapPoint& point) {
    south = std::min(south, point.latitude);
    north = std::max(north, point.latitude);
    west = std::min(west, point.longitude);
    east = std::max(east, point.longitude);
}

void MapBounds::Add(const MapBounds& bounds) {
    if (!bounds.Empty()) {
        Add(MapPoint{bounds.south, bounds.west});
        Add(MapPoint{bounds.north, bounds.east});
    }
}

bool HasPicture(std::string_view option) {
    return option == "-T" || option == "-U" || option == "-V" || option == "-W";
}

std::optional<RunPicture> BuildRunPicture(const PictureRun& run) {
    if (!HasPicture(run.option)) {
        return std::nullopt;
    }
    // -U made its tracks of the routes' vias alone, and is measured against them.
    const korvix::TrackPoints routePoints =
        run.option == "-U" ? korvix::TrackPoints::via_points : korvix::TrackPoints::all_points;
    // The input and the output are read each on a thread of its own, while this one matches
    // their paths. The output's routes are read with every point, which for generated routes are
    // their vias; its tracks whole.
    const bool tracksToRoutes = run.option == "-V" || run.option == "-W";
    PathStream made(run.output, korvix::TrackPoints::all_points,
                    tracksToRoutes ? korvix::PathKind::route : korvix::PathKind::track);
    PathStream input(run.input, routePoints, std::nullopt);
    PictureRows rows(run, made);
    while (std::optional<StreamedPath> path = input.Next()) {
        rows.Take(*path);
        input.Recycle(std::move(path->positions));
    }
    if (!input.Whole() || !made.Whole()) {
        return std::nullopt;
    }
    RunPicture picture;
    picture.tracksToRoutes = tracksToRoutes;
    picture.rows = std::move(rows.rows);
    for (const PictureRow& row : picture.rows) {
        picture.bounds.Add(row.bounds);
    }
    return picture;
}

std::string DistanceText(double metres) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f m", std::max(0.0, std::ceil(metres * 10 - 1e-9) / 10));
    return text;
}

std::string RowPointsText(const PictureRow& row, bool tracksToRoutes) {
    std::string text = std::to_string(row.points);
    if (row.fate != PictureRow::Fate::Made) {
        return text;
    }
    text += " \xE2\x86\x92 " + std::to_string(row.madePoints); // an arrow
    if (row.parts > 1) {
        text += " in " + std::to_string(row.parts) + (tracksToRoutes ? " routes" : " tracks");
    }
    return text;
}

std::string RowFateText(const PictureRow& row) {
    switch (row.fate) {
    case PictureRow::Fate::Skipped:
        return "skipped";
    case PictureRow::Fate::Kept:
        return "kept as a track";
    case PictureRow::Fate::Missing:
        return "not found";
    case PictureRow::Fate::Made:
        break;
    }
    return DistanceText(row.farthestMetres);
}

} // namespace runkorvix
