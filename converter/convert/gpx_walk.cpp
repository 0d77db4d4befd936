#include "gpx_walk.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace korvix {

namespace {

// The trace letter of an element that the trace tells of: a waypoint, route or track.
char trace_letter(GpxElement kind) {
    switch (kind) {
    case GpxElement::wpt:
        return 'W';
    case GpxElement::rte:
        return 'R';
    case GpxElement::trk:
        return 'T';
    default:
        return '\0';
    }
}

} // namespace

void GpxWalk::start(const XmlName& name, XmlAttributes attributes) {
    const GpxElement parent = depth_ < tracked_depth ? kinds_[depth_] : GpxElement::other;
    GpxElement kind = GpxElement::other;
    if (parent == GpxElement::document) {
        take_root(name);
        if (!version_)
            return;
        kind = GpxElement::gpx;
    } else if (version_) {
        kind = gpx_element(parent, name, *version_);
    }
    ++depth_;
    if (depth_ < tracked_depth)
        kinds_[depth_] = kind;
    if (trace_letter(kind) != '\0')
        record_start_ = event_offset();
    if (kind == GpxElement::gpx)
        return;
    element_start(kind, name, attributes);
}

void GpxWalk::end(const char* name) {
    const GpxElement kind = depth_ < tracked_depth ? kinds_[depth_] : GpxElement::other;
    end_element(kind);
    element_end(kind, name);
    --depth_;
}

// The trace line of a waypoint, route or track that ends here.
void GpxWalk::end_element(GpxElement kind) {
    if (const char letter = trace_letter(kind); letter != '\0') {
        const std::int64_t length = event_end() - record_start_;
        run_.console.trace(letter, static_cast<std::uint32_t>(std::min<std::int64_t>(
                                       length, std::numeric_limits<std::uint32_t>::max())));
    }
}

void GpxWalk::copy_whole_element() {
    copy_next_whole_ = true;
    copy_markup();
    copy_next_whole_ = false;
}

// The bytes of an element copied whole, token by token: its elements open and close by their
// tags (a start tag that closes at once, "<a/>", opens none), which CDATA sections may hold as
// text, until its own end tag: the walk then goes on with events.
void GpxWalk::follow_copied_element(std::string_view bytes) {
    if (copy_next_whole_) {
        if (!bytes.ends_with("/>")) {
            copied_depth_ = 1;
            reader_->want_elements(false);
        }
        return;
    }
    if (in_cdata_) {
        in_cdata_ = bytes != "]]>";
        return;
    }
    if (bytes.size() < 2 || bytes[0] != '<' || bytes[1] == '?')
        return;
    if (bytes[1] == '!') {
        in_cdata_ = bytes.starts_with("<![CDATA[");
    } else if (bytes[1] != '/') {
        copied_depth_ += bytes.ends_with("/>") ? 0 : 1;
    } else if (--copied_depth_ == 0) {
        reader_->want_elements(true);
        end_element(depth_ < tracked_depth ? kinds_[depth_] : GpxElement::other);
        --depth_;
    }
}

void GpxWalk::take_root(const XmlName& name) {
    version_ = gpx_version_of_root(name);
    if (!version_) {
        reader_->refuse(not_gpx_root_text);
        return;
    }
    taking_root_ = true;
    reader_->copy_current();
    taking_root_ = false;
}

void GpxWalk::element_start(GpxElement, const XmlName&, XmlAttributes) {
    copy_markup();
}

void GpxWalk::element_end(GpxElement, const char*) {
    copy_markup();
}

void GpxWalk::text(std::string_view text) {
    if (text_ != nullptr)
        text_->append(text);
    if (sink_ != Sink::drop)
        reader_->copy_current();
}

void GpxWalk::gather_text(TextTarget* target) {
    text_ = target;
    reader_->want_text(target != nullptr);
}

void GpxWalk::take_aside(char* buffer, std::size_t room) {
    aside_ = buffer;
    aside_room_ = room;
    aside_size_ = 0;
}

void GpxWalk::raw(std::string_view bytes) {
    if (taking_root_) {
        if (root_tag_size_ + bytes.size() <= GpxMemory::root_capacity && !root_too_long_) {
            std::memcpy(memory_.root_tag + root_tag_size_, bytes.data(), bytes.size());
            root_tag_size_ += bytes.size();
        } else {
            root_too_long_ = true;
            root_tag_size_ = 0;
        }
    }
    if (copied_depth_ != 0 || copy_next_whole_) {
        write_text(run_.out, bytes);
        follow_copied_element(bytes);
        return;
    }
    switch (sink_) {
    case Sink::copy:
        write_text(run_.out, bytes);
        note_layout(bytes);
        break;
    case Sink::drop:
        break;
    case Sink::hold:
        while (!bytes.empty()) {
            const std::size_t part = std::min(bytes.size(), GpxMemory::held_capacity - held_size_);
            std::memcpy(memory_.held + held_size_, bytes.data(), part);
            held_size_ += part;
            bytes.remove_prefix(part);
            if (held_full())
                held_overflow();
            if (sink_ != Sink::hold) {
                raw(bytes);
                return;
            }
        }
        break;
    case Sink::aside:
        if (aside_size_ + bytes.size() <= aside_room_)
            std::memcpy(aside_ + aside_size_, bytes.data(), bytes.size());
        aside_size_ += bytes.size();
        break;
    }
}

void GpxWalk::note_layout(std::string_view bytes) {
    const std::size_t line = bytes.rfind('\n');
    if (!line_end_known_ && line != std::string_view::npos) {
        const std::size_t first = bytes.find('\n');
        const bool cr = first > 0 ? bytes[first - 1] == '\r' : last_was_cr_;
        line_end_ = cr ? "\r\n" : "\n";
        line_end_known_ = true;
    }
    last_was_cr_ = !bytes.empty() && bytes.back() == '\r';
    if (line == std::string_view::npos && !indent_blank_)
        return; // still no indentation on this line
    if (line != std::string_view::npos) {
        indent_size_ = 0;
        indent_blank_ = true;
        bytes.remove_prefix(line + 1);
    }
    for (const char c : bytes) {
        if ((c == ' ' || c == '\t') && indent_size_ < sizeof indent_)
            indent_[indent_size_++] = c;
        else
            indent_blank_ = false;
    }
}

GpxLayout GpxWalk::layout_for(const XmlName& name) {
    GpxLayout layout;
    layout.line_end = line_end_;
    const std::size_t indent = indent_blank_ ? indent_size_ : 0;
    std::copy_n(indent_, indent, layout_indent_);
    layout.indent = {layout_indent_, indent};
    if (name.prefix.size() <= sizeof layout_prefix_) {
        std::copy_n(name.prefix.data(), name.prefix.size(), layout_prefix_);
        layout.prefix = {layout_prefix_, name.prefix.size()};
    } else {
        layout.namespace_declaration = version_ == GpxVersion::v1_0
                                           ? " xmlns=\"http://www.topografix.com/GPX/1/0\""
                                           : " xmlns=\"http://www.topografix.com/GPX/1/1\"";
    }
    return layout;
}

} // namespace korvix
