#include "run_driver.h"

#include "command_line.h"
#include "gdb_header.h"
#include "platform.h"

#include <memory>
#include <new>

namespace korvix {

namespace {

const char* failure_message(Failure failure) {
    switch (failure) {
    case Failure::end_of_input:
        return "Unexpected end of input file\n";
    case Failure::record_too_short:
        return "Record shorter than its fields - input file corrupt\n";
    case Failure::output_write_failed:
        return "Can't write output file\n";
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

} // namespace

std::unique_ptr<RunMemory> reserve_run_memory() {
    return std::unique_ptr<RunMemory>(new (std::nothrow) RunMemory);
}

int convert(RunFailure& failure, InputStream& in, OutputStream& out, ConversionMode mode,
            std::FILE* console, RunMemory& memory) {
    RunContext run(failure, in, out, mode, console, memory);
    const bool header_copied = check_and_copy_header(run);
    if (header_copied)
        run_record_loop(run);
    out.flush();

    if (failure.failure() == Failure::output_write_failed || (header_copied && failure.failed())) {
        std::fputs(failure_message(failure.failure()), console);
        return exit_failed;
    }
    if (!header_copied) {
        std::fputs("Input file not in GDB format\n", console);
        return exit_failed;
    }
    return exit_completed;
}

int run_korvix(std::span<const std::string_view> arguments, std::FILE* console) {
    const auto command_line = parse_command_line(arguments);
    if (!command_line) {
        std::fputs(usage_text, console);
        return exit_usage;
    }

    const std::unique_ptr<RunMemory> memory = reserve_run_memory();
    if (!memory) {
        std::fputs(not_enough_memory_text, console);
        return exit_failed;
    }
    RunFiles files = open_run_files(command_line->input_path, command_line->output_path, console);
    if (const char* refusal = refusal_message(files.outcome)) {
        std::fputs(refusal, console);
        return exit_failed;
    }
    File& output = files.output;

    RunFailure failure;
    InputStream in(failure, files.input.get(), memory->input_block);
    int status;
    {
        OutputStream out(failure, output.get(), memory->output_block);
        status = convert(failure, in, out, command_line->mode, console, *memory);
    }
    if (std::fclose(output.release()) != 0 && status == exit_completed) {
        std::fputs(failure_message(Failure::output_write_failed), console);
        status = exit_failed;
    }
    return status;
}

} // namespace korvix
