#include "point_filter.h"

namespace korvix {

void report_point_limit(Console& console) {
    console.say("Route point limit reached - track truncated!\n");
}

} // namespace korvix
