#include "file_contents.h"

#include "gdb_header.h"
#include "gpx_contents.h"
#include "owned_file.h"
#include "platform.h"
#include "record_walk.h"
#include "route_points.h"
#include "run_messages.h"
#include "scratch_text.h"
#include "track_points.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

namespace korvix {

namespace {

// The memory of a walk: a block for the header and one for a track, the header copied to nowhere,
// the points and the name of one track.
struct WalkMemory {
    std::vector<std::uint8_t> block = std::vector<std::uint8_t>(std::size_t{16} * 1024);
    std::vector<std::uint8_t> header;
    PointBuffer points;
    ScratchText scratch;
};

// The header, read as korvix reads it: the version it tells, and the offset of the first record.
std::optional<GdbVersion> read_header(InputBytes& input, WalkMemory& memory, FileContents& contents,
                                      InputOffset& records) {
    RunFailure failure;
    InputBytesSource source(input, 0, std::numeric_limits<ByteCount>::max());
    InputStream in(failure, source, memory.block);
    OutputStream nowhere(failure, memory.header);
    const std::optional<GdbVersion> version = check_and_copy_header(in, nowhere, memory.scratch);
    records = in.offset();
    if (!version) {
        // A header that ends early or fails its test is no GDB header; one that could not be
        // read is a failure of the input, as korvix says it.
        const bool unread = failure.failure() == Failure::input_read_failed;
        contents.reach = unread ? FileContents::Reach::failed : FileContents::Reach::not_gdb;
        contents.failure = unread ? failure.failure() : Failure::none;
        contents.reason = failure.reason();
    }
    return version;
}

void note_track(InputBytes& input, const RecordHeader& header, const VersionLayout& layout,
                WalkMemory& memory, FileContents& contents, const TrackVisitor& visit) {
    const TextDestination name = memory.scratch.destination();
    const Failure failure = read_track_at(input, header.offset, header.body_length(), layout,
                                          memory.points, memory.block, &name);
    if (failure != Failure::none) {
        contents.track_failure =
            contents.track_failure == Failure::none ? failure : contents.track_failure;
        ++contents.damaged_tracks;
        ++contents.tracks;
        return;
    }
    const std::uint32_t points = memory.points.count;
    const bool first = contents.tracks == contents.damaged_tracks;
    contents.fewest_track_points = first ? points : std::min(contents.fewest_track_points, points);
    contents.most_track_points = std::max(contents.most_track_points, points);
    if (visit)
        visit({contents.tracks, memory.scratch.text, memory.points});
    ++contents.tracks;
}

void note_route(InputBytes& input, const RecordHeader& header, const VersionLayout& layout,
                WalkMemory& memory, FileContents& contents, const ContentsVisitors& visit) {
    const TextDestination name = memory.scratch.destination();
    const Failure failure =
        read_route_at(input, header.offset, header.body_length(), layout, memory.points,
                      memory.block, visit.route ? &name : nullptr, visit.route_points);
    if (failure != Failure::none) {
        contents.route_failure =
            contents.route_failure == Failure::none ? failure : contents.route_failure;
        ++contents.damaged_routes;
    } else if (visit.route) {
        visit.route({contents.routes, memory.scratch.text, memory.points});
    }
    ++contents.routes;
}

} // namespace

std::string FileContents::message() const {
    switch (reach) {
    case Reach::not_opened:
        return cannot_open_input_text;
    case Reach::not_gdb:
        return not_gdb_text;
    case Reach::failed:
        return refusal.empty() ? failure_message(failure) : refusal;
    case Reach::whole:
        break;
    }
    return {};
}

std::string FileContents::message_reading_routes() const {
    return route_failure != Failure::none ? failure_message(route_failure) : message();
}

std::string FileContents::message_reading_tracks() const {
    return track_failure != Failure::none ? failure_message(track_failure) : message();
}

namespace {

// The format of an input, from its first bytes gathered where it hands out fewer at a time.
InputFormat format_of_input(InputBytes& input) {
    std::array<std::uint8_t, format_probe_bytes> first{};
    std::size_t got = 0;
    while (got < first.size()) {
        const std::span<const std::uint8_t> bytes =
            input.at(static_cast<InputOffset>(got), first.size() - got);
        if (bytes.empty())
            break;
        std::copy(bytes.begin(), bytes.end(), first.begin() + static_cast<std::ptrdiff_t>(got));
        got += bytes.size();
    }
    return format_of(std::span(first).first(got));
}

} // namespace

FileContents read_file_contents(InputBytes& input, const TrackVisitor& visit) {
    return read_file_contents(input, ContentsVisitors{visit, {}});
}

FileContents read_file_contents(InputBytes& input, const ContentsVisitors& visit) {
    if (format_of_input(input) == InputFormat::gpx)
        return read_gpx_contents(input, visit);
    FileContents contents;
    const auto memory = std::make_unique<WalkMemory>();
    InputOffset records = 0;
    const std::optional<GdbVersion> version = read_header(input, *memory, contents, records);
    if (!version)
        return contents;
    const VersionLayout layout = version_layout(*version);
    const ByteCount name_look = rules::number_name_width;
    const bool closed = walk_records_ahead(
        input, records, name_look,
        [&](const RecordHeader& header, std::span<const std::uint8_t> first) {
            if (header.type == waypoint_record) {
                ++contents.waypoints;
                contents.numbers.note_name(first.data(), first.size());
            } else if (header.type == track_record) {
                note_track(input, header, layout, *memory, contents, visit.track);
            } else if (header.type == route_record) {
                note_route(input, header, layout, *memory, contents, visit);
            }
        });
    // A walk that does not come to the closing record stops where the input ends.
    contents.reach = closed ? FileContents::Reach::whole : FileContents::Reach::failed;
    contents.failure = closed ? Failure::none : Failure::end_of_input;
    return contents;
}

InputFormat format_of_named_file(std::string_view name) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path_from_utf8(name), error))
        return InputFormat::gdb;
    std::FILE* file = open_file(name, "rb");
    if (file == nullptr)
        return InputFormat::gdb;
    std::uint8_t first[format_probe_bytes];
    const std::size_t got = std::fread(first, 1, sizeof first, file);
    std::fclose(file);
    return format_of({first, got});
}

FileContents read_file_contents(std::string_view name, const TrackVisitor& visit) {
    return read_file_contents(name, ContentsVisitors{visit, {}});
}

FileContents read_file_contents(std::string_view name, const ContentsVisitors& visit) {
    FileContents contents;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path_from_utf8(name), error)) {
        contents.reason = error;
        return contents;
    }
    const File file(open_file(name, "rb"));
    if (!file) {
        contents.reason = std::error_code(errno, std::generic_category());
        return contents;
    }
    std::vector<std::uint8_t> buffer(std::size_t{64} * 1024);
    FileBytes input(file.get(), buffer);
    return read_file_contents(input, visit);
}

} // namespace korvix
