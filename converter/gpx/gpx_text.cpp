#include "gpx_text.h"

#include <algorithm>

namespace korvix {

void TextTarget::append(std::string_view part) {
    std::size_t take = std::min(part.size(), capacity - size);
    // A character cut in two is left out whole: the bytes behind its first are 10xxxxxx.
    if (take < part.size()) {
        while (take > 0 && (static_cast<unsigned char>(part[take]) & 0xC0) == 0x80)
            --take;
    }
    std::copy_n(part.data(), take, text + size);
    size += take;
}

void write_escaped_text(OutputStream& out, std::string_view text) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* escape = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : nullptr;
        if (escape == nullptr)
            continue;
        write_text(out, text.substr(from, i - from));
        write_text(out, escape);
        from = i + 1;
    }
    write_text(out, text.substr(from));
}

void GpxLayout::new_line(OutputStream& out, int depth) const {
    write_text(out, line_end);
    write_text(out, indent);
    for (int i = 0; i < depth; ++i)
        write_text(out, step);
}

void GpxLayout::open_tag(OutputStream& out, std::string_view name) const {
    write_text(out, "<");
    if (!prefix.empty()) {
        write_text(out, prefix);
        write_text(out, ":");
    }
    write_text(out, name);
}

void GpxLayout::close_tag(OutputStream& out, std::string_view name) const {
    write_text(out, "</");
    if (!prefix.empty()) {
        write_text(out, prefix);
        write_text(out, ":");
    }
    write_text(out, name);
    write_text(out, ">");
}

void GpxLayout::text_element(OutputStream& out, std::string_view name,
                             std::string_view text) const {
    open_tag(out, name);
    write_text(out, ">");
    write_escaped_text(out, text);
    close_tag(out, name);
}

} // namespace korvix
