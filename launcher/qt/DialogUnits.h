#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Turns dialog units into pixels. A dialog is drawn in units of its own font: a horizontal unit
// is a quarter of the font's average character width, a vertical unit an eighth of its line
// height, so that the dialog keeps its look whatever the font's size on screen.
class DialogUnits {
public:
    // baseX: average character width in pixels; baseY: line height in pixels.
    DialogUnits(int baseX, int baseY);

    // Base units measured from `font` as the dialog manager measures them: the average width of
    // the 52 letters of the Latin alphabet, rounded, and the font's full height.
    static DialogUnits ForFont(const QFont& font);

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

    int X(int units) const;
    int Y(int units) const;
    // Position and size are converted apart, as controls of a dialog template are created.
    QRect Rect(int x, int y, int cx, int cy) const;
    QSize Size(int cx, int cy) const;

private:
    int m_baseX;
    int m_baseY;
};

// The font of the launcher's dialogs: "MS Sans Serif" at 8 points, or a face of like metrics, or
// the system's sans-serif face where none of them is installed.
QFont DialogFont();
