#include "command_line.h"

#include "file_names.h"
#include "option_values.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace korvix {

const char usage_text[] = "Usage = korvix [-R|-S|-T|-U|-V|-W] infile[.gdb] outfile[.gdb]\n"
                          "  -R = Convert routes to route with user vias\n"
                          "  -S = Convert routes to route with hidden vias\n"
                          "  -T = Convert routes to track with all points (default)\n"
                          "  -U = Convert routes to track with via points only\n"
                          "  -V = Convert tracks to route with user vias\n"
                          "  -W = Convert tracks to route with hidden vias\n";

const std::string long_options_text = rules::long_options_help();

const char version_text[] = "korvix " KORVIX_VERSION "\n";

namespace {

constexpr std::string_view points_option = "--points";
constexpr std::string_view tolerance_option = "--tolerance";
constexpr std::string_view split_option = "--split";
constexpr std::string_view fit_option = "--fit";
constexpr std::string_view waypoints_option = "--waypoints";

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

// The long options that take a value, behind their '=' or as the next word.
enum class ValuedOption { none, points, tolerance, waypoints };

ValuedOption valued_option(std::string_view word) {
    const auto is = [&](std::string_view name) {
        return word == name ||
               (word.starts_with(name) && word.size() > name.size() && word[name.size()] == '=');
    };
    if (is(points_option))
        return ValuedOption::points;
    if (is(tolerance_option))
        return ValuedOption::tolerance;
    if (is(waypoints_option))
        return ValuedOption::waypoints;
    return ValuedOption::none;
}

// Reads the value of a valued option into the command line; false, with the option's complaint,
// when it is missing or wrong.
bool take_value(ValuedOption option, std::optional<std::string_view> value, CommandLine& line) {
    bool valid = false;
    std::string_view complaint;
    switch (option) {
    case ValuedOption::points: {
        const std::optional<std::uint32_t> count =
            value ? rules::parse_points(*value) : std::nullopt;
        valid = count.has_value();
        line.limits.max_points = count.value_or(line.limits.max_points);
        complaint = points_option;
        break;
    }
    case ValuedOption::tolerance: {
        const std::optional<double> metres = value ? rules::parse_metres(*value) : std::nullopt;
        valid = metres.has_value();
        line.limits.tolerance_metres = metres.value_or(line.limits.tolerance_metres);
        complaint = tolerance_option;
        break;
    }
    case ValuedOption::waypoints:
    case ValuedOption::none: {
        const std::optional<std::uint32_t> count =
            value ? rules::parse_waypoints(*value) : std::nullopt;
        valid = count.has_value();
        line.waypoint_limit = count.value_or(line.waypoint_limit);
        complaint = waypoints_option;
        break;
    }
    }
    if (!valid)
        line.complaint = rules::complaint_text(rules::long_option_named(complaint)) + '\n';
    return valid;
}

// Takes a long option without a value; false for a word that is none.
bool take_flag(std::string_view word, CommandLine& line) {
    if (word == split_option)
        line.limits.split = true;
    else if (word == fit_option)
        line.fit = true;
    else if (word == "--help" || word == "--version") {
        if (line.action == CommandLine::Action::convert)
            line.action =
                word == "--help" ? CommandLine::Action::help : CommandLine::Action::version;
    } else
        return false;
    return true;
}

// Whether the command line gives the long option of that name.
bool given(const CommandLine& line, std::string_view name) {
    if (name == points_option)
        return line.limits.max_points != 0;
    if (name == tolerance_option)
        return line.limits.tolerance_metres > 0;
    if (name == split_option)
        return line.limits.split;
    if (name == fit_option)
        return line.fit;
    return name == waypoints_option && line.waypoint_limit != 0;
}

// The first long option given, in the order of the table, that does not go with the option
// letter: "--points works only with -T, -U, -V and -W"; empty when every one does.
std::string letters_complaint(const CommandLine& line) {
    const char letter = static_cast<char>(line.mode);
    for (const rules::LongOption& option : rules::long_options) {
        if (given(line, option.name) && !rules::letter_takes(letter, option.letters))
            return std::string(option.name) + std::string(rules::letters_text(option.letters)) +
                   '\n';
    }
    return {};
}

// Takes the long options out of the arguments, wherever they stand; what is left is read as the
// command line always was. Returns false, with the complaint, for a long option that is wrong.
bool take_long_options(std::span<const std::string_view> arguments, CommandLine& line,
                       std::vector<std::string_view>& rest) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view word = arguments[i];
        if (take_flag(word, line))
            continue;
        const ValuedOption option = valued_option(word);
        if (option != ValuedOption::none) {
            std::optional<std::string_view> value;
            if (const std::size_t equals = word.find('='); equals != std::string_view::npos)
                value = word.substr(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            if (!take_value(option, value, line))
                return false;
            continue;
        }
        // A word of two dashes is always a long option, wherever it stands: a misspelt one must
        // not pass for an option letter or a file name.
        if (word.starts_with("--")) {
            line.complaint = "Unknown option " + std::string(word) + "\n";
            return false;
        }
        rest.push_back(word);
    }
    return true;
}

} // namespace

std::string with_default_extension(std::string_view name) {
    std::string path(name);
    if (rules::gets_default_extension(path))
        path += rules::default_extension;
    return path;
}

std::string output_file_name(std::string_view name) {
    const char preferred = static_cast<char>(std::filesystem::path::preferred_separator);
    if (!name.empty() && (name.back() == '/' || name.back() == preferred))
        return std::string(name);
    return with_default_extension(name);
}

std::string output_path_for(std::string_view name, bool gpx_input) {
    std::string path = output_file_name(name);
    // The default extension of a GPX input's output is its own.
    if (gpx_input && name.find('.') == std::string_view::npos && path != name)
        path.replace(path.size() - rules::default_extension.size(), rules::default_extension.size(),
                     rules::gpx_extension);
    return path;
}

std::optional<CommandLine> parse_command_line(std::span<const std::string_view> arguments) {
    CommandLine line;
    std::vector<std::string_view> rest;
    const auto refused = [&](std::string complaint) -> std::optional<CommandLine> {
        if (complaint.empty())
            return std::nullopt;
        line.action = CommandLine::Action::usage;
        line.complaint = std::move(complaint);
        return line;
    };

    if (!take_long_options(arguments, line, rest))
        return refused(line.complaint);
    if (line.action != CommandLine::Action::convert)
        return line;
    if (rest.size() < 2)
        return refused("");
    std::size_t first_file = 0;
    if (rest[0].starts_with('-')) {
        line.mode = mode_of_option(rest[0]);
        first_file = 1;
    }
    if (rest.size() != first_file + 2)
        return refused("");
    if (line.limits.split && line.limits.max_points == 0)
        return refused(std::string(rules::split_without_points_text) + '\n');
    if (std::string complaint = letters_complaint(line); !complaint.empty())
        return refused(std::move(complaint));
    line.input_path = with_default_extension(rest[first_file]);
    line.output_path = output_file_name(rest[first_file + 1]);
    line.output_name = rest[first_file + 1];
    return line;
}

} // namespace korvix
