#include "console.h"

#include "trace_line.h"

#include <charconv>
#include <cstring>

namespace korvix {

void Console::write(const char* text, std::size_t size) {
    if (text_ != nullptr)
        text_->append(text, size);
    else if (file_ != nullptr)
        std::fwrite(text, 1, size, file_);
}

void Console::say(const char* message) {
    write(message, std::strlen(message));
}

void Console::say_line(std::string_view text) {
    char line[160];
    if (text.size() >= sizeof line) {
        write(text.data(), text.size());
        write("\n", 1);
        return;
    }
    std::memcpy(line, text.data(), text.size());
    line[text.size()] = '\n';
    write(line, text.size() + 1);
}

void Console::trace(char type, std::uint32_t length) {
    char line[rules::trace_line_room];
    write(line, rules::format_trace_line({type, length}, line));
}

} // namespace korvix
