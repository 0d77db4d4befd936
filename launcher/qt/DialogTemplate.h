#pragma once

#include "DialogControls.h"

#include <QWidget>
#include <span>
#include <vector>

class DialogUnits;

// The controls created from a template, in template order.
class CreatedControls {
public:
    CreatedControls(std::span<const ControlTemplate> controls, std::vector<QWidget*> widgets)
        : m_controls(controls), m_widgets(std::move(widgets)) {}

    // The control of template index `index`, or of id `id`; null for none.
    QWidget* At(int index) const;
    QWidget* ById(int id) const;

private:
    std::span<const ControlTemplate> m_controls;
    std::vector<QWidget*> m_widgets;
};

// Creates the controls of `controls` on `dialog`, in template order, which is also their tab
// order: push buttons, check boxes and edits are tab stops, option buttons take the focus only
// when clicked. A group box is drawn as the system's dialogs draw it, its title on the frame line;
// a label stands on the baseline of the option button or field before it; no control is cut: a
// label grows to the right, an option button or check box to its own size, when the font on hand
// writes wider or taller than the template's font did.
CreatedControls CreateControls(QWidget* dialog, std::span<const ControlTemplate> controls,
                               const DialogUnits& units);

// The control `id` as the class that its kind creates; for a dialog's constructor, which keeps
// each of its controls once.
template <class Control> Control* TakeControl(const CreatedControls& controls, int id) {
    auto* control = qobject_cast<Control*>(controls.ById(id));
    Q_ASSERT(control != nullptr);
    return control;
}
