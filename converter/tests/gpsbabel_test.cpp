// korvix's output read by an independent GDB reader, gpsbabel. GPX files written for each case
// become GDB files of versions 1, 2 and 3 through gpsbabel, and GDB files built field by field
// hold what gpsbabel does not write; korvix converts them under every option letter; gpsbabel
// reads each output back, without a warning, and finds what the conversion promises, measured
// against what it reads from the unconverted file.
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace korvix {
namespace {

namespace fs = std::filesystem;
using namespace testing;

struct Point {
    std::string name; // waypoints and route points
    std::string latitude;
    std::string longitude;
    std::string altitude; // track points
    std::string time;     // track points
    bool operator==(const Point&) const = default;
};

struct Path {
    std::string name;
    std::vector<Point> points;
    bool operator==(const Path&) const = default;
};

// What gpsbabel reads from a GDB file, in its GPX words; coordinates as the text it prints.
struct GpsData {
    std::vector<Point> waypoints;
    std::vector<Path> routes;
    std::vector<Path> tracks;
};

void PrintTo(const Point& p, std::ostream* os) {
    *os << "{" << p.name << " " << p.latitude << "," << p.longitude << " " << p.altitude << " "
        << p.time << "}";
}
void PrintTo(const Path& p, std::ostream* os) {
    *os << p.name << ": " << ::testing::PrintToString(p.points);
}

// Reads the GPX that gpsbabel writes: one element per tag, names and values as their text.
GpsData parse_gpx(const std::string& gpx) {
    GpsData data;
    std::vector<std::string> open; // element names from the outside in
    Point* point = nullptr;        // the wpt, rtept or trkpt being read
    Path* path = nullptr;          // the rte or trk being read
    const std::regex tag(R"(<(/?)([A-Za-z]+)([^>]*?)(/?)>([^<]*))");
    const std::regex coordinates(R"re(lat="([^"]*)" lon="([^"]*)")re");
    for (auto it = std::sregex_iterator(gpx.begin(), gpx.end(), tag); it != std::sregex_iterator();
         ++it) {
        const std::smatch& m = *it;
        const std::string name = m[2];
        if (m[1] == "/") {
            if (!open.empty())
                open.pop_back();
            continue;
        }
        const std::string attributes = m[3];
        const std::string text = m[5];
        std::smatch at;
        const bool has_coordinates = std::regex_search(attributes, at, coordinates);
        const bool waypoint = name == "wpt";
        if (waypoint || ((name == "rtept" || name == "trkpt") && path != nullptr)) {
            std::vector<Point>& list = waypoint || path == nullptr ? data.waypoints : path->points;
            list.push_back({"", has_coordinates ? at[1].str() : "?",
                            has_coordinates ? at[2].str() : "?", "", ""});
            point = &list.back();
        } else if (name == "rte" || name == "trk") {
            (name == "rte" ? data.routes : data.tracks).push_back({});
            path = name == "rte" ? &data.routes.back() : &data.tracks.back();
        } else if (name == "name" && !open.empty()) {
            if ((open.back() == "rte" || open.back() == "trk") && path != nullptr)
                path->name = text;
            else if ((open.back() == "wpt" || open.back() == "rtept") && point != nullptr)
                point->name = text;
        } else if (name == "ele" && !open.empty() && open.back() == "trkpt" && point != nullptr) {
            point->altitude = text;
        } else if (name == "time" && !open.empty() && open.back() == "trkpt" && point != nullptr) {
            point->time = text;
        }
        if (m[4] != "/")
            open.push_back(name);
    }
    return data;
}

// Positions only, adjacent repeats dropped: what korvix collects from a route or track.
std::vector<Point> collected(const std::vector<Point>& points) {
    std::vector<Point> result;
    for (const Point& p : points) {
        if (result.empty() || result.back().latitude != p.latitude ||
            result.back().longitude != p.longitude)
            result.push_back({"", p.latitude, p.longitude, "", ""});
    }
    return result;
}

std::map<std::string, std::vector<Point>> by_name(const std::vector<Path>& paths) {
    std::map<std::string, std::vector<Point>> map;
    for (const Path& p : paths)
        map[p.name] = p.points;
    return map;
}

// Names and point counts of routes or tracks.
std::vector<std::pair<std::string, std::size_t>> outline(const std::vector<Path>& paths) {
    std::vector<std::pair<std::string, std::size_t>> result;
    for (const Path& p : paths)
        result.emplace_back(p.name, p.points.size());
    return result;
}

// GPX written for the purpose. Names are unique across routes and tracks, so that a track can be
// told by its name whether it was a route or a track before.
struct Case {
    const char* name;
    const char* gpx_body; // empty: examples/sample.gpx
};

const Case cases[] = {
    {"Waypoints", R"(
  <wpt lat="51.477928" lon="-0.001545"><name>NORTHWEST</name></wpt>
  <wpt lat="48.858844" lon="2.294351"><name>NORTHEAST</name></wpt>
  <wpt lat="-33.856784" lon="151.215297"><name>SOUTHEAST</name></wpt>
  <wpt lat="-22.951916" lon="-43.210487"><name>SOUTHWEST</name></wpt>
  <wpt lat="0" lon="0"><name>ORIGIN</name></wpt>)"},
    {"Routes", R"(
  <rte><name>ACROSS</name>
    <rtept lat="-0.5" lon="-0.5"><name>SW</name></rtept>
    <rtept lat="0.25" lon="0.75"><name>NE</name></rtept>
    <rtept lat="-0.75" lon="0.5"><name>SE</name></rtept>
  </rte>
  <rte><name>REPEATED</name>
    <rtept lat="-1.5" lon="-2.5"><name>RA</name></rtept>
    <rtept lat="1.5" lon="2.5"><name>RB</name></rtept>
    <rtept lat="1.5" lon="2.5"><name>RB</name></rtept>
    <rtept lat="3.25" lon="-4.75"><name>RC</name></rtept>
  </rte>
  <rte><name>ROUND TRIP</name>
    <rtept lat="10.5" lon="-10.5"><name>HOME</name></rtept>
    <rtept lat="11.5" lon="-9.5"><name>AWAY</name></rtept>
    <rtept lat="10.5" lon="-10.5"><name>HOME</name></rtept>
  </rte>)"},
    {"Tracks", R"(
  <trk><name>TIMED HEIGHTS</name><trkseg>
    <trkpt lat="0.001" lon="-0.002"><ele>12.5</ele><time>2026-06-01T07:00:00Z</time>
      <extensions><gpxtpx:TrackPointExtension><gpxtpx:atemp>21.5</gpxtpx:atemp>
      </gpxtpx:TrackPointExtension></extensions></trkpt>
    <trkpt lat="-0.001" lon="0.002"><ele>-3</ele><time>2026-06-01T07:01:00Z</time></trkpt>
    <trkpt lat="-0.001" lon="0.002"><ele>-3</ele><time>2026-06-01T07:01:30Z</time></trkpt>
    <trkpt lat="0.003" lon="0.004"><ele>100</ele><time>2026-06-01T07:02:00Z</time></trkpt>
  </trkseg></trk>
  <trk><name>BARE</name><trkseg>
    <trkpt lat="-45.25" lon="170.5"/><trkpt lat="-45.5" lon="170.75"/>
    <trkpt lat="-45.5" lon="170.75"/><trkpt lat="-45.25" lon="170.5"/>
  </trkseg></trk>
  <trk><name>HEIGHTS ONLY</name><trkseg>
    <trkpt lat="60.1" lon="-150.2"><ele>400</ele></trkpt>
    <trkpt lat="60.2" lon="-150.1"><ele>410</ele></trkpt>
  </trkseg></trk>
  <trk><name>TIMES ONLY</name><trkseg>
    <trkpt lat="-10.1" lon="20.2"><time>2026-06-02T08:00:00Z</time></trkpt>
    <trkpt lat="10.1" lon="-20.2"><time>2026-06-02T09:00:00Z</time></trkpt>
  </trkseg></trk>)"},
    {"Mixed", R"(
  <wpt lat="-0.25" lon="0.25"><name>LONE</name></wpt>
  <rte><name>LEG</name>
    <rtept lat="5.5" lon="-5.5"><name>L1</name></rtept>
    <rtept lat="-5.5" lon="5.5"><name>L2</name></rtept>
  </rte>
  <trk><name>WANDER</name><trkseg>
    <trkpt lat="-7.5" lon="-7.5"><ele>1</ele></trkpt><trkpt lat="7.5" lon="7.5"><ele>2</ele></trkpt>
    <trkpt lat="7.5" lon="-7.5"><ele>3</ele></trkpt>
  </trkseg></trk>
  <trk><name>STROLL</name><trkseg>
    <trkpt lat="1" lon="1"/><trkpt lat="1" lon="1"/><trkpt lat="2" lon="2"/>
  </trkseg></trk>)"},
    {"Sample", ""},
    // Waypoints that a GPS named when they were marked: the generated ones must not take their
    // names, or a reader puts a route's point on the user's waypoint.
    {"DeviceNames", R"(
  <wpt lat="12.5" lon="-3.25"><name>001</name></wpt>
  <wpt lat="-12.5" lon="3.25"><name>003</name></wpt>
  <trk><name>RIDE</name><trkseg>
    <trkpt lat="1.5" lon="1.5"/><trkpt lat="1.75" lon="1.25"/><trkpt lat="2" lon="1.5"/>
  </trkseg></trk>
  <wpt lat="30" lon="40"><name>004</name></wpt>)"},
};

// Whether `part` is `whole` reduced: its first and last point, and between them some of the
// others, in order.
bool is_reduction_of(const std::vector<Point>& part, const std::vector<Point>& whole) {
    if (part.empty() || whole.empty() || part.front() != whole.front() ||
        part.back() != whole.back())
        return false;
    auto at = whole.begin();
    for (const Point& p : part) {
        at = std::find(at, whole.end(), p);
        if (at == whole.end())
            return false;
    }
    return true;
}

// A GDB file to convert: made by gpsbabel from a case's GPX in a GDB version, or committed.
struct Source {
    std::string name;
    const Case* gpx = nullptr;
    int version = 1;
    const char* gdb = nullptr; // relative to the source folder
};

void PrintTo(const Source& s, std::ostream* os) {
    *os << s.name;
}

std::vector<Source> sources() {
    std::vector<Source> list;
    for (const int version : {1, 2, 3})
        for (const Case& c : cases)
            list.push_back({std::string(c.name) + "V" + std::to_string(version), &c, version});
    // Country codes, route point tail flags, links without bounds, a route without bounds, depth
    // and temperature; the second saved by BaseCamp.
    list.push_back({"BuiltV2", nullptr, 2, "converter/fuzz/corpus/built-v2.gdb"});
    list.push_back({"BaseCampV3", nullptr, 3, "converter/fuzz/corpus/basecamp-v3.gdb"});
    // Version 1 track points with temperatures, made by gpsbabel from examples/temperatures.gpx.
    list.push_back(
        {"TemperaturesV1", nullptr, 1, "converter/fuzz/corpus/gpsbabel-v1-temperatures.gdb"});
    return list;
}

class GpsbabelReader : public ::testing::TestWithParam<Source> {
protected:
    void SetUp() override {
        if (const char* why = why_no_gpsbabel())
            GTEST_SKIP() << why;
    }

    // gpsbabel reads a GDB file; it must succeed without a word on standard error.
    GpsData read_back(const std::string& gdb) {
        const CommandOutcome outcome =
            run_command("gpsbabel -i gdb -f '" + (dir_ / gdb).string() + "' -o gpx -F -");
        EXPECT_EQ(outcome.status, 0) << gdb;
        EXPECT_EQ(outcome.err, "") << gdb;
        return parse_gpx(outcome.out);
    }

    // gpsbabel writes the case's GPX as in.gdb of the version; it holds what the GPX holds.
    void make_gdb(const Case& c, int version) {
        const std::string gpx =
            *c.gpx_body == '\0'
                ? read_text(fs::path(KORVIX_SOURCE_DIR) / "examples/sample.gpx")
                : std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<gpx version=\"1.1\" creator=\"korvix tests\" "
                              "xmlns=\"http://www.topografix.com/GPX/1/1\" xmlns:gpxtpx=\""
                              "http://www.garmin.com/xmlschemas/TrackPointExtension/v1\">") +
                      c.gpx_body + "\n</gpx>\n";
        write_file(dir_ / "in.gpx", gpx);
        const CommandOutcome made =
            run_command("gpsbabel -i gpx -f '" + (dir_ / "in.gpx").string() + "' -o gdb,ver=" +
                        std::to_string(version) + " -F '" + (dir_ / "in.gdb").string() + "'");
        ASSERT_EQ(made.status, 0) << made.err;
        ASSERT_EQ(made.err, "");
        const GpsData original = read_back("in.gdb");
        const GpsData written = parse_gpx(gpx);
        ASSERT_FALSE(written.waypoints.empty() && written.routes.empty() && written.tracks.empty());
        EXPECT_EQ(outline(original.routes), outline(written.routes));
        EXPECT_EQ(outline(original.tracks), outline(written.tracks));
        for (const Point& waypoint : written.waypoints)
            EXPECT_TRUE(std::ranges::any_of(original.waypoints, [&](const Point& p) {
                return p.name == waypoint.name;
            })) << waypoint.name;
    }

    void korvix(const std::string& option, const std::string& in, const std::string& out) {
        const CommandOutcome outcome =
            run_command("'" KORVIX_BINARY "' " + option + " '" + (dir_ / in).string() + "' '" +
                        (dir_ / out).string() + "'");
        ASSERT_EQ(outcome.status, 0) << option << " " << in << "\n" << outcome.out;
        ASSERT_EQ(outcome.err, "");
    }

    TempDir dir_{"korvix-gpsbabel"};
};

TEST_P(GpsbabelReader, ReadsEveryConversionAsPromised) {
    const Source& source = GetParam();
    if (source.gdb != nullptr)
        write_file(dir_ / "in.gdb", read_file(fs::path(KORVIX_SOURCE_DIR) / source.gdb));
    else
        ASSERT_NO_FATAL_FAILURE(make_gdb(*source.gpx, source.version));

    // What the file holds before conversion, as gpsbabel reads it.
    const GpsData original = read_back("in.gdb");
    ASSERT_FALSE(HasFailure());
    ASSERT_FALSE(original.waypoints.empty() && original.routes.empty() && original.tracks.empty());

    // -R and -S: the data unchanged.
    for (const char* option : {"-R", "-S"}) {
        SCOPED_TRACE(option);
        ASSERT_NO_FATAL_FAILURE(korvix(option, "in.gdb", std::string("out") + option + ".gdb"));
        const GpsData converted = read_back(std::string("out") + option + ".gdb");
        EXPECT_EQ(converted.waypoints, original.waypoints);
        EXPECT_EQ(converted.routes, original.routes);
        EXPECT_EQ(converted.tracks, original.tracks);
    }

    // -T and -U: every route a track of its points; tracks and waypoints unchanged.
    auto tracks_of_routes = by_name(original.tracks);
    for (const Path& route : original.routes)
        tracks_of_routes[route.name] = collected(route.points);
    for (const char* option : {"-T", "-U"}) {
        SCOPED_TRACE(option);
        ASSERT_NO_FATAL_FAILURE(korvix(option, "in.gdb", std::string("out") + option + ".gdb"));
        const GpsData converted = read_back(std::string("out") + option + ".gdb");
        EXPECT_EQ(converted.waypoints, original.waypoints);
        EXPECT_TRUE(converted.routes.empty());
        EXPECT_EQ(by_name(converted.tracks), tracks_of_routes);
    }

    // -V and -W: every track waypoints 001, 002, ... (but the names that the file's waypoints
    // have) and a route of its name through them.
    GpsData routes_of_tracks{original.waypoints, original.routes, {}};
    int number = 1;
    for (const Path& track : original.tracks) {
        Path route{track.name, {}};
        for (Point point : collected(track.points)) {
            char name[16];
            do
                std::snprintf(name, sizeof name, "%03d", number++);
            while (std::ranges::any_of(original.waypoints,
                                       [&](const Point& w) { return w.name == name; }));
            point.name = name;
            routes_of_tracks.waypoints.push_back(point);
            route.points.push_back(point);
        }
        routes_of_tracks.routes.push_back(route);
    }
    for (const char* option : {"-V", "-W"}) {
        SCOPED_TRACE(option);
        ASSERT_NO_FATAL_FAILURE(korvix(option, "in.gdb", std::string("out") + option + ".gdb"));
        const GpsData converted = read_back(std::string("out") + option + ".gdb");
        EXPECT_EQ(converted.waypoints, routes_of_tracks.waypoints);
        EXPECT_EQ(converted.routes, routes_of_tracks.routes);
        EXPECT_TRUE(converted.tracks.empty());
    }

    // -V, then -T: the tracks come back (their positions), and the routes become tracks too.
    ASSERT_NO_FATAL_FAILURE(korvix("-T", "out-V.gdb", "out-VT.gdb"));
    const GpsData back = read_back("out-VT.gdb");
    auto tracks_back = by_name(original.tracks);
    for (auto& [name, points] : tracks_back)
        points = collected(points);
    for (const Path& route : original.routes)
        tracks_back[route.name] = collected(route.points);
    EXPECT_EQ(by_name(back.tracks), tracks_back);
    EXPECT_TRUE(back.routes.empty());
    EXPECT_EQ(back.waypoints, routes_of_tracks.waypoints);

    // --points: every route made from a track, and every track made from a route, is its
    // collected points reduced to at most 3.
    for (const char* option : {"-V --points=3", "-T --points 3"}) {
        SCOPED_TRACE(option);
        ASSERT_NO_FATAL_FAILURE(korvix(option, "in.gdb", "reduced.gdb"));
        const GpsData reduced = read_back("reduced.gdb");
        const bool to_routes = option[1] == 'V';
        const auto made = by_name(to_routes ? reduced.routes : reduced.tracks);
        for (const Path& path : to_routes ? original.tracks : original.routes) {
            ASSERT_TRUE(made.contains(path.name)) << path.name;
            std::vector<Point> points = made.at(path.name);
            for (Point& p : points)
                p = {"", p.latitude, p.longitude, "", ""};
            const std::vector<Point> whole = collected(path.points);
            EXPECT_LE(points.size(), std::min<std::size_t>(3, whole.size())) << path.name;
            EXPECT_TRUE(is_reduction_of(points, whole)) << path.name;
        }
    }

    // --fit: every track a route of its collected points reduced, all of them within the new
    // waypoints given: as few as two points a track take, or one for a single position.
    std::size_t least = 0;
    for (const Path& track : original.tracks)
        least += std::min<std::size_t>(collected(track.points).size(), 2);
    if (least > 0 && least <= 999) {
        const std::string option = "-V --fit --waypoints=" + std::to_string(least);
        SCOPED_TRACE(option);
        ASSERT_NO_FATAL_FAILURE(korvix(option, "in.gdb", "fit.gdb"));
        const GpsData fitted = read_back("fit.gdb");
        EXPECT_LE(fitted.waypoints.size(), original.waypoints.size() + least);
        const auto made = by_name(fitted.routes);
        for (const Path& track : original.tracks) {
            if (collected(track.points).empty())
                continue;
            ASSERT_TRUE(made.contains(track.name)) << track.name;
            std::vector<Point> points = made.at(track.name);
            for (Point& p : points)
                p = {"", p.latitude, p.longitude, "", ""};
            EXPECT_TRUE(is_reduction_of(points, collected(track.points))) << track.name;
        }
    }
}

// The case's GPX converted by korvix as a GPX file makes the routes that its GDB file (made by
// gpsbabel, version 3) makes: the same names, route points of the same names at the same places
// (within the rounding of a GDB file's semicircles), and the same lines on the console besides the
// trace: the reductions and, under --fit, the shared distance.
class GpxAsGdb : public GpsbabelReader {};

TEST_P(GpxAsGdb, ConvertsAsItsGdb) {
    const Source& source = GetParam();
    ASSERT_NO_FATAL_FAILURE(make_gdb(*source.gpx, source.version));
    const auto said = [&](const std::string& option, const std::string& in,
                          const std::string& out) {
        const CommandOutcome run =
            run_command("'" KORVIX_BINARY "' " + option + " '" + (dir_ / in).string() + "' '" +
                        (dir_ / out).string() + "'");
        EXPECT_EQ(run.status, 0) << option << " " << in << "\n" << run.out;
        std::string lines;
        for (std::size_t at = 0, end; at < run.out.size(); at = end + 1) {
            end = run.out.find('\n', at);
            const std::string line = run.out.substr(at, end - at);
            if (!std::regex_match(line, std::regex("[A-Za-z] [0-9]+")))
                lines += line + "\n";
        }
        return lines;
    };
    for (const char* option : {"-V", "-W", "-V --points=2", "-W --fit --waypoints=3"}) {
        SCOPED_TRACE(option);
        EXPECT_EQ(said(option, "in.gpx", "out.gpx"), said(option, "in.gdb", "out.gdb"));
        const CommandOutcome gpx =
            run_command("gpsbabel -i gpx -f '" + (dir_ / "out.gpx").string() + "' -o gpx -F -");
        const std::vector<Path> from_gpx = parse_gpx(gpx.out).routes;
        const std::vector<Path> from_gdb = read_back("out.gdb").routes;
        ASSERT_EQ(outline(from_gpx), outline(from_gdb));
        for (std::size_t r = 0; r < from_gpx.size(); ++r) {
            for (std::size_t i = 0; i < from_gpx[r].points.size(); ++i) {
                const Point& a = from_gpx[r].points[i];
                const Point& b = from_gdb[r].points[i];
                EXPECT_EQ(a.name, b.name);
                EXPECT_NEAR(std::stod(a.latitude), std::stod(b.latitude), 1e-6);
                EXPECT_NEAR(std::stod(a.longitude), std::stod(b.longitude), 1e-6);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(GdbFiles, GpsbabelReader, ::testing::ValuesIn(sources()),
                         [](const auto& info) { return info.param.name; });

std::vector<Source> gpx_sources() {
    std::vector<Source> list;
    for (const Case& c : cases)
        list.push_back({c.name, &c, 3});
    return list;
}

INSTANTIATE_TEST_SUITE_P(Cases, GpxAsGdb, ::testing::ValuesIn(gpx_sources()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace korvix
