#include "route_rewrite.h"

#include "record_layouts.h"

namespace korvix {

namespace {

constexpr std::uint8_t via_class = 10;
constexpr std::uint8_t via_class_subclass = 31;
constexpr std::uint8_t hidden_via_subclass = 33;
constexpr std::uint8_t generated_subclass = 0xFF;
constexpr std::uint32_t class_detail_bytes = 12; // class block bytes 1 to 12

bool is_rewritten_class(std::uint8_t class_byte) {
    return class_byte == via_class || class_byte == hidden_via_class;
}

// The subclass values that belong to the via classes; they become the subclass of a generated via.
bool is_class_subclass(std::uint8_t class_byte, std::uint8_t subclass) {
    return (class_byte == via_class && subclass == via_class_subclass) ||
           (class_byte == hidden_via_class && subclass == hidden_via_subclass);
}

} // namespace

void rewrite_waypoint_class(InputStream& in, OutputStream& out, std::int64_t length,
                            ConversionMode mode) {
    BodyRemainder body(in, length);
    body.take(1 + class_detail_bytes + 1);
    if (in.failed())
        return;

    const std::uint8_t class_byte = in.read_byte();
    if (is_rewritten_class(class_byte))
        out.write_byte(mode == ConversionMode::route_user_vias ? user_via_class : hidden_via_class);
    else
        out.write_byte(class_byte);

    copy_bytes(in, &out, class_detail_bytes);

    const std::uint8_t subclass = in.read_byte();
    out.write_byte(is_class_subclass(class_byte, subclass) ? generated_subclass : subclass);

    body.move_rest(&out);
}

void copy_route(InputStream& in, OutputStream& out, std::int64_t length, ConversionMode mode) {
    BodyRemainder body(in, length);
    body.take(copy_bytes(in, &out, 2)); // route flag bytes
    move_position(in, &out, body);      // maximum
    move_position(in, &out, body);      // minimum

    const std::int32_t point_count = read_int32(in);
    write_int32(out, point_count);
    body.take(4);

    const auto points = static_cast<std::uint32_t>(point_count);
    for (std::uint32_t p = 0; p < points && !in.failed(); ++p) {
        body.take(copy_bytes(in, &out, 0)); // waypoint name
        body.take(route_point_block_width + 4);
        rewrite_waypoint_class(in, out, route_point_block_width, mode);
        const std::int32_t link_count = read_int32(in);
        write_int32(out, link_count);
        if (link_count == 0)
            break; // the rest of the route is copied unparsed

        // The link points are copied in runs that lie whole in the input block; a point across
        // the block's end or the body's end is moved on its own.
        const auto links = static_cast<std::uint32_t>(link_count);
        for (std::uint32_t k = 0; k < links && !in.failed();) {
            const PositionRun run =
                scan_positions(in, links - k, body.left(), [](std::int32_t, std::int32_t) {});
            if (run.points > 0) {
                body.take(copy_bytes(in, &out, run.bytes));
                k += run.points;
            } else {
                move_position(in, &out, body);
                ++k;
            }
        }
        body.take(copy_bytes(in, &out, 1)); // link flag byte
        move_position(in, &out, body);      // link bounds, maximum
        move_position(in, &out, body);      // link bounds, minimum
    }
    body.move_rest(&out);
}

} // namespace korvix
