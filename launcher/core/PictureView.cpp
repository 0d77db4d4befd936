#include "PictureView.h"

#include "leg_distance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

namespace runkorvix {

namespace {

// The nearest the picture comes: 50 metres across the window's shorter side at the least.
constexpr double kLeastMetres = 50;
// A line's points farther out of the window than this many pixels are drawn there: the toolkits
// take such coordinates, and a line out of sight stays out of sight.
constexpr double kFarthestPixel = 100000;

// Which sides of the window (grown by a pixel) a pixel lies beyond, a bit each.
unsigned Beyond(double x, double y, int width, int height) {
    return (x < -1 ? 1U : 0U) | (x > width + 1 ? 2U : 0U) | (y < -1 ? 4U : 0U) |
           (y > height + 1 ? 8U : 0U);
}

Pixel Rounded(double x, double y) {
    return {static_cast<int>(std::lround(std::clamp(x, -kFarthestPixel, kFarthestPixel))),
            static_cast<int>(std::lround(std::clamp(y, -kFarthestPixel, kFarthestPixel)))};
}

} // namespace

bool DrawnWide(const std::vector<DrawnLine>& lines) {
    std::size_t points = 0;
    for (const DrawnLine& line : lines) {
        points += line.points.size();
    }
    return points <= kMostWidePoints;
}

PictureView::PictureView(const RunPicture& picture) : m_picture(picture) {
    const MapBounds& bounds = picture.bounds;
    if (!bounds.Empty()) {
        const double middle = (static_cast<double>(bounds.south) + bounds.north) / 2;
        m_cosine =
            std::max(0.01, std::cos(middle * korvix::pi / korvix::semicircles_per_half_turn));
        m_meridian = static_cast<std::int32_t>((std::int64_t{bounds.west} + bounds.east) / 2);
    }
}

PictureView::Plane PictureView::ToPlane(const MapPoint& point) const {
    return {korvix::semicircles_east(m_meridian, point.longitude) * m_cosine,
            static_cast<double>(point.latitude)};
}

Pixel PictureView::ToPixel(const MapPoint& point) const {
    const Plane plane = ToPlane(point);
    return Rounded(m_width / 2.0 + (plane.x - m_centre.x) / m_scale,
                   m_height / 2.0 - (plane.y - m_centre.y) / m_scale);
}

void PictureView::Resize(int width, int height) {
    const bool first = m_width == 0 || m_height == 0;
    m_width = std::max(1, width);
    m_height = std::max(1, height);
    if (first) {
        ShowWhole();
    }
}

void PictureView::Fit(const MapBounds& bounds) {
    if (bounds.Empty()) {
        return;
    }
    const Plane low = ToPlane({bounds.south, bounds.west});
    const Plane high = ToPlane({bounds.north, bounds.east});
    m_centre = {(low.x + high.x) / 2, (low.y + high.y) / 2};
    // A twentieth of the window is left free around it.
    const double across =
        std::max((high.x - low.x) / (m_width * 0.9), (high.y - low.y) / (m_height * 0.9));
    const double least = kLeastMetres / korvix::metres_per_semicircle / std::min(m_width, m_height);
    m_scale = std::max(across, least);
}

void PictureView::ShowWhole() {
    m_selected.reset();
    Fit(m_picture.bounds);
}

void PictureView::ShowRow(std::size_t row) {
    if (row < m_picture.rows.size()) {
        m_selected = row;
        Fit(m_picture.rows[row].bounds);
    }
}

bool PictureView::Key(PictureKey key) {
    const double quarter = std::min(m_width, m_height) / 4.0 * m_scale;
    switch (key) {
    case PictureKey::ZoomIn:
        Wheel(1, {m_width / 2, m_height / 2});
        return true;
    case PictureKey::ZoomOut:
        Wheel(-1, {m_width / 2, m_height / 2});
        return true;
    case PictureKey::Left:
        m_centre.x -= quarter;
        return true;
    case PictureKey::Right:
        m_centre.x += quarter;
        return true;
    case PictureKey::Up:
        m_centre.y += quarter;
        return true;
    case PictureKey::Down:
        m_centre.y -= quarter;
        return true;
    case PictureKey::Whole:
        ShowWhole();
        return true;
    }
    return false;
}

void PictureView::Wheel(double steps, Pixel at) {
    // The plane's point under `at` stays under it.
    const double dx = at.x - m_width / 2.0;
    const double dy = at.y - m_height / 2.0;
    const Plane under{m_centre.x + dx * m_scale, m_centre.y - dy * m_scale};
    const double least = kLeastMetres / korvix::metres_per_semicircle / std::min(m_width, m_height);
    // Never farther out than a turn of the earth across the window.
    const double most = 2 * korvix::semicircles_per_half_turn / std::min(m_width, m_height);
    m_scale = std::clamp(m_scale * std::pow(2.0, -steps), least, most);
    m_centre = {under.x - dx * m_scale, under.y + dy * m_scale};
}

void PictureView::Drag(int dx, int dy) {
    m_centre.x -= dx * m_scale;
    m_centre.y += dy * m_scale;
}

double PictureView::MetresPerPixel() const {
    return m_scale * korvix::metres_per_semicircle;
}

// The points of a row's line drawn where the row spans `across` pixels: a small row in outline,
// and one of a few pixels across (as most are in the picture of a whole file of many routes) by
// the outline's first two points, as every point lies within those few pixels of them.
std::span<const MapPoint> PictureView::Shown(const std::vector<MapPoint>& fine,
                                             const std::vector<MapPoint>& outline, int across) {
    if (across > kOutlinePixels) {
        return fine;
    }
    if (across > kDotPixels || outline.size() <= 2) {
        return outline;
    }
    return {outline.data(), 2};
}

void PictureView::AddLine(std::size_t row, bool made, std::span<const MapPoint> points,
                          Covered& covered, std::vector<DrawnLine>& lines) const {
    DrawnLine line{row, made, {}};
    double lastX = 0;
    double lastY = 0;
    unsigned lastBeyond = 0;
    const auto flush = [&] {
        if (line.points.size() > 1) {
            lines.push_back(std::move(line));
            line = DrawnLine{row, made, {}};
        }
        line.points.clear();
    };
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Plane plane = ToPlane(points[i]);
        const double x = m_width / 2.0 + (plane.x - m_centre.x) / m_scale;
        const double y = m_height / 2.0 - (plane.y - m_centre.y) / m_scale;
        const unsigned beyond = Beyond(x, y, m_width, m_height);
        if (i > 0 && (beyond & lastBeyond) != 0) { // the leg lies wholly beside the window
            flush();
        } else if (i > 0) {
            if (line.points.empty()) {
                line.points.push_back(Rounded(lastX, lastY));
            }
            const Pixel pixel = Rounded(x, y);
            if (pixel != line.points.back() && !covered.Again(line.points.back(), pixel)) {
                line.points.push_back(pixel);
            }
        }
        lastX = x;
        lastY = y;
        lastBeyond = beyond;
    }
    flush();
}

bool PictureView::Covered::Again(const Pixel& from, const Pixel& to) {
    if (to.x < 0 || to.y < 0 || to.x >= width || to.y >= height) {
        return false;
    }
    const auto at = static_cast<std::size_t>(to.y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(to.x);
    const bool next = std::abs(to.x - from.x) <= 1 && std::abs(to.y - from.y) <= 1;
    const bool again = next && pixels[at] != 0;
    pixels[at] = 1;
    return again;
}

std::vector<DrawnLine> PictureView::Lines() const {
    std::vector<DrawnLine> lines;
    // The input's lines and those made, each kind once a pixel but for the selected row's.
    const std::size_t area = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    Covered input{m_width, m_height, std::vector<std::uint8_t>(area)};
    Covered made{m_width, m_height, std::vector<std::uint8_t>(area)};
    Covered chosen{m_width, m_height, std::vector<std::uint8_t>(area)};
    for (std::size_t row = 0; row < m_picture.rows.size(); ++row) {
        const PictureRow& picture = m_picture.rows[row];
        if (picture.bounds.Empty()) {
            continue;
        }
        // A row wholly beside the window is not drawn; a small one in outline.
        const Pixel low = ToPixel({picture.bounds.south, picture.bounds.west});
        const Pixel high = ToPixel({picture.bounds.north, picture.bounds.east});
        if ((Beyond(low.x, low.y, m_width, m_height) & Beyond(high.x, high.y, m_width, m_height)) !=
            0) {
            continue;
        }
        const int across = std::max(high.x - low.x, low.y - high.y);
        const bool selected = m_selected && *m_selected == row;
        AddLine(row, false, Shown(picture.drawn, picture.drawnOutline, across),
                selected ? chosen : input, lines);
        AddLine(row, true, Shown(picture.made, picture.madeOutline, across),
                selected ? chosen : made, lines);
    }
    return lines;
}

std::vector<DrawnMark> PictureView::Marks() const {
    std::vector<DrawnMark> marks;
    std::vector<double> metres;
    for (std::size_t row = 0; row < m_picture.rows.size(); ++row) {
        const PictureRow& picture = m_picture.rows[row];
        if (!picture.farthest || picture.farthestMetres <= 0) {
            continue;
        }
        const Pixel at = ToPixel(*picture.farthest);
        if (Beyond(at.x, at.y, m_width, m_height) == 0) {
            marks.push_back({row, at, {}});
            metres.push_back(picture.farthestMetres);
        }
    }
    // The farthest first; a mark in a cell of the window that holds one already is left out, and
    // one whose label would stand in the cell of another's goes without.
    std::vector<std::size_t> order(marks.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&metres](std::size_t a, std::size_t b) { return metres[a] > metres[b]; });
    const auto cellOf = [](const Pixel& at, int width, int height) {
        return std::make_pair((at.x + width) / width, (at.y + height) / height);
    };
    std::set<std::pair<int, int>> dots;
    std::set<std::pair<int, int>> labels;
    std::vector<DrawnMark> kept;
    for (const std::size_t i : order) {
        if (!dots.insert(cellOf(marks[i].at, kMarkCell, kMarkCell)).second) {
            continue;
        }
        if (labels.insert(cellOf(marks[i].at, kLabelWidth, kLabelHeight)).second) {
            marks[i].label = DistanceText(metres[i]);
        }
        kept.push_back(std::move(marks[i]));
    }
    return kept;
}

ScaleBar PictureView::Scale() const {
    // The longest round length of 1, 2 or 5 times a power of ten within a quarter of the window.
    const double most = std::max(1, m_width / 4) * MetresPerPixel();
    double length = std::pow(10.0, std::floor(std::log10(most)));
    for (const double step : {5.0, 2.0}) {
        if (length * step <= most) {
            length *= step;
            break;
        }
    }
    const int pixels = static_cast<int>(std::lround(length / MetresPerPixel()));
    const bool kilometres = length >= 1000;
    char label[32];
    std::snprintf(label, sizeof label, "%g %s", kilometres ? length / 1000 : length,
                  kilometres ? "km" : "m");
    return {pixels, label};
}

} // namespace runkorvix
