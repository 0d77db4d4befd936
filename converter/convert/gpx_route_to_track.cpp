// -T and -U on a GPX file: every rte becomes a trk of one trkseg through its route points and,
// with -T, the link points between them that BaseCamp and MapSource keep in a route point's
// gpxx:RoutePointExtension; each point with its position, elevation and time, the track with the
// route's name. Everything else of the route is left out, as on a GDB file.
#include "gpx_conversions.h"
#include "gpx_coordinates.h"
#include "gpx_generated.h"

namespace korvix {

namespace {

class RouteToTrack final : public GpxWalk {
public:
    RouteToTrack(RunContext& run, GpxMemory& memory, bool link_points)
        : GpxWalk(run, memory), points_(run, memory), link_points_(link_points) {}

private:
    void element_start(GpxElement kind, const XmlName& name, XmlAttributes attributes) override {
        if (kind == GpxElement::rte) {
            begin_route(name);
        } else if (!in_route_ && (kind == GpxElement::trk || kind == GpxElement::wpt)) {
            copy_whole_element();
        } else if (!in_route_) {
            copy_markup();
        } else if (kind == GpxElement::rtept) {
            point_ = points_.add(attributes);
            in_point_ = true;
        } else if (kind == GpxElement::rpt && link_points_) {
            points_.add(attributes);
            point_ = nullptr; // its own texts are only its position
        } else if (kind == GpxElement::name && !in_point_) {
            gather_text(&name_);
        } else if ((kind == GpxElement::ele || kind == GpxElement::time) && point_ != nullptr) {
            field_.reset(field_text_, sizeof field_text_);
            gather_text(&field_);
        }
    }

    void element_end(GpxElement kind, const char* name) override {
        if (!in_route_) {
            copy_markup();
            return;
        }
        gather_text(nullptr);
        if (kind == GpxElement::rte) {
            end_route();
        } else if (kind == GpxElement::rtept) {
            point_ = nullptr;
            in_point_ = false;
        } else if (kind == GpxElement::ele && point_ != nullptr) {
            point_->elevation.set(trimmed_field());
        } else if (kind == GpxElement::time && point_ != nullptr) {
            point_->time.set(trimmed_field());
        }
        (void)name;
    }

    std::string_view trimmed_field() const;
    void begin_route(const XmlName& name);
    void end_route();

    GpxPoints points_;
    bool link_points_;
    bool in_route_ = false;
    bool in_point_ = false;
    PointText* point_ = nullptr;
    GpxLayout layout_;
    TextTarget name_;
    TextTarget field_;
    char field_text_[256] = {};
};

std::string_view RouteToTrack::trimmed_field() const {
    return trimmed(field_.value());
}

void RouteToTrack::begin_route(const XmlName& name) {
    layout_ = layout_for(name);
    set_sink(Sink::drop);
    in_route_ = true;
    points_.begin();
    name_.reset(run_.scratch.text, ScratchText::capacity - 1);
}

void RouteToTrack::end_route() {
    in_route_ = false;
    set_sink(Sink::copy);
    run_.scratch.text[name_.size] = '\0';
    points_.finish();
    points_.say_losses();
    const GeneratedParts parts = run_.shape_points();
    points_.find_kept();
    report_generated_parts(run_.console, run_.scratch.text, parts, "tracks");
    write_generated_parts(run_, memory_, layout_, *version_, parts, false, {});
}

} // namespace

void convert_gpx_routes_to_tracks(GpxDriver& driver, RunContext& run, GpxMemory& memory,
                                  bool link_points) {
    RouteToTrack walk(run, memory, link_points);
    driver.walk(walk);
}

} // namespace korvix
