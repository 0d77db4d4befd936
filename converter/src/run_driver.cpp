#include "run_driver.h"

#include "command_line.h"
#include "file_paths.h"
#include "gdb_header.h"
#include "standard_streams.h"

#include <filesystem>
#include <memory>

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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Compares the files, not the names: a link or another spelling of the input's path is the input.
bool same_file(const std::string& input_path, const std::string& output_path) {
    std::error_code error;
    return std::filesystem::equivalent(path_from_utf8(input_path), path_from_utf8(output_path),
                                       error) &&
           !error;
}

// A folder opens for reading on some systems but holds no bytes to read. A path that cannot even
// be examined (a name too long, a folder without search permission) is left to fopen to refuse.
bool is_folder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path_from_utf8(path), error);
}

} // namespace

int convert(RunFailure& failure, InputStream& in, OutputStream& out, ConversionMode mode,
            std::FILE* console) {
    // The run's state is large (the scratch text and the point buffer); it is reserved once here.
    auto run = std::make_unique<RunContext>(failure, in, out, mode, console);
    const bool header_copied = check_and_copy_header(*run);
    if (header_copied)
        run_record_loop(*run);
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

    File input(is_folder(command_line->input_path) ? nullptr
                                                   : open_file(command_line->input_path, "rb"));
    if (!input) {
        std::fputs("Can't open input file\n", console);
        return exit_failed;
    }
    // Opening the output truncates it, which would destroy an input that is the same file.
    if (same_file(command_line->input_path, command_line->output_path)) {
        std::fputs("Input and output are the same file\n", console);
        return exit_failed;
    }
    // Standard output (/dev/stdout, or the file it is redirected to) would get the trace mixed
    // into the GDB bytes.
    if (is_console_file(command_line->output_path, console)) {
        std::fputs("Output and standard output are the same file\n", console);
        return exit_failed;
    }
    File output(open_file(command_line->output_path, "wb"));
    if (!output) {
        std::fputs("Can't open output file\n", console);
        return exit_failed;
    }

    RunFailure failure;
    InputStream in(failure, input.get());
    int status;
    {
        OutputStream out(failure, output.get());
        status = convert(failure, in, out, command_line->mode, console);
    }
    if (std::fclose(output.release()) != 0 && status == exit_completed) {
        std::fputs(failure_message(Failure::output_write_failed), console);
        status = exit_failed;
    }
    return status;
}

} // namespace korvix
