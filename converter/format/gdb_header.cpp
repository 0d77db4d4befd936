#include "gdb_header.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace korvix {

namespace {

constexpr char file_signature[] = "MsRcf";
constexpr const char* application_signatures[] = {"MapSource", "BaseCamp"};

// The header bytes behind "MsRcf" begin with a version record: its length 2, 'D' and a letter
// that tells the version, and a 0 byte.
constexpr std::uint8_t version_record_type = 'D';
constexpr std::size_t version_record_type_offset = 4;
constexpr std::uint8_t version_1_record[] = {0x02, 0x00, 0x00, 0x00, 'D', 'k', 0x00};
constexpr std::uint8_t version_2_record[] = {0x02, 0x00, 0x00, 0x00, 'D', 'l', 0x00};
constexpr std::uint8_t version_3_record[] = {0x02, 0x00, 0x00, 0x00, 'D', 'm', 0x00};

// Reads a string into the scratch text; false when the input ended first.
bool read_header_string(InputStream& in, ScratchText& scratch) {
    const TextDestination destination = scratch.destination();
    read_string(in, &destination);
    return !in.failed();
}

} // namespace

std::optional<GdbVersion> gdb_version_of(std::span<const std::uint8_t, 14> version_bytes) {
    const auto starts_with = [&](std::span<const std::uint8_t> record) {
        return std::equal(record.begin(), record.end(), version_bytes.begin());
    };
    // A version record whose length is not a version record's is a damaged header: read in any
    // version's layouts, its records would be written in the wrong ones.
    if (version_bytes[version_record_type_offset] == version_record_type &&
        !std::equal(version_1_record, version_1_record + version_record_type_offset,
                    version_bytes.begin()))
        return std::nullopt;
    if (starts_with(version_1_record))
        return GdbVersion::v1;
    if (starts_with(version_2_record))
        return GdbVersion::v2;
    if (starts_with(version_3_record))
        return GdbVersion::v3;
    return GdbVersion::unmarked;
}

std::optional<GdbVersion> check_and_copy_header(InputStream& in, OutputStream& out,
                                                ScratchText& scratch) {
    if (!read_header_string(in, scratch) || std::strcmp(scratch.text, file_signature) != 0)
        return std::nullopt;
    write_string(out, file_signature);

    std::uint8_t version_bytes[version_bytes_width];
    for (std::uint8_t& byte : version_bytes)
        byte = in.read_byte();
    write_bytes(out, version_bytes);

    for (int i = 0; i < header_strings; ++i)
        copy_string(in, &out);
    if (!read_header_string(in, scratch))
        return std::nullopt;
    const bool known = std::ranges::any_of(application_signatures, [&](const char* name) {
        return std::strcmp(scratch.text, name) == 0;
    });
    if (!known)
        return std::nullopt;
    const std::optional<GdbVersion> version = gdb_version_of(version_bytes);
    if (version)
        write_string(out, scratch.text);
    return version;
}

} // namespace korvix
