// What a GPS file holds, read as korvix reads it and converting nothing: its waypoints and the
// numbers their names take, its routes, and each track with its name and its points as -V and -W
// collect them; and where korvix would stop, with korvix's own message. runkorvix says from it
// what a file holds before a run and names the tracks of a run after it: by this walk, korvix's
// reader, and no other.
#pragma once

#include "byte_stream.h"
#include "gdb_rules.h"
#include "input_bytes.h"
#include "input_format.h"
#include "point_buffer.h"
#include "route_points.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

namespace korvix {

// A track of the file as the walk reads it: its place among the file's tracks (0 for the first),
// its name (as korvix keeps it) and its points as -V and -W collect them (adjacent repeats
// merged, points beyond a pole left out, at most 10000).
struct TrackSeen {
    std::uint64_t index = 0;
    std::string_view name;
    const PointBuffer& points;
};
using TrackVisitor = std::function<void(const TrackSeen&)>;
// A route of the file read whole, in the same way: its place among the file's routes, its name
// and its link points as -T (every one) or -U (the vias) collects them.
struct RouteSeen {
    std::uint64_t index = 0;
    std::string_view name;
    const PointBuffer& points;
};
using RouteVisitor = std::function<void(const RouteSeen&)>;
// What a walk hands on besides the counts: the tracks, the routes and which of a route's points.
struct ContentsVisitors {
    TrackVisitor track;
    RouteVisitor route;
    TrackPoints route_points = TrackPoints::all_points;
};

struct FileContents {
    // How far korvix reads the file: not at all (it cannot be opened, or its header is none that
    // korvix converts), up to a failure, or to its closing record.
    enum class Reach { not_opened, not_gdb, failed, whole };
    Reach reach = Reach::not_opened;
    Failure failure = Failure::none; // why korvix stops, when it does in the records
    std::error_code reason;          // the system's, for a file that cannot be opened or read
    // The format of the file, told by its first bytes as korvix tells it; and for a GPX file
    // that korvix refuses, what it says ("Input file not valid GPX: line 812, column 14: ...").
    InputFormat format = InputFormat::gdb;
    std::string refusal;

    // Of the records before the closing record, or before the failure (of a GPX file: its
    // waypoints, routes and tracks; the numbers that its waypoints' and route points' names take).
    std::uint64_t waypoints = 0;
    std::uint64_t routes = 0;
    std::uint64_t tracks = 0;
    rules::WaypointNumbers numbers; // that the waypoints' names take
    // The fewest and the most points of a track read whole; 0 and 0 without one.
    std::uint32_t fewest_track_points = 0;
    std::uint32_t most_track_points = 0;
    // -V and -W read every track's points and stop at the first track that they cannot read
    // whole (its points run past its record, or the file ends in it), where -R to -U copy it as
    // it stands; -R to -U read every route's points and stop at such a route, where -V and -W
    // copy it: the failure of the first such track and route, and how many there are.
    Failure track_failure = Failure::none;
    std::uint64_t damaged_tracks = 0;
    Failure route_failure = Failure::none;
    std::uint64_t damaged_routes = 0;

    // Whether korvix converts the file: reading its records to the closing record, and every
    // route's points as -R to -U do, or every track's as -V and -W do.
    bool whole() const { return reach == Reach::whole; }
    bool routes_whole() const { return whole() && route_failure == Failure::none; }
    bool tracks_whole() const { return whole() && track_failure == Failure::none; }
    // What korvix says where it stops in this file ("Unexpected end of input file"), with the
    // line end: reading the records alone, reading the routes' points too, reading the tracks'
    // points too; empty where it converts the file.
    std::string message() const;
    std::string message_reading_routes() const;
    std::string message_reading_tracks() const;
};

// Walks the file named by `name` (the system's bytes on POSIX, UTF-8 on Windows) as korvix reads
// it: its header, its records by their lengths, waypoints' names, every track's points. `visit`,
// when given, sees every track that is read whole, in the order of the file. A name that leads to
// no regular file (a folder, a FIFO, a device) is not read: a FIFO or a device might never end,
// and the dialog must not wait on one.
FileContents read_file_contents(std::string_view name, const TrackVisitor& visit = {});
// The format of the file of this name, told by its first bytes: korvix's before it opens the run's
// files, so that the output's name can follow it, and runkorvix's for the name it proposes. A
// file that is no regular file (a pipe, a device) is not read, as its bytes would be gone: it is
// taken for a GDB file until a run reads it.
InputFormat format_of_named_file(std::string_view name);
// The same walk of an input read where asked.
FileContents read_file_contents(InputBytes& input, const TrackVisitor& visit = {});
// The same walks handing on the routes too.
FileContents read_file_contents(std::string_view name, const ContentsVisitors& visit);
FileContents read_file_contents(InputBytes& input, const ContentsVisitors& visit);

} // namespace korvix
