#include "input_format.h"

#include <string_view>

namespace korvix {

InputFormat format_of(std::span<const std::uint8_t> first) {
    std::string_view text(reinterpret_cast<const char*>(first.data()), first.size());
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return InputFormat::gdb;
    text.remove_prefix(start);
    return text.starts_with("<?xml") || text.starts_with("<gpx") ? InputFormat::gpx
                                                                 : InputFormat::gdb;
}

} // namespace korvix
