#include "DialogUnits.h"

#include <QFontMetrics>

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogUnits::DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}

DialogUnits DialogUnits::ForFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogUnits((alphabet / 26 + 1) / 2, metrics.height());
}

DialogUnits DialogUnits::ForTemplate(const QFont& font, std::span<const ControlTemplate> controls) {
    DialogUnits units = ForFont(font);
    const QFontMetrics metrics(font);
    units.m_widthPerMille = WidthPerMille(controls, units.m_baseX, [&](const char* caption) {
        return metrics.horizontalAdvance(QString::fromLatin1(caption));
    });
    return units;
}

int DialogUnits::X(int units) const {
    return MulDiv(units, m_baseX * m_widthPerMille, 4000);
}
int DialogUnits::Y(int units) const {
    return MulDiv(units, m_baseY, 8);
}

QRect DialogUnits::Rect(int x, int y, int cx, int cy) const {
    return QRect(X(x), Y(y), X(cx), Y(cy));
}

QSize DialogUnits::Size(int cx, int cy) const {
    return QSize(X(cx), Y(cy));
}
