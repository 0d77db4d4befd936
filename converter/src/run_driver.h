// One run of korvix: command line, files, header, record loop, and the exit status.
#pragma once

#include "record_dispatch.h"

#include <memory>
#include <span>
#include <string_view>

namespace korvix {

enum ExitStatus : int {
    exit_completed = 0, // including warnings such as a skipped track
    exit_failed = 1,
    exit_usage = 2,
};

// Said when the system cannot give korvix the memory it needs; no file has been touched then.
inline constexpr char not_enough_memory_text[] = "Not enough memory\n";

// The run's memory, or nothing when the system cannot give it.
std::unique_ptr<RunMemory> reserve_run_memory();

// Converts an open input into an open output under the given mode: header, then records up to
// the closing record. Prints trace lines and messages on the console; returns the exit status.
int convert(RunFailure& failure, InputStream& in, OutputStream& out, ConversionMode mode,
            std::FILE* console, RunMemory& memory);

// The whole program behind its arguments (without the program name). The caller has prepared the
// standard streams (prepare_standard_streams).
int run_korvix(std::span<const std::string_view> arguments, std::FILE* console);

} // namespace korvix
