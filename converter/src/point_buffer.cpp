#include "point_buffer.h"

namespace korvix {

void report_point_limit(std::FILE* console) {
    std::fputs("Route point limit reached - track truncated!\n", console);
}

} // namespace korvix
