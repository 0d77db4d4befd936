// The walk over a GPX file's elements that every conversion of a GPX file makes: each element
// known by where it stands (gpx_elements.h), and every byte of the file copied to the output as
// it stands, dropped where a conversion replaces an element, or held back or taken aside where a
// conversion must read on before it knows what to write. A conversion overrides what happens at
// the start and end of the elements it converts; what it does not override is copied.
#pragma once

#include "gpx_elements.h"
#include "gpx_memory.h"
#include "gpx_text.h"
#include "run_context.h"
#include "xml_reader.h"

#include <cstdint>
#include <string_view>

namespace korvix {

class GpxWalk : public XmlHandler {
public:
    GpxWalk(RunContext& run, GpxMemory& memory) : run_(run), memory_(memory) {}
    void attach(XmlReader& reader) { reader_ = &reader; }

    void start(const XmlName& name, XmlAttributes attributes) final;
    void end(const char* name) final;
    void text(std::string_view text) final;
    void raw(std::string_view bytes) final;

    // The file's root start tag as it stands, for reading the file ahead from further on.
    std::string_view root_tag() const { return {memory_.root_tag, root_tag_size_}; }
    std::optional<GpxVersion> version() const { return version_; }
    // Called once the whole file is read, without a failure.
    virtual void finish() {}

protected:
    // Where raw bytes go: to the output, nowhere, into the held bytes (held()), or taken aside
    // into a buffer of the conversion's (take_aside()).
    enum class Sink : std::uint8_t { copy, drop, hold, aside };

    virtual void element_start(GpxElement kind, const XmlName& name, XmlAttributes attributes);
    virtual void element_end(GpxElement kind, const char* name);

    // In element_start or element_end: the event's markup to wherever raw bytes go.
    void copy_markup() {
        if (sink_ != Sink::drop)
            reader_->copy_current();
    }
    void set_sink(Sink sink) { sink_ = sink; }
    // In element_start, for an element that the conversion leaves as it is: its start tag, its
    // content and its end tag are copied as they stand, with no events for the elements inside
    // (the walk follows them by their tags' bytes alone), and no element_end.
    void copy_whole_element();
    // In element_start or element_end: whether the element is a child of the root element.
    bool at_top() const { return depth_ == 2; }
    Sink sink() const { return sink_; }
    // The text of the element now started into `target` (nothing: no more text).
    void gather_text(TextTarget* target);
    // Bytes taken aside, at most `room`, from now on (set_sink(Sink::aside)).
    void take_aside(char* buffer, std::size_t room);
    std::string_view aside() const { return {aside_, aside_size_}; }
    bool aside_overflowed() const { return aside_size_ > aside_room_; }
    // The bytes held back, and their end.
    std::string_view held() const { return {memory_.held, held_size_}; }
    void clear_held() { held_size_ = 0; }
    bool held_full() const { return held_size_ == GpxMemory::held_capacity; }
    // The offset of the current event in the file, and of the byte behind it.
    std::int64_t event_offset() const { return reader_->offset(); }
    std::int64_t event_end() const { return reader_->offset() + reader_->count(); }
    // The layout of an element generated in the place of the element `name` starting now.
    GpxLayout layout_for(const XmlName& name);
    // Held bytes that cannot be held longer: the conversion decides now (held_full()).
    virtual void held_overflow() {}

    RunContext& run_;
    GpxMemory& memory_;
    XmlReader* reader_ = nullptr;
    std::optional<GpxVersion> version_;

private:
    void note_layout(std::string_view bytes);
    void follow_copied_element(std::string_view bytes);
    void end_element(GpxElement kind);
    void take_root(const XmlName& name);

    static constexpr int tracked_depth = 32;
    GpxElement kinds_[tracked_depth] = {GpxElement::document};
    int depth_ = 0;
    Sink sink_ = Sink::copy;
    TextTarget* text_ = nullptr;
    std::int64_t record_start_ = 0;
    std::size_t held_size_ = 0;
    char* aside_ = nullptr;
    std::size_t aside_room_ = 0;
    std::size_t aside_size_ = 0;
    std::size_t root_tag_size_ = 0;
    bool taking_root_ = false;
    // The line end of the file (the first it has), and the blanks since the last line end.
    std::string_view line_end_ = "\n";
    bool line_end_known_ = false;
    bool last_was_cr_ = false;
    char indent_[64] = {};
    std::size_t indent_size_ = 0;
    bool indent_blank_ = true;
    char layout_indent_[64] = {};
    char layout_prefix_[256] = {};
    bool root_too_long_ = false;
    bool copy_next_whole_ = false; // the start tag now copied begins an element copied whole
    int copied_depth_ = 0;         // elements open in the element copied whole
    bool in_cdata_ = false;        // in a CDATA section in it
};

} // namespace korvix
