#pragma once
// The dialog templates of dialogs.h as C++ data, for the code of both dialogs: the Qt dialog
// creates its controls from them, and both find in them which label describes which control.
// (The resource compiler reads dialogs.h alone.)

#include "dialogs.h"

#include <algorithm>
#include <span>

// One control of a dialog template, placed in dialog units. The kinds are those of dialogs.h.
enum class ControlKind {
    GroupBox,
    PushButton,
    DefaultPushButton,
    RadioButton,
    CheckBox,
    Edit,         // one-line edit that the user types into
    ReadOnlyEdit, // one-line edit that shows a path, text centred
    Label,
    Note,        // a line that the program writes, centred, cut with an ellipsis
    WrappedNote, // lines that the program writes, centred, broken at blanks
    Icon,        // the application icon, drawn at its own size
    Progress,    // a progress bar, hidden until the program shows it
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, cx, cy;

    constexpr int Middle() const { return 2 * y + cy; } // twice the vertical middle
};

#define DIALOG_CONTROL(kind, id, caption, x, y, cx, cy)                                            \
    ControlTemplate{id, ControlKind::kind, caption, x, y, cx, cy},
inline constexpr ControlTemplate kParseDlgControls[] = {PARSEDLG_CONTROLS};
inline constexpr ControlTemplate kAboutDlgControls[] = {ABOUTDLG_CONTROLS};
#undef DIALOG_CONTROL

inline constexpr int kNoControl = -1;

// Whether `a` and `b` stand in one row: the middle of the lower one lies within the other.
constexpr bool InOneRow(const ControlTemplate& a, const ControlTemplate& b) {
    const ControlTemplate& taller = a.cy >= b.cy ? a : b;
    const ControlTemplate& other = a.cy >= b.cy ? b : a;
    return other.Middle() >= 2 * taller.y && other.Middle() <= 2 * (taller.y + taller.cy);
}

// The index of the control whose text the label `label` continues: the nearest option button with
// a caption or edit to its left in its row, on whose baseline it stands; kNoControl for none.
constexpr int TextBeforeLabel(std::span<const ControlTemplate> controls, int label) {
    const ControlTemplate& text = controls[static_cast<std::size_t>(label)];
    int found = kNoControl;
    for (std::size_t index = 0; index < controls.size(); ++index) {
        const ControlTemplate& c = controls[index];
        const bool hasText = (c.kind == ControlKind::RadioButton && c.caption[0] != '\0') ||
                             c.kind == ControlKind::Edit;
        if (hasText && c.x < text.x && InOneRow(c, text) &&
            (found == kNoControl || c.x > controls[static_cast<std::size_t>(found)].x)) {
            found = static_cast<int>(index);
        }
    }
    return found;
}

// The index of the label that describes the control with the id `id`: the nearest label to its
// right in its row, which a click selects it by; kNoControl for none.
constexpr int DescriptionOf(std::span<const ControlTemplate> controls, int id) {
    int control = kNoControl;
    for (std::size_t index = 0; index < controls.size(); ++index) {
        if (controls[index].id == id) {
            control = static_cast<int>(index);
        }
    }
    if (control == kNoControl) {
        return kNoControl;
    }
    const ControlTemplate& described = controls[static_cast<std::size_t>(control)];
    int found = kNoControl;
    for (std::size_t index = 0; index < controls.size(); ++index) {
        const ControlTemplate& c = controls[index];
        if (c.kind == ControlKind::Label && c.x > described.x && InOneRow(c, described) &&
            (found == kNoControl || c.x < controls[static_cast<std::size_t>(found)].x)) {
            found = static_cast<int>(index);
        }
    }
    return found;
}

// The room that a check box leaves its caption beside the box, in dialog units.
inline constexpr int kCheckBoxIndicator = 14;

// How much wider than the font's own a horizontal dialog unit must be, in thousandths, for every
// label's and check box's caption to fit its width in the template: `measure(caption)` is a
// caption's width in pixels, `baseX` the font's average character width as the dialog manager
// takes it. A font whose captions run wider than its letters' average says keeps the template's
// proportions so.
template <class Measure>
int WidthPerMille(std::span<const ControlTemplate> controls, int baseX, Measure measure) {
    int perMille = 1000;
    for (const ControlTemplate& c : controls) {
        const int width = c.kind == ControlKind::CheckBox ? c.cx - kCheckBoxIndicator : c.cx;
        const int room = (width * baseX + 2) / 4;
        const bool measured = c.kind == ControlKind::Label || c.kind == ControlKind::CheckBox;
        if (measured && room > 0 && c.caption[0] != '\0') {
            const int needed = measure(c.caption);
            perMille = std::max(perMille, (needed * 1000 + room - 1) / room);
        }
    }
    return perMille;
}

// Every option button has its description, each its own.
static_assert(DescriptionOf(kParseDlgControls, IDC_RADIO_R) != kNoControl &&
              DescriptionOf(kParseDlgControls, IDC_RADIO_W) != kNoControl &&
              DescriptionOf(kParseDlgControls, IDC_RADIO_OTHER) != kNoControl &&
              DescriptionOf(kParseDlgControls, IDC_RADIO_R) !=
                  DescriptionOf(kParseDlgControls, IDC_RADIO_S));
