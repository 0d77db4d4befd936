// -V and -W read a file ahead at its first track (the names of the waypoints behind it; under
// --fit every track's points) and then write what the stream reads. A file that another program
// writes over between the two is caught, and the run fails with nothing written: no route may be
// numbered around names that are gone or planned for points that are not the ones written. The
// file is changed in place at that moment by a hook, and read in blocks of 64 bytes, so that the
// stream reads the changed bytes behind its first track.
#include "file_io.h"
#include "gdb_builder.h"
#include "platform.h"
#include "record_dispatch.h"
#include "run_driver.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr char changed_message[] = "Input file changed during the run\n";

std::vector<TrackPoint> winding(std::int32_t from, int count) {
    std::vector<TrackPoint> points;
    points.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        points.push_back({from + i * 5000, (i % 3) * 7000 - from});
    return points;
}

// A waypoint before the tracks, and one between them whose name an edit turns into a number.
struct Ride {
    Bytes before = record('W', waypoint_body("100", 0, 0xFF));
    Bytes first = record('T', track_body("FIRST", winding(0, 12)));
    Bytes between = record('W', waypoint_body("XYZ", 0, 0xFF));
    Bytes second = record('T', track_body("SECOND", winding(900000, 12)));
    Bytes file(std::initializer_list<Bytes> records) const {
        return concat({gdb_header(), concat(records), testing::closing_record()});
    }
    Bytes whole() const { return file({before, first, between, second}); }
};

Bytes replaced(Bytes bytes, std::string_view from, std::string_view to) {
    const auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
    std::copy(to.begin(), to.end(), at);
    return bytes;
}

struct Edit {
    const char* name;
    std::function<Bytes(const Ride&)> edited;
    bool same_size;
    bool seen_by_plain_run; // the read ahead of -V without --fit reads what this edit changes
};

void PrintTo(const Edit& edit, std::ostream* os) {
    *os << edit.name;
}

const Edit edits[] = {
    {"WaypointRenamedToAGeneratedName",
     [](const Ride& r) {
         return replaced(r.whole(), {"XYZ\0", 4}, {"001\0", 4});
     },
     true, true},
    {"TrackMoved",
     [](const Ride& r) {
         return r.file({r.before, r.first, r.second, r.between});
     },
     true, true},
    {"TrackPointsChanged",
     [](const Ride& r) {
         const Bytes moved_on = record('T', track_body("SECOND", winding(900001, 12)));
         return r.file({r.before, r.first, r.between, moved_on});
     },
     true, false},
    {"Grown",
     [](const Ride& r) {
         return r.file(
             {r.before, r.first, r.between, r.second, record('W', waypoint_body("002", 0, 0xFF))});
     },
     false, true},
    {"Cut",
     [](const Ride& r) {
         const Bytes b = r.whole();
         return Bytes(b.begin(), b.end() - 30);
     },
     false, true},
};

// What the hook writes over the input, and whether it puts the time of the last change back, as
// a program might that saves a file and keeps its time: then only what the read ahead read can
// tell the change.
struct Overwrite {
    fs::path path;
    Bytes bytes;
    bool times_kept = false;
};
const Overwrite* overwrite = nullptr;

void write_over_input() {
    const fs::file_time_type time = fs::last_write_time(overwrite->path);
    std::FILE* file = open_file(utf8_name(overwrite->path), "r+b");
    ASSERT_NE(file, nullptr);
    std::fwrite(overwrite->bytes.data(), 1, overwrite->bytes.size(), file);
    std::fclose(file);
    fs::resize_file(overwrite->path, overwrite->bytes.size());
    if (overwrite->times_kept)
        fs::last_write_time(overwrite->path, time);
}

// korvix's run on the files, as run_korvix makes it, but in blocks of 64 bytes.
ProgramRun convert_in_small_blocks(const fs::path& input, const fs::path& output,
                                   const RunSettings& settings) {
    ProgramRun run;
    const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    RunFiles files = open_run_files(utf8_name(input), utf8_name(output), stdout);
    if (files.outcome != OpenOutcome::opened)
        return run;
    std::vector<std::uint8_t> input_block(64), output_block(64);
    Console console(run.console);
    run.status = convert_files(files, settings, console, *memory, input_block, output_block);
    return run;
}

class InputChanged : public ::testing::TestWithParam<Edit> {};

TEST_P(InputChanged, BetweenTheReadAheadAndTheStreamFailsTheRunWithNothingWritten) {
    const Edit& edit = GetParam();
    const Ride ride;
    const TempDir dir("korvix-changed");
    const fs::path input = dir / "in.gdb";
    const fs::path output = dir / "out.gdb";
    const Bytes previous_output = as_bytes("the previous output");
    const RunSettings plain{ConversionMode::route_from_track_user_vias, {}};
    const RunSettings fit{ConversionMode::route_from_track_user_vias, {}, true, 5};
    for (const bool times_kept : {false, true}) {
        for (const RunSettings& settings : {plain, fit}) {
            const std::string where = std::string(settings.fit ? "--fit" : "plain") +
                                      (times_kept ? ", times kept" : ", times of the write");
            write_file(input, ride.whole());
            // An hour old: a write now changes its time, however coarse the file system's clock.
            fs::last_write_time(input, fs::last_write_time(input) - std::chrono::hours(1));
            write_file(output, previous_output);
            const Overwrite over{input, edit.edited(ride), times_kept};
            overwrite = &over;
            after_read_ahead_hook = write_over_input;
            const ProgramRun run = convert_in_small_blocks(input, output, settings);
            after_read_ahead_hook = nullptr;

            const bool unseen =
                times_kept && edit.same_size && !settings.fit && !edit.seen_by_plain_run;
            if (unseen) {
                // The points a plain run reads only as it streams them: what it writes is the
                // conversion of the file it read.
                EXPECT_EQ(run.status, exit_completed) << where << run.console;
                EXPECT_EQ(read_file(output), convert_bytes(over.bytes, settings).output) << where;
                continue;
            }
            EXPECT_EQ(run.status, exit_failed) << where;
            EXPECT_TRUE(run.console.ends_with(changed_message)) << where << ": " << run.console;
            EXPECT_EQ(read_file(output), previous_output) << where;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                      2)
                << where << ": a file left behind";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Edits, InputChanged, ::testing::ValuesIn(edits),
                         [](const auto& info) { return std::string(info.param.name); });

// The same files, unchanged, convert as in memory: the check costs a run nothing that it writes.
TEST(InputUnchanged, ConvertsAsFromMemory) {
    const Ride ride;
    const TempDir dir("korvix-unchanged");
    write_file(dir / "in.gdb", ride.whole());
    for (const RunSettings& settings :
         {RunSettings{ConversionMode::route_from_track_user_vias, {}},
          RunSettings{ConversionMode::route_from_track_hidden_vias, {}, true, 5}}) {
        const ProgramRun run = convert_in_small_blocks(dir / "in.gdb", dir / "out.gdb", settings);
        const RunResult expected = convert_bytes(ride.whole(), settings);
        EXPECT_EQ(run.status, exit_completed) << run.console;
        EXPECT_EQ(run.console, expected.console);
        EXPECT_EQ(read_file(dir / "out.gdb"), expected.output);
    }
}

} // namespace
} // namespace korvix
