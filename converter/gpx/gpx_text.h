// What korvix writes into a GPX file of its own: text and attribute values escaped as XML wants
// them, names with the prefix of the namespace they belong to, and the line ends and indentation
// of the file it writes into.
#pragma once

#include "byte_stream.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace korvix {

// Text gathered from the reader's text events into a buffer of its own, as far as it fits, cut
// only between whole UTF-8 characters.
struct TextTarget {
    char* text = nullptr;
    std::size_t capacity = 0;
    std::size_t size = 0;

    void reset(char* buffer, std::size_t room) {
        text = buffer;
        capacity = room;
        size = 0;
    }
    void append(std::string_view part);
    std::string_view value() const { return {text, size}; }
};

// Writes text as the content of an element: &, < and > escaped.
void write_escaped_text(OutputStream& out, std::string_view text);

inline void write_text(OutputStream& out, std::string_view text) {
    out.write(reinterpret_cast<const std::uint8_t*>(text.data()), std::ssize(text));
}

// How generated elements are laid out: the file's line end ("\n" or "\r\n"), and the indentation
// of the element they replace.
struct GpxLayout {
    std::string_view line_end = "\n";
    std::string_view indent;      // of the element replaced
    std::string_view step = "  "; // one level deeper
    std::string_view prefix;      // of the GPX namespace where the element stood, or empty
    // Where that prefix was too long to keep, the declaration of the GPX namespace as the default
    // one, for the start tag of the element written in its place (" xmlns=\"...\""); else empty.
    std::string_view namespace_declaration;

    // A line end and the indentation of `depth` levels below the element replaced.
    void new_line(OutputStream& out, int depth) const;
    // "<prefix:name" and "</prefix:name>".
    void open_tag(OutputStream& out, std::string_view name) const;
    void close_tag(OutputStream& out, std::string_view name) const;
    // <name>text</name>, the text escaped.
    void text_element(OutputStream& out, std::string_view name, std::string_view text) const;
};

} // namespace korvix
