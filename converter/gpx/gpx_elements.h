// The elements of a GPX file that korvix converts, known by their namespace and local name
// whatever prefix the file writes them with: GPX 1.0 or 1.1 (the root element's namespace tells
// which), and Garmin's GPX extensions (a route point's link points) and trip extensions (via and
// shaping points).
#pragma once

#include "gpx_coordinates.h"
#include "xml_reader.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvix {

enum class GpxVersion : std::uint8_t { v1_0, v1_1 };

inline constexpr std::string_view gpx_1_0_namespace = "http://www.topografix.com/GPX/1/0";
inline constexpr std::string_view gpx_1_1_namespace = "http://www.topografix.com/GPX/1/1";
inline constexpr std::string_view garmin_gpx_namespace =
    "http://www.garmin.com/xmlschemas/GpxExtensions/v3";
inline constexpr std::string_view garmin_trip_namespace =
    "http://www.garmin.com/xmlschemas/TripExtensions/v1";

// Where an element stands, as far as a conversion cares: every element that is none of these,
// and everything inside it, is `other`.
enum class GpxElement : std::uint8_t {
    document, // above the root element
    other,
    gpx,
    wpt,
    rte,
    trk,
    trkseg,
    trkpt,
    rtept,
    name,                  // of a waypoint, route, route point or track
    ele,                   // of a route point or track point
    time,                  // of a route point or track point
    point_extensions,      // a route point's extensions (GPX 1.1)
    route_point_extension, // gpxx:RoutePointExtension of a route point
    rpt,                   // gpxx:rpt, a link point of it
    via_point,             // trp:ViaPoint of a route point
    shaping_point,         // trp:ShapingPoint of a route point
};

// Why a file that begins as XML is refused when its root is no gpx element.
inline constexpr std::string_view not_gpx_root_text =
    "the root element is no gpx element of GPX 1.0 or 1.1";

// The version of a root element, or nothing when it is no gpx element of GPX 1.0 or 1.1.
std::optional<GpxVersion> gpx_version_of_root(const XmlName& name);

// The position of a point element (wpt, rtept, trkpt, gpxx:rpt) from its lat and lon attributes
// (position_of); nothing where one is missing, cannot be read or lies beyond a pole.
std::optional<Semicircles> point_position(XmlAttributes attributes);

// The element `name` inside an element of kind `parent`.
GpxElement gpx_element(GpxElement parent, const XmlName& name, GpxVersion version);

} // namespace korvix
