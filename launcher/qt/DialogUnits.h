#pragma once

#include "DialogControls.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <span>

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
    // The units of `font` for the dialog template `controls`, widened as far as needed for every
    // label's caption to fit its width in the template: a font whose captions run wider than its
    // letters' average width says keeps the template's proportions, every control in its frame.
    static DialogUnits ForTemplate(const QFont& font, std::span<const ControlTemplate> controls);

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
    int m_widthPerMille = 1000; // how much wider than the font's own a horizontal unit is
};
