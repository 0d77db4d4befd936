// One run of korvix: command line, files, header, record loop, and the exit status.
#pragma once

#include "platform.h"
#include "record_dispatch.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvix {

enum ExitStatus : int {
    exit_completed = 0, // including warnings such as a skipped track
    exit_failed = 1,
    exit_usage = 2,
};

// Said when --fit is given an input that it cannot read ahead; nothing is written then.
inline constexpr char fit_needs_file_text[] =
    "--fit needs an input file that can be read twice, not a pipe\n";

// The failure's message, then the system's reason, where it gave one, on a line of its own:
// "Can't read input file", "Input/output error".
void say_run_failure(Console& console, const RunFailure& failure);

// The run's memory, or nothing when the system cannot give it.
std::unique_ptr<RunMemory> reserve_run_memory();

// Converts an open input into an open output as the settings say: header, then records up to the
// closing record. Prints trace lines and messages on the console; returns the exit status. The
// run's failure is the one that the two streams share. `whole_input` is the same input read where
// asked for, when it can be read so (not a pipe): the names of the waypoints behind the first
// track are read from it (see waypoint_numbers.h). When it is the input itself, as it is but for
// the fuzz target's runs of front parts of an input, what was read of it ahead is held against
// what the stream reads, and a run whose input changed meanwhile fails (input_fingerprint.h).
int convert(InputStream& in, OutputStream& out, const RunSettings& settings, Console& console,
            RunMemory& memory, InputBytes* whole_input, bool whole_is_input = true);

// A whole conversion in memory, as a run on files gives it: for the tests and the fuzz target.
// The input is read ahead for waypoint names as `names_from`, the input itself unless another is
// given (the fuzz target converts front parts of an input as the whole would).
struct MemoryRun {
    int status = exit_failed;
    std::vector<std::uint8_t> output;
    std::string console;
};
MemoryRun convert_memory(std::span<const std::uint8_t> input, const RunSettings& settings,
                         RunMemory& memory, std::span<const std::uint8_t> names_from = {});

// Converts the open files of a run, reading and writing them in the blocks given. Closes the
// output, and commits it when the run succeeded or discards it when it failed (OutputCommit);
// returns the exit status.
int convert_files(RunFiles& files, const RunSettings& settings, Console& console, RunMemory& memory,
                  std::span<std::uint8_t> input_block, std::span<std::uint8_t> output_block);

// The whole program behind its arguments (without the program name). The caller has prepared the
// standard streams (prepare_standard_streams).
int run_korvix(std::span<const std::string_view> arguments, std::FILE* console);

} // namespace korvix
