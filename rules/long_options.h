// korvix's long options, each described once: its name, the value it takes and the range of that
// value, the option letters it goes with, its lines of --help, and what korvix says of a wrong
// value. korvix's command line reads its options by this table and prints its help from it; the
// dialog asks it which option buttons take the limits and --fit, and how to name a value's range.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvix::rules {

// The option letters that an option goes with.
enum class OptionLetters {
    any,
    making_routes_or_tracks, // -T, -U, -V and -W: the letters whose runs make routes or tracks
    making_routes,           // -V and -W: the letters whose runs make new waypoints
};

struct LongOption {
    std::string_view name;  // "--points"
    std::string_view value; // what stands for its value in the help ("N"); empty: it takes none
    // The range of a count, "2 to 10000"; 0 and 0 for a value that is no count.
    std::uint32_t least = 0;
    std::uint32_t most = 0;
    OptionLetters letters = OptionLetters::any;
    // Its lines in --help, joined by "\n", and what korvix says of a value that is missing or
    // wrong; "{range}" stands for the range of the count.
    std::string_view help;
    std::string_view complaint;
};

inline constexpr LongOption long_options[] = {
    {"--points", "N", 2, 10000, OptionLetters::making_routes_or_tracks,
     "Reduce every route or track made to at most N points ({range})",
     "--points takes a number of points from {range}"},
    {"--tolerance", "M", 0, 0, OptionLetters::making_routes_or_tracks,
     "Reduce every route or track made to the fewest points that keep\n"
     "every point within M metres of it",
     "--tolerance takes a distance in metres above 0"},
    {"--split", "", 0, 0, OptionLetters::making_routes_or_tracks,
     "With --points, cut every route or track made of more than N points into\n"
     "routes or tracks of at most N points, one beginning where the last ends",
     ""},
    {"--fit", "", 0, 0, OptionLetters::making_routes,
     "With -V or -W, make every track a route, all of them within the names left\n"
     "for new waypoints, each as close to its track as one shared distance allows",
     ""},
    {"--waypoints", "K", 1, 999, OptionLetters::making_routes,
     "With -V or -W, make at most K new waypoints ({range})",
     "--waypoints takes a number of waypoints from {range}"},
    {"--help", "", 0, 0, OptionLetters::any, "Show this text", ""},
    {"--version", "", 0, 0, OptionLetters::any, "Show the version of korvix", ""},
};

// The option of that name, or null.
const LongOption* long_option(std::string_view name);
// The option of that name, which the table has (a name it has not stops the build where the
// option is asked for in a constant expression).
constexpr const LongOption& long_option_named(std::string_view name) {
    for (const LongOption& option : long_options) {
        if (option.name == name)
            return option;
    }
    throw "no such long option";
}

// Whether an option letter ('T' or 't' for -T) goes with the options of `letters`. A letter that
// names no option runs the default -T.
bool letter_takes(char letter, OptionLetters letters);
// What korvix says behind the option's name when it is given with another letter:
// " works only with -T, -U, -V and -W".
std::string_view letters_text(OptionLetters letters);
// The range of a count as text: "2 to 10000".
std::string range_text(const LongOption& option);
// What korvix says of the option's value when it is missing or wrong, without a line end.
std::string complaint_text(const LongOption& option);

// The lines of --help that describe the long options, each "  --name=V = what it does", its
// further lines indented under the first.
std::string long_options_help();

// What korvix says of --split without --points.
inline constexpr std::string_view split_without_points_text = "--split works only with --points";

} // namespace korvix::rules
