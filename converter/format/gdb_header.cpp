#include "gdb_header.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace korvix {

namespace {

// Reads a string into the scratch text; false when the input ended first.
bool read_header_string(InputStream& in, ScratchText& scratch) {
    const TextDestination destination = scratch.destination();
    read_string(in, &destination);
    return !in.failed();
}

} // namespace

std::optional<GdbVersion> check_and_copy_header(InputStream& in, OutputStream& out,
                                                ScratchText& scratch) {
    if (!read_header_string(in, scratch) || scratch.text != rules::file_signature)
        return std::nullopt;
    write_string(out, rules::file_signature.data());

    std::uint8_t version_bytes[version_bytes_width];
    for (std::uint8_t& byte : version_bytes)
        byte = in.read_byte();
    write_bytes(out, version_bytes);

    for (int i = 0; i < rules::header_strings; ++i)
        copy_string(in, &out);
    if (!read_header_string(in, scratch))
        return std::nullopt;
    if (!rules::is_known_application(scratch.text))
        return std::nullopt;
    const std::optional<GdbVersion> version = rules::gdb_version_of(version_bytes);
    if (version)
        write_string(out, scratch.text);
    return version;
}

} // namespace korvix
