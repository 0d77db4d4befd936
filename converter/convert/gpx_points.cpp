#include "gpx_points.h"

#include "gpx_coordinates.h"
#include "position_word.h"
#include "track_lines.h"

#include <algorithm>
#include <cstdio>

namespace korvix {

void GpxPoints::begin() {
    collector_.emplace(run_.points, quiet_);
    limit_reached_ = false;
    left_out_ = 0;
}

PointText* GpxPoints::add(XmlAttributes attributes) {
    const char* latitude_text = attributes.value("lat");
    const char* longitude_text = attributes.value("lon");
    const std::string_view latitude = latitude_text != nullptr ? latitude_text : "";
    const std::string_view longitude = longitude_text != nullptr ? longitude_text : "";
    const std::optional<Semicircles> position =
        latitude_text != nullptr && longitude_text != nullptr ? position_of(latitude, longitude)
                                                              : std::nullopt;
    if (!position) {
        ++left_out_;
        return nullptr;
    }
    if (collector_->store().full()) {
        limit_reached_ = true;
        return nullptr;
    }
    const std::uint32_t slot = collector_->store().count();
    collector_->add_position(position_word(position->latitude, position->longitude));
    PointText& text = memory_.texts.point[slot];
    text.clear();
    text.latitude.set(trimmed(latitude));
    text.longitude.set(trimmed(longitude));
    return &text;
}

void GpxPoints::finish() {
    collector_->finish();
    const PointBuffer& points = run_.points;
    collected_ = points.count;
    for (std::uint32_t i = 0; i < points.count; ++i)
        memory_.collected[i] = position_word(points.latitude[i], points.longitude[i]);
}

void GpxPoints::say_losses() {
    if (limit_reached_)
        report_point_limit(run_.console);
    if (left_out_ != 0)
        run_.console.say_line(rules::off_the_earth_text);
}

void GpxPoints::find_kept() {
    const PointBuffer& points = run_.points;
    std::uint32_t collected = 0;
    const std::uint32_t end = collected_;
    for (std::uint32_t k = 0; k < points.count; ++k) {
        const std::uint64_t position = position_word(points.latitude[k], points.longitude[k]);
        while (collected < end && memory_.collected[collected] != position)
            ++collected;
        memory_.kept_slot[k] = static_cast<std::uint16_t>(std::min(collected, end - 1));
        // (the kept points are among those collected, in order: `end` is never reached)
        ++collected;
    }
}

namespace {

// A coordinate whose text was not kept, from its semicircles.
void write_degrees(OutputStream& out, std::int32_t semicircles) {
    char text[32];
    const int size = std::snprintf(text, sizeof text, "%.9f", semicircles * (180.0 / 2147483648.0));
    write_text(out, std::string_view(text, static_cast<std::size_t>(size)));
}

void write_coordinates(OutputStream& out, const GeneratedPoint& point) {
    write_text(out, " lat=\"");
    if (point.text != nullptr && point.text->latitude.kept)
        write_text(out, point.text->latitude.value());
    else
        write_degrees(out, latitude_of(point.position));
    write_text(out, "\" lon=\"");
    if (point.text != nullptr && point.text->longitude.kept)
        write_text(out, point.text->longitude.value());
    else
        write_degrees(out, longitude_of(point.position));
    write_text(out, "\">");
}

} // namespace

void write_generated_point(OutputStream& out, const GpxLayout& layout, int depth,
                           const GeneratedPoint& point, GpxVersion version) {
    layout.new_line(out, depth);
    layout.open_tag(out, point.tag);
    write_coordinates(out, point);
    if (point.text != nullptr && point.text->elevation.kept)
        layout.text_element(out, "ele", point.text->elevation.value());
    if (point.text != nullptr && point.text->time.kept)
        layout.text_element(out, "time", point.text->time.value());
    if (!point.name.empty())
        layout.text_element(out, "name", point.name);
    if (point.mark != PointMark::none)
        write_point_mark(out, layout, point.mark, version);
    layout.close_tag(out, point.tag);
}

void write_point_mark(OutputStream& out, const GpxLayout& layout, PointMark mark,
                      GpxVersion version) {
    if (version == GpxVersion::v1_1) {
        layout.open_tag(out, "extensions");
        write_text(out, ">");
    }
    write_text(out, mark == PointMark::via ? "<trp:ViaPoint" : "<trp:ShapingPoint");
    write_text(out, " xmlns:trp=\"");
    write_text(out, garmin_trip_namespace);
    write_text(out, "\"/>");
    if (version == GpxVersion::v1_1)
        layout.close_tag(out, "extensions");
}

} // namespace korvix
