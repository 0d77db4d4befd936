// The walk of file_contents.h over a GPX file: its waypoints and the numbers that their names and
// the route points' names take, each route with its name and its points as -T (the route points
// and the link points between them) or -U (the route points) collects them, and each track with
// its name and its points, its segments joined, as -V and -W collect them; where korvix refuses
// the file, its own message.
#pragma once

#include "file_contents.h"

namespace korvix {

FileContents read_gpx_contents(InputBytes& input, const ContentsVisitors& visit);

} // namespace korvix
