// A GPX file read as a stream of XML events by expat, the bytes of every event at hand, so that
// what a conversion does not change is written as the very bytes it was read as.
//
// expat reports the elements and, while a conversion asks for it, the text; every other byte of
// the file (the declaration, comments, white space, CDATA markers, processing instructions, the
// text no one asked for) goes to raw() as it stands in the file. A start or end tag, or a piece
// of text, is handed to raw() too when the conversion calls copy_current() in its handler. Names
// come with their namespace, so that an element is known by its namespace whatever prefix the
// file binds it to.
//
// A file with a document type declaration is refused: no DTD is read, so no entity but the five
// of XML is defined, and a file cannot make the reader expand one (billion laughs) or read
// another file (an external entity). The file is read as UTF-8 (US-ASCII included), the one
// encoding whose bytes korvix can copy as they are; a file that declares another is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvix {

// An element's name: its namespace (empty for none), its local name and the prefix that the file
// wrote it with (empty for none).
struct XmlName {
    std::string_view uri;
    std::string_view local;
    std::string_view prefix;
};

// The parts of a name as expat gives it with its namespace.
XmlName xml_name(const char* name);

// The attributes of a start tag, as expat gives them: name, value, name, value, ..., null.
struct XmlAttributes {
    const char** pairs;
    // The value of the attribute of this local name without a namespace, or nothing.
    const char* value(const char* local) const;
};

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void start(const XmlName& name, XmlAttributes attributes) = 0;
    // The element's name as expat gives it: xml_name() splits it, where it is needed.
    virtual void end(const char* name) = 0;
    // Text of an element, decoded, while the reader is asked for it (want_text).
    virtual void text(std::string_view text) = 0;
    // Bytes of the file as they stand: every event not given to a handler above, and the markup
    // of one that was, when copy_current() is called in it.
    virtual void raw(std::string_view bytes) = 0;
};

// Why a file was refused, and where: the line and column of the event.
struct XmlError {
    bool failed = false;
    bool cut_short = false; // the file ends before its root element closes
    bool out_of_memory = false;
    unsigned long line = 0;
    unsigned long column = 0;
    std::string words; // expat's own, or the reason korvix refuses the file
};

class XmlReader {
public:
    explicit XmlReader(XmlHandler& handler);
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // Whether the parser could be made (memory).
    bool ready() const { return parser_ != nullptr; }

    // Parses the next bytes of the file; `last` once at its end (bytes may then be empty).
    // False once the file is refused (error() tells why) or the reader was stopped.
    bool feed(const std::uint8_t* bytes, std::size_t count, bool last);

    // In a handler: the markup or text of the current event, to raw().
    void copy_current();
    // Whether text() is called for text, instead of raw() getting its bytes.
    void want_text(bool wanted);
    // Whether start() and end() are called for elements, instead of raw() getting their tags.
    void want_elements(bool wanted);
    // In a handler: the offset of the current event's first byte in the file, and its bytes.
    std::int64_t offset() const;
    std::int64_t count() const;
    // In a handler: ends the parse, refusing the file for `why` at the current event.
    void refuse(std::string_view why);
    // In a handler: ends the parse without a failure (the part of the file wanted was read).
    void stop();
    bool stopped() const { return stopped_; }

    const XmlError& error() const { return error_; }

    // The bytes of expat's memory in use by all readers: a file whose one piece of markup needs
    // more than `most_memory` is refused.
    static constexpr std::size_t most_memory = std::size_t{4} << 20;

private:
    friend struct XmlEvents;
    void note_error(bool last);
    void note_head(const std::uint8_t* bytes, std::size_t count, bool last);
    void close_element();
    void enter_epilog();
    void count_epilog(std::string_view bytes);

    void* parser_ = nullptr;
    XmlHandler& handler_;
    XmlError error_;
    bool stopped_ = false;
    bool text_wanted_ = false;
    bool elements_wanted_ = true;
    // The first bytes of the file: a UTF-8 byte order mark among them, which expat takes without
    // an event, goes to raw() before anything else.
    std::uint8_t head_[3] = {};
    std::size_t head_count_ = 0;
    // Elements open: the root's end begins the epilog, where only comments, processing
    // instructions and white space may stand. There expat's own refusal depends on where its
    // input pieces end (a name cut by a piece's end is "junk", the same name whole may be an
    // "invalid token" further on; a CR ending a piece and the LF beginning the next are two
    // lines), so the reader counts the epilog's lines itself and refuses anything else in it at
    // the first byte that is not a comment, instruction or white space.
    std::int64_t depth_ = 0;
    bool in_epilog_ = false;
    bool epilog_cr_ = false; // the last byte counted was a CR: an LF behind it ends no line
    unsigned long epilog_line_ = 0;
    unsigned long epilog_column_ = 0; // characters before the next byte, on its line
};

// "Input file not valid GPX: line 812, column 14: mismatched tag", with its line end.
std::string refusal_message(const XmlError& error);

} // namespace korvix
