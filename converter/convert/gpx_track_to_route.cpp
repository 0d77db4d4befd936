// -V and -W on a GPX file: every trk becomes a rte of its name through its points (its segments
// joined), each route point named 001, 002, ... across the run, passing over every name that a
// waypoint or route point of the file has, and keeping its track point's position, elevation and
// time; with -W the points between the first and the last are marked as shaping points and the
// ends as via points. The routes stand where the tracks stood, behind the file's own routes.
// Under --fit a track that gets no route stays a track, behind every route (gpx_fit.cpp).
#include "gpx_track_to_route.h"
#include "gpx_conversions.h"
#include "gpx_coordinates.h"
#include "gpx_generated.h"
#include "gpx_read_ahead.h"
#include "track_lines.h"

#include <algorithm>

namespace korvix {

void GpxTrackToRoute::element_start(GpxElement kind, const XmlName& name,
                                    XmlAttributes attributes) {
    if (kind == GpxElement::trk) {
        begin_track(name);
        return;
    }
    if (in_track_) {
        track_element_start(kind, attributes);
        return;
    }
    if (at_top() && seen_track_)
        after_tracks();
    copy_markup();
    if (kind == GpxElement::wpt || kind == GpxElement::rtept) {
        in_named_ = true;
    } else if (kind == GpxElement::name && in_named_ && !in_name_) {
        in_name_ = true;
        name_.reset(name_text_, sizeof name_text_);
        gather_text(&name_);
    }
}

void GpxTrackToRoute::track_element_start(GpxElement kind, XmlAttributes attributes) {
    if (kind == GpxElement::trkpt) {
        point_ = points_.add(attributes);
    } else if (kind == GpxElement::name) { // the track's: a track point has none to GPX
        gather_text(&track_name_);
    } else if ((kind == GpxElement::ele || kind == GpxElement::time) && point_ != nullptr) {
        field_.reset(field_text_, sizeof field_text_);
        gather_text(&field_);
    }
}

void GpxTrackToRoute::element_end(GpxElement kind, const char* name) {
    if (kind == GpxElement::trk) {
        end_track();
        return;
    }
    if (in_track_) {
        gather_text(nullptr);
        if (kind == GpxElement::trkpt) {
            point_ = nullptr;
        } else if (kind == GpxElement::ele && point_ != nullptr) {
            point_->elevation.set(trimmed(field_.value()));
        } else if (kind == GpxElement::time && point_ != nullptr) {
            point_->time.set(trimmed(field_.value()));
        }
        return;
    }
    if (kind == GpxElement::name && in_name_) {
        gather_text(nullptr);
        in_name_ = false;
        note_name();
    } else if (kind == GpxElement::wpt || kind == GpxElement::rtept) {
        in_named_ = false;
    } else if (kind == GpxElement::gpx && seen_track_) {
        after_tracks();
    }
    (void)name;
    copy_markup();
}

// A waypoint's or route point's name is one that no generated route point may take.
void GpxTrackToRoute::note_name() {
    note_gpx_name(name_.value(), run_.input_numbers);
    // Behind the first track the names were read ahead: these must be the same.
    if (run_.read_ahead)
        run_.read_ahead_check.records_streamed.add_bytes(
            {reinterpret_cast<const std::uint8_t*>(name_.text), name_.size});
}

void GpxTrackToRoute::begin_track(const XmlName& name) {
    if (!run_.read_ahead)
        read_ahead();
    seen_track_ = true;
    track_start_ = event_offset();
    layout_ = layout_for(name);
    set_sink(Sink::drop);
    in_track_ = true;
    points_.begin();
    track_name_.reset(run_.scratch.text, ScratchText::capacity - 1);
}

void GpxTrackToRoute::end_track() {
    in_track_ = false;
    set_sink(Sink::copy);
    run_.scratch.text[track_name_.size] = '\0';
    points_.finish();
    points_.say_losses();
    if (run_.settings.fit)
        fit_track();
    else
        convert_track();
}

// The new route points that the run may still name: the numbers left from the counter on, and
// no more than --waypoints leaves.
std::uint32_t GpxTrackToRoute::names_left() const {
    std::uint32_t names = 0;
    for (std::uint32_t number = run_.waypoint_counter; number <= last_waypoint_number; ++number)
        names += run_.input_numbers.taken(number) ? 0 : 1;
    const std::uint32_t limit = run_.settings.waypoint_limit;
    return limit == 0 ? names : std::min(names, limit - std::min(limit, run_.new_waypoints));
}

// The numbers of n route points, the next free ones from the counter on; false when fewer are
// left up to 999, or --waypoints allows fewer.
bool GpxTrackToRoute::choose_numbers(std::uint32_t n) {
    const std::uint32_t limit = run_.settings.waypoint_limit;
    if (limit != 0 && run_.new_waypoints + n > limit)
        return false;
    std::uint32_t chosen = 0;
    for (std::uint32_t number = run_.waypoint_counter; chosen < n && number <= last_waypoint_number;
         ++number) {
        if (!run_.input_numbers.taken(number))
            run_.generated_numbers[chosen++] = static_cast<std::uint16_t>(number);
    }
    return chosen == n;
}

void GpxTrackToRoute::convert_track() {
    const std::optional<GeneratedParts> parts = run_.shape_points_for_names(names_left());
    if (!parts) {
        run_.console.say_line(rules::too_many_waypoints_text);
        return;
    }
    const std::uint32_t n = run_.points.count;
    if (n == 0) {
        run_.console.say_line(rules::no_points_skipped_text);
        return;
    }
    if (!choose_numbers(n)) {
        run_.console.say_line(rules::too_many_waypoints_text);
        return;
    }
    write_routes(*parts);
}

void GpxTrackToRoute::write_routes(const GeneratedParts& parts) {
    points_.find_kept();
    report_generated_parts(run_.console, run_.scratch.text, parts, "routes");
    write_generated_parts(run_, memory_, layout_, *version_, parts, true,
                          {.numbers = run_.generated_numbers, .marks = marks_});
    const std::uint32_t n = run_.points.count;
    run_.waypoint_counter = run_.generated_numbers[n - 1] + 1U;
    run_.new_waypoints += n;
    ++run_.tracks_converted;
    run_.worst_metres = std::max(run_.worst_metres, parts.error_metres);
}

void convert_gpx_tracks_to_routes(GpxDriver& driver, RunContext& run, GpxMemory& memory,
                                  bool marks) {
    GpxTrackToRoute walk(run, memory, marks);
    driver.walk(walk);
}

} // namespace korvix
