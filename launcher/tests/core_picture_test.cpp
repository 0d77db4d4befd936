// The picture of a run, read from its input and output by the launcher's core, against what
// korvix itself said of the run: its reduction lines and its messages.
#include "ConverterRun.h"
#include "GdbTestFiles.h"
#include "PictureView.h"
#include "ReductionLines.h"
#include "RunFeedback.h"
#include "RunPicture.h"
#include "gdb_bytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace runkorvix;

namespace {

namespace fs = std::filesystem;
namespace builder = korvix::testing;

// Routes as a unit records them: each from via to via through link points that wind off the
// straight line, ten to a via, so that a reduction keeps some and leaves the others off, and the
// vias alone (-U) are a line of their own.
std::string WindingRoutesGdb(const std::vector<int>& links) {
    builder::Bytes gdb = builder::gdb_header(0);
    for (std::size_t route = 0; route < links.size(); ++route) {
        std::vector<builder::RoutePoint> vias;
        for (int k = 0; k < links[route]; ++k) {
            if (k % 10 == 0) {
                char via[16];
                std::snprintf(via, sizeof via, "V%d", k);
                vias.push_back({via, 0, 0xFF, {}});
            }
            const double wave = std::sin(k * 0.3) * 20000.0; // about 190 m either side
            vias.back().links.push_back({static_cast<std::int32_t>(5000000 + route * 400000 + wave),
                                         static_cast<std::int32_t>(k * 3000)});
        }
        vias.push_back({"END", 0, 0xFF, {}});
        const std::string name = "RIDE " + std::to_string(route + 1);
        const builder::Bytes record = builder::record('R', builder::route_body(name, vias));
        gdb.insert(gdb.end(), record.begin(), record.end());
    }
    const builder::Bytes closing = builder::closing_record();
    gdb.insert(gdb.end(), closing.begin(), closing.end());
    return builder::as_text(gdb);
}

#ifdef KORVIX_PATH

// What korvix said of one route or track it reduced or cut: "NAME: 210 points -> 5, within 3.2 m".
struct SaidOf {
    std::uint32_t collected = 0;
    Reduction reduction;
};

class Picture : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("runkorvix-picture-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs korvix on `file` with `arguments`: the reduction lines by the name they name, and the
    // run's picture; counts the tracks it said it skipped and kept.
    std::map<std::string, SaidOf> Run(const std::string& file,
                                      const std::vector<std::string>& arguments,
                                      std::optional<RunPicture>& picture) {
        std::ofstream((m_dir / "in.gdb").string(), std::ios::binary) << file;
        std::vector<std::string> all = arguments;
        all.insert(all.end(), {"in.gdb", "out.gdb"});
        std::string output;
        const auto process = CreateConverterProcess();
        ConverterRun run(*process, [&output](std::string_view text) { output += text; });
        EXPECT_EQ(run.Start(KORVIX_PATH, all, m_dir.string()), 0);
        while (run.Pump(std::chrono::milliseconds(50))) {
        }
        EXPECT_TRUE(run.Result().status.Succeeded()) << output;
        picture = BuildRunPicture({arguments.front(), (m_dir / "in.gdb").string(),
                                   (m_dir / "out.gdb").string(), run.Result().fates});
        std::map<std::string, SaidOf> said;
        m_skipped = 0;
        m_kept = 0;
        std::size_t start = 0;
        for (std::size_t end = output.find('\n'); end != std::string::npos;
             start = end + 1, end = output.find('\n', start)) {
            const std::string line = output.substr(start, end - start);
            const std::size_t colon = line.find(": ");
            m_skipped += line.ends_with(" - track skipped") ? 1 : 0;
            m_kept += line.ends_with(" - track kept") ? 1 : 0;
            if (const std::optional<Reduction> read = ParseReductionLine(line)) {
                said[line.substr(0, colon)] = {
                    static_cast<std::uint32_t>(std::stoul(line.substr(colon + 2))), *read};
            }
        }
        return said;
    }

    fs::path m_dir;
    // The tracks that korvix's messages said it skipped, and kept as tracks.
    std::size_t m_skipped = 0;
    std::size_t m_kept = 0;
};

// Every row of the list against korvix's lines: what it collected, what it made, how far the
// farthest point lies; skipped and kept tracks as the run's messages name them.
TEST_F(Picture, RowsAgreeWithKorvixLines) {
    const std::string device = gdbtest::DeviceNamedGdb(12, {40, 120, 0, 7, 300, 2, 1000});
    const std::string routes = WindingRoutesGdb({60, 200, 3});
    const struct {
        const std::string& file;
        std::vector<std::string> arguments;
        std::size_t rows;
        bool reduces; // korvix writes a reduction line of some row
    } cases[] = {
        {device, {"-V", "--points=5"}, 7, true},
        {device, {"-W", "--points=4", "--split"}, 7, true},
        {device, {"-V", "--tolerance=30"}, 7, true},
        {device, {"-W", "--fit", "--waypoints=12"}, 7, true},
        {routes, {"-T", "--tolerance=50"}, 3, true},
        {routes, {"-U", "--points=3", "--split"}, 3, true},
        {routes, {"-T"}, 3, false},
    };
    for (const auto& c : cases) {
        const std::string title = c.arguments.front() + " " + c.arguments.back();
        std::optional<RunPicture> picture;
        const std::map<std::string, SaidOf> said = Run(c.file, c.arguments, picture);
        ASSERT_TRUE(picture.has_value()) << title;
        ASSERT_EQ(picture->rows.size(), c.rows) << title;
        std::size_t skipped = 0;
        std::size_t kept = 0;
        for (const PictureRow& row : picture->rows) {
            skipped += row.fate == PictureRow::Fate::Skipped ? 1 : 0;
            kept += row.fate == PictureRow::Fate::Kept ? 1 : 0;
            if (row.fate != PictureRow::Fate::Made) {
                EXPECT_TRUE(row.made.empty()) << title << " " << row.name;
                continue;
            }
            const auto line = said.find(row.name);
            if (line == said.end()) { // nothing reduced: every point made, none off the line
                EXPECT_EQ(row.madePoints, row.points) << title << " " << row.name;
                EXPECT_FALSE(row.farthest.has_value()) << title << " " << row.name;
                continue;
            }
            const Reduction& reduction = line->second.reduction;
            EXPECT_EQ(row.points, line->second.collected) << title << " " << row.name;
            EXPECT_EQ(row.parts, reduction.parts) << title << " " << row.name;
            EXPECT_LE(row.madePoints, row.points) << title << " " << row.name;
            // korvix writes the distance rounded up to a tenth.
            EXPECT_LE(row.farthestMetres, reduction.within + 1e-6) << title << " " << row.name;
            EXPECT_GT(row.farthestMetres, reduction.within - 0.1) << title << " " << row.name;
            EXPECT_EQ(row.farthest.has_value(), reduction.within > 0) << title << " " << row.name;
        }
        EXPECT_EQ(!said.empty(), c.reduces) << title;
        EXPECT_EQ(skipped, m_skipped) << title;
        EXPECT_EQ(kept, m_kept) << title;
    }
}

#endif // KORVIX_PATH

} // namespace
