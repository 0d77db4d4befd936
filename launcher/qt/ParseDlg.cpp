#include "ParseDlg.h"

#include "AboutDlg.h"
#include "AppIcon.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "FileChooser.h"
#include "MessageBox.h"
#include "PathDisplay.h"
#include "PictureWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

constexpr std::span<const ControlTemplate> kTemplate = kParseDlgControls;

// Shows the busy cursor for as long as it lives: the one that still points, as Stop and About
// take clicks meanwhile.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QMessageBox::Icon BoxIcon(runkorvix::FeedbackIcon icon) {
    switch (icon) {
    case runkorvix::FeedbackIcon::Error:
        return QMessageBox::Critical;
    case runkorvix::FeedbackIcon::Information:
        return QMessageBox::Information;
    case runkorvix::FeedbackIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

CParseDlg::CParseDlg(runkorvix::LauncherSettings& settings, IFileChooser& chooser,
                     const QString& modulePath, const QByteArrayList& arguments, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_model(settings), m_chooser(chooser), m_hIcon(AppIcon()), m_szModulePath(modulePath),
      // Drawn in the system's font, which its message boxes use too, and measured in it.
      m_controls(CreateControls(this, kTemplate, DialogUnits::ForTemplate(font(), kTemplate))) {
    setWindowTitle(QStringLiteral(PARSEDLG_CAPTION));
    setAcceptDrops(true);
    for (const QByteArray& argument : arguments) {
        m_arguments.push_back(argument.toStdString());
    }
    setFixedSize(DialogUnits::ForTemplate(font(), kTemplate).Size(PARSEDLG_WIDTH, PARSEDLG_HEIGHT));

    m_inputFile = TakeControl<QPushButton>(m_controls, kIdInputFile);
    m_outputFile = TakeControl<QPushButton>(m_controls, kIdOutputFile);
    m_run = TakeControl<QPushButton>(m_controls, kIdRun);
    m_about = TakeControl<QPushButton>(m_controls, kIdAbout);
    m_help = TakeControl<QPushButton>(m_controls, kIdHelp);
    m_options = new QButtonGroup(this);
    m_options->setExclusive(true);
    for (int index = 0; index < runkorvix::kOptionCount; ++index) {
        const auto at = static_cast<std::size_t>(index);
        m_optionButtons[at] = TakeControl<QRadioButton>(m_controls, kOptionIds[at]);
        m_options->addButton(m_optionButtons[at], index);
        m_descriptions[at] = m_controls.At(runkorvix::ParseDlgModel::kDescriptions[at]);
        m_descriptions[at]->installEventFilter(this);
        m_optionButtons[at]->installEventFilter(this); // the arrow keys
    }
    // Screen readers announce an option with its description, a path field by its file.
    for (const ControlTemplate& control : kTemplate) {
        const std::string name = runkorvix::ParseDlgModel::AccessibleName(control.id);
        if (QWidget* widget = m_controls.ById(control.id); widget && !name.empty()) {
            widget->setAccessibleName(QString::fromStdString(name));
        }
    }
    ConnectHandlers();
}

CParseDlg::~CParseDlg() = default;

void CParseDlg::ConnectHandlers() {
    connect(m_inputFile, &QPushButton::clicked, this, &CParseDlg::OnInputFile);
    connect(m_outputFile, &QPushButton::clicked, this, &CParseDlg::OnOutputFile);
    // The group's id of a button is its option index.
    connect(m_options, &QButtonGroup::idClicked, this, [this](int index) {
        m_model.Click(kOptionIds[static_cast<std::size_t>(index)]);
        ShowStates();
    });
    // The check boxes and the fields that the user types into, each by its id.
    for (const ControlTemplate& control : kTemplate) {
        QWidget* widget = m_controls.ById(control.id);
        if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            connect(box, &QCheckBox::clicked, this, [this, id = control.id] {
                m_model.Click(id);
                ShowStates();
            });
        } else if (auto* field = qobject_cast<QLineEdit*>(widget); field && !field->isReadOnly()) {
            connect(field, &QLineEdit::textChanged, this,
                    [this, id = control.id](const QString& text) {
                        m_model.EditText(id, text.toStdString());
                        ShowStates();
                    });
        }
    }
    connect(m_run, &QPushButton::clicked, this, &CParseDlg::OnRun);
    connect(m_about, &QPushButton::clicked, this, &CParseDlg::OnAbout);
    connect(m_help, &QPushButton::clicked, this, &CParseDlg::OnHelpText);
    connect(TakeControl<QPushButton>(m_controls, kIdShowRun), &QPushButton::clicked, this,
            &CParseDlg::OnShowRun);
}

QWidget* CParseDlg::GetDlgItem(ControlId id) const {
    return m_controls.ById(id);
}

int CParseDlg::DoModal() {
    if (!OnInitDialog()) {
        return result();
    }
    return exec();
}

bool CParseDlg::OnInitDialog() {
    // The window manager owns the system menu here; the launcher adds no entry to it.
    setWindowIcon(m_hIcon);

    const std::optional<std::string> missing =
        m_model.Start(QFile::encodeName(m_szModulePath).toStdString(), m_arguments);
    ShowStates();
    if (missing) {
        ShowMessage(runkorvix::FeedbackIcon::Error, QString::fromStdString(*missing));
        OnCancel();
        return false;
    }
    m_inputFile->setFocus();
    return true;
}

void CParseDlg::OnInputFile() {
    if (m_model.ChooseInput(m_chooser.ChooseOpen(ChooserFolder()).toStdString())) {
        ShowStates();
    }
}

void CParseDlg::OnOutputFile() {
    if (m_model.ChooseOutput(
            m_chooser.ChooseSave(ChooserFolder(), m_model.WritesGpx()).toStdString())) {
        ShowStates();
    }
}

QString CParseDlg::ChooserFolder() const {
    return ShownName(m_model.ChooserFolder());
}

void CParseDlg::ShowStates() {
    for (const ControlTemplate& control : kTemplate) {
        QWidget* widget = m_controls.ById(control.id);
        if (widget == nullptr) {
            continue;
        }
        const runkorvix::ControlState& state = m_model.State(control.id);
        const QString text = QString::fromStdString(state.text);
        widget->setEnabled(state.enabled);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (button != nullptr && button->isCheckable()) {
            button->setChecked(state.checked);
        } else if (button != nullptr) { // a push button's caption: Run reads Stop during a run
            const QString caption = text.isEmpty() ? QString::fromLatin1(control.caption) : text;
            if (button->text() != caption) {
                button->setText(caption);
            }
        }
        if (auto* note = qobject_cast<QLabel*>(widget); note && note->toolTip() != text) {
            // Broken at blanks into the lines the note holds; cut with an ellipsis where it is
            // longer than they are, whole in its tooltip.
            const QRect room(0, 0, note->width(), note->height());
            const bool fits =
                note->fontMetrics().boundingRect(room, Qt::TextWordWrap, text).height() <=
                note->height();
            note->setText(
                fits ? text : note->fontMetrics().elidedText(text, Qt::ElideRight, note->width()));
            note->setToolTip(text);
        }
        auto* field = qobject_cast<QLineEdit*>(widget);
        if (field != nullptr && field->isReadOnly()) { // a path: the core's name, decoded
            if (const QString path = ShownName(state.text); field->toolTip() != path) {
                ShowPath(field, path);
            }
        } else if (field != nullptr && field->text() != text) {
            field->setText(text);
        }
    }
    ShowProgress();
}

void CParseDlg::ShowProgress() {
    const runkorvix::ControlState& progress = m_model.State(kIdProgress);
    auto* bar = qobject_cast<QProgressBar*>(m_controls.ById(kIdProgress));
    if (bar != nullptr && bar->value() != progress.value) {
        bar->setValue(progress.value);
    }
    for (const int id : {int{kIdProgress}, int{kIdOutputNote}}) {
        QWidget* widget = m_controls.ById(id);
        if (widget != nullptr && widget->isVisibleTo(this) != m_model.State(id).shown) {
            widget->setVisible(m_model.State(id).shown);
        }
    }
}

int CParseDlg::FocusedId() const {
    const QWidget* focused = focusWidget();
    for (const ControlTemplate& control : kTemplate) {
        if (focused != nullptr && m_controls.ById(control.id) == focused) {
            return control.id;
        }
    }
    return IDC_STATIC;
}

void CParseDlg::ShowPath(QLineEdit* field, const QString& path) {
    // The field's text rectangle: its contents less its text margins and the edit's own margins
    // of 2 pixels a side.
    QStyleOptionFrame frame;
    frame.initFrom(field);
    frame.rect = field->rect();
    frame.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, field);
    const QRect contents = field->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &frame, field)
                               .marginsRemoved(field->textMargins());
    const QFontMetrics metrics(field->font());
    const std::string shown = runkorvix::ShownPath(
        path.toStdString(), contents.width() - 2 * 2, [&](std::string_view text) {
            return metrics.horizontalAdvance(
                QString::fromUtf8(text.data(), qsizetype(text.size())));
        });
    field->setText(QString::fromStdString(shown));
    field->setCursorPosition(0);
    field->setToolTip(path);
}

void CParseDlg::OnRun() {
    // During a run the button reads Stop; the second click of a double click on Run is not one.
    if (m_model.Stop(
            std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval()))) {
        return;
    }
    const QPointer<QWidget> focus = focusWidget();
    runkorvix::Feedback feedback;
    {
        const BusyCursor busy;
        // The events that came while the box was made: a close among them is kept.
        feedback =
            m_model.Run([this] { WaitForConverter(); }, [] { QCoreApplication::processEvents(); });
    }
    ShowStates();
    if (focus) {
        focus->setFocus();
    }
    // After a run that made routes or tracks the box offers their picture.
    const bool picture = Choices().PictureOfRun().has_value() && !m_model.Leaving();
    if (feedback.icon != runkorvix::FeedbackIcon::None &&
        ShowMessage(feedback.icon, QString::fromStdString(feedback.text),
                    QByteArray::fromStdString(feedback.folder),
                    feedback.icon == runkorvix::FeedbackIcon::Information && picture)) {
        OnShowRun();
    }
    if (m_model.Leaving()) {
        QDialog::reject();
    }
}

void CParseDlg::OnShowRun() {
    if (const auto& picture = Choices().PictureOfRun()) {
        ShowRunPicture(*picture, this);
    }
}

void CParseDlg::WaitForConverter() {
    // The controls that choose are disabled, so that their clicks and keys are dropped, not kept
    // for after the run; Stop, About, Help and closing the window work. The local event loop keeps
    // the window painted, and the timer pumps the run in any loop, an About box's too.
    ShowStates();
    QEventLoop loop;
    QTimer pump;
    connect(&pump, &QTimer::timeout, &loop, [this, &loop, &pump] {
        if (!m_model.Pump()) {
            pump.stop();
            loop.quit();
        }
        ShowProgress();
    });
    pump.start(0);
    loop.exec();
}

bool CParseDlg::ShowMessage(runkorvix::FeedbackIcon icon, const QString& text,
                            const QByteArray& folder, bool offerShow) {
    // The message box shows the normal cursor, also when the dialog behind it is busy.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool show =
        ShowMessageBox(this, BoxIcon(icon), text, folder,
                       offerShow ? QString::fromLatin1(runkorvix::kShowCaption) : QString());
    QGuiApplication::restoreOverrideCursor();
    return show;
}

void CParseDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CParseDlg::OnHelpText() {
    ShowMessageBox(this, QMessageBox::Information, QString::fromLatin1(runkorvix::kHelpText));
}

// Both end the dialog; during a run they stop it first, and the dialog ends after it (OnRun).
void CParseDlg::OnOK() {
    if (m_model.Close()) {
        QDialog::accept();
    }
}
void CParseDlg::OnCancel() {
    if (m_model.Close()) {
        QDialog::reject();
    }
}

bool CParseDlg::eventFilter(QObject* watched, QEvent* event) {
    // An arrow on an option button selects the next or the previous option.
    if (event->type() == QEvent::KeyPress &&
        std::find(m_optionButtons.begin(), m_optionButtons.end(), watched) !=
            m_optionButtons.end()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const runkorvix::DialogKey arrow = key == Qt::Key_Up      ? runkorvix::DialogKey::Up
                                           : key == Qt::Key_Left  ? runkorvix::DialogKey::Left
                                           : key == Qt::Key_Right ? runkorvix::DialogKey::Right
                                                                  : runkorvix::DialogKey::Down;
        const bool isArrow =
            key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
        const std::optional<int> to =
            isArrow ? m_model.Key(FocusedId(), arrow) : std::optional<int>();
        if (to) {
            ShowStates();
            if (QWidget* widget = m_controls.ById(*to)) {
                widget->setFocus(Qt::OtherFocusReason);
            }
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* click = static_cast<QMouseEvent*>(event);
        const auto found = std::find(m_descriptions.begin(), m_descriptions.end(), watched);
        if (found != m_descriptions.end() && click->button() == Qt::LeftButton &&
            (*found)->rect().contains(click->position().toPoint())) {
            m_optionButtons[static_cast<std::size_t>(found - m_descriptions.begin())]->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CParseDlg::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // A push button with the focus takes Enter itself. Anywhere else the choices are stored
        // first; in a field of the limits Enter confirms its value, elsewhere it means OK.
        const int focused = FocusedId();
        if (!m_model.Running()) {
            if (const std::optional<std::string> refused = m_model.Confirm()) {
                ShowMessage(runkorvix::FeedbackIcon::Error, QString::fromStdString(*refused));
                return;
            }
            if (!runkorvix::ParseDlgModel::EnterEnds(focused)) {
                return;
            }
        }
        OnOK();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        OnCancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CParseDlg::focusNextPrevChild(bool next) {
    const std::optional<int> to =
        m_model.Key(FocusedId(), next ? runkorvix::DialogKey::Tab : runkorvix::DialogKey::BackTab);
    QWidget* widget = to ? m_controls.ById(*to) : nullptr;
    if (widget == nullptr) {
        return QDialog::focusNextPrevChild(next);
    }
    widget->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void CParseDlg::closeEvent(QCloseEvent* event) {
    // While korvix runs, the run is stopped first and the dialog ends after it (OnRun).
    if (!m_model.Close()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

namespace {

// The local files that a drag carries, as the system's bytes (NameOfUrl).
std::vector<std::string> DraggedFiles(const QMimeData* data) {
    std::vector<std::string> names;
    for (const QUrl& url : data->urls()) {
        if (const QByteArray name = NameOfUrl(url); !name.isEmpty()) {
            names.push_back(name.toStdString());
        }
    }
    return names;
}

} // namespace

void CParseDlg::dragEnterEvent(QDragEnterEvent* event) {
    // More than one file is taken too, to be told to drop one at a time.
    if (!m_model.Running() && !DraggedFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void CParseDlg::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = DraggedFiles(event->mimeData());
    if (m_model.Running() || paths.empty()) {
        return;
    }
    event->acceptProposedAction();
    if (m_model.Drop(paths)) {
        ShowStates();
    }
}
