// -V and -W on a GPX file: the walk (gpx_track_to_route.cpp, gpx_fit.cpp).
#pragma once

#include "generated_parts.h"
#include "gpx_points.h"
#include "gpx_walk.h"

namespace korvix {

class GpxTrackToRoute final : public GpxWalk {
public:
    GpxTrackToRoute(RunContext& run, GpxMemory& memory, bool marks)
        : GpxWalk(run, memory), points_(run, memory), marks_(marks) {}

private:
    void element_start(GpxElement kind, const XmlName& name, XmlAttributes attributes) override;
    void element_end(GpxElement kind, const char* name) override;
    void track_element_start(GpxElement kind, XmlAttributes attributes);
    void note_name();
    void begin_track(const XmlName& name);
    void end_track();
    std::uint32_t names_left() const;
    bool choose_numbers(std::uint32_t n);
    void convert_track();
    void write_routes(const GeneratedParts& parts);

    // The read ahead at the first track, and --fit (gpx_fit.cpp).
    void read_ahead();
    void fit_track();
    void keep_track();
    void after_tracks();
    void write_kept_tracks();

    GpxPoints points_;
    bool marks_;
    bool in_track_ = false;
    bool seen_track_ = false;
    bool in_named_ = false; // in a waypoint or route point of the file
    bool in_name_ = false;
    PointText* point_ = nullptr;
    std::int64_t track_start_ = 0;
    GpxLayout layout_;
    TextTarget track_name_;
    TextTarget name_;
    char name_text_[8] = {};
    TextTarget field_;
    char field_text_[256] = {};
    // --fit: the planned tracks that became routes, and whether any track was kept.
    std::uint8_t converted_[FitPlan::capacity] = {};
    bool kept_any_ = false;
    bool kept_written_ = false;
};

} // namespace korvix
