// The file path is the product: the input is read from a file in blocks, which move when more of
// the file is read, and a field that straddles the end of a block, or a record header or name
// used after its block moved, must come out as it does from an input held in memory whole. The
// records of a few files are moved behind a leading record of an unknown type, one byte further
// each time, so that the ends of the blocks fall at each of their bytes in turn; the files are
// read in blocks of 64 bytes and of 4 KiB, in whole blocks and in pieces as a pipe gives them,
// and written in blocks of the same size; in blocks of 64 bytes also with a point limit, under
// which tracks are laid out in room reserved in the output block.
#include "byte_stream.h"
#include "file_io.h"
#include "gdb_builder.h"
#include "platform.h"
#include "run_driver.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr ConversionMode every_mode[] = {ConversionMode::route_user_vias,
                                         ConversionMode::route_hidden_vias,
                                         ConversionMode::track_all_points,
                                         ConversionMode::track_via_points,
                                         ConversionMode::route_from_track_user_vias,
                                         ConversionMode::route_from_track_hidden_vias};

// Reads of 1 to 97 bytes, in no order a block has.
constexpr std::size_t pipe_pieces[] = {1, 5, 64, 3, 97, 17, 2, 40, 11, 80, 7};

// A file of waypoints named as a GPS names them, more than two blocks of 4 KiB, and a route and
// a track behind them: -V and -W look at every waypoint's name before they pass it through.
Bytes numbered_waypoints() {
    Bytes records;
    for (int i = 1; i <= 150; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "%03d", i);
        records = concat({records, record('W', waypoint_body(name, 10, 31))});
    }
    std::vector<TrackPoint> points = {{1, 2}, {3, 4, true}, {5, 6, false, true}};
    for (int i = 0; i < 40; ++i)
        points.push_back({1000 + i * 7, 2000 - i * i});
    std::vector<LinkPoint> links;
    for (int i = 0; i < 30; ++i)
        links.push_back({i * 11, -i * 13, static_cast<std::uint8_t>(i % 3 == 0)});
    const Bytes route =
        record('R', route_body("R1", {{"001", 10, 31, links}, {"030", 12, 33, {}}}));
    const Bytes track = record('T', track_body("T1", points));
    return gdb_file({records, route, track});
}

#ifdef _WIN32
constexpr std::size_t most_moves_here = 40;
#else
constexpr std::size_t most_moves_here = 1024;
#endif

struct MovedFile {
    const char* name;
    Bytes bytes;
};

std::vector<MovedFile> moved_files() {
    const auto file = [](const char* path) {
        return MovedFile{path, read_file(fs::path(KORVIX_SOURCE_DIR) / path)};
    };
    // Under Wine, where every run costs many times more, versions 1 and 3 only.
    std::vector<MovedFile> files = {file("examples/sample.gdb"),
                                    file("converter/fuzz/corpus/basecamp-v3.gdb"),
                                    {"numbered waypoints", numbered_waypoints()}};
#ifndef _WIN32
    files.push_back(file("converter/fuzz/corpus/built-v2.gdb"));
#endif
    return files;
}

// One conversion of a file as korvix converts it, in blocks of `block_size`, with the reads of
// the input cut into `pieces` when there are any.
RunResult convert_in_blocks(const fs::path& input, const fs::path& output,
                            const RunSettings& settings, std::size_t block_size,
                            std::span<const std::size_t> pieces, RunMemory& memory) {
    RunResult result;
    std::FILE* in_file = open_file(utf8_name(input), "rb");
    std::FILE* out_file = open_file(utf8_name(output), "wb");
    if (in_file == nullptr || out_file == nullptr)
        return result;
    std::setvbuf(in_file, nullptr, _IONBF, 0);
    std::setvbuf(out_file, nullptr, _IONBF, 0);
    std::vector<std::uint8_t> input_block(block_size), output_block(block_size);
    std::vector<std::uint8_t> read_ahead_block(block_size);
    FileBytes whole(in_file, read_ahead_block);
    {
        RunFailure failure;
        FileSource file_source(in_file, true);
        PieceReads piece_source(file_source, pieces);
        InputStream in(failure, piece_source, input_block);
        FileSink sink(out_file);
        OutputStream out(failure, sink, output_block);
        Console console(result.console);
        result.status = convert(in, out, settings, console, memory, &whole);
    }
    std::fclose(in_file);
    std::fclose(out_file);
    result.output = read_file(output);
    return result;
}

struct Blocks {
    std::size_t size;
    bool pipe; // reads cut into pieces
};

// Every option; in blocks of 64 bytes -T to -W also with a point limit. -V and -W also with --fit,
// which reads the tracks ahead before it converts them, within 20 new waypoints.
std::vector<RunSettings> settings_of(const Blocks& blocks) {
    std::vector<RunSettings> all;
    for (const ConversionMode mode : every_mode) {
        all.push_back({mode, {}});
        if (blocks.size == 64 && !rewrites_routes(mode))
            all.push_back({mode, {.max_points = 10}});
        if (converts_tracks_to_routes(mode))
            all.push_back({mode, {}, true, 20});
    }
    return all;
}

class MovedRecords : public ::testing::TestWithParam<Blocks> {};

TEST_P(MovedRecords, ConvertAsFromMemoryWhereverTheBlocksEnd) {
    const Blocks blocks = GetParam();
    const TempDir dir("korvix-moved");
    const fs::path input = dir / "in.gdb";
    const fs::path output = dir / "out.gdb";
    const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    std::size_t runs = 0;

    for (const MovedFile& file : moved_files()) {
        const std::size_t header_size = header_size_of(file.bytes);
        const Bytes header(file.bytes.begin(), file.bytes.begin() + std::ptrdiff_t(header_size));
        const Bytes records(file.bytes.begin() + std::ptrdiff_t(header_size), file.bytes.end());
        // The first block behind the header ends `at` bytes into the records, for every `at` up
        // to a block's size or the records' size, whichever is less (past 1024 bytes the records
        // of these files repeat themselves). Reads in pieces end blocks at other places anyway:
        // fewer moves suffice.
        const std::size_t lead = header_size + 5; // and the leading record's header
        const std::size_t first_block_end = (lead / blocks.size + 1) * blocks.size - lead;
        const std::size_t moves =
            std::min({records.size(), blocks.size, std::size_t{blocks.pipe ? 128U : 1024U},
                      most_moves_here});
        for (std::size_t at = 1; at <= moves; ++at) {
            const Bytes moved =
                concat({header, record('F', Bytes(first_block_end + moves - at, 0xF1)), records});
            write_file(input, moved);
            for (const RunSettings& settings : settings_of(blocks)) {
                const MemoryRun expected = convert_memory(moved, settings, *memory);
                fs::remove(output);
                const RunResult got = convert_in_blocks(
                    input, output, settings, blocks.size,
                    blocks.pipe ? std::span(pipe_pieces) : std::span<const std::size_t>(), *memory);
                ++runs;
                const auto where = [&] {
                    return std::string(file.name) + ", -" + static_cast<char>(settings.mode) +
                           (settings.limits.active() ? " --points=10" : "") +
                           (settings.fit ? " --fit --waypoints=20" : "") + ", block " +
                           std::to_string(blocks.size) + (blocks.pipe ? " in pieces" : "") +
                           ", moved by " + std::to_string(at);
                };
                ASSERT_EQ(expected.status, 0) << where();
                EXPECT_EQ(got.status, expected.status) << where();
                EXPECT_EQ(got.console, expected.console) << where();
                EXPECT_TRUE(got.output == expected.output) << where();
                if (HasFailure())
                    return; // one broken place tells enough
            }
        }
    }
    std::printf("%zu runs in blocks of %zu bytes%s\n", runs, blocks.size,
                blocks.pipe ? ", read in pieces" : "");
}

// Under Wine, where every run costs some 25 ms, fewer moves, and blocks of 64 bytes read in pieces
// and of 4 KiB read whole: what Windows adds is its file input and output, which they cover.
#ifdef _WIN32
constexpr Blocks block_kinds[] = {{64, true}, {4096, false}};
#else
constexpr Blocks block_kinds[] = {{64, false}, {64, true}, {4096, false}, {4096, true}};
#endif

INSTANTIATE_TEST_SUITE_P(BlocksAndReads, MovedRecords, ::testing::ValuesIn(block_kinds),
                         [](const auto& info) {
                             return std::to_string(info.param.size) +
                                    (info.param.pipe ? "Pieces" : "Whole");
                         });

} // namespace
} // namespace korvix
