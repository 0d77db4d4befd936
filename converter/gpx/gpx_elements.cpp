#include "gpx_elements.h"

namespace korvix {

namespace {

std::string_view gpx_namespace(GpxVersion version) {
    return version == GpxVersion::v1_0 ? gpx_1_0_namespace : gpx_1_1_namespace;
}

// A route point's Garmin marks and link points: in GPX 1.1 inside its extensions, in GPX 1.0
// (which has no extensions element) among its own elements, where 1.0 takes other namespaces.
GpxElement garmin_element(const XmlName& name) {
    if (name.uri == garmin_trip_namespace && name.local == "ViaPoint")
        return GpxElement::via_point;
    if (name.uri == garmin_trip_namespace && name.local == "ShapingPoint")
        return GpxElement::shaping_point;
    if (name.uri == garmin_gpx_namespace && name.local == "RoutePointExtension")
        return GpxElement::route_point_extension;
    return GpxElement::other;
}

GpxElement inside_route_point(const XmlName& name, GpxVersion version) {
    if (name.uri != gpx_namespace(version))
        return version == GpxVersion::v1_0 ? garmin_element(name) : GpxElement::other;
    if (name.local == "name")
        return GpxElement::name;
    if (name.local == "ele")
        return GpxElement::ele;
    if (name.local == "time")
        return GpxElement::time;
    if (name.local == "extensions" && version == GpxVersion::v1_1)
        return GpxElement::point_extensions;
    return GpxElement::other;
}

GpxElement gpx_child(GpxElement parent, std::string_view local) {
    switch (parent) {
    case GpxElement::gpx:
        return local == "wpt"   ? GpxElement::wpt
               : local == "rte" ? GpxElement::rte
               : local == "trk" ? GpxElement::trk
                                : GpxElement::other;
    case GpxElement::wpt:
        return local == "name" ? GpxElement::name : GpxElement::other;
    case GpxElement::rte:
        return local == "name"    ? GpxElement::name
               : local == "rtept" ? GpxElement::rtept
                                  : GpxElement::other;
    case GpxElement::trk:
        return local == "name"     ? GpxElement::name
               : local == "trkseg" ? GpxElement::trkseg
                                   : GpxElement::other;
    case GpxElement::trkseg:
        return local == "trkpt" ? GpxElement::trkpt : GpxElement::other;
    case GpxElement::trkpt:
        return local == "ele"    ? GpxElement::ele
               : local == "time" ? GpxElement::time
                                 : GpxElement::other;
    default:
        return GpxElement::other;
    }
}

} // namespace

std::optional<GpxVersion> gpx_version_of_root(const XmlName& name) {
    if (name.local != "gpx")
        return std::nullopt;
    if (name.uri == gpx_1_1_namespace)
        return GpxVersion::v1_1;
    if (name.uri == gpx_1_0_namespace)
        return GpxVersion::v1_0;
    return std::nullopt;
}

GpxElement gpx_element(GpxElement parent, const XmlName& name, GpxVersion version) {
    switch (parent) {
    case GpxElement::rtept:
        return inside_route_point(name, version);
    case GpxElement::point_extensions:
        return garmin_element(name);
    case GpxElement::route_point_extension:
        return name.uri == garmin_gpx_namespace && name.local == "rpt" ? GpxElement::rpt
                                                                       : GpxElement::other;
    case GpxElement::document:
    case GpxElement::other:
        return GpxElement::other;
    default:
        return name.uri == gpx_namespace(version) ? gpx_child(parent, name.local)
                                                  : GpxElement::other;
    }
}

std::optional<Semicircles> point_position(XmlAttributes attributes) {
    const char* latitude = attributes.value("lat");
    const char* longitude = attributes.value("lon");
    if (latitude == nullptr || longitude == nullptr)
        return std::nullopt;
    return position_of(latitude, longitude);
}

} // namespace korvix
