#include "ParseDlg.h"

#include "AboutDlg.h"
#include "AppIcon.h"
#include "ConverterRun.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "FileChooser.h"
#include "MessageBox.h"
#include "PathDisplay.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include <algorithm>

namespace {

constexpr std::span<const ControlTemplate> kTemplate = kParseDlgControls;

// The option buttons' handlers by option index.
constexpr std::array<void (CParseDlg::*)(), runkorvix::kOptionCount> kOptionHandlers = {
    &CParseDlg::OnRadioR, &CParseDlg::OnRadioS, &CParseDlg::OnRadioT,    &CParseDlg::OnRadioU,
    &CParseDlg::OnRadioV, &CParseDlg::OnRadioW, &CParseDlg::OnRadioOther};

// Shows the busy cursor for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// How long one turn of the wait for the converter may keep the dialog from its events.
constexpr std::chrono::milliseconds kPumpSlice(15);

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
                     const QString& modulePath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_launcher(settings), m_chooser(chooser), m_hIcon(AppIcon()), m_szModulePath(modulePath) {
    setWindowTitle(QStringLiteral(PARSEDLG_CAPTION));
    // Drawn in the system's font, which its message boxes use too, and measured in it.
    const DialogUnits units = DialogUnits::ForTemplate(font(), kTemplate);
    setFixedSize(units.Size(PARSEDLG_WIDTH, PARSEDLG_HEIGHT));

    const CreatedControls controls = CreateControls(this, kTemplate, units);
    m_inputFile = TakeControl<QPushButton>(controls, kIdInputFile);
    m_outputFile = TakeControl<QPushButton>(controls, kIdOutputFile);
    m_run = TakeControl<QPushButton>(controls, kIdRun);
    m_about = TakeControl<QPushButton>(controls, kIdAbout);
    m_help = TakeControl<QPushButton>(controls, kIdHelp);
    m_other = TakeControl<QLineEdit>(controls, kIdOther);
    m_inputPath = TakeControl<QLineEdit>(controls, kIdInputPath);
    m_outputPath = TakeControl<QLineEdit>(controls, kIdOutputPath);
    m_options = new QButtonGroup(this);
    m_options->setExclusive(true);
    for (int index = 0; index < runkorvix::kOptionCount; ++index) {
        const auto at = static_cast<std::size_t>(index);
        m_optionButtons[at] = TakeControl<QRadioButton>(controls, kOptionIds[at]);
        m_options->addButton(m_optionButtons[at], index);
        m_descriptions[at] = controls.At(DescriptionOf(kTemplate, kOptionIds[at]));
        m_descriptions[at]->installEventFilter(this);
    }
    ConnectHandlers();
}

CParseDlg::~CParseDlg() = default;

void CParseDlg::ConnectHandlers() {
    connect(m_inputFile, &QPushButton::clicked, this, &CParseDlg::OnInputFile);
    connect(m_outputFile, &QPushButton::clicked, this, &CParseDlg::OnOutputFile);
    // The group's id of a button is its option index.
    connect(m_options, &QButtonGroup::idClicked, this,
            [this](int index) { (this->*kOptionHandlers[static_cast<std::size_t>(index)])(); });
    connect(m_other, &QLineEdit::textChanged, this, &CParseDlg::OnChangeOther);
    connect(m_run, &QPushButton::clicked, this, &CParseDlg::OnRun);
    connect(m_about, &QPushButton::clicked, this, &CParseDlg::OnAbout);
    connect(m_help, &QPushButton::clicked, this, &CParseDlg::OnHelpText);
}

QWidget* CParseDlg::GetDlgItem(ControlId id) const {
    switch (id) {
    case kIdInputFile:
        return m_inputFile;
    case kIdOutputFile:
        return m_outputFile;
    case kIdRun:
        return m_run;
    case kIdOther:
        return m_other;
    case kIdInputPath:
        return m_inputPath;
    case kIdOutputPath:
        return m_outputPath;
    case kIdAbout:
        return m_about;
    case kIdHelp:
        return m_help;
    case kIdRadioR:
    case kIdRadioS:
    case kIdRadioT:
    case kIdRadioU:
    case kIdRadioV:
    case kIdRadioW:
    case kIdRadioOther:
        break;
    }
    for (std::size_t index = 0; index < kOptionIds.size(); ++index) {
        if (kOptionIds[index] == id) {
            return m_optionButtons[index];
        }
    }
    return nullptr;
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

    m_outputFile->setEnabled(false);
    m_run->setEnabled(false);
    const std::string other = m_launcher.Restore();
    m_other->setText(QString::fromStdString(other));
    m_other->setEnabled(m_launcher.Radio() == runkorvix::kOtherIndex);
    m_optionButtons[static_cast<std::size_t>(m_launcher.Radio())]->setChecked(true);

    if (!m_launcher.LocateConverter(m_szModulePath.toStdString())) {
        ShowMessage(runkorvix::FeedbackIcon::Error,
                    QString::fromStdString(runkorvix::MissingConverterText()));
        OnCancel();
        return false;
    }
    m_inputFile->setFocus();
    return true;
}

void CParseDlg::OnInputFile() {
    const QString path = QDir::toNativeSeparators(m_chooser.ChooseOpen());
    if (!m_launcher.ChooseInput(path.toStdString())) {
        return;
    }
    m_outputFile->setEnabled(true);
    ShowPath(m_inputPath, path);
}

void CParseDlg::OnOutputFile() {
    // The save chooser starts beside the input, which is chosen by now.
    const QString path =
        QDir::toNativeSeparators(m_chooser.ChooseSave(QFileInfo(InputPath()).absolutePath()));
    if (path.isEmpty()) {
        return;
    }
    m_launcher.ChooseOutput(path.toStdString());
    m_run->setEnabled(true);
    ShowPath(m_outputPath, path);
}

void CParseDlg::ShowPath(QLineEdit* field, const QString& path) {
    // The room for text: the field's contents less its text margins, the edit's own margins of
    // 2 pixels a side and the cursor's width.
    QStyleOptionFrame frame;
    frame.initFrom(field);
    frame.rect = field->rect();
    frame.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, field);
    const QRect contents = field->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &frame, field)
                               .marginsRemoved(field->textMargins());
    const int room = contents.width() - 2 * 2 - 1;
    const QFontMetrics metrics(field->font());
    const std::string shown =
        runkorvix::CompactPath(path.toStdString(), [&](std::string_view text) {
            return metrics.horizontalAdvance(
                       QString::fromUtf8(text.data(), qsizetype(text.size()))) <= room;
        });
    field->setText(QString::fromStdString(shown));
    field->setCursorPosition(0);
    field->setToolTip(path);
}

void CParseDlg::SelectOption(int index) {
    m_launcher.SelectOption(index, m_other->text().toStdString());
    m_other->setEnabled(index == runkorvix::kOtherIndex);
}

void CParseDlg::OnRadioR() {
    SelectOption(0);
}
void CParseDlg::OnRadioS() {
    SelectOption(1);
}
void CParseDlg::OnRadioT() {
    SelectOption(2);
}
void CParseDlg::OnRadioU() {
    SelectOption(3);
}
void CParseDlg::OnRadioV() {
    SelectOption(4);
}
void CParseDlg::OnRadioW() {
    SelectOption(5);
}
void CParseDlg::OnRadioOther() {
    SelectOption(runkorvix::kOtherIndex);
}

void CParseDlg::OnChangeOther(const QString& text) {
    m_launcher.SetOtherText(text.toStdString());
}

void CParseDlg::OnRun() {
    if (m_running) {
        return;
    }
    const WaitCursor busy;
    const runkorvix::Feedback feedback =
        m_launcher.Run([this](runkorvix::ConverterRun& run) { WaitForConverter(run); });
    if (feedback.icon != runkorvix::FeedbackIcon::None) {
        ShowMessage(feedback.icon, QString::fromStdString(feedback.text));
    }
}

void CParseDlg::WaitForConverter(runkorvix::ConverterRun& run) {
    // A disabled window drops the clicks and keys that come meanwhile, where a blocked one would
    // have kept them for after the run. The local event loop keeps the window painted.
    const QPointer<QWidget> focus = focusWidget();
    m_running = true;
    setEnabled(false);
    QEventLoop loop;
    QTimer pump;
    connect(&pump, &QTimer::timeout, &loop, [&run, &loop] {
        if (!run.Pump(kPumpSlice)) {
            loop.quit();
        }
    });
    pump.start(0);
    loop.exec();
    setEnabled(true);
    m_running = false;
    if (focus) {
        focus->setFocus();
    }
}

void CParseDlg::ShowMessage(runkorvix::FeedbackIcon icon, const QString& text) {
    // The message box shows the normal cursor, also when the dialog behind it is busy.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    ShowMessageBox(this, BoxIcon(icon), text);
    QGuiApplication::restoreOverrideCursor();
}

void CParseDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CParseDlg::OnHelpText() {
    ShowMessageBox(this, QMessageBox::Information, QString::fromLatin1(runkorvix::kHelpText));
}

void CParseDlg::OnOK() {
    QDialog::accept();
}
void CParseDlg::OnCancel() {
    QDialog::reject();
}

bool CParseDlg::eventFilter(QObject* watched, QEvent* event) {
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
        // A push button with the focus takes Enter itself; anywhere else Enter means OK.
        OnOK();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        OnCancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CParseDlg::closeEvent(QCloseEvent* event) {
    // The dialog ends only when no converter runs.
    if (m_running) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
