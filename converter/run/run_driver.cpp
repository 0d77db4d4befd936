#include "run_driver.h"

#include "command_line.h"
#include "file_contents.h"
#include "file_io.h"
#include "file_names.h"
#include "gdb_header.h"
#include "gpx_driver.h"
#include "platform.h"
#include "run_messages.h"
#include "track_to_route.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <system_error>

namespace korvix {

namespace {

// The format of the input, told by its first bytes (input_format.h), which the stream then holds.
InputFormat input_format(InputStream& in) {
    in.ensure(format_probe_bytes);
    return format_of(
        {in.data(), std::min(static_cast<std::size_t>(in.available()), format_probe_bytes)});
}

// What korvix says when it does not convert at all, nothing when the files are open.
const char* refusal_message(OpenOutcome outcome) {
    switch (outcome) {
    case OpenOutcome::input_not_opened:
        return cannot_open_input_text;
    case OpenOutcome::output_not_opened:
        return cannot_open_output_text;
    // Converting would empty the input before reading it.
    case OpenOutcome::output_is_input:
        return "Input and output are the same file\n";
    // The trace would be mixed into the GDB bytes.
    case OpenOutcome::output_is_console:
        return "Output and standard output are the same file\n";
    // The trace would be appended to the input.
    case OpenOutcome::input_is_console:
        return "Input and standard output are the same file\n";
    case OpenOutcome::opened:
        break;
    }
    return nullptr;
}

// Whether the input changed while the run read it: its size or the time of its last change are
// not what they were at the start, or, where the run read it ahead, what the stream read of the
// records from the first track on is not what the read ahead read. A run that failed in the
// records reads them ahead once more: a file written over meanwhile is no damaged file.
bool input_changed(RunContext& run, std::uint64_t version_at_start) {
    if (!run.checks_read_ahead || run.whole_input == nullptr)
        return false;
    if (run.whole_input->version() != version_at_start)
        return true;
    const ReadAheadCheck& check = run.read_ahead_check;
    if (!run.read_ahead)
        return false;
    if (!run.failed())
        return !check.holds();
    const Failure failure = run.failure.failure();
    if (failure != Failure::end_of_input && failure != Failure::record_too_short)
        return false;
    WaypointNumbers numbers;
    InputFingerprint records_now;
    note_waypoint_names(*run.whole_input, check.from, numbers, records_now);
    return records_now != check.records_ahead;
}

// Where a refusal is said: on the console, unless that writes to the input (standard output
// appended to it), which nothing korvix says may change; then on standard error, unless that
// writes to the input too; then nowhere, and only the exit status tells. `input` is the input
// when it is open; else the file that its name leads to is compared.
std::FILE* refusal_stream(std::FILE* console, const std::string& input_name, std::FILE* input) {
    const auto is_input = [&](std::FILE* stream) {
        return input != nullptr ? writes_to_file_of(stream, input)
                                : writes_to_file_named(stream, input_name);
    };
    if (!is_input(console))
        return console;
    return is_input(stderr) ? nullptr : stderr;
}

// A refusal said where refusal_stream says, with the system's reason on a line of its own when
// there is one: "No space left on device".
void say_refusal(std::FILE* stream, const char* refusal, const std::error_code& reason = {}) {
    if (stream == nullptr)
        return;
    std::fputs(refusal, stream);
    if (reason)
        std::fprintf(stream, "%s\n", reason_text(reason).c_str());
}

// A commit that failed: "Can't write output file" with the system's reason, and, when a copy over
// the output failed part of the way, where the whole output is kept.
void say_commit_failure(Console& console, const OutputCommit& commit) {
    RunFailure failure;
    failure.fail(Failure::output_write_failed, commit.error());
    say_run_failure(console, failure);
    if (const std::filesystem::path& kept = commit.kept_path(); !kept.empty()) {
        console.say("The whole output is kept in ");
        console.say(utf8_of_path(kept).c_str());
        console.say("\n");
    }
}

// Converts as convert() does; the line that says that the run has succeeded (--fit's) goes to
// `success`, which a run on files says only once its output is in place.
int convert_saying_success(InputStream& in, OutputStream& out, const RunSettings& settings,
                           Console& console, Console& success, RunMemory& memory,
                           InputBytes* whole_input, bool whole_is_input) {
    // --fit reads the input twice: first its tracks ahead, then the stream it converts.
    if (settings.fit && whole_input == nullptr) {
        console.say(fit_needs_file_text);
        return exit_usage;
    }
    RunContext run(in, out, settings, console, memory);
    run.whole_input = whole_input;
    run.checks_read_ahead = whole_is_input;
    if (input_format(in) == InputFormat::gpx)
        return convert_gpx(run, memory.gpx, success);
    const std::uint64_t version_at_start = whole_input != nullptr ? whole_input->version() : 0;
    const std::optional<GdbVersion> version = check_and_copy_header(in, out, run.scratch);
    const bool header_copied = version.has_value();
    if (header_copied) {
        run.layout = version_layout(*version);
        run_record_loop(run);
        // What was written of a changed input is no conversion of any file: the run fails.
        if (input_changed(run, version_at_start)) {
            run.failure = RunFailure();
            run.failure.fail(Failure::input_changed);
        }
    }
    out.flush();

    // A header that could not be read, or not be written, is no header that failed its test.
    const RunFailure& failure = run.failure;
    if (failure.failure() == Failure::output_write_failed ||
        failure.failure() == Failure::input_read_failed || (header_copied && failure.failed())) {
        say_run_failure(console, failure);
        return exit_failed;
    }
    if (!header_copied) {
        console.say(not_gdb_text);
        return exit_failed;
    }
    if (settings.fit)
        say_fit_result(run, success);
    return exit_completed;
}

} // namespace

void say_run_failure(Console& console, const RunFailure& failure) {
    console.say(failure_message(failure.failure()));
    if (failure.reason()) {
        console.say(reason_text(failure.reason()).c_str());
        console.say("\n");
    }
}

std::unique_ptr<RunMemory> reserve_run_memory() {
    return std::unique_ptr<RunMemory>(new (std::nothrow) RunMemory);
}

int convert(InputStream& in, OutputStream& out, const RunSettings& settings, Console& console,
            RunMemory& memory, InputBytes* whole_input, bool whole_is_input) {
    return convert_saying_success(in, out, settings, console, console, memory, whole_input,
                                  whole_is_input);
}

MemoryRun convert_memory(std::span<const std::uint8_t> input, const RunSettings& settings,
                         RunMemory& memory, std::span<const std::uint8_t> names_from) {
    MemoryRun run;
    Console console(run.console);
    MemoryBytes whole(names_from.empty() ? input : names_from);
    // A copy that the run may change in place, as it changes the blocks it reads from a file.
    std::vector<std::uint8_t> bytes(input.begin(), input.end());
    RunFailure failure;
    InputStream in(failure, InputStream::WritableBytes{bytes});
    OutputStream out(failure, run.output, memory.output_block);
    run.status = convert(in, out, settings, console, memory, &whole, names_from.empty());
    return run;
}

int convert_files(RunFiles& files, const RunSettings& settings, Console& console, RunMemory& memory,
                  std::span<std::uint8_t> input_block, std::span<std::uint8_t> output_block) {
    // The streams read and write in blocks of their own. Buffering is set before anything else
    // is done with the files, as C requires.
    std::setvbuf(files.input.get(), nullptr, _IONBF, 0);
    std::setvbuf(files.output.get(), nullptr, _IONBF, 0);
    // A file is read ahead for waypoint names at offsets, apart from the stream's reads.
    FileBytes whole(files.input.get(), memory.read_ahead_block);
    RunFailure failure;
    FileSource source(files.input.get(), files.input_seekable);
    InputStream in(failure, source, input_block);
    std::string success_text;
    Console success(success_text);
    int status;
    {
        FileSink sink(files.output.get());
        OutputStream out(failure, sink, output_block);
        status = convert_saying_success(in, out, settings, console, success, memory,
                                        files.input_seekable ? &whole : nullptr, true);
    }
    // Only a run that succeeded puts its output in place: any other leaves the output's name as
    // it was.
    if (status != exit_completed) {
        files.commit.discard(files.output);
        return status;
    }
    if (!files.commit.commit(files.output)) {
        say_commit_failure(console, files.commit);
        return exit_failed;
    }
    // The output is in place: now the run may say that it has succeeded.
    console.say(std::string_view(success_text));
    return exit_completed;
}

namespace {

// What a command line that converts nothing prints, and its exit status; nothing for one that
// converts.
std::optional<int> without_conversion(const std::optional<CommandLine>& command_line,
                                      std::FILE* console) {
    if (!command_line || command_line->action == CommandLine::Action::usage) {
        if (command_line)
            std::fputs(command_line->complaint.c_str(), console);
        std::fputs(usage_text, console);
        return exit_usage;
    }
    if (command_line->action == CommandLine::Action::help) {
        std::fputs(usage_text, console);
        std::fputs(long_options_text.c_str(), console);
        return exit_completed;
    }
    if (command_line->action == CommandLine::Action::version) {
        std::fputs(version_text, console);
        return exit_completed;
    }
    return std::nullopt;
}

} // namespace

int run_korvix(std::span<const std::string_view> arguments, std::FILE* console) {
    const auto command_line = parse_command_line(arguments);
    if (const std::optional<int> status = without_conversion(command_line, console))
        return *status;

    const std::string& input_name = command_line->input_path;
    const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    if (!memory) {
        say_refusal(refusal_stream(console, input_name, nullptr), not_enough_memory_text);
        return exit_failed;
    }
    // The output is written in the input's format: its name follows the input's, read first.
    const bool gpx_input = format_of_named_file(input_name) == InputFormat::gpx;
    const std::string output_path = output_path_for(command_line->output_name, gpx_input);
    if (gpx_input && rules::names_gdb_file(output_path)) {
        std::FILE* stream = refusal_stream(console, input_name, nullptr);
        say_refusal(stream, rules::gpx_needs_gpx_name_text);
        say_refusal(stream, usage_text);
        return exit_usage;
    }
    RunSettings settings = command_line->settings();
    settings.output_named_gdb = rules::names_gdb_file(output_path);
    RunFiles files = open_run_files(input_name, output_path, console);
    if (const char* refusal = refusal_message(files.outcome)) {
        say_refusal(refusal_stream(console, input_name, files.input.get()), refusal,
                    files.outcome == OpenOutcome::output_not_opened ? files.reason
                                                                    : std::error_code());
        return exit_failed;
    }
    Console run_console(console);
    return convert_files(files, settings, run_console, *memory, memory->input_block,
                         memory->output_block);
}

} // namespace korvix
