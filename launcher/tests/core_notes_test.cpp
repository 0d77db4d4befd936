// What the dialog tells of the chosen files before a run, in the lines under the two paths, and
// what the box after a run of -V or -W tells of the tracks: skipped and not in the output, kept,
// bent beyond the tolerance by the point limit, become routes of one point, fitted.
#include "CoreTestSupport.h"
#include "Launcher.h"
#include "ParseDlgModel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace runkorvix;
namespace fs = std::filesystem;

namespace {

const std::string kTooMany = "Too many waypoints needed to convert - track skipped";
const std::string kTooFew = "Too few waypoints left to convert - track kept";

// A folder of the test's own, removed at the end.
class NotesFolder {
public:
    explicit NotesFolder(const std::string& name)
        : m_path(fs::temp_directory_path() / ("runkorvix notes " + name)) {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~NotesFolder() {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    NotesFolder(const NotesFolder&) = delete;
    NotesFolder& operator=(const NotesFolder&) = delete;

    std::string Path(const std::string& name) const { return (m_path / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }

private:
    fs::path m_path;
};

TEST(DialogLines, WhatTheInputHoldsAndWhatRunWillDoToTheOutput) {
    const NotesFolder folder("lines");
    const std::string routes = GdbHeader() + RouteRecord("ride") + RouteRecord("back") +
                               Record('V', std::string("\0\x01", 2));
    const std::string gpxHead = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" "
                                "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    const std::string gpxTrack = "<trk><name>A</name><trkseg><trkpt lat=\"1\" lon=\"1\"/>"
                                 "<trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"2\" lon=\"1\"/>"
                                 "</trkseg></trk>\n";
    const struct {
        const char* name;
        std::string bytes;
        std::string note;   // under -V, which finds tracks
        std::string underT; // when -T finds nothing, the note says so: empty where it does not
        bool gpx = false;
    } inputs[] = {
        {"routes only", routes, "-V finds no track in in.gdb; -T or -U convert its 2 routes",
         "no waypoints, no tracks, 2 routes"},
        {"GPX", gpxHead + "<wpt lat=\"1\" lon=\"2\"><name>007</name></wpt>" + gpxTrack + "</gpx>",
         "1 waypoint, 1 track of 2 points, no routes; 998 names left for new waypoints",
         "-T finds no route in in.gdb; -V or -W convert its 1 track", true},
        {"GPX of a mismatched tag", gpxHead + "<trk></rte></gpx>",
         "Input file not valid GPX: line 3, column 8: mismatched tag",
         "Input file not valid GPX: line 3, column 8: mismatched tag", true},
        {"tracks only", DeviceNamedGdb(0, {3, 7}),
         "no waypoints, 2 tracks of 3 to 7 points, no routes; 999 names left for new waypoints",
         "-T finds no route in in.gdb; -V or -W convert its 2 tracks"},
        {"one-position tracks", DeviceNamedGdb(0, {1, 1, 1}),
         "no waypoints, 3 tracks of 1 point, no routes; 999 names left for new waypoints",
         "-T finds no route in in.gdb; -V or -W convert its 3 tracks"},
        {"not a GDB file", "a note\n", "Not a GDB file.", "Not a GDB file."},
        {"neither", GdbHeader() + Record('V', std::string("\0\x01", 2)),
         "-V finds no track in in.gdb", "-T finds no route in in.gdb"},
        // Repeats of a position count once, as korvix collects them.
        {"device-named", DeviceNamedGdb(312, {1, 1906, 12, 1}),
         "312 waypoints, 4 tracks of 1 to 1906 points, no routes; 687 names left for new "
         "waypoints",
         "-T finds no route in in.gdb; -V or -W convert its 4 tracks"},
    };
    const std::string existing = folder.Write("ride-route.gdb", "an earlier result");
    fs::create_directory(folder.Path("maps"));
    const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
    const struct {
        const char* name;
        std::string path; // relative to the folder; "=" the input by another spelling
        std::string note;
        bool taken;
    } outputs[] = {
        {"new", "new.gdb", "", true},
        {"existing", "ride-route.gdb", "ride-route.gdb exists: Run replaces it", true},
        {"missing folder", "trips" + sep + "out.gdb", "No folder " + folder.Path("trips"), true},
        {"the input itself", "=", kSameFileText, false},
        {"new GPX", "new.gpx", "", true},
    };
    const std::string gdbName = "korvix writes a GPX file from a GPX file: name the output .gpx";
    for (const auto& input : inputs) {
        const std::string in = folder.Write("in.gdb", input.bytes);
        for (const auto& output : outputs) {
            const std::string what = std::string(input.name) + ", " + output.name;
            MemoryStore store;
            LauncherSettings settings(store);
            ParseDlgModel model(settings);
            model.Start(folder.Path("runkorvix"));
            ASSERT_TRUE(model.ChooseInput(in)) << what;
            const std::string out = output.path == "="
                                        ? folder.Path("maps" + sep + ".." + sep + "in.gdb")
                                        : folder.Path(output.path);
            EXPECT_TRUE(model.ChooseOutput(out)) << what;
            EXPECT_EQ(model.State(IDC_INPUT_NOTE).text, input.underT) << what;
            model.Click(IDC_RADIO_V);
            EXPECT_EQ(model.State(IDC_INPUT_NOTE).text, input.note) << what;
            // A GPX file is written from a GPX file only under a GPX file's name, as korvix says.
            const bool named_gdb = output.path.ends_with(".gdb");
            EXPECT_EQ(model.State(IDC_OUTPUT_NOTE).text,
                      input.gpx && named_gdb ? gdbName : output.note)
                << what;
            EXPECT_EQ(model.WritesGpx(), input.gpx) << what;
            // A refused output is not taken: Run stays as it was, disabled before any output.
            EXPECT_EQ(model.State(IDC_OUTPUT_PATH).text, output.taken ? out : "") << what;
            EXPECT_EQ(model.State(IDC_RUN).enabled, output.taken) << what;
            EXPECT_EQ(model.ChooserFolder(),
                      fs::path(output.taken ? out : in).parent_path().string())
                << what;
        }
    }

    // Checked again when the input changes: the output chosen may be the new input, and Run,
    // enabled once, stays enabled (it refuses the run itself).
    MemoryStore store;
    LauncherSettings settings(store);
    ParseDlgModel model(settings);
    model.Start(folder.Path("runkorvix"));
    model.ChooseInput(folder.Path("in.gdb"));
    model.ChooseOutput(existing);
    model.ChooseInput(existing);
    EXPECT_EQ(model.State(IDC_OUTPUT_NOTE).text, kSameFileText);
    EXPECT_TRUE(model.State(IDC_RUN).enabled);
    EXPECT_EQ(model.State(IDC_INPUT_NOTE).text, "Not a GDB file.");
    // A refused choice says which file Run still writes to.
    model.ChooseOutput(folder.Path("in.gdb"));
    model.ChooseOutput(existing);
    EXPECT_EQ(model.State(IDC_OUTPUT_NOTE).text,
              std::string(kSameFileText) + " Run still writes to in.gdb.");
    EXPECT_EQ(model.State(IDC_OUTPUT_PATH).text, folder.Path("in.gdb"));
}

// `text` `count` times over.
std::string Repeated(const std::string& text, std::size_t count) {
    std::string repeated;
    for (std::size_t at = 0; at < count; ++at) {
        repeated += text;
    }
    return repeated;
}

// The converter's trace and lines for tracks of the given fates, in order: "" converted, else
// the message said after its trace line.
std::string TrackLines(const std::vector<std::string>& fates) {
    std::string lines;
    for (const std::string& fate : fates) {
        lines += "T 60\n" + (fate.empty() ? "" : fate + '\n');
    }
    return lines;
}

TEST(RunBox, WhatBecameOfTheTracks) {
    const NotesFolder folder("box");
    fs::copy_file(FAKE_KORVIX_PATH, folder.Path(ConverterFileName()));
    const std::string log = folder.Path("converter.log");
    // The limits of the cases by index: none, both of them, a fit into 500, a fit into all.
    const RouteLimits limits[] = {
        {}, {250, "10", false}, {0, "", false, true, 500}, {0, "", false, true, 0}};
    const std::string said = "\n\nkorvix said:\n\n";
    const struct {
        const char* name;
        std::string input;
        std::string print;
        std::string text;
        int limits = 0;
        std::vector<std::string> options = {"-V"};
    } cases[] = {
        {"skips, at most five names", DeviceNamedGdb(990, {1, 1, 5, 3, 4, 2, 2, 2, 2}),
         TrackLines({"", "", "", kTooMany, kTooMany, "", kTooMany, kTooMany, kTooMany}),
         "4 tracks became routes in out.gdb.\n5 tracks were skipped and are not in out.gdb: "
         "ACTIVE LOG 004, ACTIVE LOG 005, ACTIVE LOG 007, ACTIVE LOG 008 and ACTIVE LOG 009. One "
         "run names at most 999 waypoints, and the file's own waypoints take 990 of those names. "
         "Fit every track into 9 waypoints converts as many as those names hold.\n2 tracks of a "
         "single position became routes of one point." +
             said + kTooMany + " (5 times)"},
        {"more skips than names listed", DeviceNamedGdb(0, {2, 2, 2, 2, 2, 2, 2}),
         TrackLines({kTooMany, kTooMany, kTooMany, kTooMany, kTooMany, kTooMany, kTooMany}),
         "No track became a route in out.gdb.\n7 tracks were skipped and are not in out.gdb: "
         "ACTIVE LOG 001, ACTIVE LOG 002, ACTIVE LOG 003 and 4 more. One run names at most 999 "
         "waypoints. Fit every track into 999 waypoints converts them all." +
             said + kTooMany + " (7 times)"},
        {"the point limit overruled the tolerance",
         DeviceNamedGdb(0, {1906, 300, 400}),
         "T 60\nACTIVE LOG 001: 1906 points -> 250, within 24.3 m, not 10 m\nT 60\n"
         "ACTIVE LOG 002: 300 points -> 41, within 9.9 m\nT 60\n"
         "ACTIVE LOG 003: 400 points -> 250, within 12.5 m, not 10 m\n",
         "3 tracks became 3 routes of at most 250 points in out.gdb, within 24.3\u00A0m of their "
         "tracks.\nOn 2 tracks 250 points could not keep within 10\u00A0m.",
         1,
         {"-V", "--points=250", "--tolerance=10"}},
        {"one-point routes", DeviceNamedGdb(0, {1, 4, 1, 1}), TrackLines({"", "", "", ""}),
         "4 tracks became routes in out.gdb.\n3 tracks of a single position became routes of one "
         "point."},
        {"nothing converted",
         GdbHeader() + Record('R', "r") + Record('V', std::string("\0\x01", 2)), "R 1\n",
         "out.gdb is now a copy of in.gdb: it holds no track to convert.\n\nIts 1 route is "
         "converted by -T and -U; -R and -S rewrite the vias."},
        {"a fit, a track kept",
         DeviceNamedGdb(0, {1, 1906, 12, 5}),
         TrackLines({"", "", "", kTooFew}) + "ACTIVE LOG 002: 1906 points -> 480, within 20.8 m\n"
                                             "3 tracks fit in 500 new waypoints, within 20.8 m "
                                             "of their tracks\n",
         "3 tracks became 3 routes through 500 new waypoints, within 20.8\u00A0m of their "
         "tracks.\n1 "
         "track was kept as a track in out.gdb: ACTIVE LOG 004.\n1 track of a single position "
         "became a route of one point." +
             said + kTooFew,
         2,
         {"-V", "--fit", "--waypoints=500"}},
        // A unit counts the file's own waypoints too.
        {"a fit with the file's own waypoints",
         DeviceNamedGdb(312, {2, 3}),
         Repeated("W 71\n", 312) + TrackLines({"", ""}) +
             "2 tracks fit in 500 new waypoints, within 3.0 m of their tracks\n",
         "2 tracks became 2 routes through 500 new waypoints (812 with the file's own 312), "
         "within 3.0\u00A0m of their tracks.",
         2,
         {"-V", "--fit", "--waypoints=500"}},
        {"a fit of one track",
         DeviceNamedGdb(0, {1}),
         TrackLines({""}) + "1 track fits in 1 new waypoint, within 0.0 m of its track\n",
         "1 track became 1 route through 1 new waypoint, within 0.0\u00A0m of its track.\n1 track "
         "of a "
         "single position became a route of one point.",
         3,
         {"-V", "--fit"}},
    };
    for (const auto& c : cases) {
        const std::string input = folder.Write("in.gdb", c.input);
        MemoryStore store;
        LauncherSettings settings(store);
        Launcher launcher(settings);
        ASSERT_TRUE(launcher.LocateConverter(folder.Path(LauncherFileName()))) << c.name;
        launcher.SelectOption(4, "");
        launcher.SetLimits(limits[c.limits]);
        launcher.ChooseInput(input);
        launcher.ChooseOutput(folder.Path("out.gdb"));
        fs::remove(log);
        Converter(c.print, 1, "0");
        SetEnv("RUNKORVIX_TEST_LOG", log);
        const Feedback feedback = launcher.Run([](ConverterRun& run) {
            while (run.Pump(std::chrono::milliseconds(50))) {
            }
        });
        EXPECT_EQ(feedback.text, c.text) << c.name;
        const std::vector<std::string> lines = LogLines(log);
        ASSERT_EQ(lines.size(), c.options.size() + 4) << c.name;
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end() - 3), c.options)
            << c.name;
    }
}

} // namespace
