// korvix [-R|-S|-T|-U|-V|-W] infile[.gdb] outfile[.gdb]
#pragma once

#include "conversion_mode.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvix {

extern const char usage_text[];

struct CommandLine {
    ConversionMode mode = ConversionMode::track_all_points;
    std::string input_path;
    std::string output_path;
};

// Parses the arguments behind the program name; nothing when they do not form a command line
// (the usage text is then due).
std::optional<CommandLine> parse_command_line(std::span<const std::string_view> arguments);

// A file name with no '.' anywhere in it gets the default extension ".gdb".
std::string with_default_extension(std::string_view name);

} // namespace korvix
