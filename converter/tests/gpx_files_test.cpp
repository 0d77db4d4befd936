// GPX files converted under every option letter and limit: the output validates against the GPX
// schema of its version (with Garmin's extensions), gpsbabel reads back the routes and tracks
// expected, every byte that was not converted is in the output as it was, and the route points
// carry the via and shaping marks of the letter. The files are the fuzz target's GPX seeds:
// GPX 1.0 with a route and a track of two segments, names 001 and 003 taken by a waypoint and a
// route point; a BaseCamp route whose points hold link points and trip marks, the Garmin
// namespaces under other prefixes; tracks whose GPX namespace has a prefix, behind a byte order
// mark, with CRLF line ends, comments, CDATA names and extensions korvix does not know.
#include "gdb_builder.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace korvix::testing {
namespace {

namespace fs = std::filesystem;

const fs::path corpus = fs::path(KORVIX_SOURCE_DIR) / "converter" / "fuzz" / "corpus";
const fs::path schemas = fs::path(KORVIX_SOURCE_DIR) / "testing" / "gpx-schemas";

struct GpxCase {
    const char* file;
    RunSettings settings;
    // What gpsbabel reads of the output: "R name count" or "T name count" for each route and
    // track in file order, joined by "|"; or "same" for an output that is the input byte for byte.
    const char* outline;
    const char* marks = ""; // per route of the output, V (via), S (shaping) or - per point, "|"
    const char* said = "";  // a line the console must hold
};

constexpr auto T = ConversionMode::track_all_points;
constexpr auto U = ConversionMode::track_via_points;
constexpr auto V = ConversionMode::route_from_track_user_vias;
constexpr auto W = ConversionMode::route_from_track_hidden_vias;
constexpr auto R = ConversionMode::route_user_vias;
constexpr auto S = ConversionMode::route_hidden_vias;
constexpr SimplifyLimits none{};
constexpr SimplifyLimits three{.max_points = 3};
constexpr SimplifyLimits three_split{.max_points = 3, .split = true};

// The counts follow from the files: LAKE has three route points and no link points, HILL five
// track points in two segments; PASS ROAD three route points and, with their link points, six
// positions once the repeats of a route point's first link point are merged; Ride four
// positions (one repeat), EMPTY none, Two two. Names 001 and 003 (gpx10), 001 (tracks, in
// CDATA) are taken.
const GpxCase cases[] = {
    {"gpx10-route-track.gpx", {T, none}, "T LAKE 3|T HILL 5"},
    {"gpx10-route-track.gpx", {U, three}, "T LAKE 3|T HILL 5"},
    {"gpx10-route-track.gpx", {V, none}, "R LAKE 3|R HILL 5", "-S-|-----"},
    {"gpx10-route-track.gpx", {W, none}, "R LAKE 3|R HILL 5", "-S-|VSSSV"},
    {"gpx10-route-track.gpx",
     {W, three_split},
     "R LAKE 3|R HILL 1/2 3|R HILL 2/2 3",
     "-S-|VSV|VSV",
     "HILL: 5 points -> 2 routes of 3 and 3, within 0.0 m"},
    {"gpx10-route-track.gpx", {R, none}, "R LAKE 3|T HILL 5", "VVV"},
    {"gpx10-route-track.gpx", {S, none}, "R LAKE 3|T HILL 5", "VSV"},
    {"gpx10-route-track.gpx",
     {V, {}, true, 3},
     "R LAKE 3|R HILL 3",
     "-S-|---",
     "1 track fits in 3 new waypoints"},
    {"gpx10-route-track.gpx",
     {V, {}, true, 1},
     "R LAKE 3|T HILL 5",
     "-S-",
     "Too few waypoints left to convert - track kept"},
    {"basecamp-route.gpx", {T, none}, "T PASS ROAD 6"},
    {"basecamp-route.gpx", {U, none}, "T PASS ROAD 3"},
    {"basecamp-route.gpx",
     {T, three_split},
     "T PASS ROAD 1/3 3|T PASS ROAD 2/3 3|T PASS ROAD 3/3 2"},
    {"basecamp-route.gpx", {V, none}, "same"},
    {"basecamp-route.gpx", {R, none}, "R PASS ROAD 3", "VVV"},
    {"basecamp-route.gpx", {S, none}, "R PASS ROAD 3", "VSV"},
    {"tracks-prefixed-crlf.gpx", {T, none}, "same"},
    {"tracks-prefixed-crlf.gpx", {S, none}, "same"},
    {"tracks-prefixed-crlf.gpx",
     {V, none},
     "R Ride &lt;one&gt; &amp; more 4|R Two &amp; more 2",
     "----|--",
     "Track has no points - track skipped"},
    {"tracks-prefixed-crlf.gpx",
     {W, three},
     "R Ride &lt;one&gt; &amp; more 3|R Two &amp; more 2",
     "VSV|VV"},
    {"tracks-prefixed-crlf.gpx",
     {V, {}, true, 4},
     "R Ride &lt;one&gt; &amp; more 2|R Two &amp; more 2|T EMPTY 0",
     "--|--",
     "Track has no points - track kept"},
};

// An element of this local name, under any prefix: written whole or as an empty-element tag.
std::regex element(const char* local) {
    const std::string name = std::string("(?:[\\w.-]+:)?") + local;
    return std::regex("<" + name + "\\b[^>]*?/>|<" + name + "\\b[\\s\\S]*?</" + name + ">");
}

// What gpsbabel reads of a GPX file, as in GpxCase::outline.
std::string gpsbabel_outline(const fs::path& file) {
    const CommandOutcome read =
        run_command("gpsbabel -i gpx -f " + shell_quoted(utf8_name(file)) + " -o gpx -F -");
    EXPECT_EQ(read.status, 0) << read.err;
    std::string outline;
    const std::regex path("<(rte|trk)>\\s*(?:<name>([^<]*)</name>)?([\\s\\S]*?)</(?:rte|trk)>");
    const std::regex point("<(?:rtept|trkpt) ");
    for (auto it = std::sregex_iterator(read.out.begin(), read.out.end(), path);
         it != std::sregex_iterator(); ++it) {
        const std::string body = (*it)[3];
        const auto points = std::distance(std::sregex_iterator(body.begin(), body.end(), point),
                                          std::sregex_iterator());
        outline += std::string(outline.empty() ? "" : "|") + ((*it)[1] == "rte" ? "R " : "T ") +
                   (*it)[2].str() + " " + std::to_string(points);
    }
    return outline;
}

// The marks of the route points of every route, as in GpxCase::marks.
std::string route_marks(const std::string& gpx) {
    std::string marks;
    const std::regex route = element("rte");
    const std::regex point = element("rtept");
    for (auto r = std::sregex_iterator(gpx.begin(), gpx.end(), route); r != std::sregex_iterator();
         ++r) {
        marks += marks.empty() ? "" : "|";
        const std::string body = (*r)[0];
        for (auto p = std::sregex_iterator(body.begin(), body.end(), point);
             p != std::sregex_iterator(); ++p) {
            const std::string text = (*p)[0];
            marks += text.find(":ViaPoint") != std::string::npos       ? "V"
                     : text.find(":ShapingPoint") != std::string::npos ? "S"
                                                                       : "-";
        }
    }
    return marks;
}

// Every byte between the elements that the letter converts stands in the output, in order.
void expect_kept_between(const std::string& input, const std::string& output, const char* local) {
    const std::regex converted = element(local);
    std::size_t from = 0;
    std::size_t found = 0;
    const auto expect_piece = [&](const std::string& piece) {
        const std::size_t at = output.find(piece, found);
        EXPECT_NE(at, std::string::npos) << "not in the output: " << piece;
        if (at != std::string::npos)
            found = at + piece.size();
    };
    for (auto it = std::sregex_iterator(input.begin(), input.end(), converted);
         it != std::sregex_iterator(); ++it) {
        expect_piece(input.substr(from, static_cast<std::size_t>(it->position()) - from));
        from = static_cast<std::size_t>(it->position() + it->length());
    }
    expect_piece(input.substr(from));
}

// Under --fit the tracks kept stand behind the routes, each followed by a line end: the output
// less them.
std::string without_kept_tracks(const std::string& input, std::string output) {
    const std::regex track = element("trk");
    for (auto it = std::sregex_iterator(input.begin(), input.end(), track);
         it != std::sregex_iterator(); ++it) {
        const std::string kept = (*it)[0];
        const std::size_t at = output.find(kept);
        if (at == std::string::npos)
            continue;
        std::size_t end = at + kept.size();
        end += output.compare(end, 2, "\r\n") == 0 ? 2 : output.compare(end, 1, "\n") == 0 ? 1 : 0;
        output.erase(at, end - at);
    }
    return output;
}

// -R and -S: the file less every trip mark, and less the extensions elements left empty, and
// with <rtept .../> written open, is the input so treated.
std::string without_marks(std::string gpx) {
    gpx = std::regex_replace(gpx, std::regex("<([\\w.-]+):(ViaPoint|ShapingPoint)\\b[^>]*/>"), "");
    gpx = std::regex_replace(
        gpx, std::regex("<([\\w.-]+):(ViaPoint|ShapingPoint)\\b[^>]*>[\\s\\S]*?</\\1:\\2>"), "");
    gpx = std::regex_replace(gpx, std::regex("<((?:[\\w.-]+:)?rtept)([^>]*?)/>"), "<$1$2></$1>");
    return std::regex_replace(gpx, std::regex("<((?:[\\w.-]+:)?extensions)></\\1>"), "");
}

class GpxFiles : public ::testing::TestWithParam<GpxCase> {};

TEST_P(GpxFiles, ValidateReadBackAndKeepWhatIsNotConverted) {
    const GpxCase& c = GetParam();
    const Bytes input = read_file(corpus / c.file);
    const RunResult run = convert_bytes(input, c.settings);
    ASSERT_EQ(run.status, 0) << run.console;
    EXPECT_NE(run.console.find(c.said), std::string::npos) << run.console;
    const std::string in(input.begin(), input.end());
    const std::string out(run.output.begin(), run.output.end());
    const ConversionMode mode = c.settings.mode;
    if (std::string_view(c.outline) == "same") {
        EXPECT_EQ(out, in);
        return;
    }
    EXPECT_EQ(route_marks(out), c.marks);
    if (rewrites_routes(mode))
        EXPECT_EQ(without_marks(out), without_marks(in));
    else
        expect_kept_between(in, c.settings.fit ? without_kept_tracks(in, out) : out,
                            converts_routes_to_tracks(mode) ? "rte" : "trk");
    if (const char* why = why_no_gpsbabel())
        GTEST_SKIP() << why;
    const TempDir dir("korvix-gpx");
    // gpsbabel reads no GPX whose namespace has a prefix: it is given the same document with the
    // GPX namespace as the default one.
    write_file(dir / "out.gpx",
               std::regex_replace(std::regex_replace(out, std::regex("<(/?)gpx:"), "<$1"),
                                  std::regex("xmlns:gpx="), "xmlns="));
    const char* schema =
        in.find("GPX/1/0") != std::string::npos ? "gpx-1.0-garmin.xsd" : "gpx-1.1-garmin.xsd";
    write_file(dir / "as-written.gpx", run.output);
    const CommandOutcome valid =
        run_command("xmllint --noout --schema " + shell_quoted(utf8_name(schemas / schema)) + " " +
                    shell_quoted(utf8_name(dir / "as-written.gpx")));
    EXPECT_EQ(valid.status, 0) << valid.err << out;
    EXPECT_EQ(gpsbabel_outline(dir / "out.gpx"), c.outline);
}

std::string case_name(const ::testing::TestParamInfo<GpxCase>& info) {
    const GpxCase& c = info.param;
    std::string name = test_name_of_file(c.file) + "_" + static_cast<char>(c.settings.mode);
    if (c.settings.limits.max_points != 0)
        name += "_points" + std::to_string(c.settings.limits.max_points);
    if (c.settings.limits.split)
        name += "_split";
    if (c.settings.fit)
        name += "_fit" + std::to_string(c.settings.waypoint_limit);
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, GpxFiles, ::testing::ValuesIn(cases), case_name);

} // namespace
} // namespace korvix::testing
