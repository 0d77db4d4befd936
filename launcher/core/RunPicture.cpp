#include "RunPicture.h"

#include "FarthestPoint.h"
#include "file_paths.h"
#include "position_word.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>

namespace runkorvix {

namespace {

// A route or track of the output: its name and positions.
struct MadePath {
    std::string name;
    std::vector<std::uint64_t> positions;
};

// The output's routes and tracks, each kind in the order of the file.
class MadePaths : public korvix::PathVisitor {
public:
    void path(const korvix::PathSeen& seen) override {
        MadePath made{std::string(seen.name), {}};
        made.positions.reserve(seen.points.count);
        for (std::uint32_t i = 0; i < seen.points.count; ++i) {
            const MapPoint point{seen.points.latitude[i], seen.points.longitude[i]};
            made.positions.push_back(korvix::position_word(point.latitude, point.longitude));
            bounds.Add(point);
        }
        (seen.kind == korvix::PathKind::route ? routes : tracks).push_back(std::move(made));
    }
    std::deque<MadePath> routes;
    std::deque<MadePath> tracks;
    MapBounds bounds;
};

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

// The parts made of the input's route or track `name`, taken from `made`, joined.
std::vector<std::uint64_t> TakeParts(std::deque<MadePath>& made, std::string_view name,
                                     std::uint32_t& parts) {
    std::vector<std::uint64_t> joined;
    if (made.empty()) {
        return joined;
    }
    const std::size_t count = std::min(PartsNamed(made.front().name, name), made.size());
    for (std::size_t part = 0; part < count; ++part) {
        const std::vector<std::uint64_t>& positions = made.front().positions;
        // Each part begins at the point where the one before ends.
        const bool joint = !joined.empty() && !positions.empty() && joined.back() == positions[0];
        joined.insert(joined.end(), positions.begin() + (joint ? 1 : 0), positions.end());
        made.pop_front();
    }
    parts = static_cast<std::uint32_t>(count);
    return joined;
}

// The positions of the input, thinned for drawing: a point within `cell` semicircles of the one
// drawn before is left out, but for the last.
std::vector<MapPoint> Thinned(const korvix::PointBuffer& points, std::int64_t cell) {
    std::vector<MapPoint> drawn;
    for (std::uint32_t i = 0; i < points.count; ++i) {
        const MapPoint point{points.latitude[i], points.longitude[i]};
        const bool near = !drawn.empty() &&
                          std::abs(std::int64_t{point.latitude} - drawn.back().latitude) < cell &&
                          std::abs(std::int64_t{point.longitude} - drawn.back().longitude) < cell;
        if (!near || i + 1 == points.count) {
            drawn.push_back(point);
        }
    }
    return drawn;
}

// The input's routes or tracks, each a row with what was made of it.
class PictureRows : public korvix::PathVisitor {
public:
    PictureRows(const PictureRun& run, MadePaths& made, std::int64_t cell)
        : m_run(run), m_made(made), m_cell(cell),
          m_tracksToRoutes(run.option == "-V" || run.option == "-W") {}

    void path(const korvix::PathSeen& seen) override {
        const bool source = (seen.kind == korvix::PathKind::track) == m_tracksToRoutes;
        if (!source) { // copied as it was: the output's own
            auto& copies = seen.kind == korvix::PathKind::route ? m_made.routes : m_made.tracks;
            if (!copies.empty()) {
                copies.pop_front();
            }
            return;
        }
        PictureRow row;
        row.name = std::string(seen.name);
        row.points = seen.points.count;
        row.fate = FateOf(seen.index);
        row.drawn = Thinned(seen.points, m_cell);
        if (row.fate == PictureRow::Fate::Kept && !m_made.tracks.empty()) {
            m_made.tracks.pop_front();
        } else if (row.fate == PictureRow::Fate::Made) {
            Made(seen, row);
        }
        for (const MapPoint& point : row.drawn) {
            row.bounds.Add(point);
        }
        rows.push_back(std::move(row));
    }

    std::vector<PictureRow> rows;

private:
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

    void Made(const korvix::PathSeen& seen, PictureRow& row) {
        auto& made = m_tracksToRoutes ? m_made.routes : m_made.tracks;
        const std::vector<std::uint64_t> joined = TakeParts(made, seen.name, row.parts);
        row.fate = row.parts == 0 ? PictureRow::Fate::Missing : PictureRow::Fate::Made;
        row.madePoints = static_cast<std::uint32_t>(joined.size());
        for (const std::uint64_t position : joined) {
            row.made.push_back({korvix::latitude_of(position), korvix::longitude_of(position)});
            row.bounds.Add(row.made.back());
        }
        if (const std::optional<Farthest> farthest = FarthestFromMade(seen.points, joined)) {
            row.farthest = MapPoint{seen.points.latitude[farthest->index],
                                    seen.points.longitude[farthest->index]};
            row.farthestMetres = farthest->metres;
        }
    }

    const PictureRun& m_run;
    MadePaths& m_made;
    std::int64_t m_cell;
    bool m_tracksToRoutes;
};

// The input is drawn to a 32768th of the output's extent: finer than any screen shows the whole,
// and eight times zoomed in at least.
std::int64_t DrawingCell(const MapBounds& bounds) {
    if (bounds.Empty()) {
        return 1;
    }
    const std::int64_t extent = std::max(std::int64_t{bounds.north} - bounds.south,
                                         std::int64_t{bounds.east} - bounds.west);
    return std::max<std::int64_t>(1, extent / 32768);
}

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
    MadePaths made;
    if (!korvix::read_file_paths(run.output, korvix::TrackPoints::all_points, made).whole()) {
        return std::nullopt;
    }
    PictureRows rows(run, made, DrawingCell(made.bounds));
    if (!korvix::read_file_paths(run.input, routePoints, rows).whole()) {
        return std::nullopt;
    }
    RunPicture picture;
    picture.tracksToRoutes = run.option == "-V" || run.option == "-W";
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
