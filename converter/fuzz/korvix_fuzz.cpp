// libFuzzer target: arbitrary bytes as a GDB or GPX input file, through the whole conversion.
//
// KORVIX_FUZZ_MODE=R|S|T|U|V|W picks the option letter of every run; without it each input runs
// under all six (handy for replaying a crash). Besides crashes, hangs and leaks, which libFuzzer
// and the sanitizers catch, every run is checked here and aborts on the first broken rule:
//
// - the exit status is 0 (completed) or 1 (failed), and a failure ends the console with one of
//   the failure messages;
// - the console holds one trace line per record read, and the records it names are the input's
//   records in file order, each with the type and length of its header;
// - a completed run writes the input's header byte for byte, then records whose declared lengths
//   frame the rest exactly, the last one the closing record; -R and -S keep every length;
// - a failed run writes exactly what a completed run writes for the records before the one it
//   failed in (knowing, as the failed run does, the waypoint names of the whole input), and
//   behind that at most the beginning of that record: its header unchanged and,
//   unless the record was being rewritten in place, no more body than the header declares;
// - the same input read as korvix reads a file, in blocks of 64 bytes to 4 KiB and in reads that
//   give fewer bytes than asked (as from a pipe), written in blocks of such sizes, gives the
//   output bytes, console and exit status of the run in memory, whose blocks never move; and so
//   it does with a point limit (for small inputs; with or without --split and --waypoints, under
//   which -V and -W stop reducing a track that cannot get the names it would need), which
//   lays out tracks in reserved room of the output block; and so it does under -V and -W with --fit
//   (for small inputs; with or without that limit and --waypoints), whose runs in memory and
//   streamed alike read the input ahead before they convert it. The sizes and the limits are chosen
//   by the input's last bytes;
// - a GPX input (one that begins, behind a byte order mark and white space, with "<?xml" or
//   "<gpx") completes, or fails with a message about the file (its line and column); a completed
//   run's output is GPX that korvix reads again; and streamed, where expat is given the file in
//   pieces as small as a byte, it converts as in memory, where expat takes it in one piece.
#include "byte_io.h"
#include "input_format.h"
#include "run_driver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using korvix::ConversionMode;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t record_header_size = 5;

constexpr std::string_view not_gdb = "Input file not in GDB format\n";
constexpr std::array<std::string_view, 3> failure_messages = {
    "Unexpected end of input file\n",
    "Record shorter than its fields - input file corrupt\n",
    "Can't write output file\n",
};
constexpr std::array<std::string_view, 6> warnings = {
    "Route point limit reached - track truncated!\n",
    "Too many waypoints needed to convert - track skipped\n",
    "Track has no points - track skipped\n",
    "Track point out of range - point skipped\n",
    "Too few waypoints left to convert - track kept\n",
    "Track has no points - track kept\n",
};

std::vector<ConversionMode> modes_to_run;

[[noreturn]] void broken(const char* rule, ConversionMode mode) {
    std::fprintf(stderr, "korvix_fuzz: mode %c: %s\n", static_cast<char>(mode), rule);
    std::abort();
}

using Run = korvix::MemoryRun;

// A conversion of `input`, knowing the waypoint names of `whole` before it starts: -V and -W
// number their waypoints around every name of the file, those behind the part converted included.
Run convert(std::span<const std::uint8_t> input, ConversionMode mode,
            std::span<const std::uint8_t> whole = {}) {
    static const auto memory = korvix::reserve_run_memory();
    return korvix::convert_memory(input, {mode, {}}, *memory, whole);
}

std::uint32_t le32(const std::uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// Size of the GDB header at the front of the bytes: "MsRcf", 14 bytes, three strings, and
// "MapSource" or "BaseCamp". The 14 bytes must not begin with a version record ('D') of another
// length than 2.
std::optional<std::size_t> header_size(std::span<const std::uint8_t> bytes) {
    const auto string_at = [&](std::size_t at) -> std::optional<std::string_view> {
        if (at >= bytes.size())
            return std::nullopt;
        const void* zero = std::memchr(bytes.data() + at, 0, bytes.size() - at);
        if (zero == nullptr)
            return std::nullopt;
        return std::string_view(reinterpret_cast<const char*>(bytes.data() + at),
                                static_cast<const std::uint8_t*>(zero) - (bytes.data() + at));
    };
    auto text = string_at(0);
    if (!text || *text != "MsRcf")
        return std::nullopt;
    std::size_t at = text->size() + 1 + 14;
    if (bytes.size() >= at && bytes[at - 10] == 'D' && le32(bytes.data() + at - 14) != 2)
        return std::nullopt;
    for (int i = 0; i < 3; ++i) {
        text = string_at(at);
        if (!text)
            return std::nullopt;
        at += text->size() + 1;
    }
    text = string_at(at);
    if (!text || (*text != "MapSource" && *text != "BaseCamp"))
        return std::nullopt;
    return at + text->size() + 1;
}

struct TraceLine {
    char type;
    std::int64_t length;
};

// The trace lines of the console, in order; warnings between them are skipped. The failure
// message, if any, must be the last line.
std::vector<TraceLine> trace_lines(std::string_view console, int status, ConversionMode mode) {
    std::vector<TraceLine> lines;
    while (!console.empty()) {
        bool skipped = false;
        for (std::string_view warning : warnings) {
            if (console.starts_with(warning)) {
                console.remove_prefix(warning.size());
                skipped = true;
            }
        }
        if (skipped)
            continue;
        for (std::string_view message : failure_messages) {
            if (console == message) {
                if (status != 1)
                    broken("failure message on a completed run", mode);
                return lines;
            }
        }
        // The type letter, a blank and the body length as the unsigned number it is: "W 71\n".
        if (console.size() < 4 || console[1] != ' ')
            broken("console line that is neither a trace line nor a message", mode);
        TraceLine line{console[0], 0};
        std::size_t at = 2;
        const std::size_t digits_start = at;
        while (at < console.size() && console[at] >= '0' && console[at] <= '9')
            line.length = line.length * 10 + (console[at++] - '0');
        if (at == digits_start || at - digits_start > 10 || at >= console.size() ||
            console[at] != '\n')
            broken("malformed trace line", mode);
        lines.push_back(line);
        console.remove_prefix(at + 1);
    }
    if (status != 0)
        broken("failed run without a failure message", mode);
    return lines;
}

// Walks the records behind the header; true when they frame the bytes exactly and the last one
// is the closing record.
bool well_framed(std::span<const std::uint8_t> bytes, std::size_t header) {
    std::size_t at = header;
    char last_type = 0;
    while (bytes.size() - at >= record_header_size) {
        const std::uint32_t length = le32(bytes.data() + at);
        last_type = static_cast<char>(bytes[at + 4]);
        at += record_header_size;
        if (bytes.size() - at < length)
            return false;
        at += length;
        if (last_type == 'V')
            break;
    }
    return at == bytes.size() && last_type == 'V';
}

// A closing record of empty body, to end a prefix of the input as a complete file.
Bytes with_closing_record(std::span<const std::uint8_t> prefix) {
    Bytes file(prefix.begin(), prefix.end());
    file.insert(file.end(), {0, 0, 0, 0, 'V'});
    return file;
}

Bytes without_closing_record(Bytes output) {
    output.resize(output.size() - record_header_size);
    return output;
}

bool starts_with(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

bool converts(ConversionMode mode, char type) {
    if (korvix::converts_routes_to_tracks(mode))
        return type == 'R';
    if (korvix::converts_tracks_to_routes(mode))
        return type == 'T';
    return false;
}

// The traced records are the input's records, one after the other: their offsets, and the
// offset behind the last.
std::vector<std::size_t> traced_records(std::span<const std::uint8_t> input, std::size_t header,
                                        const std::vector<TraceLine>& trace, std::size_t& at,
                                        ConversionMode mode) {
    std::vector<std::size_t> record_start;
    at = header;
    for (const TraceLine& line : trace) {
        if (input.size() - at < record_header_size ||
            line.type != static_cast<char>(input[at + 4]) || line.length != le32(input.data() + at))
            broken("trace line names no record of the input", mode);
        record_start.push_back(at);
        at += record_header_size + le32(input.data() + at);
        if (at > input.size() && &line != &trace.back())
            broken("record traced behind one running past the end of the input", mode);
    }
    return record_start;
}

// A failed run that wrote part of its last record, `last`: either that record was handled whole
// and the run failed behind it, or the output ends inside it, its header as read, then no more
// than its body.
void check_failed_tail(std::span<const std::uint8_t> input, ConversionMode mode, const Run& run,
                       std::size_t last, std::span<const std::uint8_t> tail) {
    const std::size_t end_of_last = last + record_header_size + le32(input.data() + last);
    if (end_of_last <= input.size()) {
        const Run through = convert(with_closing_record(input.first(end_of_last)), mode, input);
        if (through.status == 0 && Bytes(run.output) == without_closing_record(through.output))
            return;
    }
    const char type = static_cast<char>(input[last + 4]);
    if (converts(mode, type))
        broken("failed conversion wrote part of its records", mode);
    if (tail.size() < record_header_size ||
        std::memcmp(tail.data(), input.data() + last, record_header_size) != 0)
        broken("failed run's last record does not begin with the header read", mode);
    // A rewrite copies each field as it reads it and finds a record shorter than its fields
    // behind the field that crosses its end, so only there may the body run past its length.
    const bool rewritten = korvix::rewrites_routes(mode) && (type == 'W' || type == 'R');
    if (!rewritten && tail.size() - record_header_size > le32(input.data() + last))
        broken("failed run wrote more body than its last record declares", mode);
}

// A failed run: everything up to the record it failed in is what a completed run of those
// records writes.
void check_failed_run(std::span<const std::uint8_t> input, ConversionMode mode, const Run& run,
                      std::size_t header, const std::vector<std::size_t>& record_start) {
    if (record_start.empty()) {
        if (run.output != Bytes(input.begin(), input.begin() + header))
            broken("run failing at its first record wrote more than the header", mode);
        return;
    }
    const std::size_t last = record_start.back();
    const Run before = convert(with_closing_record(input.first(last)), mode, input);
    if (before.status != 0)
        broken("records handled before the failure fail on their own", mode);
    const Bytes done = without_closing_record(before.output);
    if (!starts_with(run.output, done))
        broken("failed run differs from a completed run before its last record", mode);
    const std::span<const std::uint8_t> tail = std::span(run.output).subspan(done.size());
    if (!tail.empty())
        check_failed_tail(input, mode, run, last, tail);
}

void check_run(std::span<const std::uint8_t> input, ConversionMode mode, const Run& run) {
    if (run.status != 0 && run.status != 1)
        broken("exit status neither 0 nor 1", mode);

    const std::optional<std::size_t> header = header_size(input);
    if (!header) {
        // A bad or cut header: nothing but the header bytes read so far is written.
        if (run.status != 1 || run.console != not_gdb)
            broken("input without a whole GDB header not refused as not GDB", mode);
        if (!starts_with(input, run.output))
            broken("output of a refused header is not the front of the input", mode);
        return;
    }
    if (run.console == not_gdb)
        broken("whole GDB header refused", mode);
    if (!starts_with(run.output, input.first(*header)))
        broken("output header differs from the input header", mode);

    const std::vector<TraceLine> trace = trace_lines(run.console, run.status, mode);
    std::size_t at = 0;
    const std::vector<std::size_t> record_start = traced_records(input, *header, trace, at, mode);
    if (run.status != 0) {
        check_failed_run(input, mode, run, *header, record_start);
        return;
    }
    if (trace.empty() || trace.back().type != 'V')
        broken("completed run that did not end at the closing record", mode);
    if (!well_framed(run.output, *header))
        broken("completed run wrote records that do not frame the output", mode);
    if (korvix::rewrites_routes(mode) && run.output.size() != at)
        broken("-R or -S changed the size of the file", mode);
}

// A GPX input (told by its first bytes): a run completes, or fails with a message about the file
// as its last line; the output of a completed run is GPX that korvix reads whole again.
void check_gpx_run(ConversionMode mode, const Run& run) {
    if (run.status != 0 && run.status != 1)
        broken("GPX run with an exit status neither 0 nor 1", mode);
    if (run.status == 1) {
        const std::size_t line = run.console.rfind('\n', run.console.size() - 2);
        const std::string_view last =
            std::string_view(run.console).substr(line == std::string::npos ? 0 : line + 1);
        if (!last.starts_with("Input file not valid GPX: line ") &&
            !last.starts_with("Not enough memory"))
            broken("failed GPX run without a message about the file", mode);
        return;
    }
    if (convert(run.output, ConversionMode::route_user_vias).status != 0)
        broken("completed GPX run wrote a file that korvix cannot read again", mode);
}

bool is_gpx(std::span<const std::uint8_t> input) {
    return korvix::format_of(input.first(std::min(input.size(), korvix::format_probe_bytes))) ==
           korvix::InputFormat::gpx;
}

} // namespace

// How the input is read and the output written in the streamed run, and the point limit of the
// second pair of runs (on small inputs): chosen by the input's last bytes, which the fuzzer changes
// as freely as the rest.
struct StreamShape {
    std::size_t input_block = 0;
    std::size_t output_block = 0;
    std::vector<std::size_t> pieces; // sizes of the reads in turn; none: whole blocks
    std::uint32_t max_points = 0;    // 0: no second pair of runs
    bool split = false;              // --split with the limit
    bool fit = false;                // a pair of runs with --fit under -V and -W
    std::uint32_t waypoints = 0;     // --waypoints with --fit, 0 to 999 (0: none)
};

StreamShape stream_shape(std::span<const std::uint8_t> input) {
    std::uint64_t seed = input.size();
    for (std::size_t i = 0; i < std::min<std::size_t>(input.size(), 8); ++i)
        seed = seed * 257 + input[input.size() - 1 - i];
    const auto take = [&](std::uint64_t range) {
        const std::uint64_t value = seed % range;
        seed = seed / range * 6364136223846793005U + 1442695040888963407U;
        return static_cast<std::size_t>(value);
    };
    StreamShape shape;
    shape.input_block = 64 + take(4033);
    shape.output_block = 64 + take(4033);
    const std::size_t reads = take(4); // 0 to 3 sizes of reads
    for (std::size_t i = 0; i < reads; ++i)
        shape.pieces.push_back(1 + take(shape.input_block));
    // A reduction of thousands of points costs a thousand runs of a small input: the limit is
    // tried on small inputs only, which still make tracks many blocks long.
    if (take(3) == 0 && input.size() <= 2048)
        shape.max_points = static_cast<std::uint32_t>(2 + take(40));
    shape.split = take(2) == 0;
    shape.fit = input.size() <= 4096 && take(2) == 0;
    shape.waypoints = static_cast<std::uint32_t>(take(1000));
    return shape;
}

// The input converted as korvix converts a file: read through a source in blocks that move.
Run convert_streamed(std::span<const std::uint8_t> input, const korvix::RunSettings& settings,
                     const StreamShape& shape) {
    static const auto memory = korvix::reserve_run_memory();
    korvix::MemoryBytes whole(input);
    Run run;
    korvix::Console console(run.console);
    korvix::RunFailure failure;
    korvix::MemorySource source(input);
    korvix::PieceReads reads(source, shape.pieces);
    Bytes input_block(shape.input_block), output_block(shape.output_block);
    korvix::InputStream in(failure, reads, input_block);
    korvix::OutputStream out(failure, run.output, output_block);
    run.status = korvix::convert(in, out, settings, console, *memory, &whole);
    out.flush();
    return run;
}

void check_streamed(std::span<const std::uint8_t> input, const korvix::RunSettings& settings,
                    const Run& in_memory, const StreamShape& shape) {
    const Run streamed = convert_streamed(input, settings, shape);
    if (streamed.status != in_memory.status)
        broken("streamed run ends with another exit status than the run in memory", settings.mode);
    if (streamed.console != in_memory.console)
        broken("streamed run says other things than the run in memory", settings.mode);
    // expat hands on the text before a token it refuses, or not, as its input piece ended there:
    // a failed GPX run's output, which is never kept, may end otherwise.
    const bool failed_gpx = in_memory.status != 0 && is_gpx(input);
    if (streamed.output != in_memory.output && !failed_gpx)
        broken("streamed run writes other bytes than the run in memory", settings.mode);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* mode = std::getenv("KORVIX_FUZZ_MODE");
    const std::string_view letters = mode != nullptr ? mode : "RSTUVW";
    for (const char letter : letters) {
        if (std::string_view("RSTUVW").find(letter) == std::string_view::npos) {
            std::fprintf(stderr, "KORVIX_FUZZ_MODE: not an option letter: %c\n", letter);
            std::exit(2);
        }
        modes_to_run.push_back(static_cast<ConversionMode>(letter));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const StreamShape shape = stream_shape(input);
    for (const ConversionMode mode : modes_to_run) {
        const Run run = convert(input, mode);
        if (is_gpx(input))
            check_gpx_run(mode, run);
        else
            check_run(input, mode, run);
        check_streamed(input, {mode, {}}, run, shape);
        if (shape.max_points != 0 && !korvix::rewrites_routes(mode)) {
            static const auto memory = korvix::reserve_run_memory();
            const korvix::RunSettings limited{
                mode,
                {.max_points = shape.max_points, .split = shape.split},
                false,
                shape.waypoints};
            check_streamed(input, limited, korvix::convert_memory(input, limited, *memory), shape);
        }
        if (shape.fit && korvix::converts_tracks_to_routes(mode)) {
            static const auto memory = korvix::reserve_run_memory();
            const korvix::RunSettings fitted{
                mode,
                {.max_points = shape.max_points, .split = shape.split && shape.max_points != 0},
                true,
                shape.waypoints};
            const Run fit_run = korvix::convert_memory(input, fitted, *memory);
            if (fit_run.status != 0 && fit_run.status != 1)
                broken("--fit run ends with an exit status neither 0 nor 1", mode);
            check_streamed(input, fitted, fit_run, shape);
        }
    }
    return 0;
}
