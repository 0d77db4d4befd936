// -V and -W on a GPX file read ahead at the first track: the names behind it, and under --fit the
// plan of every track (fit_plan.h). A track that --fit keeps is not written where it stood, as
// the routes made of the tracks before and behind it would follow a track there, which GPX does
// not allow: the kept tracks are written as they are, read again from the input, behind the last
// track, where GPX has its tracks (before the gpx element's own extensions).
#include "gpx_read_ahead.h"
#include "gpx_track_to_route.h"
#include "record_dispatch.h"
#include "track_lines.h"

#include <algorithm>

namespace korvix {

void GpxTrackToRoute::read_ahead() {
    ReadAheadCheck& check = run_.read_ahead_check;
    check.from = event_offset();
    run_.read_ahead = true;
    if (run_.whole_input != nullptr && !root_tag().empty()) {
        note_gpx_names_ahead(*run_.whole_input, root_tag(), check.from, run_.input_numbers,
                             check.records_ahead);
        if (run_.settings.fit) {
            std::uint32_t budget = run_.input_numbers.left();
            if (run_.settings.waypoint_limit != 0)
                budget = std::min(budget, run_.settings.waypoint_limit);
            GpxTracksAhead tracks(*run_.whole_input, root_tag(), check.from, run_.points);
            plan_fit(tracks, run_.settings, budget, run_.points, run_.simplifier, run_.fit_scratch,
                     run_.fit_plan, check.tracks_ahead);
        }
    }
    if (after_read_ahead_hook != nullptr)
        after_read_ahead_hook();
}

void GpxTrackToRoute::fit_track() {
    if (!run_.failed())
        run_.read_ahead_check.tracks_streamed.add_track(track_start_, run_.points);
    FitPlan& plan = run_.fit_plan;
    while (plan.next < plan.tracks && plan.offset[plan.next] < track_start_)
        ++plan.next;
    if (plan.next >= plan.tracks || plan.offset[plan.next] != track_start_) {
        keep_track();
        return;
    }
    const std::uint32_t planned = plan.next++;
    if (!choose_numbers(plan.most_points[planned])) {
        keep_track();
        return;
    }
    const SimplifyLimits& limits = run_.settings.limits;
    const std::uint32_t part_points = limits.split ? limits.max_points : 0;
    const GeneratedParts parts =
        plan.kept_first[planned] == FitPlan::none_kept
            ? shape_fitted_points(run_.points, plan.tolerance_metres, plan.most_points[planned],
                                  part_points, run_.simplifier)
            : kept_points(run_.points, plan.kept + plan.kept_first[planned],
                          plan.most_points[planned], plan.kept_metres[planned], part_points);
    // The plan counted these points, and the names for them; a track of none is not planned.
    if (run_.points.count == 0 || !choose_numbers(run_.points.count)) {
        keep_track();
        return;
    }
    converted_[planned] = 1;
    write_routes(parts);
}

// The track stays, behind the routes; it is written with the other kept tracks.
void GpxTrackToRoute::keep_track() {
    kept_any_ = true;
    run_.console.say_line(run_.points.count == 0 ? rules::no_points_kept_text
                                                 : rules::too_few_waypoints_kept_text);
}

void GpxTrackToRoute::after_tracks() {
    if (!run_.settings.fit || kept_written_)
        return;
    kept_written_ = true;
    if (kept_any_ && run_.whole_input != nullptr && !run_.failed())
        write_kept_tracks();
}

namespace {

// Writes every track that did not become a route, read again from the input.
class KeptTracks final : public GpxTracksAhead::RangeVisit {
public:
    KeptTracks(RunContext& run, const std::uint8_t* converted, std::string_view line_end)
        : run_(run), converted_(converted), line_end_(line_end) {}

    void operator()(InputOffset start, InputOffset end) override {
        const FitPlan& plan = run_.fit_plan;
        while (next_ < plan.tracks && plan.offset[next_] < start)
            ++next_;
        if (next_ < plan.tracks && plan.offset[next_] == start && converted_[next_] != 0)
            return;
        for (InputOffset offset = start; offset < end;) {
            const std::span<const std::uint8_t> bytes = run_.whole_input->at(
                offset, static_cast<std::size_t>(std::min<InputOffset>(end - offset, 65536)));
            if (bytes.empty())
                break;
            run_.out.write(bytes.data(), std::ssize(bytes));
            offset += std::ssize(bytes);
        }
        write_text(run_.out, line_end_);
    }

private:
    RunContext& run_;
    const std::uint8_t* converted_;
    std::string_view line_end_;
    std::uint32_t next_ = 0;
};

} // namespace

void GpxTrackToRoute::write_kept_tracks() {
    GpxTracksAhead tracks(*run_.whole_input, root_tag(), run_.read_ahead_check.from, run_.points);
    KeptTracks kept(run_, converted_, layout_.line_end);
    tracks.for_each_range(kept);
}

} // namespace korvix
