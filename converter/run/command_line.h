// korvix [-R|-S|-T|-U|-V|-W] infile[.gdb] outfile[.gdb], and the long options --points,
// --tolerance, --split, --fit, --waypoints, --help and --version wherever they stand.
#pragma once

#include "run_settings.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvix {

extern const char usage_text[];
extern const std::string long_options_text; // the lines of --help behind the usage text
// "korvix" and the version of the release.
extern const char version_text[];

struct CommandLine {
    enum class Action {
        convert,
        usage,   // the usage text, behind the one line of `complaint`
        help,    // the usage text and the long options
        version, // the version
    };
    Action action = Action::convert;
    std::string complaint; // what is wrong with a refused command line, with its line end
    ConversionMode mode = ConversionMode::track_all_points;
    SimplifyLimits limits;
    bool fit = false;
    std::uint32_t waypoint_limit = 0;
    std::string input_path;
    std::string output_path;
    std::string output_name; // as given, without the default extension

    RunSettings settings() const { return {mode, limits, fit, waypoint_limit}; }
};

// Parses the arguments behind the program name. Nothing when they do not form a command line and
// there is nothing more to say than the usage text.
std::optional<CommandLine> parse_command_line(std::span<const std::string_view> arguments);

// A file name with no '.' anywhere in it gets the default extension ".gdb".
std::string with_default_extension(std::string_view name);

// The output's file name as korvix opens it: with the default extension, unless it ends in a
// folder separator ('/', on Windows also '\\'): such a name names a folder, which korvix refuses
// as its output, and ".gdb" behind it would name a hidden file in that folder instead.
std::string output_file_name(std::string_view name);

// The output's file name for an input of a format, as output_file_name gives it, but with the
// extension of a GPX input's format, ".gpx", where a GDB input's gets ".gdb".
std::string output_path_for(std::string_view name, bool gpx_input);

} // namespace korvix
