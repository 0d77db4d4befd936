// A GPX file read ahead from its first track on, where it can be read where asked (not a pipe),
// as the GDB file is (waypoint_numbers.h, fit_plan.h): for the names of the waypoints and route
// points behind the first track, and under --fit for every track's points. Only the elements
// from the first track on are read, behind the file's own root start tag, so that their names
// have the namespaces that the file gives them.
#pragma once

#include "fit_plan.h"
#include "input_bytes.h"
#include "input_fingerprint.h"
#include "point_buffer.h"
#include "waypoint_numbers.h"

#include <string_view>

namespace korvix {

// Notes a name that is the "%03d" of a number, compared exactly, as taken (waypoint_numbers.h).
void note_gpx_name(std::string_view name, WaypointNumbers& numbers);

// Notes the names of every wpt and rtept from the element at `from` on, each added to `seen` in
// file order as the run adds those it passes. Where the bytes from there on hold no "wpt" and no
// "rtept" at all (a file of tracks) nothing needs to be read.
void note_gpx_names_ahead(InputBytes& input, std::string_view root_tag, InputOffset from,
                          WaypointNumbers& numbers, InputFingerprint& seen);

// The trk elements from the one at `first_track` on, each known by the offset of its start tag.
class GpxTracksAhead final : public FitTracks {
public:
    GpxTracksAhead(InputBytes& input, std::string_view root_tag, InputOffset first_track,
                   PointBuffer& points)
        : input_(input), root_tag_(root_tag), first_track_(first_track), points_(points) {}

    void for_each_track(Visit& visit) override;
    bool read_track(InputOffset offset) override;

    // The bytes of every track from the first on, without their points read: visit(start, end).
    class RangeVisit {
    public:
        virtual void operator()(InputOffset start, InputOffset end) = 0;

    protected:
        ~RangeVisit() = default;
    };
    void for_each_range(RangeVisit& visit);

private:
    InputBytes& input_;
    std::string_view root_tag_;
    InputOffset first_track_;
    PointBuffer& points_;
};

} // namespace korvix
