// runkorvix says of an input and of the values typed what korvix will do with them: each case
// run through korvix itself and through the launcher's core.
#include "ConverterRun.h"
#include "CoreTestSupport.h"
#include "GdbRecordCount.h"
#include "LauncherOptions.h"
#include "ReductionLines.h"
#include "RouteLimits.h"
#include "TrackLines.h"
#include "reduction_line.h"
#include "track_lines.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
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
};

// Runs korvix with these arguments in `dir`.
KorvixRun RunKorvix(const fs::path& dir, const std::vector<std::string>& arguments) {
    const auto process = CreateConverterProcess();
    ConverterRun run(*process, nullptr);
    EXPECT_EQ(run.Start(KORVIX_PATH, arguments, dir.string()), 0);
    while (run.Pump(std::chrono::milliseconds(50))) {
    }
    return {run.Result().status, run.Result()};
}

bool Said(const RunResult& result, const std::string& message) {
    for (const MessageLog::Entry& entry : result.messages.Entries()) {
        if (entry.text == message) {
            return true;
        }
    }
    return false;
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

TEST_F(Agreement, EveryHeaderAsKorvixTakesIt) {
    // Records that -T copies as they are, whatever their bodies hold.
    const std::string waypoints = Record('W', std::string("001\0rest", 8)) +
                                  Record('W', std::string("012\0", 4)) +
                                  Record('T', std::string(9, 't'));
    const std::string closing = Record('V', std::string("\0\x01", 2));
    const std::string body = waypoints + closing;
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
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
        {"empty", ""},
    };
    for (const auto& c : cases) {
        Write("in.gdb", c.file);
        fs::remove(m_dir / "out.gdb");
        const KorvixRun korvix = RunKorvix(m_dir, {"-T", "in.gdb", "out.gdb"});
        std::istringstream file(c.file);
        const GdbWalk walk = WalkGdbRecords(file);
        switch (walk.kind) {
        case GdbFileKind::Whole:
            EXPECT_EQ(korvix.status, ExitStatus{}) << c.name;
            EXPECT_EQ(korvix.result.records.Of('W'), walk.contents.waypoints) << c.name;
            EXPECT_EQ(korvix.result.records.Of('R'), walk.contents.routes) << c.name;
            EXPECT_EQ(korvix.result.records.Of('T'), walk.contents.tracks) << c.name;
            EXPECT_EQ(walk.contents.numberNames, 2u) << c.name;
            break;
        case GdbFileKind::CutShort:
            EXPECT_EQ(korvix.status, (ExitStatus{false, 1})) << c.name;
            EXPECT_TRUE(Said(korvix.result, "Unexpected end of input file")) << c.name;
            break;
        case GdbFileKind::Other:
            EXPECT_EQ(korvix.status, (ExitStatus{false, 1})) << c.name;
            EXPECT_TRUE(Said(korvix.result, "Input file not in GDB format")) << c.name;
            break;
        }
    }
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
