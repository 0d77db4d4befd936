#include "gdb_rules.h"

#include "digits.h"

#include <algorithm>

namespace korvix::rules {

namespace {

// The version bytes begin with a version record: its length 2, 'D', a letter that tells the
// version, and a 0 byte.
constexpr std::uint8_t version_record_type = 'D';
constexpr std::size_t version_record_type_offset = 4;
constexpr std::uint8_t version_1_record[] = {0x02, 0x00, 0x00, 0x00, 'D', 'k', 0x00};
constexpr std::uint8_t version_2_record[] = {0x02, 0x00, 0x00, 0x00, 'D', 'l', 0x00};
constexpr std::uint8_t version_3_record[] = {0x02, 0x00, 0x00, 0x00, 'D', 'm', 0x00};

} // namespace

std::optional<GdbVersion> gdb_version_of(std::span<const std::uint8_t, version_bytes_width> bytes) {
    const auto starts_with = [&](std::span<const std::uint8_t> record) {
        return std::equal(record.begin(), record.end(), bytes.begin());
    };
    // Read in any version's layouts, the records of a damaged header would be written in the
    // wrong ones.
    if (bytes[version_record_type_offset] == version_record_type &&
        !std::equal(version_1_record, version_1_record + version_record_type_offset, bytes.begin()))
        return std::nullopt;
    if (starts_with(version_1_record))
        return GdbVersion::v1;
    if (starts_with(version_2_record))
        return GdbVersion::v2;
    if (starts_with(version_3_record))
        return GdbVersion::v3;
    return GdbVersion::unmarked;
}

bool is_known_application(std::string_view name) {
    return std::ranges::find(application_names, name) != std::end(application_names);
}

void WaypointNumbers::note_name(const std::uint8_t* name, std::size_t size) {
    if (size < number_name_width || !is_digit(static_cast<char>(name[0])) ||
        !is_digit(static_cast<char>(name[1])) || !is_digit(static_cast<char>(name[2])) ||
        name[3] != 0)
        return;
    const std::uint32_t number = (name[0] - '0') * 100U + (name[1] - '0') * 10U + (name[2] - '0');
    if (number != 0)
        taken_.set(number);
}

} // namespace korvix::rules
