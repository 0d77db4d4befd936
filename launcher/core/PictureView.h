#pragma once

#include "RunPicture.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The picture of a run as a window shows it: which part of the file at which scale, moved by keys,
// the wheel and the list, and what to draw there in pixels, thinned to what the window can show.
// The toolkits draw it as it says.
namespace runkorvix {

struct Pixel {
    int x = 0;
    int y = 0;
    bool operator==(const Pixel&) const = default;
};

// A line to draw: the input's route or track of row `row`, or what was made of it.
struct DrawnLine {
    std::size_t row = 0;
    bool made = false;
    std::vector<Pixel> points;
};

// The point of a row farthest from what was made, and its distance ("11.6 m"), or no label where
// a farther one's stands near.
struct DrawnMark {
    std::size_t row = 0;
    Pixel at;
    std::string label;
};

// A bar of a round length ("500 m", "2 km") and its width in pixels.
struct ScaleBar {
    int pixels = 0;
    std::string label;
};

// Lines of more points than this in all are drawn a pixel wide (the picture of a file of many
// routes at the scale of the whole file), as the toolkits draw those fastest; fewer are drawn a
// pixel and a half wide.
inline constexpr std::size_t kMostWidePoints = 200000;
bool DrawnWide(const std::vector<DrawnLine>& lines);

// A row this many pixels across or fewer is drawn as a dash of two of its points.
inline constexpr int kDotPixels = 3;
inline constexpr int kMarkCell = 8;
inline constexpr int kLabelWidth = 64;
inline constexpr int kLabelHeight = 16;

enum class PictureKey { ZoomIn, ZoomOut, Left, Right, Up, Down, Whole };

class PictureView {
public:
    explicit PictureView(const RunPicture& picture);

    // The window's size in pixels: the first shows the whole file, a later one keeps the centre
    // and the scale.
    void Resize(int width, int height);
    // The whole file, or the row `row`'s input and what was made of it, fitted to the window.
    void ShowWhole();
    void ShowRow(std::size_t row);
    // +, - zoom by two about the centre, the arrows move by a quarter of the window, Home shows
    // the whole file. False for a key that changed nothing.
    bool Key(PictureKey key);
    // The wheel: `steps` notches, positive away from the user, zoom in about `at`, the point
    // under it staying put.
    void Wheel(double steps, Pixel at);
    // A drag of the picture by (dx, dy) pixels.
    void Drag(int dx, int dy);

    std::optional<std::size_t> Selected() const { return m_selected; }
    // What to draw: every line that crosses the window, with no two points in one pixel; the
    // marks within it, the farthest first, at most one in a square of kMarkCell pixels and a label
    // to a cell of kLabelWidth by kLabelHeight; the scale bar.
    std::vector<DrawnLine> Lines() const;
    std::vector<DrawnMark> Marks() const;
    ScaleBar Scale() const;
    double MetresPerPixel() const;
    Pixel ToPixel(const MapPoint& point) const;

private:
    struct Plane {
        double x;
        double y;
    };
    Plane ToPlane(const MapPoint& point) const;
    void Fit(const MapBounds& bounds);
    // The pixels of the window that lines of one kind reached: a step of a line to a
    // neighbouring pixel reached already draws nothing new.
    struct Covered {
        int width;
        int height;
        std::vector<std::uint8_t> pixels;
        // Notes `to`; true where it is reached again in a step from `from`.
        bool Again(const Pixel& from, const Pixel& to);
    };
    static std::span<const MapPoint> Shown(const std::vector<MapPoint>& fine,
                                           const std::vector<MapPoint>& outline, int across);
    void AddLine(std::size_t row, bool made, std::span<const MapPoint> points, Covered& covered,
                 std::vector<DrawnLine>& lines) const;

    const RunPicture& m_picture;
    double m_cosine = 1;         // of the file's middle latitude: the plane's east-west scale
    std::int32_t m_meridian = 0; // the longitude of the plane's x = 0
    int m_width = 0;
    int m_height = 0;
    Plane m_centre{0, 0};
    double m_scale = 1; // semicircles of latitude per pixel
    std::optional<std::size_t> m_selected;
};

} // namespace runkorvix
