#include "PathDisplay.h"

#include <filesystem>

namespace runkorvix {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6"; // U+2026 in UTF-8

// Windows takes either separator; elsewhere a backslash is part of a name.
constexpr std::string_view kSeparators =
    std::filesystem::path::preferred_separator == '/' ? "/" : "\\/";

// `length`, moved back to the start of a UTF-8 sequence, so that no character is cut in two.
std::size_t CharacterStart(const std::string& text, std::size_t length) {
    while (length > 0 && length < text.size() &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return length;
}

// A file name too long for the field even without its folder: the ellipsis for the folder, then
// the name cut in its middle, so that both its start and its end, which tell files of one series
// apart ("ride-2026-part-1.gdb", "...-part-2.gdb"), stay in sight.
std::string CompactName(const std::string& path, std::size_t nameStart,
                        const std::function<bool(std::string_view)>& fits) {
    const std::string name = path.substr(nameStart + 1);
    const auto cut = [&](std::size_t kept) {
        const std::size_t head = CharacterStart(name, kept / 2);
        std::size_t tail = name.size() - (kept - kept / 2);
        while (tail < name.size() && (static_cast<unsigned char>(name[tail]) & 0xC0) == 0x80) {
            ++tail;
        }
        return std::string(kEllipsis) + path[nameStart] + name.substr(0, head) +
               std::string(kEllipsis) + name.substr(tail);
    };
    std::size_t fitting = 0;
    std::size_t tooLong = name.size();
    while (tooLong - fitting > 1) {
        const std::size_t middle = fitting + (tooLong - fitting) / 2;
        (fits(cut(middle)) ? fitting : tooLong) = middle;
    }
    return cut(fitting);
}

} // namespace

std::string CompactPath(const std::string& path,
                        const std::function<bool(std::string_view)>& fits) {
    const std::size_t nameStart = path.find_last_of(kSeparators);
    if (fits(path) || nameStart == std::string::npos || nameStart == 0) {
        return path;
    }
    const std::string name = std::string(kEllipsis) + path.substr(nameStart);
    const auto shortened = [&](std::size_t kept) {
        return path.substr(0, CharacterStart(path, kept)) + name;
    };
    if (!fits(shortened(0))) {
        return CompactName(path, nameStart, fits);
    }
    // The longest start of the folder part that fits with the ellipsis and the name.
    std::size_t fitting = 0;
    std::size_t tooLong = nameStart;
    while (tooLong - fitting > 1) {
        const std::size_t middle = fitting + (tooLong - fitting) / 2;
        (fits(shortened(middle)) ? fitting : tooLong) = middle;
    }
    return shortened(fitting);
}

std::string ShownPath(const std::string& path, int room,
                      const std::function<int(std::string_view)>& width) {
    constexpr int kCaret = 1;
    return CompactPath(path, [&](std::string_view text) { return width(text) + kCaret <= room; });
}

} // namespace runkorvix
