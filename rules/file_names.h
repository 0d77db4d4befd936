// The rule by which korvix completes a file name it is given, which runkorvix knows when it passes
// a name on: a name with no '.' anywhere in it, its folders included, gets the extension.
#pragma once

#include <string_view>

namespace korvix::rules {

inline constexpr std::string_view default_extension = ".gdb";

inline bool gets_default_extension(std::string_view name) {
    return name.find('.') == std::string_view::npos;
}

} // namespace korvix::rules
