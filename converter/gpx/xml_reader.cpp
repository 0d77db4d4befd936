#include "xml_reader.h"

#include <expat.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace korvix {

namespace {

// The separator of a name's namespace, local name and prefix: a character that no namespace
// name can hold, as XML allows no such character even as a reference.
constexpr char name_separator = '\x1F';

// expat's memory, counted for every reader: each block carries its size before it.
std::atomic<std::size_t> memory_in_use{0};
constexpr std::size_t block_head = 16;

void* counted_malloc(std::size_t size) {
    if (memory_in_use.load() + size > XmlReader::most_memory)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + block_head));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    memory_in_use += size;
    return block + block_head;
}

void counted_free(void* pointer) {
    if (pointer == nullptr)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - block_head;
    std::size_t size;
    std::memcpy(&size, block, sizeof size);
    memory_in_use -= size;
    std::free(block);
}

void* counted_realloc(void* pointer, std::size_t size) {
    if (pointer == nullptr)
        return counted_malloc(size);
    auto* block = static_cast<unsigned char*>(pointer) - block_head;
    std::size_t old_size;
    std::memcpy(&old_size, block, sizeof old_size);
    if (size > old_size && memory_in_use.load() + (size - old_size) > XmlReader::most_memory)
        return nullptr;
    auto* moved = static_cast<unsigned char*>(std::realloc(block, size + block_head));
    if (moved == nullptr)
        return nullptr;
    std::memcpy(moved, &size, sizeof size);
    memory_in_use += size;
    memory_in_use -= old_size;
    return moved + block_head;
}

const XML_Memory_Handling_Suite counted_memory{counted_malloc, counted_realloc, counted_free};

} // namespace

// The name's separators and its end, each found by the C library's search, many bytes at a time.
XmlName xml_name(const char* text) {
    const char* const first = std::strchr(text, name_separator);
    if (first == nullptr)
        return {{}, text, {}};
    const std::string_view uri(text, static_cast<std::size_t>(first - text));
    const char* const second = std::strchr(first + 1, name_separator);
    if (second == nullptr)
        return {uri, first + 1, {}};
    return {uri, {first + 1, static_cast<std::size_t>(second - first - 1)}, second + 1};
}

// expat's callbacks, each to the reader's handler.
struct XmlEvents {
    static XmlReader& reader(void* data) { return *static_cast<XmlReader*>(data); }
    static void start(void* data, const XML_Char* name, const XML_Char** attributes) {
        XmlReader& self = reader(data);
        ++self.depth_;
        self.handler_.start(xml_name(name), XmlAttributes{attributes});
    }
    static void end(void* data, const XML_Char* name) {
        XmlReader& self = reader(data);
        self.handler_.end(name);
        self.close_element();
    }
    static void text(void* data, const XML_Char* text, int size) {
        reader(data).handler_.text({text, static_cast<std::size_t>(size)});
    }
    static void raw(void* data, const XML_Char* bytes, int size) {
        XmlReader& self = reader(data);
        const std::string_view piece(bytes, static_cast<std::size_t>(size));
        if (self.in_epilog_) [[unlikely]]
            self.count_epilog(piece);
        self.handler_.raw(piece);
    }
    static void doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        reader(data).refuse("a document type declaration (DOCTYPE), which korvix does not read");
    }
    // The declaration is copied as it stands; an encoding other than UTF-8 is refused.
    static void declaration(void* data, const XML_Char*, const XML_Char* encoding, int) {
        XmlReader& self = reader(data);
        if (encoding != nullptr && !equal_letters(encoding, "UTF-8") &&
            !equal_letters(encoding, "US-ASCII") && !equal_letters(encoding, "UTF8")) {
            self.refuse("encoding " + std::string(encoding) + ", where korvix reads UTF-8");
            return;
        }
        self.copy_current();
    }
    static bool equal_letters(std::string_view a, std::string_view b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; };
            if (upper(a[i]) != upper(b[i]))
                return false;
        }
        return true;
    }
};

XmlReader::XmlReader(XmlHandler& handler) : handler_(handler) {
    const char separator[] = {name_separator, '\0'};
    XML_Parser parser = XML_ParserCreate_MM("UTF-8", &counted_memory, separator);
    if (parser == nullptr)
        return;
    parser_ = parser;
    XML_SetReturnNSTriplet(parser, 1);
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, XmlEvents::start, XmlEvents::end);
    XML_SetDefaultHandler(parser, XmlEvents::raw);
    XML_SetStartDoctypeDeclHandler(parser, XmlEvents::doctype);
    XML_SetXmlDeclHandler(parser, XmlEvents::declaration);
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

XmlReader::~XmlReader() {
    if (parser_ != nullptr)
        XML_ParserFree(static_cast<XML_Parser>(parser_));
}

bool XmlReader::feed(const std::uint8_t* bytes, std::size_t count, bool last) {
    if (error_.failed || stopped_)
        return false;
    note_head(bytes, count, last);
    auto parser = static_cast<XML_Parser>(parser_);
    const auto status = XML_Parse(parser, reinterpret_cast<const char*>(bytes),
                                  static_cast<int>(count), last ? 1 : 0);
    if (status == XML_STATUS_ERROR && !stopped_ && !error_.failed)
        note_error(last);
    return !error_.failed && !stopped_;
}

void XmlReader::note_head(const std::uint8_t* bytes, std::size_t count, bool last) {
    if (head_count_ >= sizeof head_)
        return;
    while (count > 0 && head_count_ < sizeof head_) {
        head_[head_count_++] = *bytes++;
        --count;
    }
    if (head_count_ == sizeof head_ && head_[0] == 0xEF && head_[1] == 0xBB && head_[2] == 0xBF)
        handler_.raw({reinterpret_cast<const char*>(head_), sizeof head_});
    else if (last)
        head_count_ = sizeof head_;
}

// The root element closed: the epilog's lines are counted from the end of its end tag on.
void XmlReader::close_element() {
    if (--depth_ == 0)
        enter_epilog();
}

void XmlReader::enter_epilog() {
    auto parser = static_cast<XML_Parser>(parser_);
    in_epilog_ = true;
    epilog_line_ = XML_GetCurrentLineNumber(parser);
    epilog_column_ = XML_GetCurrentColumnNumber(parser);
    int offset = 0;
    int size = 0;
    const char* context = XML_GetInputContext(parser, &offset, &size);
    const int count = XML_GetCurrentByteCount(parser);
    if (context != nullptr && offset >= 0 && count >= 0 && offset + count <= size)
        count_epilog({context + offset, static_cast<std::size_t>(count)});
    else
        epilog_column_ += static_cast<unsigned long>(count > 0 ? count : 0);
}

// Lines end at a CR, an LF or a CR LF pair, as XML reads them; columns count characters (the
// bytes that begin one in UTF-8).
void XmlReader::count_epilog(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\r' || (c == '\n' && !epilog_cr_)) {
            ++epilog_line_;
            epilog_column_ = 0;
        } else if (c != '\n' && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++epilog_column_;
        }
        epilog_cr_ = c == '\r';
    }
}

void XmlReader::note_error(bool last) {
    auto parser = static_cast<XML_Parser>(parser_);
    const XML_Error code = XML_GetErrorCode(parser);
    error_.failed = true;
    error_.line = XML_GetCurrentLineNumber(parser);
    error_.column = XML_GetCurrentColumnNumber(parser) + 1;
    error_.out_of_memory = code == XML_ERROR_NO_MEMORY;
    if (in_epilog_ && !error_.out_of_memory) {
        error_.line = epilog_line_;
        error_.column = epilog_column_ + 1;
        error_.words = "junk after the end of the gpx element";
        return;
    }
    error_.cut_short =
        last && (code == XML_ERROR_NO_ELEMENTS || code == XML_ERROR_UNCLOSED_TOKEN ||
                 code == XML_ERROR_PARTIAL_CHAR || code == XML_ERROR_UNCLOSED_CDATA_SECTION);
    if (error_.out_of_memory)
        error_.words = "a piece of markup longer than korvix reads at once";
    else if (error_.cut_short)
        error_.words = "the file ends before its gpx element does";
    else
        error_.words = XML_ErrorString(code);
}

void XmlReader::copy_current() {
    XML_DefaultCurrent(static_cast<XML_Parser>(parser_));
}

void XmlReader::want_text(bool wanted) {
    if (wanted == text_wanted_)
        return;
    text_wanted_ = wanted;
    XML_SetCharacterDataHandler(static_cast<XML_Parser>(parser_),
                                wanted ? XmlEvents::text : nullptr);
}

// Elements are given up in the start handler of one whose content and end tag go to raw() whole,
// and wanted again at that end tag.
void XmlReader::want_elements(bool wanted) {
    if (wanted == elements_wanted_)
        return;
    elements_wanted_ = wanted;
    if (wanted)
        close_element();
    XML_SetElementHandler(static_cast<XML_Parser>(parser_), wanted ? XmlEvents::start : nullptr,
                          wanted ? XmlEvents::end : nullptr);
}

std::int64_t XmlReader::offset() const {
    return XML_GetCurrentByteIndex(static_cast<XML_Parser>(parser_));
}

std::int64_t XmlReader::count() const {
    return XML_GetCurrentByteCount(static_cast<XML_Parser>(parser_));
}

void XmlReader::refuse(std::string_view why) {
    if (error_.failed || stopped_)
        return;
    auto parser = static_cast<XML_Parser>(parser_);
    error_.failed = true;
    error_.line = XML_GetCurrentLineNumber(parser);
    error_.column = XML_GetCurrentColumnNumber(parser) + 1;
    error_.words = why;
    XML_StopParser(parser, XML_FALSE);
}

void XmlReader::stop() {
    if (error_.failed || stopped_)
        return;
    stopped_ = true;
    XML_StopParser(static_cast<XML_Parser>(parser_), XML_FALSE);
}

const char* XmlAttributes::value(const char* local) const {
    for (const char** pair = pairs; pair != nullptr && *pair != nullptr; pair += 2) {
        if (std::strcmp(local, pair[0]) == 0)
            return pair[1];
    }
    return nullptr;
}

std::string refusal_message(const XmlError& error) {
    std::string message =
        error.out_of_memory ? "Not enough memory: " : "Input file not valid GPX: ";
    message += "line " + std::to_string(error.line) + ", column " + std::to_string(error.column) +
               ": " + error.words + "\n";
    return message;
}

} // namespace korvix
