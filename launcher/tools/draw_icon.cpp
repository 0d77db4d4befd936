// Draws the launcher's icon in its 32 by 32 and 16 by 16 images, in the 16 standard colours,
// and writes them as PNG files and as one ICO file for the Windows resources:
//   runkorvix_draw_icon OUTPUT_FOLDER
// The images are committed under launcher/res; run this again after changing the drawing.

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QtEndian>

#include <cstdio>
#include <vector>

namespace {

// The 16 colours of the standard palette, and full transparency.
const QList<QRgb> kPalette = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    qRgba(0, 0, 0, 0),
};

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);
const QColor kGray(128, 128, 128);
const QColor kRed(255, 0, 0);
const QColor kMaroon(128, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 128, 0);

struct Drawing {
    int size;
    QPolygon sheet;  // the GDB file
    QPolygon corner; // its folded corner
    QPolygon route;  // route through its vias
    QPolygon track;  // the same way as a track of dots
    int via;         // edge of a via square
    int trackStep;   // every how many pixels the track has a dot
};

void Draw(QImage& image, const Drawing& d) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);

    painter.setPen(kBlack);
    painter.setBrush(kWhite);
    painter.drawPolygon(d.sheet);
    painter.setBrush(kSilver);
    painter.drawPolygon(d.corner);

    // The track: dots along the polyline.
    const int dot = d.size >= 32 ? 2 : 1;
    for (int i = 0; i + 1 < d.track.size(); ++i) {
        const QPoint a = d.track[i];
        const QPoint b = d.track[i + 1];
        const int steps = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
        for (int s = 0; s < steps; s += d.trackStep) {
            const int x = a.x() + (b.x() - a.x()) * s / steps;
            const int y = a.y() + (b.y() - a.y()) * s / steps;
            painter.fillRect(x, y, dot, dot, kBlue);
        }
    }

    // The route: a solid line with a square at each via.
    painter.setPen(QPen(kRed, d.size >= 32 ? 2 : 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(d.route);
    painter.setPen(kMaroon);
    painter.setBrush(kYellow);
    for (const QPoint& via : d.route) {
        const int half = d.via / 2;
        painter.drawRect(via.x() - half, via.y() - half, d.via - 1, d.via - 1);
    }

    // Shadow along the sheet's right and bottom edge.
    painter.setPen(kGray);
    const QRect box = d.sheet.boundingRect();
    painter.drawLine(box.right() + 1, box.top() + (d.size >= 32 ? 7 : 4), box.right() + 1,
                     box.bottom() + 1);
    painter.drawLine(box.left() + 1, box.bottom() + 1, box.right() + 1, box.bottom() + 1);

    // The arrow of the conversion, bottom right; the small image has no room for it.
    painter.setPen(kBlack);
    painter.setBrush(kGreen);
    if (d.size >= 32) {
        painter.drawPolygon(
            QPolygon({{17, 22}, {24, 22}, {24, 18}, {31, 25}, {24, 31}, {24, 27}, {17, 27}}));
    }
}

QImage Render(const Drawing& drawing) {
    QImage image(drawing.size, drawing.size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    Draw(image, drawing);
    return image.convertToFormat(QImage::Format_Indexed8, kPalette,
                                 Qt::ThresholdDither | Qt::ThresholdAlphaDither | Qt::AvoidDither);
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An ICO file whose images are stored as PNG data.
QByteArray Ico(const std::vector<QImage>& images) {
    QByteArray ico;
    const auto put16 = [&ico](quint16 v) {
        ico.append(static_cast<char>(v & 0xff)).append(static_cast<char>(v >> 8));
    };
    const auto put32 = [&](quint32 v) {
        put16(static_cast<quint16>(v & 0xffff));
        put16(static_cast<quint16>(v >> 16));
    };
    put16(0);
    put16(1);
    put16(static_cast<quint16>(images.size()));
    std::vector<QByteArray> pngs;
    pngs.reserve(images.size());
    for (const QImage& image : images) {
        pngs.push_back(Png(image));
    }
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        ico.append(static_cast<char>(images[i].width()));
        ico.append(static_cast<char>(images[i].height()));
        ico.append(static_cast<char>(0)); // more than 8 bits per pixel in the PNG data
        ico.append(static_cast<char>(0));
        put16(1);
        put16(32);
        put32(static_cast<quint32>(pngs[i].size()));
        put32(offset);
        offset += static_cast<quint32>(pngs[i].size());
    }
    for (const QByteArray& png : pngs) {
        ico.append(png);
    }
    return ico;
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: runkorvix_draw_icon OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    const Drawing large{32,
                        QPolygon({{3, 1}, {20, 1}, {26, 7}, {26, 29}, {3, 29}}),
                        QPolygon({{20, 1}, {20, 7}, {26, 7}}),
                        QPolygon({{7, 24}, {10, 13}, {15, 17}, {18, 8}}),
                        QPolygon({{6, 18}, {8, 8}, {12, 11}, {14, 4}}),
                        4,
                        2};
    const Drawing small{16,
                        QPolygon({{1, 0}, {10, 0}, {13, 3}, {13, 14}, {1, 14}}),
                        QPolygon({{10, 0}, {10, 3}, {13, 3}}),
                        QPolygon({{4, 11}, {6, 5}, {10, 8}}),
                        QPolygon({{3, 7}, {4, 3}, {8, 4}}),
                        3,
                        2};
    const QImage image32 = Render(large);
    const QImage image16 = Render(small);
    const bool ok = Write(out.filePath(QStringLiteral("runkorvix-32.png")), Png(image32)) &&
                    Write(out.filePath(QStringLiteral("runkorvix-16.png")), Png(image16)) &&
                    Write(out.filePath(QStringLiteral("runkorvix.ico")), Ico({image32, image16}));
    if (!ok) {
        std::fprintf(stderr, "runkorvix_draw_icon: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
