// -T and -U on a GPX file.
#pragma once

#include "gpx_walk.h"

namespace korvix {

// Reads the file through a walk, as the GPX run does (gpx_run.cpp).
class GpxDriver {
public:
    virtual void walk(GpxWalk& walk) = 0;

protected:
    ~GpxDriver() = default;
};

// -T (`link_points`: the link points too) and -U (the route points only).
void convert_gpx_routes_to_tracks(GpxDriver& driver, RunContext& run, GpxMemory& memory,
                                  bool link_points);
// -V and -W (`marks`: via and shaping points marked).
void convert_gpx_tracks_to_routes(GpxDriver& driver, RunContext& run, GpxMemory& memory,
                                  bool marks);
// -R (`shaping`: false) and -S.
void mark_gpx_route_points(GpxDriver& driver, RunContext& run, GpxMemory& memory, bool shaping);

} // namespace korvix
