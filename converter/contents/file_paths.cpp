#include "file_paths.h"

namespace korvix {

FileContents read_file_paths(std::string_view name, TrackPoints route_points, PathVisitor& visit) {
    ContentsVisitors visitors;
    visitors.track = [&visit](const TrackSeen& track) {
        visit.path({PathKind::track, track.index, track.name, track.points});
    };
    visitors.route = [&visit](const RouteSeen& route) {
        visit.path({PathKind::route, route.index, route.name, route.points});
    };
    visitors.route_points = route_points;
    return read_file_contents(name, visitors);
}

} // namespace korvix
