// The rules by which korvix completes and checks a file name it is given, which runkorvix knows
// when it passes a name on: a name with no '.' anywhere in it, its folders included, gets the
// extension of the input's format; a GPX file is never written under a GDB file's name.
#pragma once

#include <string_view>

namespace korvix::rules {

inline constexpr std::string_view default_extension = ".gdb";
inline constexpr std::string_view gpx_extension = ".gpx";

inline bool gets_default_extension(std::string_view name) {
    return name.find('.') == std::string_view::npos;
}

// Whether a name ends in ".gdb", in any case: the name of a GDB file.
inline bool names_gdb_file(std::string_view name) {
    if (name.size() < 4)
        return false;
    const std::string_view end = name.substr(name.size() - 4);
    return end[0] == '.' && (end[1] | 0x20) == 'g' && (end[2] | 0x20) == 'd' &&
           (end[3] | 0x20) == 'b';
}

// Said when a GPX file is to be written under a GDB file's name.
inline constexpr char gpx_needs_gpx_name_text[] =
    "korvix writes a GPX file from a GPX file: name the output .gpx\n";

} // namespace korvix::rules
