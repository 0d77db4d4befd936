// Builds small GDB files for tests from their fields (gdb_bytes.h), and runs the converter on them
// in memory.
#pragma once

#include "conversion_mode.h"
#include "gdb_bytes.h"
#include "run_settings.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvix {

// Test logs name a mode by its option letter.
inline void PrintTo(ConversionMode mode, std::ostream* os) {
    *os << '-' << static_cast<char>(mode);
}

} // namespace korvix

namespace korvix::testing {

// The console of a run in this process: a file of its own in a temporary folder of this process
// (std::tmpfile is shared between processes under Wine, and lies in the drive's root on Windows),
// read back whole.
class CapturedConsole {
public:
    CapturedConsole();
    ~CapturedConsole();
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    std::FILE* file() const { return file_; }
    std::string text() const; // everything written so far

private:
    std::filesystem::path path_;
    std::FILE* file_;
};

struct RunResult {
    int status = -1;
    Bytes output;
    std::string console;
};

// Runs the converter on an input held in memory, with the limits of --points, --tolerance and
// --split when given.
RunResult convert_bytes(const Bytes& input, ConversionMode mode, const SimplifyLimits& limits = {});
// ... with every setting of a run (--fit, --waypoints).
RunResult convert_bytes(const Bytes& input, const RunSettings& settings);

} // namespace korvix::testing
