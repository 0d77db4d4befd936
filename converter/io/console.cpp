#include "console.h"

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

void Console::trace(char type, std::int32_t length) {
    char line[16] = {type, ' '};
    char* const end = std::to_chars(line + 2, line + sizeof line - 1, length).ptr;
    *end = '\n';
    write(line, static_cast<std::size_t>(end + 1 - line));
}

} // namespace korvix
