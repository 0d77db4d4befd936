// runkorvix says of an input and of the values typed what korvix will do with them: each case
// run through korvix itself and through the launcher's core.
#include "ConverterRun.h"
#include "CoreTestSupport.h"
#include "LauncherOptions.h"
#include "ReductionLines.h"
#include "RouteLimits.h"
#include "RunOutcome.h"
#include "TrackLines.h"
#include "file_contents.h"
#include "gdb_bytes.h"
#include "reduction_line.h"
#include "track_lines.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

using namespace runkorvix;

namespace {

namespace fs = std::filesystem;

// The lines korvix writes of what it reduced and fitted, read back by the dialog as written,
// whatever the route's or track's name holds.
TEST(LinesAgreement, AsKorvixWritesThem) {
    using korvix::rules::ReductionFigures;
    const struct {
        std::string name;
        ReductionFigures figures;
        const char* kind;
    } reductions[] = {
        {"ACTIVE LOG", {4210, 250, 1, 0, 11.64, 0}, "routes"},
        {"A: 9 points -> 3, within 1.0 m", {4210, 651, 3, 250, 4.0, 0}, "routes"},
        {"RIDE", {1906, 250, 1, 0, 24.3, 10}, "routes"},
        {"", {12, 3, 2, 2, 0.04, 2.5}, "tracks"},
        {"LONG", {10000, 10000, 40, 257, 12345.67, 0.001}, "tracks"},
    };
    for (const auto& c : reductions) {
        std::string line = c.name;
        korvix::rules::write_reduction_line([&](std::string_view text) { line += text; }, c.figures,
                                            c.kind);
        ASSERT_TRUE(line.ends_with('\n')) << line;
        line.pop_back();
        const std::optional<Reduction> read = ParseReductionLine(line);
        ASSERT_TRUE(read.has_value()) << line;
        EXPECT_EQ(read->parts, c.figures.parts) << line;
        EXPECT_NEAR(read->within, c.figures.within_metres, 0.05) << line;
        EXPECT_EQ(read->overruled, c.figures.overruled_tolerance > 0) << line;
    }
    for (const korvix::rules::FitFigures fit :
         {korvix::rules::FitFigures{26, 687, 20.84}, {1, 1, 0}, {1, 2, 3.05}, {2, 1, 123456.7}}) {
        char text[korvix::rules::fit_line_room];
        std::string line(text, korvix::rules::format_fit_line(fit, text));
        ASSERT_TRUE(line.ends_with('\n')) << line;
        line.pop_back();
        const std::optional<FitLine> read = ParseFitLine(line);
        ASSERT_TRUE(read.has_value()) << line;
        EXPECT_EQ(read->tracks, fit.tracks) << line;
        EXPECT_EQ(read->waypoints, fit.waypoints) << line;
        EXPECT_NEAR(read->within, fit.within_metres, 0.05) << line;
    }
}

#ifdef KORVIX_PATH

struct KorvixRun {
    ExitStatus status;
    RunResult result;
    std::string output; // every line korvix printed
};

// Runs korvix with these arguments in `dir`.
KorvixRun RunKorvix(const fs::path& dir, const std::vector<std::string>& arguments) {
    const auto process = CreateConverterProcess();
    std::string output;
    ConverterRun run(*process, [&output](std::string_view text) { output += text; });
    EXPECT_EQ(run.Start(KORVIX_PATH, arguments, dir.string()), 0);
    while (run.Pump(std::chrono::milliseconds(50))) {
    }
    return {run.Result().status, run.Result(), output};
}

bool Said(const RunResult& result, const std::string& message) {
    for (const MessageLog::Entry& entry : result.messages.Entries()) {
        if (entry.text == message) {
            return true;
        }
    }
    return false;
}

// The points korvix collected of each track it reduced, in the order of the file, from its
// reduction lines ("ACTIVE LOG: 1906 points -> 2, within 24.3 m").
std::vector<std::uint32_t> CollectedPoints(const std::string& output) {
    std::vector<std::uint32_t> points;
    const std::regex line(R"(: ([0-9]+) points -> 2, within )");
    for (std::sregex_iterator m(output.begin(), output.end(), line); m != std::sregex_iterator();
         ++m) {
        points.push_back(static_cast<std::uint32_t>(std::stoul((*m)[1])));
    }
    return points;
}

class Agreement : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("runkorvix-agreement-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(m_dir / name, std::ios::binary) << bytes;
    }

    fs::path m_dir;
};

// The header with another version record, application or signature. GdbHeader() is a version 1
// header of MapSource.
std::string Header(const std::string& versionBytes, const std::string& application) {
    return std::string("MsRcf\0", 6) + versionBytes +
           std::string("Sep 27 2026\0"
                       "12:00:00\0"
                       "\0",
                       22) +
           application + '\0';
}
std::string VersionRecord(char letter, std::uint32_t length = 2) {
    std::string bytes = Record('D', std::string(1, letter) + '\0', length);
    return bytes + std::string(14 - bytes.size(), '\0');
}

namespace builder = korvix::testing;

// A track of `count` winding points from `first` on, its points laid out as files of every
// version lay them out when no depth or temperature is recorded.
std::string Track(const std::string& name, int count, std::int32_t first = 0) {
    std::vector<builder::TrackPoint> points;
    for (int i = 0; i < count; ++i) {
        points.push_back({first + i * 500 + (i % 3) * 70, i * 300});
    }
    return builder::as_text(builder::record('T', builder::track_body(name, points)));
}

struct FileRow {
    std::string name;
    std::string file;
};

// A GPX file of this version ("1.0" or "1.1") around `body`.
std::string Gpx(const std::string& version, const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"" + version +
           "\" creator=\"t\" xmlns=\"http://www.topografix.com/GPX/" +
           (version == "1.0" ? "1/0" : "1/1") + "\">\n" + body + "</gpx>\n";
}

// A GPX track of segments of `counts` winding points; "BAD" stands for a point of no position.
std::string GpxTrack(const std::string& name, const std::vector<int>& counts) {
    std::string track = "<trk><name>" + name + "</name>";
    int point = 0;
    for (const int count : counts) {
        track += "<trkseg>";
        for (int i = 0; i < count; ++i, ++point) {
            track += "<trkpt lat=\"" + std::to_string(45 + point * 0.001) + "\" lon=\"" +
                     std::to_string(7 + (point % 3) * 0.0007) + "\"/>";
        }
        track += "</trkseg>";
    }
    return track + "</trk>\n";
}

// GPX files: points of no position or beyond a pole, names that take numbers, refused ones.
std::vector<FileRow> GpxFiles() {
    const std::string points = "<wpt lat=\"1\" lon=\"2\"><name>001</name></wpt>\n"
                               "<rte><name>R</name><rtept lat=\"1\" lon=\"2\"><name>012</name>"
                               "</rtept><rtept lat=\"1.1\" lon=\"2\"/></rte>\n";
    const std::string tracks = GpxTrack("ONE", {1}) + GpxTrack("THREE", {2, 1}) +
                               GpxTrack("TWELVE", {5, 0, 7}) +
                               "<trk><name>POLE</name><trkseg><trkpt lat=\"1\" lon=\"1\"/>"
                               "<trkpt lat=\"90.5\" lon=\"1\"/><trkpt lat=\"x\" lon=\"1\"/>"
                               "<trkpt lat=\"2\" lon=\"1\"/><trkpt lat=\"3\" lon=\"1\"/>"
                               "</trkseg></trk>\n";
    return {
        {"GPX 1.1", Gpx("1.1", points + tracks)},
        {"GPX 1.0", Gpx("1.0", points + tracks)},
        {"GPX of a track of 10001 points", Gpx("1.1", GpxTrack("LONG", {10001}))},
        {"GPX of a mismatched tag", Gpx("1.1", points + "<trk><name>A</trk>\n")},
        {"GPX cut short", Gpx("1.1", points + tracks).substr(0, 300)},
        {"XML whose root is no gpx", "<?xml version=\"1.0\"?>\n<kml>" + tracks + "</kml>\n"},
        {"GPX with a document type", "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [<!ENTITY a \"b\">]>" +
                                         Gpx("1.1", tracks).substr(39)},
    };
}

// Files of every kind, cut and damaged ones among them, in each GDB version, and GPX files.
std::vector<FileRow> AgreementFiles() {
    const std::string waypoints = Record('W', std::string("001\0rest", 8)) +
                                  Record('W', std::string("012\0", 4)) +
                                  Record('T', std::string(9, 't'));
    const std::string closing = Record('V', std::string("\0\x01", 2));
    const std::string body = waypoints + closing;
    std::vector<FileRow> rows = {
        {"MapSource, no version record", GdbHeader() + body},
        {"version 1", Header(VersionRecord('k'), "MapSource") + body},
        {"version 2", Header(VersionRecord('l'), "MapSource") + body},
        {"version 3 of BaseCamp", Header(VersionRecord('m'), "BaseCamp") + body},
        {"an unknown version letter", Header(VersionRecord('q'), "MapSource") + body},
        {"a version record of length 3", Header(VersionRecord('l', 3), "MapSource") + body},
        {"a version record of length 0", Header(VersionRecord('l', 0), "MapSource") + body},
        {"a version record of length 0x80000002",
         Header(VersionRecord('l', 0x80000002), "MapSource") + body},
        {"another application", Header(VersionRecord('l'), "GPSBabel") + body},
        {"an application name longer than MapSource",
         Header(VersionRecord('l'), "MapSourceMapSource") + body},
        {"the start of an application name", Header(VersionRecord('l'), "Map") + body},
        {"another signature", "MsRcx" + (GdbHeader() + body).substr(5)},
        {"cut in the signature", GdbHeader().substr(0, 3)},
        {"cut in the version bytes", GdbHeader().substr(0, 12)},
        {"cut in the application name", GdbHeader().substr(0, GdbHeader().size() - 3)},
        {"cut behind the header", GdbHeader()},
        {"cut in a record", GdbHeader() + waypoints.substr(0, 9)},
        {"cut before the closing record", GdbHeader() + waypoints},
        {"records behind the closing record", GdbHeader() + closing + waypoints},
        {"a length past the end", GdbHeader() + Record('W', "", 0xFFFFFFFF) + closing},
        {"a route of a long body", GdbHeader() + Record('R', std::string(100000, 'R')) + closing},
        {"empty", ""},
    };
    const std::string beyondPole = builder::as_text(builder::record(
        'T', builder::track_body("POLE",
                                 {{1, 1}, {(1 << 30) + 1, 2}, {3, 3}, {-(1 << 30), 4}, {5, 5}})));
    const std::string noCount = builder::as_text(builder::record(
        'T', builder::Fields().str("MINUS ONE").raw({0, 1, 0, 0, 0}).i32(-1).bytes()));
    // A track whose count promises more points than its record holds.
    std::string damaged = Track("DAMAGED", 5);
    damaged[5 + 8 + 5] = 9;
    for (int version = 0; version <= 3; ++version) {
        const std::string header = builder::as_text(builder::gdb_header(version));
        const std::string in = " in version " + std::to_string(version);
        rows.push_back(
            {"tracks of 1, 3 and 12 points" + in,
             header + Track("ONE", 1) + Track("THREE", 3, 7) + Track("TWELVE", 12, 9) + closing});
        rows.push_back({"a track point beyond a pole" + in, header + beyondPole + closing});
        rows.push_back({"a track of 10001 points" + in, header + Track("LONG", 10001) + closing});
        rows.push_back({"a point count of -1" + in, header + noCount + Track("NEXT", 4) + closing});
        rows.push_back({"a damaged track among good ones" + in,
                        header + Track("GOOD", 4) + damaged + Track("BEHIND", 6) + closing});
    }
    for (FileRow& row : GpxFiles()) {
        rows.push_back(std::move(row));
    }
    return rows;
}

// What the dialog reads of a file, through korvix's files library, is what korvix reads of it:
// whether -T converts it, and -V, which reads every track's points; what each says where it stops;
// the records; and the points of every track as -V collects them (told by the reduction lines of
// -V --points=2), up to a damaged one.
TEST_F(Agreement, WhatTheDialogReadsOfAFileIsWhatKorvixReads) {
    for (const FileRow& row : AgreementFiles()) {
        Write("in.gdb", row.file);
        // The tracks' points up to the first damaged track, which the walk does not visit: -V
        // stops there.
        std::vector<std::uint32_t> walked;
        std::uint64_t next = 0;
        bool damagedBefore = false;
        const korvix::FileContents contents = korvix::read_file_contents(
            (m_dir / "in.gdb").string(), [&](const korvix::TrackSeen& track) {
                damagedBefore = damagedBefore || track.index != next;
                next = track.index + 1;
                if (track.points.count > 2 && !damagedBefore) {
                    walked.push_back(track.points.count);
                }
            });
        const std::string& name = row.name;
        // "out": korvix names it by the input's format.
        const KorvixRun copy = RunKorvix(m_dir, {"-T", "in.gdb", "out"});
        ASSERT_EQ(copy.status.Succeeded(), contents.routes_whole()) << name << '\n' << copy.output;
        const KorvixRun tracks = RunKorvix(m_dir, {"-V", "--points=2", "in.gdb", "out"});
        ASSERT_EQ(tracks.status.Succeeded(), contents.tracks_whole()) << name << '\n'
                                                                      << tracks.output;
        for (const auto& [run, message] : {std::pair{&copy, contents.message_reading_routes()},
                                           {&tracks, contents.message_reading_tracks()}}) {
            if (!message.empty()) {
                EXPECT_TRUE(Said(run->result, message.substr(0, message.size() - 1)))
                    << name << ": " << message;
            }
        }
        if (contents.routes_whole()) {
            EXPECT_EQ(copy.result.records.Of('W'), contents.waypoints) << name;
            EXPECT_EQ(copy.result.records.Of('R'), contents.routes) << name;
            EXPECT_EQ(copy.result.records.Of('T'), contents.tracks) << name;
        }
        EXPECT_EQ(CollectedPoints(tracks.output), walked) << name << '\n' << tracks.output;
    }
}

// The names of three digits that a file's waypoints take, each once, and the waypoints that a
// run's output holds, counted by the same walk.
TEST_F(Agreement, NamesThatTakeNumbersAndTheWaypointsOfAnOutput) {
    const std::string numbered =
        GdbHeader() + Record('W', std::string("001\0rest", 8)) + Record('W', "001") +
        Record('W', std::string("001\0", 4)) + Record('W', std::string("000\0", 4)) +
        Record('W', std::string("999\0", 4)) + Record('W', std::string("1234\0", 5)) +
        Record('W', std::string("12\0x", 4)) + Record('R', std::string("002\0", 4)) +
        Track("TRACK", 3) + Record('V', std::string("\0\x01", 2));
    Write("in.gdb", numbered);
    const korvix::FileContents contents = korvix::read_file_contents((m_dir / "in.gdb").string());
    ASSERT_TRUE(contents.whole());
    EXPECT_EQ(contents.numbers.taken_count(), 2u);
    EXPECT_EQ(NamesLeft(contents), 997u);
    // The track's three waypoints pass over 001: 002 to 004.
    ASSERT_TRUE(RunKorvix(m_dir, {"-V", "in.gdb", "out.gdb"}).status.Succeeded());
    const korvix::FileContents output = korvix::read_file_contents((m_dir / "out.gdb").string());
    EXPECT_EQ(output.waypoints, contents.waypoints + 3);
    EXPECT_EQ(output.numbers.taken_count(), 5u);

    // In a GPX file the names of waypoints and route points, compared exactly; the route points
    // that -V names, not new waypoints.
    Write("in.gpx", Gpx("1.1", "<wpt lat=\"1\" lon=\"2\"><name>001</name></wpt>"
                               "<wpt lat=\"1\" lon=\"2\"><name>001</name></wpt>"
                               "<wpt lat=\"1\" lon=\"2\"><name> 003</name></wpt>"
                               "<wpt lat=\"1\" lon=\"2\"><name>0012</name></wpt>"
                               "<rte><rtept lat=\"1\" lon=\"2\"><name>002</name></rtept></rte>" +
                                   GpxTrack("TRACK", {3})));
    const korvix::FileContents gpx = korvix::read_file_contents((m_dir / "in.gpx").string());
    ASSERT_TRUE(gpx.whole());
    EXPECT_EQ(gpx.format, korvix::InputFormat::gpx);
    EXPECT_EQ(NamesLeft(gpx), 997u);
    ASSERT_TRUE(RunKorvix(m_dir, {"-V", "in.gpx", "out"}).status.Succeeded());
    const korvix::FileContents made = korvix::read_file_contents((m_dir / "out.gpx").string());
    EXPECT_EQ(made.waypoints, gpx.waypoints);
    EXPECT_EQ(made.routes, 2u);
    EXPECT_EQ(made.numbers.taken_count(), 5u);
}

// Each value the dialog passes on is one that korvix takes, and each it refuses korvix refuses;
// so is the choice of the option buttons whose runs take limits.
TEST_F(Agreement, TypedLimitsAndTheOptionsThatTakeThem) {
    Write("in.gdb", GdbHeader() + Record('V', std::string("\0\x01", 2)));
    const std::string huge(400, '9');
    for (const std::string text :
         {"250",   "2",   "10000", "00010", "000010", "0000000000002", "1",
          "10001", "2.5", ".5",    "5.",    "0",      "0.0",           ".",
          "2,5",   "-3",  "+3",    "1e3",   "2.5.1",  "0x10",          huge.c_str()}) {
        const bool points =
            RunKorvix(m_dir, {"-T", "--points=" + text, "in.gdb", "out.gdb"}).status.Succeeded();
        EXPECT_EQ(ParsePointLimit(text).has_value(), points) << text;
        const bool metres =
            RunKorvix(m_dir, {"-T", "--tolerance=" + text, "in.gdb", "out.gdb"}).status.Succeeded();
        EXPECT_EQ(ParseTolerance(text).has_value(), metres) << text;
    }
    for (int radio = 0; radio < static_cast<int>(kFixedOptions.size()); ++radio) {
        const std::string option(kFixedOptions[static_cast<std::size_t>(radio)]);
        const bool taken =
            RunKorvix(m_dir, {option, "--points=5", "in.gdb", "out.gdb"}).status.Succeeded();
        EXPECT_EQ(TakesLimits(radio), taken) << option;
    }
}

#endif

} // namespace
