#include "gdb_fields.h"

namespace korvix {

namespace {

constexpr std::uint8_t via_class = 10;
constexpr std::uint8_t via_class_subclass = 31;
constexpr std::uint8_t hidden_via_subclass = 33;
constexpr std::uint8_t generated_subclass = 0xFF;
// In versions 2 and 3 the class is a 32-bit integer whose first byte is the class byte; a
// country code and 8 class detail bytes follow it before the subclass byte.
constexpr ByteCount class_integer_rest_width = 3;
constexpr ByteCount class_detail_behind_country_width = 8;

bool is_rewritten_class(std::uint8_t class_byte) {
    return class_byte == via_class || class_byte == hidden_via_class;
}

// The subclass values that belong to the via classes; they become the subclass of a generated via.
bool is_class_subclass(std::uint8_t class_byte, std::uint8_t subclass) {
    return (class_byte == via_class && subclass == via_class_subclass) ||
           (class_byte == hidden_via_class && subclass == hidden_via_subclass);
}

// Moves a byte of the class block, written as `value`: changed in the buffer where it can be, so
// that it goes out with the bytes around it.
void move_as(InputStream& in, OutputStream* out, std::uint8_t value) {
    if (out == nullptr || in.replace_next_byte(value)) {
        move_bytes(in, out, 1);
        return;
    }
    in.read_byte();
    out->write_byte(value);
}

std::uint8_t peek_byte(InputStream& in) {
    return in.fill() ? *in.data() : 0;
}

} // namespace

void rewrite_waypoint_class(const RecordCursor& cursor, BodyRemainder& body, ClassRewrite rewrite) {
    InputStream& in = cursor.in;
    OutputStream* const out = cursor.out;
    const bool rewrites = rewrite != ClassRewrite::keep;
    const std::uint8_t class_byte = peek_byte(in);
    body.take(1);
    if (rewrites && is_rewritten_class(class_byte))
        move_as(in, out, rewrite == ClassRewrite::user_vias ? user_via_class : hidden_via_class);
    else
        move_byte(in, out);

    if (cursor.layout.country_code) {
        body.take(move_bytes(in, out, class_integer_rest_width));
        body.take(copy_string(in, out)); // country code
        body.take(move_bytes(in, out, class_detail_behind_country_width));
    } else {
        body.take(move_bytes(in, out, class_detail_width));
    }

    const std::uint8_t subclass = peek_byte(in);
    body.take(1);
    if (rewrites && is_class_subclass(class_byte, subclass))
        move_as(in, out, generated_subclass);
    else
        move_byte(in, out);
}

} // namespace korvix
