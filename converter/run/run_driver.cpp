#include "run_driver.h"

#include "command_line.h"
#include "file_io.h"
#include "gdb_header.h"
#include "gpx_driver.h"
#include "platform.h"
#include "track_to_route.h"

#include <algorithm>
#include <memory>
#include <new>

namespace korvix {

namespace {

const char* failure_message(Failure failure) {
    switch (failure) {
    case Failure::end_of_input:
        return "Unexpected end of input file\n";
    case Failure::input_read_failed:
        return "Can't read input file\n";
    case Failure::record_too_short:
        return "Record shorter than its fields - input file corrupt\n";
    case Failure::output_write_failed:
        return "Can't write output file\n";
    case Failure::input_changed:
        return "Input file changed during the run\n";
    case Failure::none:
        break;
    }
    return "";
}

// What korvix says when it does not convert at all, nothing when the files are open.
const char* refusal_message(OpenOutcome outcome) {
    switch (outcome) {
    case OpenOutcome::input_not_opened:
        return "Can't open input file\n";
    case OpenOutcome::output_not_opened:
        return "Can't open output file\n";
    // Converting would empty the input before reading it.
    case OpenOutcome::output_is_input:
        return "Input and output are the same file\n";
    // The trace would be mixed into the GDB bytes.
    case OpenOutcome::output_is_console:
        return "Output and standard output are the same file\n";
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

} // namespace

void say_run_failure(Console& console, const RunFailure& failure) {
    console.say(failure_message(failure.failure()));
    if (failure.reason()) {
        console.say(reason_text(failure.reason()).c_str());
        console.say("\n");
    }
}

// The format of the input, told by its first bytes (input_format.h), which the stream then holds.
InputFormat input_format(InputStream& in) {
    in.ensure(format_probe_bytes);
    return format_of(
        {in.data(), std::min(static_cast<std::size_t>(in.available()), format_probe_bytes)});
}

std::unique_ptr<RunMemory> reserve_run_memory() {
    return std::unique_ptr<RunMemory>(new (std::nothrow) RunMemory);
}

int convert(InputStream& in, OutputStream& out, const RunSettings& settings, Console& console,
            RunMemory& memory, InputBytes* whole_input, bool whole_is_input) {
    // --fit reads the input twice: first its tracks ahead, then the stream it converts.
    if (settings.fit && whole_input == nullptr) {
        console.say(fit_needs_file_text);
        return exit_usage;
    }
    RunContext run(in, out, settings, console, memory);
    run.whole_input = whole_input;
    run.checks_read_ahead = whole_is_input;
    if (input_format(in) == InputFormat::gpx)
        return convert_gpx(run, memory.gpx);
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
        if (settings.fit && !run.failed())
            say_fit_result(run);
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
        console.say("Input file not in GDB format\n");
        return exit_failed;
    }
    return exit_completed;
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
    int status;
    {
        FileSink sink(files.output.get());
        OutputStream out(failure, sink, output_block);
        status =
            convert(in, out, settings, console, memory, files.input_seekable ? &whole : nullptr);
    }
    // Only a run that succeeded puts its output in place: any other leaves the output's name as
    // it was.
    if (status != exit_completed) {
        files.commit.discard(files.output);
    } else if (!files.commit.commit(files.output)) {
        console.say(failure_message(Failure::output_write_failed));
        if (const std::filesystem::path& kept = files.commit.kept_path(); !kept.empty()) {
            console.say("The whole output is kept in ");
            console.say(utf8_of_path(kept).c_str());
            console.say("\n");
        }
        status = exit_failed;
    }
    return status;
}

int run_korvix(std::span<const std::string_view> arguments, std::FILE* console) {
    const auto command_line = parse_command_line(arguments);
    if (!command_line || command_line->action == CommandLine::Action::usage) {
        if (command_line)
            std::fputs(command_line->complaint.c_str(), console);
        std::fputs(usage_text, console);
        return exit_usage;
    }
    if (command_line->action == CommandLine::Action::help) {
        std::fputs(usage_text, console);
        std::fputs(long_options_text, console);
        return exit_completed;
    }
    if (command_line->action == CommandLine::Action::version) {
        std::fputs(version_text, console);
        return exit_completed;
    }

    const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    if (!memory) {
        std::fputs(not_enough_memory_text, console);
        return exit_failed;
    }
    // The output is written in the input's format: its name follows the input's, read first.
    const bool gpx_input = format_of_named_file(command_line->input_path) == InputFormat::gpx;
    const std::string output_path = output_path_for(command_line->output_name, gpx_input);
    if (gpx_input && names_gdb_file(output_path)) {
        std::fputs(gpx_needs_gpx_name_text, console);
        std::fputs(usage_text, console);
        return exit_usage;
    }
    RunSettings settings = command_line->settings();
    settings.output_named_gdb = names_gdb_file(output_path);
    RunFiles files = open_run_files(command_line->input_path, output_path, console);
    if (const char* refusal = refusal_message(files.outcome)) {
        std::fputs(refusal, console);
        // Why the system refused, on a line of its own: "No space left on device".
        if (files.outcome == OpenOutcome::output_not_opened && files.reason)
            std::fprintf(console, "%s\n", reason_text(files.reason).c_str());
        return exit_failed;
    }
    Console run_console(console);
    return convert_files(files, settings, run_console, *memory, memory->input_block,
                         memory->output_block);
}

} // namespace korvix
