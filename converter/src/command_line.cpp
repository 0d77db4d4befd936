#include "command_line.h"

namespace korvix {

const char usage_text[] = "Usage = korvix [-R|-S|-T|-U|-V|-W] infile[.gdb] outfile[.gdb]\n"
                          "  -R = Convert routes to route with user vias\n"
                          "  -S = Convert routes to route with hidden vias\n"
                          "  -T = Convert routes to track with all points (default)\n"
                          "  -U = Convert routes to track with via points only\n"
                          "  -V = Convert tracks to route with user vias\n"
                          "  -W = Convert tracks to route with hidden vias\n";

namespace {

// Only the letter behind the '-' counts; any letter that names no other option runs the default.
ConversionMode mode_of_option(std::string_view option) {
    const char letter = option.size() > 1 ? option[1] : '\0';
    switch (letter) {
    case 'R':
    case 'r':
        return ConversionMode::route_user_vias;
    case 'S':
    case 's':
        return ConversionMode::route_hidden_vias;
    case 'U':
    case 'u':
        return ConversionMode::track_via_points;
    case 'V':
    case 'v':
        return ConversionMode::route_from_track_user_vias;
    case 'W':
    case 'w':
        return ConversionMode::route_from_track_hidden_vias;
    default:
        return ConversionMode::track_all_points;
    }
}

} // namespace

std::string with_default_extension(std::string_view name) {
    std::string path(name);
    if (path.find('.') == std::string::npos)
        path += ".gdb";
    return path;
}

std::optional<CommandLine> parse_command_line(std::span<const std::string_view> arguments) {
    if (arguments.size() < 2)
        return std::nullopt;
    CommandLine line;
    std::size_t first_file = 0;
    if (arguments[0].starts_with('-')) {
        line.mode = mode_of_option(arguments[0]);
        first_file = 1;
    }
    if (arguments.size() != first_file + 2)
        return std::nullopt;
    line.input_path = with_default_extension(arguments[first_file]);
    line.output_path = with_default_extension(arguments[first_file + 1]);
    return line;
}

} // namespace korvix
