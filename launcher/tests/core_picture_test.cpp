// The picture of a run, read from its input and output by the launcher's core, against what
// korvix itself said of the run: its reduction lines and its messages.
#include "ConverterRun.h"
#include "FarthestPoint.h"
#include "GdbTestFiles.h"
#include "PictureView.h"
#include "ReductionLines.h"
#include "RunFeedback.h"
#include "RunPicture.h"
#include "gdb_bytes.h"
#include "leg_distance.h"
#include "position_word.h"

#include <gtest/gtest.h>

#include <algorithm>
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
            const double north = 5000000 + static_cast<double>(route) * 400000 + wave;
            vias.back().links.push_back(
                {static_cast<std::int32_t>(north), static_cast<std::int32_t>(k * 3000)});
        }
        vias.push_back({"END", 0, 0xFF, {}});
        const std::string name = "RIDE " + std::to_string(route + 1);
        const builder::Bytes record = builder::record('R', builder::route_body(name, vias));
        gdb.insert(gdb.end(), record.begin(), record.end());
    }
    // A track among them, which -T and -U copy.
    const builder::Bytes track = builder::record(
        'T', builder::track_body("ALONG", {{5000000, 0}, {5000000, 90000}, {5100000, 90000}}));
    const builder::Bytes closing = builder::closing_record();
    gdb.insert(gdb.begin() + static_cast<std::ptrdiff_t>(builder::header_size_of(gdb)),
               track.begin(), track.end());
    gdb.insert(gdb.end(), closing.begin(), closing.end());
    return builder::as_text(gdb);
}

// A GPX file of winding tracks of `points` points each, two segments a track, and a route through
// link points (Garmin's GPX extension) between its route points: what -T draws through them.
std::string WindingGpx(const std::vector<int>& points) {
    std::string gpx = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" "
                      "xmlns=\"http://www.topografix.com/GPX/1/1\" xmlns:gx=\"http://"
                      "www.garmin.com/xmlschemas/GpxExtensions/v3\">\n"
                      "<wpt lat=\"47\" lon=\"8\"><name>001</name></wpt>\n";
    const auto at = [](std::size_t track, int k) {
        const double wave = std::sin(k * 0.3) * 0.002; // about 220 m either side
        return "lat=\"" + std::to_string(47 + static_cast<double>(track) * 0.05 + wave) +
               "\" lon=\"" + std::to_string(8 + k * 0.0005) + "\"";
    };
    gpx += "<rte><name>PLANNED</name>";
    for (int via = 0; via < 3; ++via) {
        gpx += "<rtept " + at(9, via * 20) + "><extensions><gx:RoutePointExtension>";
        for (int k = via * 20 + 1; k < via * 20 + 20 && via < 2; ++k) {
            gpx += "<gx:rpt " + at(9, k) + "/>";
        }
        gpx += "</gx:RoutePointExtension></extensions></rtept>";
    }
    gpx += "</rte>\n";
    for (std::size_t track = 0; track < points.size(); ++track) {
        gpx += "<trk><name>RIDE " + std::to_string(track + 1) + "</name><trkseg>";
        for (int k = 0; k < points[track]; ++k) {
            gpx += (k == points[track] / 2 ? "</trkseg><trkseg>" : "") + std::string("<trkpt ") +
                   at(track, k) + "/>";
        }
        gpx += "</trkseg></trk>\n";
    }
    return gpx + "</gpx>\n";
}

// A picture of two rows made by hand: a track winding east at the equator and the route made of
// its ends, and a second one far north-east of it.
RunPicture TwoRows() {
    RunPicture picture;
    for (const std::int32_t start : {0, 40000000}) {
        PictureRow row;
        row.name = start == 0 ? "SOUTH" : "NORTH";
        for (int k = 0; k <= 400; ++k) {
            const auto wave = static_cast<std::int32_t>(std::sin(k * 0.1) * 30000);
            row.drawn.push_back({start + wave, start + k * 2000});
        }
        row.made = {row.drawn.front(), row.drawn.back()};
        row.drawnOutline = row.drawn;
        row.madeOutline = row.made;
        row.farthest = row.drawn[16];
        row.farthestMetres = 250.04;
        for (const MapPoint& point : row.drawn) {
            row.bounds.Add(point);
        }
        picture.bounds.Add(row.bounds);
        picture.rows.push_back(row);
    }
    return picture;
}

bool Inside(const Pixel& pixel, int width, int height) {
    return pixel.x >= -1 && pixel.x <= width + 1 && pixel.y >= -1 && pixel.y <= height + 1;
}

// What the window draws: every line within it, no two points of a line in one pixel; the marks
// labelled as korvix writes distances; a scale bar of a round length that the window holds.
// The farthest point, picked out by a rough measure first, is the one that korvix's own measure
// of every point finds, and as far: lines that wind at the equator, at 60 and 89.9 degrees north
// and across the date line, with legs of a few metres to a hundred kilometres, kept every few
// points, at the ends only, or with a point lying on its leg.
TEST(PictureFarthest, IsThePointThatEveryPointMeasuredExactlyFinds) {
    std::vector<std::int32_t> latitudes(400);
    std::vector<std::int32_t> longitudes(400);
    const double degree = korvix::semicircles_per_half_turn / 180;
    std::uint32_t seed = 7;
    const auto random = [&seed] { return (seed = seed * 1664525U + 1013904223U) >> 8; };
    for (const double latitude : {0.0, 60.0, 89.9, -45.0}) {
        for (const double step : {0.00005, 0.01, 1.0}) { // degrees between points
            for (const std::uint32_t every : {2U, 7U, 400U}) {
                for (std::uint32_t i = 0; i < 400U; ++i) {
                    const double wobble = static_cast<double>(random() % 1000) / 1000 - 0.5;
                    latitudes[i] = static_cast<std::int32_t>(
                        (latitude + std::min(0.09, step) * wobble) * degree);
                    longitudes[i] = static_cast<std::int32_t>(
                        std::lround(std::remainder(179.0 + step * i, 360.0) * degree));
                }
                std::vector<std::uint64_t> points;
                std::vector<std::uint64_t> made;
                for (std::uint32_t i = 0; i < 400U; ++i) {
                    points.push_back(korvix::position_word(latitudes[i], longitudes[i]));
                }
                for (std::uint32_t i = 0; i < 400U; i += every) {
                    made.push_back(korvix::position_word(latitudes[i], longitudes[i]));
                }
                const std::optional<Farthest> found = FarthestFromMade(points, made);
                // Every point from its leg as korvix measures it.
                double worst = 0;
                std::uint32_t at = 0;
                for (std::uint32_t i = 0; i < 400U; ++i) {
                    const std::uint32_t a = std::min(i / every * every, (400U - 1) / every * every);
                    const std::uint32_t b = i > a && a + every < 400U ? a + every : a;
                    const korvix::LegPlane leg(latitudes[a], longitudes[a], latitudes[b],
                                               longitudes[b]);
                    const double squared = leg.distance_squared(latitudes[i], longitudes[i]);
                    if (squared > worst) {
                        worst = squared;
                        at = i;
                    }
                }
                const std::string title = std::to_string(latitude) + " " + std::to_string(step) +
                                          " " + std::to_string(every);
                ASSERT_TRUE(found.has_value()) << title;
                EXPECT_EQ(found->index, at) << title;
                EXPECT_EQ(found->metres, std::sqrt(worst) * korvix::metres_per_semicircle) << title;
            }
        }
    }
}

TEST(PictureDrawn, LinesMarksAndScale) {
    const RunPicture picture = TwoRows();
    PictureView view(picture);
    const struct {
        int width;
        int height;
        std::optional<std::size_t> row; // shown alone
        std::size_t lines;
        std::size_t marks;
    } cases[] = {
        {800, 600, {}, 4, 2}, {320, 240, {}, 4, 2}, {800, 600, 0, 2, 1}, {800, 600, 1, 2, 1}};
    for (const auto& c : cases) {
        view.Resize(c.width, c.height);
        c.row ? view.ShowRow(*c.row) : view.ShowWhole();
        const std::vector<DrawnLine> lines = view.Lines();
        EXPECT_EQ(lines.size(), c.lines) << c.width;
        for (const DrawnLine& line : lines) {
            EXPECT_TRUE(!c.row || line.row == *c.row) << c.width;
            for (std::size_t k = 0; k < line.points.size(); ++k) {
                EXPECT_TRUE(Inside(line.points[k], c.width, c.height)) << c.width << " " << k;
                EXPECT_TRUE(k == 0 || line.points[k] != line.points[k - 1]) << c.width << " " << k;
            }
            EXPECT_LE(line.points.size(), std::size_t(c.width) * 2) << c.width;
        }
        const std::vector<DrawnMark> marks = view.Marks();
        ASSERT_EQ(marks.size(), c.marks) << c.width;
        EXPECT_EQ(marks.front().label, "250.1 m");
        EXPECT_EQ(marks.front().at, view.ToPixel(*picture.rows[marks.front().row].farthest));
        const ScaleBar bar = view.Scale();
        EXPECT_GT(bar.pixels, c.width / 10) << c.width;
        EXPECT_LE(bar.pixels, c.width / 4 + 1) << c.width;
        const double metres = std::stod(bar.label) * (bar.label.ends_with(" km") ? 1000 : 1);
        EXPECT_NEAR(metres / view.MetresPerPixel(), bar.pixels, 1) << bar.label;
    }
}

// Marks of rows at one place: the farthest is drawn and labelled, the nearer give way; a mark far
// from the others keeps its own, the farthest first in the list.
TEST(PictureDrawn, NearMarksGiveWayToTheFarthest) {
    RunPicture picture = TwoRows();
    const PictureRow corner = picture.rows[0];
    // At the first row's mark, or a quarter of the window east of it (800 pixels of some 74,000
    // semicircles).
    const struct {
        double metres;
        std::int32_t east;
    } added[] = {{100, 0}, {300, 0}, {150, 15'000'000}};
    for (const auto& a : added) {
        PictureRow row = corner;
        row.farthest = MapPoint{corner.farthest->latitude, corner.farthest->longitude + a.east};
        row.farthestMetres = a.metres;
        picture.rows.push_back(row);
    }
    PictureView view(picture);
    view.Resize(800, 600);
    const std::vector<DrawnMark> marks = view.Marks();
    std::vector<std::size_t> rows;
    for (const DrawnMark& mark : marks) {
        rows.push_back(mark.row);
        EXPECT_EQ(mark.label, DistanceText(picture.rows[mark.row].farthestMetres)) << mark.row;
    }
    // The 300 m mark, the second row's 250.04 m far away, the 150 m one; not the first row's.
    EXPECT_EQ(rows, (std::vector<std::size_t>{3, 1, 4}));
}

// The keys and the wheel: how far the picture moves and how its scale changes.
TEST(PictureDrawn, KeysAndWheelMoveIt) {
    const RunPicture picture = TwoRows();
    PictureView view(picture);
    view.Resize(800, 600);
    const MapPoint marked = *picture.rows[0].farthest;
    const struct {
        PictureKey key;
        double scale; // metres a pixel, times
        Pixel moved;  // of a point, for a key that keeps the scale
    } keys[] = {{PictureKey::Left, 1, {150, 0}},   {PictureKey::Right, 1, {-150, 0}},
                {PictureKey::Up, 1, {0, 150}},     {PictureKey::Down, 1, {0, -150}},
                {PictureKey::ZoomIn, 0.5, {0, 0}}, {PictureKey::ZoomOut, 2, {0, 0}}};
    for (const auto& k : keys) {
        view.ShowWhole();
        const double before = view.MetresPerPixel();
        const Pixel from = view.ToPixel(marked);
        EXPECT_TRUE(view.Key(k.key));
        EXPECT_NEAR(view.MetresPerPixel() / before, k.scale, 1e-9);
        const Pixel to = view.ToPixel(marked);
        if (k.scale == 1) {
            EXPECT_NEAR(to.x - from.x, k.moved.x, 1);
            EXPECT_NEAR(to.y - from.y, k.moved.y, 1);
        } else { // about the window's middle
            EXPECT_NEAR(to.x - 400, (from.x - 400) / k.scale, 1);
            EXPECT_NEAR(to.y - 300, (from.y - 300) / k.scale, 1);
        }
    }
    // The wheel zooms about the point under it, which stays put (but for the half pixel that the
    // point lay off the pixel, now eight times as far); Home shows the whole again.
    view.ShowWhole();
    const double whole = view.MetresPerPixel();
    const Pixel under = view.ToPixel(marked);
    view.Wheel(3, under);
    EXPECT_NEAR(view.MetresPerPixel(), whole / 8, whole * 1e-9);
    EXPECT_NEAR(view.ToPixel(marked).x, under.x, 4.5);
    EXPECT_NEAR(view.ToPixel(marked).y, under.y, 4.5);
    const Pixel zoomed = view.ToPixel(marked);
    view.Drag(30, -20);
    EXPECT_NEAR(view.ToPixel(marked).x, zoomed.x + 30, 1);
    EXPECT_NEAR(view.ToPixel(marked).y, zoomed.y - 20, 1);
    EXPECT_TRUE(view.Key(PictureKey::Whole));
    EXPECT_DOUBLE_EQ(view.MetresPerPixel(), whole);
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
        // A GPX file is written from a GPX file, under a GPX file's name.
        const std::string extension = file.starts_with("<?xml") ? ".gpx" : ".gdb";
        const std::string in = "in" + extension, out = "out" + extension;
        std::ofstream((m_dir / in).string(), std::ios::binary) << file;
        std::vector<std::string> all = arguments;
        all.insert(all.end(), {in, out});
        std::string output;
        const auto process = CreateConverterProcess();
        ConverterRun run(*process, [&output](std::string_view text) { output += text; });
        EXPECT_EQ(run.Start(KORVIX_PATH, all, m_dir.string()), 0);
        while (run.Pump(std::chrono::milliseconds(50))) {
        }
        EXPECT_TRUE(run.Result().status.Succeeded()) << output;
        picture = BuildRunPicture(
            {arguments.front(), (m_dir / in).string(), (m_dir / out).string(), run.Result().fates});
        std::map<std::string, SaidOf> said;
        m_skipped = 0;
        m_kept = 0;
        std::size_t start = 0;
        for (std::size_t end = output.find('\n'); end != std::string::npos;
             start = end + 1, end = output.find('\n', start)) {
            std::string line = output.substr(start, end - start);
            if (line.ends_with('\r')) { // korvix's line ends on Windows
                line.pop_back();
            }
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
    const std::string gpx = WindingGpx({80, 300, 1});
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
        {gpx, {"-V", "--points=5"}, 3, true},
        {gpx, {"-W", "--points=4", "--split"}, 3, true},
        {gpx, {"-T", "--tolerance=50"}, 1, true},
        {gpx, {"-U"}, 1, false},
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
