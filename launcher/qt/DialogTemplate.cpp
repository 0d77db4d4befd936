#include "DialogTemplate.h"

#include "AppIcon.h"
#include "DialogUnits.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace {

// The height of one line of a label in the templates, in dialog units.
constexpr int kLineHeight = 8;

// A group box as the system's dialogs draw it: an etched frame whose top line runs through the
// middle of the title, so that a template's first row below the title lies inside the frame.
// (Qt's styles put the frame below the title.)
class FramedGroupBox final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const QRect frame = rect().adjusted(0, metrics.height() / 2, -2, -2);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(frame);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(frame.translated(1, 1));
        const int gap = std::max(1, metrics.averageCharWidth() / 3);
        const QRect title(metrics.averageCharWidth(), 0,
                          metrics.horizontalAdvance(this->title()) + 2 * gap, metrics.height());
        painter.fillRect(title, palette().brush(QPalette::Window));
        painter.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(title, Qt::AlignCenter, this->title());
    }
};

QWidget* CreateControl(QWidget* dialog, const ControlTemplate& control) {
    const QString caption = QString::fromLatin1(control.caption ? control.caption : "");
    switch (control.kind) {
    case ControlKind::GroupBox:
        return new FramedGroupBox(caption, dialog);
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(caption, dialog);
        button->setDefault(control.kind == ControlKind::DefaultPushButton);
        return button;
    }
    case ControlKind::RadioButton:
        // Tab reaches the selected option (the dialog's Tab order says which), the arrows the
        // others.
        return new QRadioButton(caption, dialog);
    case ControlKind::CheckBox:
        return new QCheckBox(caption, dialog);
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
        // A label of more than one line is broken at blanks, from its top.
        auto* label = new QLabel(caption, dialog);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(control.cy > kLineHeight);
        label->setAlignment(Qt::AlignLeft |
                            (control.cy > kLineHeight ? Qt::AlignTop : Qt::AlignVCenter));
        return label;
    }
    case ControlKind::Note:
    case ControlKind::WrappedNote: {
        auto* note = new QLabel(caption, dialog);
        note->setTextFormat(Qt::PlainText);
        note->setAlignment(Qt::AlignCenter);
        note->setWordWrap(control.kind == ControlKind::WrappedNote);
        return note;
    }
    case ControlKind::Progress: {
        auto* bar = new QProgressBar(dialog);
        bar->setRange(0, 1000);
        bar->setTextVisible(false);
        bar->hide();
        return bar;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(dialog);
        label->setPixmap(AppIcon().pixmap(32, 32));
        return label;
    }
    }
    return nullptr;
}

// Where `control` is placed: the template's rectangle, but never smaller than the control needs.
QRect Placed(const ControlTemplate& control, QWidget* widget, const QRect& rect) {
    const QSize needed = widget->sizeHint();
    switch (control.kind) {
    case ControlKind::Icon:
        // An icon control takes the size of its icon, not the size in the template.
        return QRect(rect.topLeft(), QSize(32, 32));
    case ControlKind::Label:
        // A label keeps its place but grows to the right when the font on hand writes its text
        // wider than the template's font did: a cut-off caption helps nobody.
        return QRect(rect.topLeft(), QSize(std::max(rect.width(), needed.width()), rect.height()));
    case ControlKind::RadioButton:
    case ControlKind::CheckBox: {
        // An option button or check box grows to the right and about its middle row.
        const int height = std::max(rect.height(), needed.height());
        return QRect(rect.x(), rect.y() - (height - rect.height()) / 2,
                     std::max(rect.width(), needed.width()), height);
    }
    default:
        return rect;
    }
}

// The band of `widget`, in its dialog's coordinates, in whose middle it writes its text: an
// option button's caption beside its indicator, a field's text in the field.
QRect TextBand(QWidget* widget) {
    if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        return radio->style()
            ->subElementRect(QStyle::SE_RadioButtonContents, &option, radio)
            .translated(radio->pos());
    }
    return widget->geometry();
}

} // namespace

QWidget* CreatedControls::At(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_widgets.size()
               ? m_widgets[static_cast<std::size_t>(index)]
               : nullptr;
}

QWidget* CreatedControls::ById(int id) const {
    for (std::size_t index = 0; index < m_controls.size(); ++index) {
        if (m_controls[index].id == id && id != IDC_STATIC) {
            return m_widgets[index];
        }
    }
    return nullptr;
}

CreatedControls CreateControls(QWidget* dialog, std::span<const ControlTemplate> controls,
                               const DialogUnits& units) {
    // Widgets join their dialog's focus chain in the order they are created.
    std::vector<QWidget*> widgets;
    for (const ControlTemplate& control : controls) {
        QWidget* widget = CreateControl(dialog, control);
        widget->setGeometry(
            Placed(control, widget, units.Rect(control.x, control.y, control.cx, control.cy)));
        widgets.push_back(widget);
    }
    // A label that continues the text of the control before it shares that text's band, so that
    // both stand on one baseline.
    for (std::size_t index = 0; index < controls.size(); ++index) {
        if (controls[index].kind != ControlKind::Label) {
            continue;
        }
        const int before = TextBeforeLabel(controls, static_cast<int>(index));
        if (before != kNoControl) {
            const QRect band = TextBand(widgets[static_cast<std::size_t>(before)]);
            QWidget* label = widgets[index];
            if (controls[index].cy > kLineHeight) { // its first line in the band's middle
                const int top = band.y() + (band.height() - label->fontMetrics().height()) / 2;
                label->setGeometry(label->x(), top, label->width(), label->height());
            } else {
                label->setGeometry(label->x(), band.y(), label->width(), band.height());
            }
        }
    }
    return CreatedControls(controls, std::move(widgets));
}
