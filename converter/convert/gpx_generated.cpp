#include "gpx_generated.h"

#include "position_word.h"

#include <cstdio>
#include <cstring>

namespace korvix {

namespace {

// "%03d" of a number from 1 to 999.
struct NumberName {
    char text[3];
    std::string_view view() const { return {text, 3}; }
};
NumberName number_name(std::uint32_t number) {
    return {{static_cast<char>('0' + number / 100 % 10), static_cast<char>('0' + number / 10 % 10),
             static_cast<char>('0' + number % 10)}};
}

PointMark mark_of(const PointNaming& naming, std::uint32_t i, std::uint32_t count) {
    if (!naming.marks)
        return PointMark::none;
    return i == 0 || i + 1 == count ? PointMark::via : PointMark::shaping;
}

// The name of a part: the element's name, and " 2/3" when the points are cut.
void write_part_name(OutputStream& out, const GpxLayout& layout, const char* name,
                     const GeneratedParts& parts, std::uint32_t part) {
    char suffix[24] = {};
    const int suffix_size =
        parts.parts > 1 ? std::snprintf(suffix, sizeof suffix, " %u/%u", part + 1, parts.parts) : 0;
    const std::string_view text(name);
    if (text.empty() && suffix_size == 0)
        return;
    layout.new_line(out, 1);
    layout.open_tag(out, "name");
    write_text(out, ">");
    write_escaped_text(out, text);
    write_text(out, std::string_view(suffix, static_cast<std::size_t>(suffix_size)));
    layout.close_tag(out, "name");
}

void write_part(RunContext& run, const GpxMemory& memory, const GpxLayout& layout,
                GpxVersion version, const GeneratedParts& parts, std::uint32_t part, bool routes,
                const PointNaming& naming) {
    OutputStream& out = run.out;
    const std::string_view element = routes ? "rte" : "trk";
    layout.open_tag(out, element);
    write_text(out, layout.namespace_declaration);
    write_text(out, ">");
    write_part_name(out, layout, run.scratch.text, parts, part);
    const std::uint32_t first = parts.first(part);
    const std::uint32_t count = parts.kept == 0 ? 0 : parts.points(part);
    const int depth = routes ? 1 : 2;
    if (!routes && count > 0) {
        layout.new_line(out, 1);
        layout.open_tag(out, "trkseg");
        write_text(out, ">");
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t k = first + i;
        const NumberName name = number_name(naming.numbers != nullptr ? naming.numbers[k] : 0);
        const GeneratedPoint point{
            .tag = routes ? "rtept" : "trkpt",
            .text = &memory.texts.point[memory.kept_slot[k]],
            .position = position_word(run.points.latitude[k], run.points.longitude[k]),
            .name = naming.numbers != nullptr ? name.view() : std::string_view(),
            .mark = mark_of(naming, i, count)};
        write_generated_point(out, layout, depth, point, version);
    }
    if (!routes && count > 0) {
        layout.new_line(out, 1);
        layout.close_tag(out, "trkseg");
    }
    layout.new_line(out, 0);
    layout.close_tag(out, element);
}

} // namespace

void write_generated_parts(RunContext& run, const GpxMemory& memory, const GpxLayout& layout,
                           GpxVersion version, const GeneratedParts& parts, bool routes,
                           const PointNaming& naming) {
    for (std::uint32_t part = 0; part < parts.parts; ++part) {
        if (part > 0)
            layout.new_line(run.out, 0);
        write_part(run, memory, layout, version, parts, part, routes, naming);
    }
}

} // namespace korvix
