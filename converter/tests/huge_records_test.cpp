// A route or track of 10 million points is converted within korvix's memory, whatever its size:
// the first 10000 points kept, the limit said once for it, and the whole run under 4 MiB resident.
// The program itself runs, as it is linked and started; its peak comes from the system.
#include "gdb_builder.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr std::int32_t huge_count = 10'000'000;
constexpr char limit_message[] = "Route point limit reached - track truncated!\n";

// Writes a file of one record whose body is `head`, then 10 million points that `point` gives,
// then `tail`.
template <class Point>
void write_huge_record(const fs::path& path, char type, const Bytes& head, Point point,
                       const Bytes& tail) {
    const Bytes header = gdb_header();
    Bytes points;
    for (std::int32_t i = 0; i < huge_count; ++i)
        point(points, i);
    const std::uint32_t length =
        static_cast<std::uint32_t>(head.size() + points.size() + tail.size());
    const Bytes record_header = {
        static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
        static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24),
        static_cast<std::uint8_t>(type)};
    write_file(path, concat({header, record_header, head, points, tail, closing_record()}));
}

void put_le32(Bytes& bytes, std::int32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> shift));
}

struct PeakRun {
    int status = -1;
    long peak_kib = 0;
    std::string console;
};

// Runs korvix under GNU time, which starts it from its own small process: the peak of a process
// started from the test's own, which holds the files' bytes, would count the test's pages too.
PeakRun run_korvix_measured(const std::string& arguments, const TempDir& dir) {
    PeakRun run;
    const CommandOutcome outcome =
        run_command("/usr/bin/time -f %M -o " + shell_quoted(utf8_name(dir / "peak.txt")) + " " +
                    korvix_command() + " " + arguments);
    run.status = outcome.status;
    run.console = outcome.out;
    run.peak_kib = std::atol(read_text(dir / "peak.txt").c_str());
    return run;
}

TEST(HugeRecords, TenMillionPointsKeepTenThousandSayItOnceAndStayUnderFourMiB) {
#ifdef _WIN32
    GTEST_SKIP() << "the peak resident set is measured on POSIX systems";
#else
    if (!fs::exists("/usr/bin/time"))
        GTEST_SKIP() << "no GNU time to measure the peak resident set";
    if (address_sanitizer)
        GTEST_SKIP() << "AddressSanitizer's shadow memory is no part of korvix's";
    const TempDir dir("korvix-huge");
    const auto winding = [](std::int32_t i) { return std::pair{i * 30, (i % 7) * 11}; };
    // A track of 10 million points, each a position without altitude, time, depth or temperature.
    write_huge_record(dir / "track.gdb", 'T',
                      Fields().str("LONG").raw({0, 1, 0, 0, 0}).i32(huge_count).bytes(),
                      [&](Bytes& bytes, std::int32_t i) {
                          put_le32(bytes, winding(i).first);
                          put_le32(bytes, winding(i).second);
                          bytes.insert(bytes.end(), {0, 0, 0, 0});
                      },
                      {});
    // A route whose first via leads to the second through 10 million link points.
    const Bytes via_a = waypoint_body("A", 0, 0xFF, {});
    const Bytes via_b = waypoint_body("B", 0, 0xFF, {});
    const Bytes bounds = Fields().position(100, 200).position(-100, -200).bytes();
    write_huge_record(
        dir / "route.gdb", 'R',
        concat({Fields().str("LONG").u8(0).u8(0).bytes(), bounds, Fields().i32(2).bytes(), via_a,
                Fields().u8(0).u8(3).fill(0, 17).i32(huge_count).bytes()}),
        [&](Bytes& bytes, std::int32_t i) {
            put_le32(bytes, winding(i).first);
            put_le32(bytes, winding(i).second);
            bytes.push_back(0);
        },
        concat({Fields().u8(0).bytes(), bounds, via_b,
                Fields().u8(0).u8(3).fill(0, 17).i32(0).bytes()}));

    struct Row {
        const char* file;
        std::vector<std::string> options;
        const char* message; // said behind the limit's, where the conversion says one
    };
    const Row rows[] = {
        {"track.gdb", {"-V"}, "Too many waypoints needed to convert - track skipped\n"},
        {"track.gdb", {"-V", "--fit"}, "1 track fits in "},
        {"track.gdb", {"-W", "--points=250"}, "LONG: 10000 points -> "},
        {"route.gdb", {"-T"}, ""},
        {"route.gdb", {"-T", "--tolerance=5"}, "LONG: 10000 points -> "},
    };
    for (const Row& row : rows) {
        std::string arguments;
        for (const std::string& option : row.options)
            arguments += option + " ";
        arguments += shell_quoted(utf8_name(dir / row.file)) + " " +
                     shell_quoted(utf8_name(dir / "out.gdb"));
        const PeakRun run = run_korvix_measured(arguments, dir);
        const std::string where = std::string(row.file) + " " + row.options[0];
        EXPECT_EQ(run.status, 0) << where << ": " << run.console;
        EXPECT_LT(run.peak_kib, 4096) << where;
        EXPECT_EQ(run.console.find(limit_message), run.console.rfind(limit_message)) << where;
        EXPECT_NE(run.console.find(limit_message), std::string::npos) << where;
        EXPECT_NE(run.console.find(row.message), std::string::npos) << where << ": " << run.console;
        EXPECT_LT(run.console.size(), 300U) << where;
    }
#endif
}

} // namespace
} // namespace korvix
