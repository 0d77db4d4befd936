// The fields that GDB records are made of, each read, written or moved (read from the input and
// written to the output, or to nowhere when the output is null): the record header, positions
// with their optional altitude, optional values, counts, flag bytes, the class block with its via
// rewrite, and what is left of a record's body behind the fields parsed.
#pragma once

#include "byte_stream.h"
#include "record_framing.h"
#include "record_layouts.h"

#include <algorithm>
#include <cstdint>

namespace korvix {

inline RecordHeader read_record_header(InputStream& in) {
    const InputOffset offset = in.offset();
    if (in.available() >= record_header_width) {
        const RecordHeader header = record_header_at(in.data(), offset);
        in.consume(record_header_width);
        return header;
    }
    const std::int32_t length = read_int32(in);
    const char type = static_cast<char>(in.read_byte());
    return {length, type, offset};
}

inline void write_record_header(OutputStream& out, char type, std::int32_t length) {
    write_int32(out, length);
    out.write_byte(static_cast<std::uint8_t>(type));
}
// The header of a record that keeps it, as read: forwarded from the input where its bytes still
// lie in the input's block, and written from its fields where they do not.
inline void write_record_header(OutputStream& out, InputStream& in, const RecordHeader& header) {
    if (!out.forward_read(in, header.offset, record_header_width))
        write_record_header(out, header.type, header.length);
}

// A byte moved: read, and written unless the output is null. Where the byte lies in the buffer
// it is written from there, like the bytes around it.
inline std::uint8_t move_byte(InputStream& in, OutputStream* out) {
    if (in.available() > 0) {
        const std::uint8_t byte = *in.data();
        move_bytes(in, out, 1);
        return byte;
    }
    const std::uint8_t byte = in.read_byte();
    if (out != nullptr)
        out->write_byte(byte);
    return byte;
}

// A latitude, a longitude and the cleared presence byte of the altitude behind them.
template <ByteWriter Out>
void write_position(Out& out, std::int32_t latitude, std::int32_t longitude) {
    std::uint8_t bytes[position_record_width];
    store_le32(bytes, static_cast<std::uint32_t>(latitude));
    store_le32(bytes + 4, static_cast<std::uint32_t>(longitude));
    bytes[8] = 0;
    out.write(bytes, sizeof bytes);
}

// Moves a presence byte and, when it is not 0, size bytes behind it. Returns the bytes moved.
inline ByteCount copy_optional(InputStream& in, OutputStream* out, ByteCount size) {
    const std::uint8_t presence = move_byte(in, out);
    if (presence == 0)
        return 1;
    return move_bytes(in, out, size) + 1;
}

// What is left of a record's declared body length behind the fields parsed so far. Every
// primitive's byte count is taken from it; a record shorter than its fields fails the run at
// once, so that no negative count is ever moved and no loop over a count runs on.
class BodyRemainder {
public:
    BodyRemainder(InputStream& in, ByteCount length) : in_(in), left_(length) { check(); }

    void take(ByteCount count) {
        left_ -= count;
        check();
    }
    ByteCount left() const { return left_; }

    // Moves what is left of the body unparsed, to the output or to nowhere; nothing when empty.
    void move_rest(OutputStream* out) {
        move_bytes(in_, out, left_);
        left_ = 0;
    }

private:
    void check() {
        if (left_ < 0)
            in_.fail(Failure::record_too_short);
    }

    InputStream& in_;
    ByteCount left_;
};

// Moves a latitude and a longitude with their optional altitude: the bounds of a route or of a
// link list.
inline void move_position(InputStream& in, OutputStream* out, BodyRemainder& body) {
    body.take(move_bytes(in, out, position_width));
    body.take(copy_optional(in, out, altitude_width));
}

// A count field of a record (route points, link points, track points). Counts are signed in the
// format: a negative count means no points.
inline std::int32_t read_count(InputStream& in, OutputStream* out, BodyRemainder& body) {
    std::int32_t count;
    if (in.available() >= 4) {
        count = static_cast<std::int32_t>(load_le32(in.data()));
        move_bytes(in, out, 4);
    } else {
        count = read_int32(in);
        if (out != nullptr)
            write_int32(*out, count);
    }
    body.take(4);
    return std::max(count, 0);
}

// A flag byte of a route or a route point, moved and returned.
inline std::uint8_t move_flag_byte(InputStream& in, OutputStream* out, BodyRemainder& body) {
    const std::uint8_t flag = move_byte(in, out);
    body.take(1);
    return flag;
}

// What the walk over a record's fields works with: the input, the output or none (a record read
// to be replaced, or only looked at), and the layouts of the file's GDB version. The failure is
// the input's, which the run shares.
struct RecordCursor {
    InputStream& in;
    OutputStream* out;
    const VersionLayout& layout;

    bool failed() const { return in.failed(); }
};

// What a move does with the via class of a class block: -R turns the via classes into user vias,
// -S into hidden vias; every other option moves the block as read.
enum class ClassRewrite { keep, user_vias, hidden_vias };

// Moves the class block of a waypoint or a route point up to and including its subclass byte,
// rewriting the class byte and the subclass byte as `rewrite` says.
void rewrite_waypoint_class(const RecordCursor& cursor, BodyRemainder& body, ClassRewrite rewrite);

// The class block of a generated waypoint or route point.
template <ByteWriter Out> void write_class_block(Out& out, Vias vias) {
    out.write_byte(vias == Vias::user ? user_via_class : hidden_via_class);
    write_bytes(out, via_class_block + 1, class_block_width - 1);
}

// Writes a record that the run generates: its header, with the length of the body that
// write_body(out) writes, then that body. The body's writer runs twice, on a tally and then on
// the output, so that the length is the one of the bytes written, stated nowhere else.
template <class WriteBody>
void write_generated_record(OutputStream& out, char type, WriteBody write_body) {
    ByteTally tally;
    write_body(tally);
    write_record_header(out, type, static_cast<std::int32_t>(tally.count()));
    write_body(out);
}

} // namespace korvix
