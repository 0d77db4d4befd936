// The input and output files are read and written in blocks. A field that straddles the end of a
// block must come out as it does from an input held in memory whole: the sample's records are
// moved behind a filler record so that a block ends at each of their bytes in turn. The files are
// converted in blocks of 64 KiB, smaller than the program's, so that each run reads little.
#include "byte_stream.h"
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

class FileBlocks : public ::testing::TestWithParam<const char*> {};

TEST_P(FileBlocks, FieldsAcrossABlockEndConvertAsFromMemory) {
    const Bytes sample = read_file(fs::path(KORVIX_SOURCE_DIR) / GetParam());
    const std::size_t header_size = header_size_of(sample);
    ASSERT_LT(header_size, sample.size());
    const Bytes header(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(header_size));
    const Bytes records(sample.begin() + static_cast<std::ptrdiff_t>(header_size), sample.end());

    const TempDir dir("korvix-blocks");
    const fs::path input = dir / "in.gdb";
    const fs::path output = dir / "out.gdb";
    constexpr std::size_t block_size = 64 * 1024;
    std::vector<std::uint8_t> input_block(block_size), output_block(block_size);
    const std::unique_ptr<RunMemory> run_memory = reserve_run_memory();

    for (std::size_t at = 0; at < records.size(); ++at) {
        // The filler ends where the block ends less `at` bytes: the block ends `at` bytes into
        // the sample's records.
        const std::size_t filler = block_size - header_size - 5 - at;
        const Bytes file = concat({header, record('F', Bytes(filler, 0xF1)), records});
        write_file(input, file);

        for (const char* option : {"-R", "-S", "-T", "-U", "-V", "-W"}) {
            const RunResult memory = convert_bytes(file, static_cast<ConversionMode>(option[1]));
            ASSERT_EQ(memory.status, 0) << option << " " << at;

            fs::remove(output);
            const CapturedConsole captured;
            RunFiles files = open_run_files(utf8_name(input), utf8_name(output), captured.file());
            ASSERT_EQ(files.outcome, OpenOutcome::opened);
            Console console(captured.file());
            const int status = convert_files(files, {static_cast<ConversionMode>(option[1]), {}},
                                             console, *run_memory, input_block, output_block);
            std::fflush(captured.file());
            EXPECT_EQ(status, memory.status) << option << ", block ends " << at << " bytes in";
            EXPECT_EQ(captured.text(), memory.console) << option << ", block ends " << at;
            EXPECT_TRUE(read_file(output) == memory.output) << option << ", block ends " << at;
            if (HasFailure())
                return;
        }
    }
}

// Versions 1, 2 and 3, the last saved by BaseCamp. Under Wine, where every run costs many times
// more, versions 1 and 3 only.
#ifdef _WIN32
constexpr const char* block_files[] = {"examples/sample.gdb",
                                       "converter/fuzz/corpus/basecamp-v3.gdb"};
#else
constexpr const char* block_files[] = {"examples/sample.gdb", "converter/fuzz/corpus/built-v2.gdb",
                                       "converter/fuzz/corpus/basecamp-v3.gdb"};
#endif

INSTANTIATE_TEST_SUITE_P(SampleFiles, FileBlocks, ::testing::ValuesIn(block_files),
                         [](const auto& info) { return test_name_of_file(info.param); });

} // namespace
} // namespace korvix
