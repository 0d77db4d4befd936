// --fit: every track of the file becomes a route, and all the routes together name no more new
// waypoints than the run has (the budget). The tracks share one distance D, the smallest found
// such that reducing every track to its fewest points within D fits the budget.
//
// Before the first track is converted, the tracks of the whole input are read ahead, one at a
// time into the point buffer, as the run itself will collect them; the plan keeps only a few
// numbers for each track. When even two points a track do not fit, the tracks that become routes
// are chosen so that as few as possible are left as tracks: every track of a single position
// (it takes one waypoint), then those of two points and more with the fewest points (a winding
// track is the one that a route of two points would follow worst). The run then writes in one
// stream as usual, reducing each planned track within D and to at most the points the plan
// counted for it.
#pragma once

#include "input_bytes.h"
#include "input_fingerprint.h"
#include "point_buffer.h"
#include "record_layouts.h"
#include "run_settings.h"
#include "simplifier_memory.h"
#include "waypoint_numbers.h"

#include <cstdint>

namespace korvix {

struct FitPlan {
    // Every route takes a waypoint at least, so no more tracks than names become routes.
    static constexpr std::uint32_t capacity = last_waypoint_number;

    double tolerance_metres = 0;  // D; 0: every track fits as it is (or as --points leaves it)
    std::uint32_t tracks = 0;     // the tracks that become routes
    InputOffset offset[capacity]; // of their record headers, in file order
    std::uint16_t most_points[capacity]; // the points that each keeps at most
    std::uint32_t next = 0;              // the next of them that the run meets
    // The points that the search kept of a track, where it kept them (they fit in as many
    // positions as there are names), and their largest distance from the track: the run writes
    // them without reducing the track again.
    static constexpr std::uint16_t none_kept = 0xFFFF;
    std::uint16_t kept_first[capacity];
    double kept_metres[capacity];
    std::uint64_t kept[capacity]; // position words
};

// The working memory of the read ahead and the search, reserved with the run's.
struct FitScratch {
    static constexpr std::uint32_t tracks = FitPlan::capacity;
    std::uint32_t tracks_of_count[PointBuffer::capacity + 1]; // tracks by points collected
    InputOffset offset[tracks];
    std::uint16_t collected[tracks];
    double two_point_metres[tracks]; // how far a track is from the leg from its first to its last
                                     // point
    // Each track's points at the distances searched: at the fitting end of the bracket, from the
    // error of their reduction (fit_error) up; and at the last distance at which it was reduced
    // without fitting (fail_at), from that reduction's error up to there.
    std::uint16_t fit_points[tracks];
    double fit_error[tracks];
    std::uint16_t fail_points[tracks];
    double fail_error[tracks];
    double fail_at[tracks];
    std::uint16_t probe_points[tracks];
    double probe_error[tracks];
    double probe_metres[tracks];
    std::uint8_t probe_inferred[tracks];
    double fit_metres[tracks]; // the error of the reduction at the fitting end, as it is
    // The reduced points of the tracks at the fitting end, of the probe, and while a probe that
    // fits becomes the fitting end: where each track's start, or unpooled.
    static constexpr std::uint32_t pool_size = FitPlan::capacity;
    static constexpr std::uint16_t unpooled = 0xFFFF;
    std::uint64_t fit_pool[pool_size];
    std::uint64_t probe_pool[pool_size];
    std::uint64_t next_pool[pool_size];
    std::uint16_t fit_first[tracks];
    std::uint16_t probe_first[tracks];
    std::uint16_t next_first[tracks];
    std::uint8_t block[16 * 1024]; // the input read ahead
};

// The tracks that a plan reads ahead, in file order, each known by an offset of its own in the
// input (where its record or element begins): the track records of a GDB file, or the trk
// elements of a GPX file.
class FitTracks {
public:
    class Visit {
    public:
        virtual void operator()(InputOffset offset) = 0;

    protected:
        ~Visit() = default;
    };
    // Calls visit(offset) with the points of every track in the point buffer, as the run
    // collects them, up to a track that the input ends in (the run fails there).
    virtual void for_each_track(Visit& visit) = 0;
    // The points of the track at `offset` into the point buffer; false when it is not there.
    virtual bool read_track(InputOffset offset) = 0;

protected:
    ~FitTracks() = default;
};

// The tracks planned within `budget` new waypoints, as the settings' --points, --split and
// --tolerance (the smallest D) say, the points read into `points`. Every track's points, as
// first read, are added to `seen`, as the run adds them when it converts or keeps the track.
void plan_fit(FitTracks& tracks, const RunSettings& settings, std::uint32_t budget,
              PointBuffer& points, PointSimplifier& simplifier, FitScratch& scratch, FitPlan& plan,
              InputFingerprint& seen);

// The input's tracks from the record header at `first_track` on, planned within `budget` new
// waypoints, as the settings' --points, --split and --tolerance (the smallest D) say. Every
// track's points, as first read, are added to `seen`, as the run adds them when it converts or
// keeps the track.
void plan_fit(InputBytes& input, InputOffset first_track, const VersionLayout& layout,
              const RunSettings& settings, std::uint32_t budget, PointBuffer& points,
              PointSimplifier& simplifier, FitScratch& scratch, FitPlan& plan,
              InputFingerprint& seen);

} // namespace korvix
