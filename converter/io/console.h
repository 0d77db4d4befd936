// Where korvix's trace lines and messages go: standard output (or another open file), or a text
// in memory for the tests and the fuzz target.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace korvix {

class Console {
public:
    explicit Console(std::FILE* file) : file_(file) {}
    explicit Console(std::string& text) : text_(&text) {}
    // A console that says nothing: for reading the input ahead, whose messages the run says as
    // it converts.
    Console() = default;

    // A message, with its line end.
    void say(const char* message);
    // A piece of a message.
    void say(std::string_view text) { write(text.data(), text.size()); }
    // A message given without its line end, written with it in one piece.
    void say_line(std::string_view text);
    // The trace line of a record read: its type letter and its body length, as "W 71". The length
    // is the unsigned count the record header holds: a body of 2^31 bytes or more is no negative
    // number.
    void trace(char type, std::uint32_t length);

private:
    void write(const char* text, std::size_t size);

    std::FILE* file_ = nullptr;
    std::string* text_ = nullptr;
};

} // namespace korvix
