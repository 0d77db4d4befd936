// The input and output files are read and written in blocks. A field that straddles the end of a
// block must come out as it does from an input held in memory whole: the sample's records are
// moved behind a filler record so that a block ends at each of their bytes in turn.
#include "byte_stream.h"
#include "gdb_builder.h"
#include "run_driver.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

Bytes read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(FileBlocks, FieldsAcrossABlockEndConvertAsFromMemory) {
    const Bytes sample = read_file(fs::path(KORVIX_SOURCE_DIR) / "examples/sample.gdb");
    const std::size_t header_size = gdb_header().size();
    const Bytes header = gdb_header();
    // The sample's records, behind its own header, which ends with "MapSource" and its 0 byte.
    const char application[] = "MapSource";
    const auto header_end =
        std::search(sample.begin(), sample.end(), application, application + sizeof application) +
        sizeof application;
    ASSERT_LT(header_end, sample.end());
    const Bytes records(header_end, sample.end());

    char pattern[] = "/tmp/korvix-blocks-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    const fs::path input = dir / "in.gdb";
    const fs::path output = dir / "out.gdb";

    for (std::size_t at = 0; at < records.size(); ++at) {
        // The filler ends where the block ends less `at` bytes: the block ends `at` bytes into
        // the sample's records.
        const std::size_t filler = InputStream::block_size - header_size - 5 - at;
        const Bytes file = concat({header, record('F', Bytes(filler, 0xF1)), records});
        fs::remove(input);
        std::ofstream(input, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));

        for (const char* option : {"-R", "-S", "-T", "-U", "-V", "-W"}) {
            const RunResult memory = convert_bytes(file, static_cast<ConversionMode>(option[1]));
            ASSERT_EQ(memory.status, 0) << option << " " << at;

            std::FILE* console = std::tmpfile();
            ASSERT_NE(console, nullptr);
            const std::string in = input.string(), out = output.string();
            const std::string_view arguments[] = {option, in, out};
            fs::remove(output);
            const int status = run_korvix(arguments, console);
            std::string console_text;
            std::rewind(console);
            for (int c; (c = std::fgetc(console)) != EOF;)
                console_text.push_back(static_cast<char>(c));
            std::fclose(console);

            EXPECT_EQ(status, memory.status) << option << ", block ends " << at << " bytes in";
            EXPECT_EQ(console_text, memory.console) << option << ", block ends " << at;
            EXPECT_TRUE(read_file(output) == memory.output) << option << ", block ends " << at;
            if (HasFailure()) {
                fs::remove_all(dir);
                return;
            }
        }
    }
    fs::remove_all(dir);
}

} // namespace
} // namespace korvix
