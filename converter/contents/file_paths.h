// The positions of every route and track of a GPS file, one route or track at a time, as korvix
// collects them: a route's link points as -T (every one) or -U (the vias) takes them, a track's
// points as -V and -W take them. What runkorvix draws of a run it reads by this walk, korvix's own.
#pragma once

#include "file_contents.h"
#include "point_buffer.h"
#include "route_points.h"

#include <cstdint>
#include <string_view>

namespace korvix {

enum class PathKind { route, track };

// A route or track read whole: its place among the file's routes or among its tracks (0 for the
// first), its name as korvix keeps it and its positions, adjacent repeats merged, at most 10000.
struct PathSeen {
    PathKind kind = PathKind::route;
    std::uint64_t index = 0;
    std::string_view name;
    const PointBuffer& points;
};

// Takes the routes and tracks of a file in the order of the file. The points are the walk's own
// and change after the call: a visitor keeps what it needs of them.
class PathVisitor {
public:
    virtual ~PathVisitor() = default;
    virtual void path(const PathSeen& seen) = 0;

protected:
    PathVisitor() = default;
    PathVisitor(const PathVisitor&) = default;
    PathVisitor& operator=(const PathVisitor&) = default;
};

// Walks the GDB file named `name` as read_file_contents does, handing every route and track that
// reads whole to `visit`, a route's points as `route_points` says. Gives what the walk found.
FileContents read_file_paths(std::string_view name, TrackPoints route_points, PathVisitor& visit);

} // namespace korvix
