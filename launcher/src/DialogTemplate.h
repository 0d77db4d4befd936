#pragma once

#include <QList>
#include <span>

class DialogUnits;
class QWidget;

// One control of a dialog template, placed in dialog units.
enum class ControlKind {
    GroupBox,
    PushButton,
    DefaultPushButton,
    RadioButton,
    Edit,         // one-line edit that the user types into
    ReadOnlyEdit, // one-line edit that shows a path, text centred
    Label,
    Icon, // the application icon, drawn at its own size
};

inline constexpr int kNoControlId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, cx, cy;
};

// The property under which every created control keeps its id.
inline constexpr char kControlIdProperty[] = "controlId";

// Creates the controls of `controls` on `dialog`, in template order, which is also their tab
// order: push buttons and edits are tab stops, option buttons take the focus only when clicked.
// Returns the created controls in template order.
QList<QWidget*> CreateControls(QWidget* dialog, std::span<const ControlTemplate> controls,
                               const DialogUnits& units);

// The control of `dialog` with the id `id`, or nullptr.
QWidget* FindControl(const QWidget* dialog, int id);
