// -R and -S on a GPX file: every route point marked as a via point (-R), or every route point
// but the first and the last of its route as a shaping point and those as via points (-S), with
// Garmin's trip extensions. A route point's own mark (trp:ViaPoint or trp:ShapingPoint) is taken
// out of its place and, when it is the mark the point gets, written back as it was; else a new
// mark is written. The mark goes last among the route point's extensions (GPX 1.1), or last among
// its elements (GPX 1.0, which takes other namespaces there), inside an extensions element of its
// own where the point has none. Everything else of the file stays as it was.
//
// Whether a point is the last of its route shows only at the next point or at the route's end,
// after the point's own end: the bytes from where its mark goes up to there are held back until
// then (a few end tags and white space).
#include "gpx_conversions.h"
#include "gpx_points.h"

namespace korvix {

namespace {

class RouteMarks final : public GpxWalk {
public:
    RouteMarks(RunContext& run, GpxMemory& memory, bool shaping)
        : GpxWalk(run, memory), shaping_(shaping) {}

private:
    void element_start(GpxElement kind, const XmlName& name, XmlAttributes attributes) override;
    void element_end(GpxElement kind, const char* name) override;
    void point_start(const XmlName& name);
    void point_end(const char* name);
    void hold_from_here(bool wrap);
    void decide(bool last);
    void held_overflow() override { decide(false); }

    bool shaping_;
    bool in_route_ = false;
    bool in_point_ = false;
    bool has_extensions_ = false;
    bool empty_point_ = false; // written as <rtept .../>: its end tag is korvix's to write
    std::uint32_t points_ = 0; // route points of the route so far
    GpxElement own_mark_ = GpxElement::other; // the point's own mark, taken aside
    std::size_t own_mark_size_ = 0;
    bool pending_ = false; // a point waits for its mark
    bool pending_first_ = false;
    bool pending_wrap_ = false; // the mark needs an extensions element of its own
    GpxElement pending_own_ = GpxElement::other;
    GpxLayout layout_;
    char end_tag_[300] = {};
};

void RouteMarks::element_start(GpxElement kind, const XmlName& name, XmlAttributes) {
    if (pending_ && (kind == GpxElement::rtept || !in_route_))
        decide(false);
    if (kind == GpxElement::trk || kind == GpxElement::wpt) {
        copy_whole_element();
        return;
    }
    if (kind == GpxElement::rte) {
        in_route_ = true;
        points_ = 0;
    } else if (kind == GpxElement::rtept && in_route_) {
        point_start(name);
        return;
    } else if (in_point_ && (kind == GpxElement::via_point || kind == GpxElement::shaping_point)) {
        own_mark_ = kind;
        set_sink(Sink::aside);
        take_aside(memory_.via_mark, GpxMemory::held_capacity);
    } else if (in_point_ && kind == GpxElement::point_extensions) {
        has_extensions_ = true;
    }
    copy_markup();
}

// The start tag, taken aside first: one that closes the point at once (<rtept .../>) is written
// open, so that the mark can follow inside.
void RouteMarks::point_start(const XmlName& name) {
    in_point_ = true;
    has_extensions_ = false;
    own_mark_ = GpxElement::other;
    own_mark_size_ = 0;
    layout_ = layout_for(name);
    set_sink(Sink::aside);
    take_aside(memory_.via_mark, GpxMemory::held_capacity);
    copy_markup();
    set_sink(Sink::copy);
    if (aside_overflowed()) {
        reader_->refuse("a route point's start tag longer than 64 KiB");
        return;
    }
    std::string_view tag = aside();
    empty_point_ = tag.ends_with("/>");
    if (empty_point_) {
        tag.remove_suffix(2);
        write_text(run_.out, tag);
        write_text(run_.out, ">");
    } else {
        write_text(run_.out, tag);
    }
}

void RouteMarks::element_end(GpxElement kind, const char* name) {
    if (in_point_ && (kind == GpxElement::via_point || kind == GpxElement::shaping_point)) {
        copy_markup();
        set_sink(Sink::copy);
        own_mark_size_ = aside_overflowed() ? 0 : aside().size();
        return;
    }
    if (in_point_ && kind == GpxElement::point_extensions) {
        hold_from_here(false);
    } else if (kind == GpxElement::rtept && in_point_) {
        point_end(name);
        return;
    } else if (kind == GpxElement::rte && in_route_) {
        if (pending_)
            decide(true);
        in_route_ = false;
    }
    copy_markup();
}

void RouteMarks::point_end(const char* qualified) {
    const XmlName name = xml_name(qualified);
    if (!pending_)
        hold_from_here(*version_ == GpxVersion::v1_1);
    if (empty_point_) {
        const std::size_t size = std::min(name.prefix.size(), sizeof end_tag_ - 12);
        std::copy_n("</", 2, end_tag_);
        std::copy_n(name.prefix.data(), size, end_tag_ + 2);
        std::size_t at = 2 + size;
        if (size != 0)
            end_tag_[at++] = ':';
        std::copy_n("rtept>", 6, end_tag_ + at);
        raw(std::string_view(end_tag_, at + 6));
    } else {
        copy_markup();
    }
    in_point_ = false;
    ++points_;
}

// The bytes from here on are held until the point's mark is known.
void RouteMarks::hold_from_here(bool wrap) {
    pending_ = true;
    pending_first_ = points_ == 0;
    pending_wrap_ = wrap;
    pending_own_ = own_mark_size_ != 0 ? own_mark_ : GpxElement::other;
    clear_held();
    set_sink(Sink::hold);
}

void RouteMarks::decide(bool last) {
    pending_ = false;
    set_sink(Sink::copy);
    const bool via = !shaping_ || pending_first_ || last;
    const GpxElement mark = via ? GpxElement::via_point : GpxElement::shaping_point;
    OutputStream& out = run_.out;
    if (pending_wrap_) {
        layout_.open_tag(out, "extensions");
        write_text(out, ">");
    }
    if (pending_own_ == mark) {
        write_text(out, std::string_view(memory_.via_mark, own_mark_size_));
    } else {
        write_text(out, via ? "<trp:ViaPoint" : "<trp:ShapingPoint");
        write_text(out, " xmlns:trp=\"");
        write_text(out, garmin_trip_namespace);
        write_text(out, "\"/>");
    }
    if (pending_wrap_)
        layout_.close_tag(out, "extensions");
    write_text(out, held());
    clear_held();
}

} // namespace

void mark_gpx_route_points(GpxDriver& driver, RunContext& run, GpxMemory& memory, bool shaping) {
    RouteMarks walk(run, memory, shaping);
    driver.walk(walk);
}

} // namespace korvix
