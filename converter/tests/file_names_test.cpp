// File names beyond ASCII, typed on the command line of the real program: korvix opens the files
// they name and refuses an output that is its input under another spelling, whatever the
// system's code page.
#include "command_line.h"
#include "gdb_builder.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

class NonAsciiNames : public ::testing::Test {
protected:
    CommandOutcome korvix(const char* option, const std::string& input, const std::string& output) {
        return run_command(korvix_command() + " " + option + " " + shell_quoted(input) + " " +
                               shell_quoted(output),
                           dir_.path());
    }

    const Bytes sample_ = read_file(fs::path(KORVIX_SOURCE_DIR) / "examples/sample.gdb");
    TempDir dir_{"korvix-names"};
};

TEST_F(NonAsciiNames, AnotherSpellingOfTheInputIsRefusedAndTheInputKept) {
    struct Spelling {
        const char* file;
        const char* hard_link; // made to the file when not empty
        const char* input;
        const char* output;
    };
    const Spelling spellings[] = {
        {"€uro.gdb", "", "€uro.gdb", "€uro.gdb"},
        {"€uro.gdb", "", "€uro", "./€uro.gdb"},
        {"Zürich.gdb", "", "Zürich", "Zürich/../Zürich.gdb"},
        {"Москва.gdb", "東京.gdb", "Москва", "東京"},
#ifdef _WIN32
        {"Šibenik.gdb", "", "Šibenik", "šibenik"}, // Windows names ignore case
#endif
    };
    fs::create_directory(dir_ / "Zürich");
    for (const Spelling& s : spellings) {
        write_file(dir_ / s.file, sample_);
        if (*s.hard_link != '\0')
            fs::create_hard_link(dir_ / s.file, dir_ / s.hard_link);
        const CommandOutcome outcome = korvix("-T", s.input, s.output);
        EXPECT_EQ(outcome.status, 1) << s.input << " " << s.output;
        EXPECT_EQ(outcome.out, "Input and output are the same file\n")
            << s.input << " " << s.output;
        EXPECT_EQ(read_file(dir_ / s.file), sample_) << s.input << " " << s.output;
    }
}

TEST_F(NonAsciiNames, NamesInEveryScriptConvertAsInMemory) {
    struct Run {
        const char* option;
        const char* input; // written with the sample's bytes
        const char* output;
    };
    const Run runs[] = {
        {"-R", "Zürich", "Zürich-R"},
        {"-T", "Москва.gdb", "東京/Москва-T.gdb"},
        {"-V", "東京", "東京/東京-V"},
#ifndef _WIN32
        {"-W", "Z\xFCrich", "Z\xFCrich-W"}, // Latin-1, not UTF-8: bytes as they stand
#endif
    };
    fs::create_directory(dir_ / "東京");
    for (const Run& r : runs) {
        const fs::path input = dir_ / with_default_extension(r.input);
        write_file(input, sample_);
        const CommandOutcome outcome = korvix(r.option, r.input, r.output);
        const RunResult memory = convert_bytes(sample_, static_cast<ConversionMode>(r.option[1]));
        EXPECT_EQ(outcome.status, 0) << r.input << "\n" << outcome.out << outcome.err;
        EXPECT_EQ(outcome.out, memory.console) << r.input;
        EXPECT_TRUE(read_file(dir_ / with_default_extension(r.output)) == memory.output)
            << r.output;
        EXPECT_EQ(read_file(input), sample_) << r.input;
    }
}

} // namespace
} // namespace korvix
