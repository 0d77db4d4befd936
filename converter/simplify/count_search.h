// The reduction of a track to a count limit: the smallest error found for at most `limit` points.
#pragma once

#include "names_left.h"
#include "point_buffer.h"
#include "simplifier_memory.h"

#include <cstdint>

namespace korvix {

// The smallest error found under a count limit (3 to fewer than the points) into scratch.best,
// with as many points as the limit where more bring the route closer; false, as soon as that is
// shown, when it keeps more points than there are names left.
bool reduce_to_count(const PointBuffer& points, std::uint32_t limit, NamesLeft& names,
                     PointSimplifier& scratch);

} // namespace korvix
