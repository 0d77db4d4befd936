// Valid GDB files cut short at every byte, converted under every option letter: each run must
// end with its failure message and status 1, leave an existing output as it was and make no new
// one, leave no other file behind, and leave its input file as it was.
#include "gdb_builder.h"
#include "test_files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

constexpr const char* options[] = {"-R", "-S", "-T", "-U", "-V", "-W"};
constexpr char not_gdb[] = "Input file not in GDB format\n";
constexpr char end_of_input[] = "Unexpected end of input file\n";
constexpr unsigned seconds_per_run = 10; // far above what a run of a few hundred bytes needs
// Under Wine, where every run costs many times what it costs natively, every third cut: the
// conversions are the same code on every system, and what Windows adds is its file input and
// output, which these cover.
#ifdef _WIN32
constexpr std::size_t cut_step = 3;
#else
constexpr std::size_t cut_step = 1;
#endif

bool starts_with(const auto& whole, const auto& front) {
    return front.size() <= whole.size() && std::equal(front.begin(), front.end(), whole.begin());
}

struct Outcome {
    int status;
    std::string console;
    Bytes output;
    bool output_exists;
};

// The whole program on files; a run that does not end kills the test process (SIGALRM) instead
// of blocking it. Windows has no alarm: there the test's time limit in CTest ends it.
Outcome run_with_alarm(const char* option, const fs::path& input, const fs::path& output) {
#ifndef _WIN32
    alarm(seconds_per_run);
#endif
    const ProgramRun run = run_program(option, input, output);
#ifndef _WIN32
    alarm(0);
#endif
    return {run.status, run.console, read_file(output), fs::exists(output)};
}

class EveryTruncation : public ::testing::TestWithParam<const char*> {
protected:
    TempDir dir_{"korvix-cut"};
};

TEST_P(EveryTruncation, EndsWithItsMessageAndLeavesTheOutputAsItWas) {
    const Bytes whole = read_file(fs::path(KORVIX_SOURCE_DIR) / GetParam());
    ASSERT_GT(whole.size(), 100U) << GetParam();
    const std::size_t header_size = header_size_of(whole);
    const fs::path input = dir_ / "cut.gdb";
    const fs::path output = dir_ / "out.gdb";

    std::size_t runs = 0;
    for (const char* option : options) {
        write_file(input, whole);
        const Outcome complete = run_with_alarm(option, input, output);
        ASSERT_EQ(complete.status, 0) << option << "\n" << complete.console;

        for (std::size_t cut = 0; cut < whole.size(); cut += cut_step) {
            const Bytes cut_bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
            write_file(input, cut_bytes);
            // Every other run has the whole file's output there before it, the others none.
            const bool output_existed = cut % 2 == 0;
            if (!output_existed)
                fs::remove(output);
            else if (!fs::exists(output))
                write_file(output, complete.output);
            const Outcome outcome = run_with_alarm(option, input, output);
            ++runs;
            const auto where = [&] {
                return std::string(option) + " cut at " + std::to_string(cut);
            };

            EXPECT_EQ(outcome.status, 1) << where();
            EXPECT_EQ(outcome.output_exists, output_existed) << where();
            EXPECT_TRUE(outcome.output == (output_existed ? complete.output : Bytes()))
                << where() << ": output changed";
            EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()),
                      output_existed ? 2 : 1)
                << where() << ": a file left behind";
            if (cut < header_size) {
                EXPECT_EQ(outcome.console, not_gdb) << where();
            } else {
                const std::string& console = outcome.console;
                EXPECT_TRUE(console.ends_with(end_of_input)) << where() << "\n" << console;
                EXPECT_TRUE(starts_with(complete.console,
                                        console.substr(0, console.size() - strlen(end_of_input))))
                    << where() << "\n"
                    << console;
            }
            EXPECT_EQ(read_file(input), cut_bytes) << where() << ": input modified";
            if (HasFailure())
                return; // one broken cut tells enough
        }
    }
    RecordProperty("truncated_runs", static_cast<int>(runs));
    std::printf("%zu truncated copies of %s converted\n", runs, GetParam());
}

// Under Wine every run costs many times what it costs natively. The conversions are the same code
// on every system; what Windows adds is its file input and output, which the first and the last
// file (versions 1 and 3) cover there.
#ifdef _WIN32
constexpr const char* truncated_files[] = {"examples/sample.gdb",
                                           "converter/fuzz/corpus/basecamp-v3.gdb"};
#else
constexpr const char* truncated_files[] = {"examples/sample.gdb",
                                           "converter/fuzz/corpus/built-all-records.gdb",
                                           "converter/fuzz/corpus/sample-V.gdb",
                                           "converter/fuzz/corpus/mapsource-v2.gdb",
                                           "converter/fuzz/corpus/built-v2.gdb",
                                           "converter/fuzz/corpus/mapsource-v3.gdb",
                                           "converter/fuzz/corpus/basecamp-v3.gdb"};
#endif

INSTANTIATE_TEST_SUITE_P(SampleFiles, EveryTruncation, ::testing::ValuesIn(truncated_files),
                         [](const auto& info) { return test_name_of_file(info.param); });

} // namespace
} // namespace korvix
