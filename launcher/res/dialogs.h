// The templates of runkorvix's two dialogs, the one source of both: the Windows resources
// (runkorvix.rc) expand them into DIALOGEX statements, the Qt dialog into its control tables, so
// that ids, captions, positions and tab order cannot differ between the two.
//
// Each control is DIALOG_CONTROL(kind, id, caption, x, y, width, height), in template order,
// which is also the tab order; positions in dialog units. The includer defines DIALOG_CONTROL
// before it expands a list. Kinds: GroupBox; PushButton and DefaultPushButton (tab stops);
// RadioButton (checks itself when clicked, no tab stop); CheckBox (checks and clears itself when
// clicked, tab stop); Edit (one line, bordered, scrolls, tab stop); ReadOnlyEdit (the same,
// read-only, text centred); Label (starts a new group, ampersands shown as they are); Note (a
// line that the program writes, centred, cut with an ellipsis); WrappedNote (lines that the
// program writes, centred, broken at blanks into as many as its height holds); a Label of more
// than one line's height is broken at blanks too; Icon (the
// application icon); Progress (a progress bar, hidden until the program shows it).
#pragma once

#include "resource.h"

// The system's dialog font. Both dialogs draw themselves in the font of the system's message
// boxes instead where they can: the Qt dialog in the toolkit's font, runkorvix.exe in the message
// font of the non-client metrics.
#define DIALOG_FONT_NAME "MS Shell Dlg"
#define DIALOG_FONT_POINTS 8

#define PARSEDLG_CAPTION "Run Korvix"
#define PARSEDLG_WIDTH 255
#define PARSEDLG_HEIGHT 299
#define PARSEDLG_CONTROLS                                                                          \
    DIALOG_CONTROL(GroupBox, IDC_STATIC, "Options", 7, 73, 241, 115)                               \
    DIALOG_CONTROL(PushButton, IDC_INPUT_FILE, "Input File", 20, 14, 50, 14)                       \
    DIALOG_CONTROL(PushButton, IDC_OUTPUT_FILE, "Output File", 20, 46, 50, 14)                     \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_R, "-R", 45, 85, 23, 10)                                 \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_S, "-S", 45, 98, 23, 10)                                 \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_T, "-T", 45, 111, 23, 10)                                \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_U, "-U", 45, 124, 23, 10)                                \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_V, "-V", 45, 138, 23, 10)                                \
    DIALOG_CONTROL(PushButton, IDC_RUN, "Run Korvix", 100, 193, 54, 14)                            \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_W, "-W", 45, 151, 25, 10)                                \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_OTHER, "", 45, 172, 12, 8)                               \
    DIALOG_CONTROL(Edit, IDC_OTHER, "", 59, 170, 27, 12)                                           \
    DIALOG_CONTROL(Label, IDC_STATIC, "Other command line option.", 95, 171, 85, 8)                \
    DIALOG_CONTROL(ReadOnlyEdit, IDC_INPUT_PATH, "", 82, 14, 156, 14)                              \
    DIALOG_CONTROL(ReadOnlyEdit, IDC_OUTPUT_PATH, "", 81, 46, 156, 14)                             \
    DIALOG_CONTROL(PushButton, IDC_ABOUT, "About", 225, 193, 23, 14)                               \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert routes to route with user vias.", 74, 86, 110, 8)   \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert routes to route with hidden vias.", 74, 99, 118, 8) \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert routes to track with all points (default).", 74,    \
                   112, 135, 8)                                                                    \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert routes to track with via points only.", 74, 125,    \
                   125, 8)                                                                         \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert tracks to route with user vias.", 74, 139, 110, 8)  \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert tracks to route with hidden vias.", 74, 152, 117,   \
                   8)                                                                              \
    DIALOG_CONTROL(PushButton, IDC_HELP_TEXT, "Help", 7, 193, 23, 14)                              \
    DIALOG_CONTROL(GroupBox, IDC_STATIC, "Routes and tracks made", 7, 213, 241, 79)                \
    DIALOG_CONTROL(CheckBox, IDC_LIMIT_POINTS, "Point limit:", 20, 227, 60, 10)                    \
    DIALOG_CONTROL(Edit, IDC_POINTS, "", 84, 226, 28, 12)                                          \
    DIALOG_CONTROL(Label, IDC_STATIC, "points per route or track (2 to 10000).", 118, 228, 115, 8) \
    DIALOG_CONTROL(CheckBox, IDC_LIMIT_TOLERANCE, "Tolerance:", 20, 242, 60, 10)                   \
    DIALOG_CONTROL(Edit, IDC_TOLERANCE, "", 84, 241, 28, 12)                                       \
    DIALOG_CONTROL(Label, IDC_STATIC, "metres off the original line.", 118, 243, 90, 8)            \
    DIALOG_CONTROL(CheckBox, IDC_SPLIT, "Split into parts instead of leaving points out.", 20,     \
                   256, 170, 10)                                                                   \
    DIALOG_CONTROL(CheckBox, IDC_FIT, "Fit every track into", 20, 270, 78, 10)                     \
    DIALOG_CONTROL(Edit, IDC_WAYPOINTS, "", 100, 269, 24, 12)                                      \
    DIALOG_CONTROL(Label, IDC_WAYPOINTS_NOTE, "new waypoints (1 to 999).", 130, 271, 115, 16)      \
    DIALOG_CONTROL(WrappedNote, IDC_INPUT_NOTE, "", 82, 29, 156, 16)                               \
    DIALOG_CONTROL(Note, IDC_OUTPUT_NOTE, "", 81, 61, 156, 8)                                      \
    DIALOG_CONTROL(Progress, IDC_PROGRESS, "", 81, 61, 156, 8)                                     \
    DIALOG_CONTROL(PushButton, IDC_SHOW_RUN, "Show last run", 160, 193, 60, 14)

#define ABOUTDLG_CAPTION "About RunKorvix"
#define ABOUTDLG_WIDTH 235
#define ABOUTDLG_HEIGHT 55
#define ABOUTDLG_CONTROLS                                                                          \
    DIALOG_CONTROL(Icon, IDC_STATIC, "", 11, 17, 20, 20)                                           \
    DIALOG_CONTROL(Label, IDC_STATIC, "Run Korvix Version 1.0", 40, 10, 119, 8)                    \
    DIALOG_CONTROL(DefaultPushButton, IDOK, "OK", 178, 20, 50, 14)                                 \
    DIALOG_CONTROL(Label, IDC_STATIC, "by Vantory", 40, 37, 42, 8)
