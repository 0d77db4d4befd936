#include "ParseDlg.h"

#include "AboutDlg.h"
#include "AppIcon.h"
#include "ConverterCommand.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "FileChooser.h"
#include "LauncherSettings.h"
#include "MessageBox.h"
#include "Platform.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <array>

namespace {

constexpr std::array<ControlTemplate, 23> kTemplate = {{
    {kNoControlId, ControlKind::GroupBox, "Options", 7, 61, 241, 115},
    {CParseDlg::kIdInputFile, ControlKind::PushButton, "Input File", 20, 14, 50, 14},
    {CParseDlg::kIdOutputFile, ControlKind::PushButton, "Output File", 20, 38, 50, 14},
    {CParseDlg::kIdRadioR, ControlKind::RadioButton, "-R", 45, 73, 23, 10},
    {CParseDlg::kIdRadioS, ControlKind::RadioButton, "-S", 45, 86, 23, 10},
    {CParseDlg::kIdRadioT, ControlKind::RadioButton, "-T", 45, 99, 23, 10},
    {CParseDlg::kIdRadioU, ControlKind::RadioButton, "-U", 45, 112, 23, 10},
    {CParseDlg::kIdRadioV, ControlKind::RadioButton, "-V", 45, 126, 23, 10},
    {CParseDlg::kIdRun, ControlKind::PushButton, "Run Korvix", 100, 181, 54, 14},
    {CParseDlg::kIdRadioW, ControlKind::RadioButton, "-W", 45, 139, 25, 10},
    {CParseDlg::kIdRadioOther, ControlKind::RadioButton, nullptr, 45, 160, 12, 8},
    {CParseDlg::kIdOther, ControlKind::Edit, nullptr, 59, 158, 27, 12},
    {kNoControlId, ControlKind::Label, "Other command line option.", 95, 159, 85, 8},
    {CParseDlg::kIdInputPath, ControlKind::ReadOnlyEdit, nullptr, 82, 14, 156, 14},
    {CParseDlg::kIdOutputPath, ControlKind::ReadOnlyEdit, nullptr, 81, 38, 156, 14},
    {CParseDlg::kIdAbout, ControlKind::PushButton, "About", 225, 181, 23, 14},
    {kNoControlId, ControlKind::Label, "Convert routes to route with user vias.", 74, 74, 110, 8},
    {kNoControlId, ControlKind::Label, "Convert routes to route with hidden vias.", 74, 87, 118, 8},
    {kNoControlId, ControlKind::Label, "Convert routes to track with all points (default).", 74,
     100, 135, 8},
    {kNoControlId, ControlKind::Label, "Convert routes to track with via points only.", 74, 113,
     125, 8},
    {kNoControlId, ControlKind::Label, "Convert tracks to route with user vias.", 74, 127, 110, 8},
    {kNoControlId, ControlKind::Label, "Convert tracks to route with hidden vias.", 74, 140, 117,
     8},
    {CParseDlg::kIdHelp, ControlKind::PushButton, "Help", 7, 181, 23, 14},
}};

// The option buttons by index, with the option text that each one selects; the free option
// button (index 6) takes the text of the free option field.
struct OptionButton {
    int id;
    const char* option;
};
constexpr std::array<OptionButton, 7> kOptions = {{
    {CParseDlg::kIdRadioR, "-R"},
    {CParseDlg::kIdRadioS, "-S"},
    {CParseDlg::kIdRadioT, "-T"},
    {CParseDlg::kIdRadioU, "-U"},
    {CParseDlg::kIdRadioV, "-V"},
    {CParseDlg::kIdRadioW, "-W"},
    {CParseDlg::kIdRadioOther, nullptr},
}};

const char kHelpText[] = "1. Select Input File.\n"
                         "2. Select Output File.\n"
                         "3. Select the file conversion option.\n"
                         "4. Click the \"Run Korvix\" button.\n";

QString MissingConverterText() {
    const QString converter = platform::ConverterFileName();
    return QStringLiteral("Bummer. Could not locate the \"%1\" application!\n\n"
                          "Be sure that \"%2\" is in the same directory\n"
                          "as \"%1\".\n\n"
                          "Cannot continue.")
        .arg(converter, platform::LauncherFileName());
}

// Shows the busy cursor for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CParseDlg::CParseDlg(CLauncherSettings& settings, IFileChooser& chooser, const QString& modulePath,
                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_settings(settings), m_chooser(chooser), m_hIcon(AppIcon()), m_szModulePath(modulePath) {
    setWindowTitle(QStringLiteral("Run Korvix"));
    setFont(DialogFont());
    const DialogUnits units = DialogUnits::ForFont(font());
    setFixedSize(units.Size(255, 205));
    CreateControls(this, kTemplate, units);

    m_options = new QButtonGroup(this);
    m_options->setExclusive(true);
    for (int index = 0; index < static_cast<int>(kOptions.size()); ++index) {
        m_options->addButton(qobject_cast<QAbstractButton*>(GetDlgItem(kOptions[index].id)), index);
    }
    ConnectHandlers();
}

CParseDlg::~CParseDlg() = default;

void CParseDlg::ConnectHandlers() {
    const auto onClick = [this](int id, void (CParseDlg::*handler)()) {
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
                handler);
    };
    onClick(kIdInputFile, &CParseDlg::OnInputFile);
    onClick(kIdOutputFile, &CParseDlg::OnOutputFile);
    onClick(kIdRadioR, &CParseDlg::OnRadioR);
    onClick(kIdRadioS, &CParseDlg::OnRadioS);
    onClick(kIdRadioT, &CParseDlg::OnRadioT);
    onClick(kIdRadioU, &CParseDlg::OnRadioU);
    onClick(kIdRadioV, &CParseDlg::OnRadioV);
    onClick(kIdRadioW, &CParseDlg::OnRadioW);
    onClick(kIdRadioOther, &CParseDlg::OnRadioOther);
    onClick(kIdRun, &CParseDlg::OnRun);
    onClick(kIdAbout, &CParseDlg::OnAbout);
    onClick(kIdHelp, &CParseDlg::OnHelpText);
    connect(OtherField(), &QLineEdit::textChanged, this, &CParseDlg::OnChangeOther);
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

    GetDlgItem(kIdOutputFile)->setEnabled(false);
    GetDlgItem(kIdRun)->setEnabled(false);
    OtherField()->setEnabled(false);

    m_strOption = m_settings.GetOther();
    OtherField()->setText(m_strOption);

    m_nRadio = m_settings.GetRadio();
    if (m_nRadio < 0 || m_nRadio > kOtherIndex) {
        // A stored index that names no button counts as the default option.
        m_nRadio = CLauncherSettings::kDefaultRadio;
    }
    if (m_nRadio == kOtherIndex) {
        OtherField()->setEnabled(true);
        OtherField()->setText(m_strOption);
    } else {
        SelectFixedOption(m_nRadio);
    }
    m_options->button(m_nRadio)->setChecked(true);

    if (!LocateConverter()) {
        ShowMessageBox(this, QMessageBox::Critical, MissingConverterText());
        OnCancel();
        return false;
    }
    GetDlgItem(kIdInputFile)->setFocus();
    return true;
}

bool CParseDlg::LocateConverter() {
    m_szConverterDir = QDir::toNativeSeparators(QFileInfo(m_szModulePath).absolutePath());
    if (!m_szConverterDir.endsWith(QDir::separator())) {
        m_szConverterDir += QDir::separator();
    }
    m_szConverterPath = m_szConverterDir + platform::ConverterFileName();
    return QFileInfo::exists(m_szConverterPath);
}

QWidget* CParseDlg::GetDlgItem(int id) const {
    return FindControl(this, id);
}

QLineEdit* CParseDlg::OtherField() const {
    return qobject_cast<QLineEdit*>(GetDlgItem(kIdOther));
}

void CParseDlg::OnInputFile() {
    const QString path = m_chooser.ChooseOpen();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return;
    }
    GetDlgItem(kIdOutputFile)->setEnabled(true);
    m_strInputPath = QDir::toNativeSeparators(path);
    qobject_cast<QLineEdit*>(GetDlgItem(kIdInputPath))->setText(m_strInputPath);
}

void CParseDlg::OnOutputFile() {
    const QString path = m_chooser.ChooseSave();
    if (path.isEmpty()) {
        return;
    }
    m_strOutputPath = QDir::toNativeSeparators(path);
    GetDlgItem(kIdRun)->setEnabled(true);
    qobject_cast<QLineEdit*>(GetDlgItem(kIdOutputPath))->setText(m_strOutputPath);
}

void CParseDlg::SelectFixedOption(int index) {
    OtherField()->setEnabled(false);
    m_strOption = QString::fromLatin1(kOptions[static_cast<std::size_t>(index)].option);
    m_nRadio = index;
}

void CParseDlg::OnRadioR() {
    SelectFixedOption(0);
}
void CParseDlg::OnRadioS() {
    SelectFixedOption(1);
}
void CParseDlg::OnRadioT() {
    SelectFixedOption(2);
}
void CParseDlg::OnRadioU() {
    SelectFixedOption(3);
}
void CParseDlg::OnRadioV() {
    SelectFixedOption(4);
}
void CParseDlg::OnRadioW() {
    SelectFixedOption(5);
}

void CParseDlg::OnRadioOther() {
    OtherField()->setEnabled(true);
    m_strOption = OtherField()->text();
    m_nRadio = kOtherIndex;
}

void CParseDlg::OnChangeOther(const QString& text) {
    m_strOption = text;
}

void CParseDlg::OnRun() {
    const WaitCursor busy;
    m_settings.WriteRadio(m_nRadio);
    if (m_nRadio == kOtherIndex) {
        m_settings.WriteOther(m_strOption);
    }
    if (IsSameFile(m_strInputPath, m_strOutputPath)) {
        ShowError(QStringLiteral("The output file must not be the input file."));
        return;
    }
    const int error = platform::RunAndWait(
        m_szConverterPath, ConverterArguments(m_strOption, m_strInputPath, m_strOutputPath),
        m_szConverterDir);
    if (error != 0) {
        ShowError(QString::asprintf("CreateProcess Error = %04d", error));
    }
}

void CParseDlg::ShowError(const QString& text) {
    // The message box shows the normal cursor; the dialog behind it stays busy.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    ShowMessageBox(this, QMessageBox::Critical, text);
    QGuiApplication::restoreOverrideCursor();
}

void CParseDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CParseDlg::OnHelpText() {
    ShowMessageBox(this, QMessageBox::Information, QString::fromLatin1(kHelpText));
}

void CParseDlg::OnOK() {
    QDialog::accept();
}
void CParseDlg::OnCancel() {
    QDialog::reject();
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
