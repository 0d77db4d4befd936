#include "AboutDlg.h"

#include "AppIcon.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"

#include <QAbstractButton>

#include <array>

namespace {

constexpr int kIdOk = 1;

constexpr std::array<ControlTemplate, 4> kTemplate = {{
    {kNoControlId, ControlKind::Icon, nullptr, 11, 17, 20, 20},
    {kNoControlId, ControlKind::Label, "Run Korvix Version 1.0", 40, 10, 119, 8},
    {kIdOk, ControlKind::DefaultPushButton, "OK", 178, 20, 50, 14},
    {kNoControlId, ControlKind::Label, "by Vantory", 40, 37, 42, 8},
}};

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About RunKorvix"));
    setWindowIcon(AppIcon());
    setFont(DialogFont());
    const DialogUnits units = DialogUnits::ForFont(font());
    setFixedSize(units.Size(235, 55));
    const ControlMap controls = CreateControls(this, kTemplate, units);
    connect(TakeControl<QAbstractButton>(controls, kIdOk), &QAbstractButton::clicked, this,
            &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;
