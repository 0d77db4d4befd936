// Times the picture of a run, as the launcher shows it after the run:
//   runkorvix_picture_time OPTION INPUT OUTPUT [WIDTH HEIGHT]
// reads the run of korvix OPTION INPUT OUTPUT made before into its picture, then draws the window
// once at WIDTH x HEIGHT (default 960 x 600), and prints the seconds of each step and the rows
// and points read. Run under QT_QPA_PLATFORM=offscreen. Not a test: nothing runs it in CI.
#include "PictureWindow.h"
#include "RunPicture.h"

#include <QApplication>
#include <QPixmap>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr, "usage: runkorvix_picture_time OPTION INPUT OUTPUT [WIDTH HEIGHT]\n");
        return 2;
    }
    const int width = argc == 6 ? std::atoi(argv[4]) : 960;
    const int height = argc == 6 ? std::atoi(argv[5]) : 600;
    const runkorvix::PictureRun run{argv[1], argv[2], argv[3], {}};
    const auto start = std::chrono::steady_clock::now();
    std::optional<runkorvix::RunPicture> picture = runkorvix::BuildRunPicture(run);
    const double built = SecondsSince(start);
    if (!picture) {
        std::fprintf(stderr, "runkorvix_picture_time: the run's files cannot be read\n");
        return 1;
    }
    std::size_t points = 0;
    std::size_t kept = 0;
    for (const runkorvix::PictureRow& row : picture->rows) {
        points += row.points;
        kept +=
            row.drawn.size() + row.made.size() + row.drawnOutline.size() + row.madeOutline.size();
    }
    const std::size_t rows = picture->rows.size();
    CPictureWindow window(std::move(*picture), nullptr);
    window.resize(width, height);
    const double made = SecondsSince(start);
    window.show();
    QApplication::processEvents();
    const double shown = SecondsSince(start);
    const auto again = std::chrono::steady_clock::now();
    const QPixmap drawn = window.grab();
    const double redrawn = SecondsSince(again);
    const auto listed = std::chrono::steady_clock::now();
    const std::size_t lines = window.View().Lines().size();
    const double linesFound = SecondsSince(listed);
    const auto marked = std::chrono::steady_clock::now();
    const std::size_t marks = window.View().Marks().size();
    std::printf("%zu lines to draw, found in %.2f s; %zu marks, in %.2f s\n", lines, linesFound,
                marks, SecondsSince(marked));
    std::printf("%zu rows, %zu points, %zu kept for drawing: built in %.2f s, window made at "
                "%.2f s, shown at %.2f s; drawn again (%dx%d) in %.2f s\n",
                rows, points, kept, built, made, shown, drawn.width(), drawn.height(), redrawn);
    return 0;
}
