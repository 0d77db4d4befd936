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
// line that the program writes, centred, cut with an ellipsis); Icon (the application icon).
#pragma once

#include "resource.h"

// The system's dialog font. Both dialogs draw themselves in the font of the system's message
// boxes instead where they can: the Qt dialog in the toolkit's font, runkorvix.exe in the message
// font of the non-client metrics.
#define DIALOG_FONT_NAME "MS Shell Dlg"
#define DIALOG_FONT_POINTS 8

#define PARSEDLG_CAPTION "Run Korvix"
#define PARSEDLG_WIDTH 255
#define PARSEDLG_HEIGHT 283
#define PARSEDLG_CONTROLS                                                                          \
    DIALOG_CONTROL(GroupBox, IDC_STATIC, "Options", 7, 65, 241, 115)                               \
    DIALOG_CONTROL(PushButton, IDC_INPUT_FILE, "Input File", 20, 14, 50, 14)                       \
    DIALOG_CONTROL(PushButton, IDC_OUTPUT_FILE, "Output File", 20, 38, 50, 14)                     \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_R, "-R", 45, 77, 23, 10)                                 \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_S, "-S", 45, 90, 23, 10)                                 \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_T, "-T", 45, 103, 23, 10)                                \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_U, "-U", 45, 116, 23, 10)                                \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_V, "-V", 45, 130, 23, 10)                                \
    DIALOG_CONTROL(PushButton, IDC_RUN, "Run Korvix", 100, 185, 54, 14)                            \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_W, "-W", 45, 143, 25, 10)                                \
    DIALOG_CONTROL(RadioButton, IDC_RADIO_OTHER, "", 45, 164, 12, 8)                               \
    DIALOG_CONTROL(Edit, IDC_OTHER, "", 59, 162, 27, 12)                                           \
    DIALOG_CONTROL(Label, IDC_STATIC, "Other command line option.", 95, 163, 85, 8)                \
    DIALOG_CONTROL(ReadOnlyEdit, IDC_INPUT_PATH, "", 82, 14, 156, 14)                              \
    DIALOG_CONTROL(ReadOnlyEdit, IDC_OUTPUT_PATH, "", 81, 38, 156, 14)                             \
    DIALOG_CONTROL(PushButton, IDC_ABOUT, "About", 225, 185, 23, 14)                               \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert routes to route with user vias.", 74, 78, 110, 8)   \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert routes to route with hidden vias.", 74, 91, 118, 8) \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert routes to track with all points (default).", 74,    \
                   104, 135, 8)                                                                    \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert routes to track with via points only.", 74, 117,    \
                   125, 8)                                                                         \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert tracks to route with user vias.", 74, 131, 110, 8)  \
    DIALOG_CONTROL(Label, IDC_STATIC, "Convert tracks to route with hidden vias.", 74, 144, 117,   \
                   8)                                                                              \
    DIALOG_CONTROL(PushButton, IDC_HELP_TEXT, "Help", 7, 185, 23, 14)                              \
    DIALOG_CONTROL(GroupBox, IDC_STATIC, "Routes and tracks made", 7, 205, 241, 71)                \
    DIALOG_CONTROL(CheckBox, IDC_LIMIT_POINTS, "Point limit:", 20, 219, 60, 10)                    \
    DIALOG_CONTROL(Edit, IDC_POINTS, "", 84, 218, 28, 12)                                          \
    DIALOG_CONTROL(Label, IDC_STATIC, "points per route or track (2 to 10000).", 118, 220, 115, 8) \
    DIALOG_CONTROL(CheckBox, IDC_LIMIT_TOLERANCE, "Tolerance:", 20, 234, 60, 10)                   \
    DIALOG_CONTROL(Edit, IDC_TOLERANCE, "", 84, 233, 28, 12)                                       \
    DIALOG_CONTROL(Label, IDC_STATIC, "metres off the original line.", 118, 235, 90, 8)            \
    DIALOG_CONTROL(CheckBox, IDC_SPLIT, "Split into parts instead of leaving points out.", 20,     \
                   248, 170, 10)                                                                   \
    DIALOG_CONTROL(CheckBox, IDC_FIT, "Fit every track into", 20, 262, 78, 10)                     \
    DIALOG_CONTROL(Edit, IDC_WAYPOINTS, "", 100, 261, 24, 12)                                      \
    DIALOG_CONTROL(Label, IDC_STATIC, "waypoints (1 to 999).", 130, 263, 70, 8)                    \
    DIALOG_CONTROL(Note, IDC_INPUT_NOTE, "", 82, 29, 156, 8)                                       \
    DIALOG_CONTROL(Note, IDC_OUTPUT_NOTE, "", 81, 53, 156, 8)

#define ABOUTDLG_CAPTION "About RunKorvix"
#define ABOUTDLG_WIDTH 235
#define ABOUTDLG_HEIGHT 55
#define ABOUTDLG_CONTROLS                                                                          \
    DIALOG_CONTROL(Icon, IDC_STATIC, "", 11, 17, 20, 20)                                           \
    DIALOG_CONTROL(Label, IDC_STATIC, "Run Korvix Version 1.0", 40, 10, 119, 8)                    \
    DIALOG_CONTROL(DefaultPushButton, IDOK, "OK", 178, 20, 50, 14)                                 \
    DIALOG_CONTROL(Label, IDC_STATIC, "by Vantory", 40, 37, 42, 8)
