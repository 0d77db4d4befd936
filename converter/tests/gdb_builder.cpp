#include "gdb_builder.h"

#include "platform.h"
#include "run_driver.h"
#include "test_files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>

namespace korvix::testing {

namespace {

// The folder of this process's console files, made at the first one and removed at exit. Open to
// every user, as the system's temporary folder is (each file its maker's): a test whose child
// process runs korvix as another user makes its console there too, whichever test made the folder.
const TempDir& console_folder() {
    static const TempDir folder("korvix-console");
    static const bool open_to_all = [] {
        std::error_code ignored;
        std::filesystem::permissions(
            folder.path(), std::filesystem::perms::all | std::filesystem::perms::sticky_bit,
            ignored);
        return true;
    }();
    (void)open_to_all;
    return folder;
}

} // namespace

CapturedConsole::CapturedConsole() {
    static std::atomic<unsigned> made = 0;
    path_ = console_folder() / ("console-" + std::to_string(++made));
    file_ = open_file(utf8_name(path_), "w+b");
    if (file_ == nullptr)
        throw std::runtime_error("no temporary file for the console");
}

CapturedConsole::~CapturedConsole() {
    std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

std::string CapturedConsole::text() const {
    std::string text;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;)
        text.push_back(static_cast<char>(c));
    return text;
}

RunResult convert_bytes(const Bytes& input, ConversionMode mode, const SimplifyLimits& limits) {
    return convert_bytes(input, RunSettings{mode, limits});
}

RunResult convert_bytes(const Bytes& input, const RunSettings& settings) {
    static const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    MemoryRun run = convert_memory(input, settings, *memory);
    return {run.status, std::move(run.output), std::move(run.console)};
}

} // namespace korvix::testing
