#include "DialogUnits.h"

#include "dialogs.h"

#include <QFontMetrics>
#include <QStringList>

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

int DialogUnits::X(int units) const {
    return MulDiv(units, m_baseX, 4);
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

QFont DialogFont() {
    QFont font;
    font.setFamilies(QStringList{QStringLiteral(DIALOG_FONT_NAME),
                                 QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                                 QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(DIALOG_FONT_POINTS);
    return font;
}
