#pragma once

#include "dialogs.h"

#include <QHash>
#include <QWidget>
#include <span>

class DialogUnits;

// One control of a dialog template, placed in dialog units. The kinds are those of dialogs.h.
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

inline constexpr int kNoControlId = IDC_STATIC;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, cx, cy;
};

// Expands a control list of dialogs.h into ControlTemplate initialisers.
#define DIALOG_CONTROL(kind, id, caption, x, y, cx, cy)                                            \
    ControlTemplate{id, ControlKind::kind, caption, x, y, cx, cy},

// The created controls that have an id, by id.
using ControlMap = QHash<int, QWidget*>;

// Creates the controls of `controls` on `dialog`, in template order, which is also their tab
// order: push buttons and edits are tab stops, option buttons take the focus only when clicked.
ControlMap CreateControls(QWidget* dialog, std::span<const ControlTemplate> controls,
                          const DialogUnits& units);

// The control `id` of `controls` as the class that its kind creates; for a dialog's constructor,
// which keeps each of its controls once.
template <class Control> Control* TakeControl(const ControlMap& controls, int id) {
    auto* control = qobject_cast<Control*>(controls.value(id));
    Q_ASSERT(control != nullptr);
    return control;
}
