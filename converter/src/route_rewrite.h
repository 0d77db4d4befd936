// -R and -S: the via class of every waypoint and route point rewritten in place.
#pragma once

#include "byte_stream.h"
#include "conversion_mode.h"

#include <cstdint>

namespace korvix {

// Moves `length` bytes that start with a class block (a waypoint body behind its name, or a route
// point block of 46 bytes), rewriting its class byte and subclass byte for the mode.
void rewrite_waypoint_class(InputStream& in, OutputStream& out, std::int64_t length,
                            ConversionMode mode);

// Moves a route body behind its name (`length` bytes), rewriting the class block of every route
// point up to the first one with no link points; everything behind that is copied unparsed.
void copy_route(InputStream& in, OutputStream& out, std::int64_t length, ConversionMode mode);

} // namespace korvix
