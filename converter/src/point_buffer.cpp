#include "point_buffer.h"

namespace korvix {

void add_point(PointBuffer& points, std::int32_t latitude, std::int32_t longitude,
               std::FILE* console) {
    if (points.count == PointBuffer::capacity) {
        std::fputs("Route point limit reached - track truncated!\n", console);
        return;
    }
    if (points.count > 0 && points.latitude[points.count - 1] == latitude &&
        points.longitude[points.count - 1] == longitude)
        return;
    points.latitude[points.count] = latitude;
    points.longitude[points.count] = longitude;
    ++points.count;
}

} // namespace korvix
