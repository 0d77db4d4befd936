#include "DialogTemplate.h"

#include "AppIcon.h"
#include "DialogUnits.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

QWidget* CreateControl(QWidget* dialog, const ControlTemplate& control) {
    const QString caption = QString::fromLatin1(control.caption ? control.caption : "");
    switch (control.kind) {
    case ControlKind::GroupBox:
        return new QGroupBox(caption, dialog);
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(caption, dialog);
        button->setDefault(control.kind == ControlKind::DefaultPushButton);
        return button;
    }
    case ControlKind::RadioButton: {
        auto* radio = new QRadioButton(caption, dialog);
        radio->setFocusPolicy(Qt::ClickFocus);
        return radio;
    }
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: {
        auto* edit = new QLineEdit(caption, dialog);
        if (control.kind == ControlKind::ReadOnlyEdit) {
            edit->setReadOnly(true);
            edit->setAlignment(Qt::AlignCenter);
        }
        return edit;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(caption, dialog);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(dialog);
        label->setPixmap(AppIcon().pixmap(32, 32));
        return label;
    }
    }
    return nullptr;
}

} // namespace

ControlMap CreateControls(QWidget* dialog, std::span<const ControlTemplate> controls,
                          const DialogUnits& units) {
    // Widgets join their dialog's focus chain in the order they are created.
    ControlMap created;
    for (const ControlTemplate& control : controls) {
        QWidget* widget = CreateControl(dialog, control);
        const QRect rect = units.Rect(control.x, control.y, control.cx, control.cy);
        if (control.kind == ControlKind::Icon) {
            // An icon control takes the size of its icon, not the size in the template.
            widget->setGeometry(QRect(rect.topLeft(), QSize(32, 32)));
        } else if (control.kind == ControlKind::Label) {
            // A label keeps its place but grows to the right when the font on hand writes its
            // text wider than the template's font did: a cut-off caption helps nobody.
            widget->setGeometry(
                QRect(rect.topLeft(),
                      QSize(std::max(rect.width(), widget->sizeHint().width()), rect.height())));
        } else {
            widget->setGeometry(rect);
        }
        if (control.id != kNoControlId) {
            created.insert(control.id, widget);
        }
    }
    return created;
}
